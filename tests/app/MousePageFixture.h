// SPDX-License-Identifier: GPL-2.0-or-later
// The window on the real skin with the simulated mouse connected by cable, its mouse page built
// and its first profile shown: the ground of the settings tabs' tests.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "emulator/SimWorld.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/TempHome.h"

class MousePageTest : public testing::Test {
  protected:
    static constexpr int kWaitMs = 10000;

    void SetUp() override {
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        // For screenshots in another language ("lan_cn.xml").
        if (const char* language = std::getenv("KESTRUNE_TEST_LANGUAGE"))
            options.languageFile = QString::fromLatin1(language);
        Configure(options);
        window = std::make_unique<CMainWnd>(options);
        QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
        ASSERT_TRUE(window->Init());
        ASSERT_TRUE(shown.wait(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Page() && !Page()->ShownProfile().profileId.empty(); }, kWaitMs));
    }
    // A test's own options for the window.
    virtual void Configure(MainWndOptions&) {}
    void TearDown() override {
        window.reset();
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }

    CDevicePageUI* Page() {
        CQuillonUSBDevice* device = window->Discovery() ? window->Discovery()->Device(0) : nullptr;
        return device ? window->PageOf(*device) : nullptr;
    }
    template <class Tab>
    Tab* FindTab() {
        return Page() ? Page()->findChild<Tab*>() : nullptr;
    }
    template <class T>
    T* Find(const QString& name) {
        return Page() ? Page()->findChild<T*>(name) : nullptr;
    }
    template <class T>
    T* Find(const char* prefix, int n) {
        return Find<T>(QString::fromLatin1(prefix) + QString::number(n));
    }
    // Saves the window to the file KESTRUNE_TEST_SHOT names (else into the test's home), at
    // KESTRUNE_TEST_DPI if given, and checks the picture saved is the window's.
    // With a suffix, "shot.png" becomes "shot-suffix.png".
    void Shot(const char* suffix = nullptr) {
        const char* shot = std::getenv("KESTRUNE_TEST_SHOT");
        if (const char* dpi = std::getenv("KESTRUNE_TEST_DPI"))
            window->SetDpi(std::atoi(dpi), "MAIN_WND DPI SET ERROR");
        QString file = shot ? QString::fromLocal8Bit(shot)
                            : QString::fromStdString((home.Root() / "shot.png").string());
        if (suffix) {
            const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
            file.insert(dot < 0 ? file.size() : dot, QLatin1Char('-') + QLatin1String(suffix));
        }
        const QPixmap picture = window->grab();
        ASSERT_FALSE(picture.isNull());
        ASSERT_TRUE(picture.save(file)) << file.toStdString();
        const QImage saved(file);
        EXPECT_EQ(saved.size(), picture.size()) << file.toStdString();
    }

    CTempHome home;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::unique_ptr<CMainWnd> window;
};
