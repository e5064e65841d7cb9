// The mouse page's DPI tab on the real skin and the simulated mouse: each change shows at once
// and reaches the mouse's settings memory through the device worker.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSlider>

#include "mouse/MouseSettingsBlock.h"
#include "tests/app/MousePageFixture.h"

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
