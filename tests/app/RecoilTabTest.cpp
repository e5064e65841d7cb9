// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's recoil tab on the real skin and the simulated mouse: edits land in the gun's
// shoot file at once, the gun and bullet choices show their values, and "save" puts the four
// patterns into the mouse's shoot memory.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <fstream>

#include "app/MsgWnd.h"
#include "base/Paths.h"
#include "macro/MacroDownload.h"
#include "profile/JsonFile.h"
#include "tests/app/MousePageFixture.h"
#include "ui/SkinResources.h"

namespace fs = std::filesystem;

namespace {

class RecoilTabTest : public MousePageTest {
  protected:
    void SetUp() override {
        MousePageTest::SetUp();
        ASSERT_TRUE(Tab());
        Page()->SelectSettingsTab(5);
    }

    CShootControlUI* Tab() { return Page()->ShootControl(); }
    CShootData Files() { return CShootData(GetDeviceDataFolder("mouse"), GetDefaultDataFolder()); }
    Json::Value Events(int gun) { return CJsonFile::ReadDocument(Files().FilePath(gun))["Events"]; }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(QString::fromLatin1(name)); }
    QAbstractButton* Button(const char* name) {
        return Find<QAbstractButton>(QString::fromLatin1(name));
    }
    QAbstractButton* Option(const char* prefix, int n) { return Find<QAbstractButton>(prefix, n); }
    void Type(const char* name, const char* text) {
        QLineEdit* edit = Edit(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }
    QString IndexText() {
        return Find<QLabel>(QString::fromLatin1(CShootControlUI::kIndex))->text();
    }
};

}  // namespace

TEST_F(RecoilTabTest, ABulletsEditLandsInItsSixEventsAlone) {
    QTest::mouseClick(Option(CShootControlUI::kGunPrefix, 1), Qt::LeftButton);
    QTest::mouseClick(Option(CShootControlUI::kBulletPrefix, 3), Qt::LeftButton);
    EXPECT_EQ(IndexText(), QStringLiteral("4"));
    const Json::Value before = Events(1);
    const Json::Value otherGun = Events(0);
    if (!Button(CShootControlUI::kXCheck)->isChecked())
        QTest::mouseClick(Button(CShootControlUI::kXCheck), Qt::LeftButton);
    if (Button(CShootControlUI::kYCheck)->isChecked())
        QTest::mouseClick(Button(CShootControlUI::kYCheck), Qt::LeftButton);
    EXPECT_EQ(Button(CShootControlUI::kXCheck)->text(),
              Skin().Text(QStringLiteral("mouse_move_to_left_text")));
    EXPECT_EQ(Button(CShootControlUI::kYCheck)->text(),
              Skin().Text(QStringLiteral("mouse_move_to_down_text")));
    Type(CShootControlUI::kXEdit, "12");
    Type(CShootControlUI::kYEdit, "30");
    Type(CShootControlUI::kDelayEdit, "95");

    const Json::Value after = Events(1);
    ASSERT_EQ(after.size(), before.size());
    for (Json::ArrayIndex i = 0; i < after.size(); ++i) {
        if (i >= 18 && i < 24)
            continue;
        EXPECT_EQ(after[i], before[i]) << "event " << i;
    }
    auto event = [&](int i) {
        const Json::Value& e = after[i];
        return std::make_tuple(e["Action"].asString(), e["Button"].asInt(), e["Delay"].asInt(),
                               e["Type"].asInt());
    };
    EXPECT_EQ(event(18), std::make_tuple(std::string("down"), 1, 10, 1));
    EXPECT_EQ(event(19), std::make_tuple(std::string("up"), 1, 0, 1));
    EXPECT_EQ(event(20), std::make_tuple(std::string("down"), 12, 5, 4));
    EXPECT_EQ(event(21), std::make_tuple(std::string("up"), 30, 95, 5));
    EXPECT_EQ(event(22), std::make_tuple(std::string("down"), 0, 0, 4));
    EXPECT_EQ(event(23), std::make_tuple(std::string("up"), 0, 0, 5));
    EXPECT_EQ(Events(0), otherGun);

    // Another bullet and back: the edits show what the file holds.
    QTest::mouseClick(Button(CShootControlUI::kNext), Qt::LeftButton);
    EXPECT_EQ(IndexText(), QStringLiteral("5"));
    QTest::mouseClick(Button(CShootControlUI::kPrevious), Qt::LeftButton);
    EXPECT_EQ(Edit(CShootControlUI::kXEdit)->text(), QStringLiteral("12"));
    EXPECT_EQ(Edit(CShootControlUI::kDelayEdit)->text(), QStringLiteral("95"));
    for (int i = 0; i < 6; ++i)
        QTest::mouseClick(Button(CShootControlUI::kPrevious), Qt::LeftButton);
    EXPECT_EQ(IndexText(), QStringLiteral("1"));
    EXPECT_EQ(Tab()->CurrentBullet(), 0);
}

TEST_F(RecoilTabTest, EnterCommitsAnEditAndEscapePutsTheShownValueBack) {
    QTest::mouseClick(Option(CShootControlUI::kGunPrefix, 1), Qt::LeftButton);
    QLineEdit* delay = Edit(CShootControlUI::kDelayEdit);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("77"));
    QTest::keyClick(delay, Qt::Key_Return);
    const int bullet = Tab()->CurrentBullet();
    const auto delayInFile = [&] { return Events(1)[bullet * 6 + 3]["Delay"].asInt(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return delayInFile() == 77; }, kWaitMs));
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("9"));
    QTest::keyClick(delay, Qt::Key_Escape);
    EXPECT_EQ(delay->text(), QStringLiteral("77"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(delay, &out);
    EXPECT_EQ(delayInFile(), 77);
}

TEST_F(RecoilTabTest, SaveWritesTheFourPatternsToTheMousesShootMemory) {
    Type(CShootControlUI::kXEdit, "40");
    QTest::mouseClick(Button(CShootControlUI::kSave), Qt::LeftButton);
    EXPECT_FALSE(Button(CShootControlUI::kSave)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Tab()->IsSaving(); }, kWaitMs));
    EXPECT_TRUE(Button(CShootControlUI::kSave)->isEnabled());
    std::vector<std::vector<MacroEvent>> guns;
    for (int gun = 0; gun < kShootGuns; ++gun)
        guns.push_back(Files().ReadEvents(gun));
    EXPECT_EQ(guns[0][2].button, 40);
    const std::vector<uint8_t> block = BuildMacroBlock(guns);
    const std::vector<uint8_t> memory = world->ShootMemory();
    ASSERT_GE(memory.size(), block.size());
    EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + block.size()), block);
    EXPECT_TRUE(Find<QLabel>(QString::fromLatin1(CShootControlUI::kStatus))->isVisible());
}

TEST_F(RecoilTabTest, ResetTouchesOneGunAndACorruptImportIsRefused) {
    Type(CShootControlUI::kXEdit, "77");  // gun 0
    QTest::mouseClick(Option(CShootControlUI::kGunPrefix, 1), Qt::LeftButton);
    Type(CShootControlUI::kXEdit, "66");
    const std::string gun0 = CJsonFile::ReadText(Files().FilePath(0));
    QTest::mouseClick(Button(CShootControlUI::kReset), Qt::LeftButton);
    EXPECT_EQ(CJsonFile::ReadText(Files().FilePath(1)),
              CJsonFile::ReadText(Files().DefaultFilePath(1)));
    EXPECT_EQ(CJsonFile::ReadText(Files().FilePath(0)), gun0);
    EXPECT_NE(Edit(CShootControlUI::kXEdit)->text(), QStringLiteral("66"));

    const fs::path corrupt = fs::path(std::getenv("XDG_DATA_HOME")) / "bad.shoot";
    std::ofstream(corrupt) << "[1, 2";
    const std::string gun1 = CJsonFile::ReadText(Files().FilePath(1));
    QTest::mouseClick(Button(CShootControlUI::kImport), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tab()->FileDialog() != nullptr; }, kWaitMs));
    Tab()->FileDialog()->selectFile(QString::fromStdString(corrupt.string()));
    static_cast<QDialog*>(Tab()->FileDialog())->accept();
    CMsgWnd* message = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* each = qobject_cast<CMsgWnd*>(widget); each && each->IsOpen())
                    message = each;
            return message != nullptr;
        },
        kWaitMs));
    EXPECT_EQ(message->FindControl<QLabel>(QString::fromLatin1(CMsgWnd::kText))->text(),
              Skin().Text(QStringLiteral("shoot_import_refused_text")).arg("bad.shoot"));
    message->Close(1);
    EXPECT_EQ(CJsonFile::ReadText(Files().FilePath(1)), gun1);
}

TEST_F(RecoilTabTest, Screenshot) {
    QTest::mouseClick(Option(CShootControlUI::kBulletPrefix, 4), Qt::LeftButton);
    EXPECT_EQ(IndexText(), QStringLiteral("5"));
    EXPECT_TRUE(Tab()->isVisible());
    Shot();
}
