// SPDX-License-Identifier: GPL-2.0-or-later
// GUI tests run offscreen with the real skin, in a private runtime folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "ui/SkinResources.h"
#include "ui/SvgImage.h"

int main(int argc, char** argv) {
    // gtest_discover_tests lists the tests without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    MarkUiThread();
    testing::InitGoogleTest(&argc, argv);
    DebugConfigureFromEnvironment();
    if (!Skin().Load(QStringLiteral(KESTRUNE_SKIN_DIR)))
        return 1;
    RegisterSkinControls();
    return RUN_ALL_TESTS();
}
