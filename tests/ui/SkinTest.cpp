// SPDX-License-Identifier: GPL-2.0-or-later
// The real skin: layouts, the control names the code looks up, language keys, images; and the
// builder's element rules and the DPI rule.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "base/Debug.h"
#include "ui/DpiRule.h"
#include "ui/MenuWnd.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"
#include "ui/SkinWindow.h"
#include "ui/SvgImage.h"

namespace {

// The windows' layouts; the controls each window looks up are checked against its own table
// by the app tests.
const char* const kLayouts[] = {"XML_MAIN", "XML_MSG", "AboutWnd.xml", "XML/PalletDialog.xml"};

QStringList LanguageKeysOf(QWidget* root) {
    QStringList keys;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets)
        for (const char* property : {"textid", "tipid"})
            if (QString key = widget->property(property).toString(); !key.isEmpty())
                keys << key;
    return keys;
}

CLanguageResource LoadLanguage(const char* file) {
    CLanguageResource language;
    EXPECT_TRUE(language.Load(Skin().FilePath(QStringLiteral("lang/") + file))) << file;
    return language;
}

}  // namespace

TEST(Skin, EveryLayoutBuildsWithItsImages) {
    for (const char* layout : kLayouts) {
        CSkinBuilder builder;
        std::unique_ptr<QWidget> root(builder.Build(QString::fromLatin1(layout)));
        ASSERT_TRUE(root) << layout;
        for (auto* image : root->findChildren<CSvgImageUI*>())
            EXPECT_TRUE(image->IsValid()) << layout << ": " << qPrintable(image->File());
    }
}

TEST(Skin, BothLanguagesHoldEveryKeyTheSkinAndCodeUse) {
    QStringList used = {QStringLiteral("software_rev_text"),
                        QStringLiteral("device_link_cable_text"),
                        QStringLiteral("device_link_receiver_text")};
    for (const char* layout : kLayouts) {
        CSkinBuilder builder;
        std::unique_ptr<QWidget> root(builder.Build(QString::fromLatin1(layout)));
        ASSERT_TRUE(root);
        used << LanguageKeysOf(root.get());
    }
    CMenuWnd menu([](const QString&) {});
    ASSERT_TRUE(menu.Load(QStringLiteral("menu.xml")));
    EXPECT_EQ(menu.ItemNames(),
              (QStringList{QStringLiteral("autostart_menu"), QStringLiteral("about_menu"),
                           QStringLiteral("exit")}));
    for (QAction* action : menu.Menu()->actions())
        if (!action->isSeparator())
            used << action->property("textid").toString();

    CLanguageResource english = LoadLanguage("lan_en.xml");
    CLanguageResource chinese = LoadLanguage("lan_cn.xml");
    for (const CLanguageResource* language : {&english, &chinese}) {
        EXPECT_TRUE(language->Duplicates().isEmpty())
            << qPrintable(language->Duplicates().join(' '));
        for (const QString& key : used)
            EXPECT_TRUE(language->Has(key))
                << qPrintable(language->FileName()) << " lacks " << qPrintable(key);
    }
    QStringList englishKeys = english.Keys(), chineseKeys = chinese.Keys();
    englishKeys.sort();
    chineseKeys.sort();
    EXPECT_EQ(englishKeys, chineseKeys);
}

TEST(Skin, StyleSheetImagesExist) {
    QFile qss(Skin().FilePath(QStringLiteral("style/dark.qss")));
    ASSERT_TRUE(qss.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(qss.readAll());
    static const QRegularExpression kUrl(QStringLiteral("url\\(skin:([^)]+)\\)"));
    int count = 0;
    for (auto it = kUrl.globalMatch(text); it.hasNext(); ++count) {
        QString file = it.next().captured(1);
        EXPECT_TRUE(QFile::exists(Skin().FilePath(file))) << qPrintable(file);
    }
    EXPECT_GT(count, 0);
    EXPECT_TRUE(QFile::exists(Skin().AppIconFile()));
}

TEST(Language, UnknownKeyShowsItselfAndABadFileKeepsTheTexts) {
    QTemporaryDir dir;
    QString good = dir.filePath(QStringLiteral("good.xml")),
            bad = dir.filePath(QStringLiteral("bad.xml"));
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            "<Language><Text id=\"a\">Alpha</Text><Text id=\"a\">Again</Text>"
            "<Text id=\"b\">&lt;B&gt;</Text></Language>");
        QFile g(bad);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("<Language><Text id=\"a\">Broken");
    }
    CLanguageResource language;
    ASSERT_TRUE(language.Load(good));
    EXPECT_EQ(language.Text(QStringLiteral("a")), QStringLiteral("Alpha"));
    EXPECT_EQ(language.Text(QStringLiteral("b")), QStringLiteral("<B>"));
    EXPECT_EQ(language.Duplicates(), QStringList{QStringLiteral("a")});
    EXPECT_EQ(language.Text(QStringLiteral("nope")), QStringLiteral("nope"));
    EXPECT_FALSE(language.Load(bad));
    EXPECT_FALSE(language.Load(dir.filePath(QStringLiteral("missing.xml"))));
    EXPECT_EQ(language.Text(QStringLiteral("a")), QStringLiteral("Alpha"));
}

TEST(Builder, ElementNamesGoToTheCallbackThenTheRegisteredClasses) {
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("custom.xml"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"(<ui version="4.0"><widget class="QWidget" name="top"><layout class="QVBoxLayout">
            <item><widget class="circleprogress" name="ring"/></item>
            <item><widget class="TestRegisteredPanel" name="panel"/></item>
            <item><widget class="NoSuchControl" name="ghost"/></item>
            <item><widget class="QLabel" name="plain"/></item>
            </layout></widget></ui>)");
    }
    CSkinBuilder::RegisterControlClass(QStringLiteral("TestRegisteredPanel"), [](QWidget* parent) {
        auto* panel = new QLabel(parent);
        panel->setProperty("registered", true);
        return panel;
    });
    QStringList offered;
    CSkinBuilder builder([&](const QString& element, QWidget* parent) -> QWidget* {
        offered << element;
        if (element.compare(QLatin1String("CircleProgress"), Qt::CaseInsensitive) == 0)
            return new QPushButton(parent);
        return nullptr;
    });
    std::unique_ptr<QWidget> root(builder.Build(file));
    ASSERT_TRUE(root);
    EXPECT_TRUE(qobject_cast<QPushButton*>(root->findChild<QWidget*>(QStringLiteral("ring"))));
    auto* panel = root->findChild<QWidget*>(QStringLiteral("panel"));
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->property("registered").toBool());
    EXPECT_FALSE(root->findChild<QWidget*>(QStringLiteral("ghost")));
    EXPECT_TRUE(root->findChild<QLabel*>(QStringLiteral("plain")));
    EXPECT_TRUE(offered.contains(QStringLiteral("circleprogress")));
}

TEST(Dpi, MonitorRule) {
    struct Case {
        int width, height, dpi;
    } cases[] = {{1920, 1080, 144}, {1440, 900, 96},   {1501, 961, 144}, {1500, 1080, 96},
                 {2560, 960, 96},   {3840, 2160, 144}, {800, 600, 96}};
    for (const Case& c : cases)
        EXPECT_EQ(DpiForMonitor(c.width, c.height), c.dpi) << c.width << "x" << c.height;
}

TEST(Dpi, WindowNeverLargerThanTheFreeArea) {
    struct Case {
        int dpi, availableWidth, availableHeight, fitting;
    } cases[] = {
        {144, 1920, 1040, 144},  // 1500 × 960 fits
        {144, 1440, 860, 120},   // too tall at 144
        {96, 960, 560, 72},      // 150 % desktop scale on 1440 × 900, with a panel
        {96, 400, 300, 48},      // nothing fits: the smallest
        {96, 1000, 640, 96},     // exactly
    };
    for (const Case& c : cases)
        EXPECT_EQ(FittingDpi(c.dpi, 1000, 640, c.availableWidth, c.availableHeight), c.fitting)
            << c.availableWidth << "x" << c.availableHeight;
}

TEST(Dpi, WindowTakesTheSupportedValuesAndRefusesOthers) {
    CSkinWindow window;
    ASSERT_TRUE(window.Create(QStringLiteral("XML_MSG")));
    CDebugCapture capture;
    EXPECT_EQ(window.SetDpi(144, "TEST DPI SET ERROR"), 144);
    EXPECT_DOUBLE_EQ(window.Scale(), 1.5);
    EXPECT_FALSE(capture.Contains("TEST DPI SET ERROR"));
    // Sizes follow: the style sheet's 46 px title buttons become 69 px.
    auto* close = window.FindControl<QPushButton>(QStringLiteral("closebtn"));
    ASSERT_TRUE(close);
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return close->minimumWidth() == 69; }));
    for (int refused : {110, 0, -96, 97, 240}) {
        EXPECT_EQ(window.SetDpi(refused, "TEST DPI SET ERROR"), 96) << refused;
        EXPECT_TRUE(capture.Contains("TEST DPI SET ERROR")) << refused;
        capture.Clear();
    }
    EXPECT_DOUBLE_EQ(window.Scale(), 1.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return close->minimumWidth() == 46; }));
}

TEST(Window, OpenReturnsAtOnceAndFinishesOnceWithTheResult) {
    CSkinWindow window;
    ASSERT_TRUE(window.Create(QStringLiteral("XML_MSG")));
    QSignalSpy finished(&window, &CSkinWindow::Finished);
    window.Open();
    EXPECT_TRUE(window.IsOpen() && window.isVisible() && window.isModal());
    EXPECT_FALSE(window.IsModalRunning());
    // Closed by the desktop rather than by a button: result 0.
    window.close();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), 0);
    window.Open();
    window.Close(5);
    window.close();
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(finished[1][0].toInt(), 5);
    EXPECT_FALSE(window.IsOpen() || window.isVisible());
}

TEST(Dpi, StyleSheetPixelsScale) {
    struct Case {
        const char* in;
        double scale;
        const char* out;
    } cases[] = {{"font-size: 14px;", 1.5, "font-size: 21px;"},
                 {"margin: 0px 1px 4px;", 1.5, "margin: 0px 2px 6px;"},
                 {"border: 1px solid #fff;", 0.5, "border: 1px solid #fff;"},
                 {"width: 10%; color: #123;", 2.0, "width: 10%; color: #123;"},
                 {"qproperty-iconSize: 14px 14px;", 1.5, "qproperty-iconSize: 21px 21px;"}};
    for (const Case& c : cases)
        EXPECT_EQ(ScaleStyleSheet(QString::fromLatin1(c.in), c.scale), QString::fromLatin1(c.out))
            << c.in;
}
