// SPDX-License-Identifier: GPL-2.0-or-later
// The window program started where there is no display: --help and --version answer, and a
// plain start says why it cannot show the window instead of aborting.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

TEST(WindowProgram, WithoutADisplayHelpAndVersionAnswerAndAStartSaysWhy) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* stdoutHas;
        const char* stderrHas;
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, 0, "--emulate <mode>", ""},
        {{QStringLiteral("--version")}, 0, KESTRUNE_VERSION, ""},
        {{}, 1, "", "no display to show the window on"},
        {{QStringLiteral("--emulate"), QStringLiteral("cable")}, 1, "", "use kestrunectl"},
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const Case& c : cases) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KESTRUNE_WINDOW_PROGRAM), c.arguments);
        ASSERT_TRUE(program.waitForFinished(20000)) << c.arguments.join(' ').toStdString();
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << err.toStdString();
        EXPECT_EQ(program.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_TRUE(out.contains(QLatin1String(c.stdoutHas))) << out.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(c.stderrHas))) << err.toStdString();
    }
}
