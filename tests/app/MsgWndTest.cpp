// SPDX-License-Identifier: GPL-2.0-or-later
// ShowMessage: the buttons per mode and what each one returns; the about window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/AboutWnd.h"
#include "app/MsgWnd.h"
#include "base/Debug.h"
#include "base/Version.h"
#include "ui/SkinResources.h"

namespace {

// Runs `act` on the message window once it runs modal.
void WhenShown(std::function<void(CMsgWnd&)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<CMsgWnd*>(widget); window && window->IsModalRunning())
                return act(*window);
        ADD_FAILURE() << "no message window";
    });
}

QAbstractButton* Button(CMsgWnd& window, const char* name) {
    return window.FindControl<QAbstractButton>(QString::fromLatin1(name));
}

}  // namespace

TEST(ShowMessage, ResultsPerButtonMode) {
    struct Case {
        int mode;
        const char* press;
        int result;
        bool cancelShown;
    } cases[] = {
        {kMessageConfirmOnly, "confirm_btn", 1, false},
        {kMessageConfirmOnly, "closebtn", 0, false},
        {kMessageConfirmCancel, "confirm_btn", 1, true},
        {kMessageConfirmCancel, "cancel_btn", 0, true},
        {kMessageConfirmCancel, "closebtn", 0, true},
        {7, "confirm_btn", 1, true},  // layout as is
    };
    ASSERT_TRUE(Skin().LoadLanguage(QStringLiteral("lan_en.xml")));
    for (const Case& c : cases) {
        bool confirmShown = false, cancelShown = false;
        WhenShown([&](CMsgWnd& window) {
            confirmShown = Button(window, "confirm_btn")->isVisible();
            cancelShown = Button(window, "cancel_btn")->isVisible();
            Button(window, c.press)->click();
        });
        int result = ShowMessage(nullptr, QString(), QStringLiteral("nodevice_title_text"), 96,
                                 true, c.mode);
        EXPECT_EQ(result, c.result) << c.mode << " " << c.press;
        EXPECT_TRUE(confirmShown) << c.mode;
        EXPECT_EQ(cancelShown, c.cancelShown) << c.mode;
    }
}

TEST(ShowMessage, TitleTextAndDpi) {
    ASSERT_TRUE(Skin().LoadLanguage(QStringLiteral("lan_en.xml")));
    CDebugCapture capture;
    QString title, text;
    int dpi = 0;
    WhenShown([&](CMsgWnd& window) {
        title = window.FindControl<QLabel>(QStringLiteral("MessageTitle"))->text();
        text = window.FindControl<QLabel>(QStringLiteral("MessageText"))->text();
        dpi = window.Dpi();
        window.close();  // the window manager's close: not a confirmation
    });
    EXPECT_EQ(ShowMessage(nullptr, QString(), QStringLiteral("nodevice_title_text"), 110, true, 1),
              0);
    EXPECT_EQ(title, Skin().Text(QStringLiteral("message_title_text")));  // the layout's own
    EXPECT_EQ(text, QStringLiteral("No device connected"));
    EXPECT_EQ(dpi, 96);
    EXPECT_TRUE(capture.Contains("MSG_WND DPI SET ERROR"));

    WhenShown([&](CMsgWnd& window) {
        title = window.FindControl<QLabel>(QStringLiteral("MessageTitle"))->text();
        text = window.FindControl<QLabel>(QStringLiteral("MessageText"))->text();
        dpi = window.Dpi();
        Button(window, "confirm_btn")->click();
    });
    EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("Title"), QStringLiteral("<b>plain</b>"), 144,
                          false, 0),
              1);
    EXPECT_EQ(title, QStringLiteral("Title"));
    EXPECT_EQ(text, QStringLiteral("<b>plain</b>"));
    EXPECT_EQ(dpi, 144);
}

TEST(ShowMessage, EscapeClosesLikeTheCloseButton) {
    ASSERT_TRUE(Skin().LoadLanguage(QStringLiteral("lan_en.xml")));
    WhenShown([](CMsgWnd& window) { QTest::keyClick(&window, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessage(nullptr, QString(), QStringLiteral("nodevice_title_text"), 96, true,
                          kMessageConfirmCancel),
              0);
}

TEST(AboutWnd, EscapeClosesIt) {
    CAboutWnd about;
    ASSERT_TRUE(about.Init());
    about.show();
    ASSERT_TRUE(about.isVisible());
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutWnd, ShowsTheVersionFromTheLanguageText) {
    ASSERT_TRUE(Skin().LoadLanguage(QStringLiteral("lan_cn.xml")));
    CAboutWnd about;
    ASSERT_TRUE(about.Init());
    QString version = about.FindControl<QLabel>(QStringLiteral("software_ver_label"))->text();
    EXPECT_TRUE(version.startsWith(QStringLiteral("软件版本 "))) << qPrintable(version);
    EXPECT_TRUE(version.endsWith(QLatin1String(ApplicationVersion()))) << qPrintable(version);
    EXPECT_FALSE(version.contains(QStringLiteral("%1")));
    ASSERT_TRUE(Skin().LoadLanguage(QStringLiteral("lan_en.xml")));
}
