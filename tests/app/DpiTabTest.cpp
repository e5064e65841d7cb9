// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's DPI tab on the real skin and the simulated mouse: each change shows at once
// and reaches the mouse's settings memory through the device worker.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSlider>

#include "base/Paths.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/JsonFile.h"
#include "tests/app/MousePageFixture.h"
#include "ui/ColorPalette.h"

namespace {

class DpiTabTest : public MousePageTest {
  protected:
    void SetUp() override {
        MousePageTest::SetUp();
        ASSERT_TRUE(Tab() && Tab()->Stages().size() == 7);
        Page()->SelectSettingsTab(1);
    }

    CDpiTabUI* Tab() { return FindTab<CDpiTabUI>(); }
    template <class T>
    T* Control(const char* prefix, int n) {
        return Find<T>(prefix, n);
    }
    // Stage n as the mouse holds it.
    DpiStage InMouse(int n) {
        const std::vector<uint8_t> memory = world->SettingsMemory();
        const size_t at = MouseBlock::kFirstStage + static_cast<size_t>(n) * kDpiStageBytes;
        return DpiStageFromBytes(
            std::span<const uint8_t, kDpiStageBytes>(memory.data() + at, kDpiStageBytes));
    }
    DpiSensor Sensor() { return Page()->ShownProfile().sensor; }
    // Stage n's colour as the profile file holds it.
    uint32_t InFile(int n) {
        const Json::Value document = CJsonFile::ReadDocument(
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json"));
        const Json::Value& stage = document["Device"][0]["DPIStages"]["StageDPIs"][n];
        return 0xFF000000u | stage["StageColorR"].asUInt() << 16 |
               stage["StageColorG"].asUInt() << 8 | stage["StageColorB"].asUInt();
    }
    // Opens the colour dialog of stage n.
    CColorSelectWnd* OpenColour(int n) {
        Control<QAbstractButton>(CDpiTabUI::kColourPrefix, n)->click();
        return Tab()->ColourDialog();
    }
    static void Type(CColorSelectWnd* dialog, const char* edit, const char* text) {
        auto* control = dialog->FindControl<QLineEdit>(QString::fromLatin1(edit));
        control->setText(QString::fromLatin1(text));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(control, &out);
    }
};

}  // namespace

TEST_F(DpiTabTest, AStageSliderShowsItsDpiAndWritesItsPosition) {
    auto* slider = Control<QSlider>(CDpiTabUI::kSliderPrefix, 2);
    auto* edit = Control<QLineEdit>(CDpiTabUI::kEditPrefix, 2);
    ASSERT_TRUE(slider && edit);
    EXPECT_EQ(slider->maximum(), HighestPosition(Sensor()));
    slider->setValue(60);
    EXPECT_EQ(edit->text(), QString::number(ShownDpi(PositionToDpi(Sensor(), 60))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(2).x == 60; }, kWaitMs));
}

TEST_F(DpiTabTest, ATypedDpiTakesThePositionItIsShownFor) {
    auto* edit = Control<QLineEdit>(CDpiTabUI::kEditPrefix, 4);
    ASSERT_TRUE(edit);
    edit->setText(QStringLiteral("6400"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(edit->text(), QStringLiteral("6400"));
    const int position = TypedDpiToPosition(Sensor(), 6400, HighestPosition(Sensor()));
    EXPECT_EQ(Control<QSlider>(CDpiTabUI::kSliderPrefix, 4)->value(), position);
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(4).x == position; }, kWaitMs));
}

TEST_F(DpiTabTest, StagesTurnOffButNeverTheLastOneOrTheActiveOne) {
    const int active = Tab()->ActiveStage();
    EXPECT_FALSE(Control<QAbstractButton>(CDpiTabUI::kEnablePrefix, active)->isEnabled());
    for (int n = 0; n < 7; ++n) {
        auto* check = Control<QAbstractButton>(CDpiTabUI::kEnablePrefix, n);
        if (n != active && check->isChecked())
            check->click();
    }
    for (int n = 0; n < 7; ++n) {
        auto* check = Control<QAbstractButton>(CDpiTabUI::kEnablePrefix, n);
        EXPECT_EQ(check->isChecked(), n == active) << n;
        EXPECT_EQ(Control<QWidget>(CDpiTabUI::kLayoutPrefix, n)->isEnabled(), n == active) << n;
    }
    EXPECT_FALSE(Control<QAbstractButton>(CDpiTabUI::kEnablePrefix, active)->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (int n = 0; n < 7; ++n)
                if (InMouse(n).enabled != (n == active ? 1 : 0))
                    return false;
            return true;
        },
        kWaitMs));
}

TEST_F(DpiTabTest, ChoosingTheActiveStageWritesIt) {
    const int chosen = Tab()->ActiveStage() == 3 ? 1 : 3;
    auto* enable = Control<QAbstractButton>(CDpiTabUI::kEnablePrefix, chosen);
    if (!enable->isChecked())
        enable->click();
    Control<QAbstractButton>(CDpiTabUI::kSelectPrefix, chosen)->click();
    EXPECT_EQ(Tab()->ActiveStage(), chosen);
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(Control<QAbstractButton>(CDpiTabUI::kSelectPrefix, n)->isChecked(), n == chosen);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return world->SettingsMemory()[MouseBlock::kActiveStage] == chosen; }, kWaitMs));
    Shot();
}

TEST_F(DpiTabTest, AStageColourChosenInTheDialogReachesTheMouseAndTheProfile) {
    const int n = 2;
    const std::vector<DpiStage> before = Tab()->Stages();
    CColorSelectWnd* dialog = OpenColour(n);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->IsOpen() && dialog->isVisible());
    EXPECT_EQ(dialog->Colour(), StageColour(before[n]));
    EXPECT_EQ(dialog->Dpi(), window->Dpi());
    EXPECT_TRUE(dialog->FindControl(CColorSelectWnd::kSevenColourLayout)->isHidden());
    // One dialog at a time.
    EXPECT_EQ(OpenColour(n + 1), dialog);
    EXPECT_EQ(window->findChildren<CColorSelectWnd*>().size(), 1);

    Type(dialog, CColorSelectWnd::kEditRed, "18");
    Type(dialog, CColorSelectWnd::kEditGreen, "52");
    Type(dialog, CColorSelectWnd::kEditBlue, "86");
    dialog->FindControl<QAbstractButton>(CColorSelectWnd::kOkButton)->click();
    EXPECT_EQ(Tab()->ColourDialog(), nullptr);
    EXPECT_EQ(StageColour(Tab()->Stages()[n]), 0xFF123456u);
    EXPECT_EQ(SwatchColour(Control<QAbstractButton>(CDpiTabUI::kColourPrefix, n)), 0xFF123456u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return StageColour(InMouse(n)) == 0xFF123456u; }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return InFile(n) == 0xFF123456u; }, kWaitMs));
    for (int other = 0; other < 7; ++other) {
        if (other != n) {
            EXPECT_EQ(StageColour(InMouse(other)), StageColour(before[other])) << other;
        }
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->findChildren<CColorSelectWnd*>().isEmpty(); },
                                kWaitMs));
}

TEST_F(DpiTabTest, ACancelledColourDialogChangesNothing) {
    const int n = 1;
    const DpiStage before = Tab()->Stages()[n];
    const QString shown = Control<QAbstractButton>(CDpiTabUI::kColourPrefix, n)->styleSheet();
    for (const char* button : {CColorSelectWnd::kLaterButton, CSkinWindow::kCloseButton}) {
        CColorSelectWnd* dialog = OpenColour(n);
        ASSERT_TRUE(dialog);
        Type(dialog, CColorSelectWnd::kEditRed, "250");
        dialog->FindControl<QAbstractButton>(QString::fromLatin1(button))->click();
        EXPECT_EQ(Tab()->ColourDialog(), nullptr) << button;
    }
    EXPECT_EQ(Tab()->Stages()[n], before);
    EXPECT_EQ(Control<QAbstractButton>(CDpiTabUI::kColourPrefix, n)->styleSheet(), shown);
    // A later change of the stage lands after anything the dialog could have sent.
    Control<QSlider>(CDpiTabUI::kSliderPrefix, n)->setValue(before.x == 40 ? 41 : 40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return InMouse(n).x != before.x; }, kWaitMs));
    EXPECT_EQ(StageColour(InMouse(n)), StageColour(before));
    EXPECT_EQ(InFile(n), StageColour(before));
}

TEST_F(DpiTabTest, EnterCommitsATypedDpiAndEscapePutsTheShownOneBack) {
    auto* edit = Control<QLineEdit>(CDpiTabUI::kEditPrefix, 4);
    ASSERT_TRUE(edit);
    const int position = TypedDpiToPosition(Sensor(), 6400, HighestPosition(Sensor()));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("6400"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Control<QSlider>(CDpiTabUI::kSliderPrefix, 4)->value(), position);
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(4).x == position; }, kWaitMs));

    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("800"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QStringLiteral("6400"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(edit->text(), QStringLiteral("6400"));
    // A later write of another stage comes after anything leaving the edit sent.
    Control<QSlider>(CDpiTabUI::kSliderPrefix, 2)->setValue(60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(2).x == 60; }, kWaitMs));
    EXPECT_EQ(InMouse(4).x, position);
}

TEST_F(DpiTabTest, AStageBelowAHundredDpiShowsItsOwnNumber) {
    // The simulated sensor starts at 50 DPI in steps of 50, as kestrunectl dpi shows it.
    ASSERT_EQ(PositionToDpi(Sensor(), 0), 50);
    auto* edit = Control<QLineEdit>(CDpiTabUI::kEditPrefix, 2);
    Control<QSlider>(CDpiTabUI::kSliderPrefix, 2)->setValue(0);
    EXPECT_EQ(edit->text(), QStringLiteral("50"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(2).x == 0; }, kWaitMs));
    Shot("fifty");
    // Typed back, 50 is the position it was shown for.
    Control<QSlider>(CDpiTabUI::kSliderPrefix, 2)->setValue(10);
    edit->setText(QStringLiteral("50"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(edit->text(), QStringLiteral("50"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(2).x == 0; }, kWaitMs));
}
