// The mouse page's DPI tab on the real skin and the simulated mouse: each change shows at once
// and reaches the mouse's settings memory through the device worker.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <memory>

#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "emulator/SimWorld.h"
#include "mouse/MouseSettingsBlock.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/TempHome.h"

namespace {

constexpr int kWaitMs = 10000;

class DpiTabTest : public testing::Test {
  protected:
    void SetUp() override {
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        window = std::make_unique<CMainWnd>(options);
        QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
        ASSERT_TRUE(window->Init());
        ASSERT_TRUE(shown.wait(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Tab() && Tab()->Stages().size() == 7; }, kWaitMs));
        Page()->SelectSettingsTab(1);
    }
    void TearDown() override {
        window.reset();
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }

    CDevicePageUI* Page() {
        CQuillonUSBDevice* device = window->Discovery() ? window->Discovery()->Device(0) : nullptr;
        return device ? window->PageOf(*device) : nullptr;
    }
    CDpiTabUI* Tab() { return Page() ? Page()->findChild<CDpiTabUI*>() : nullptr; }
    template <class T>
    T* Control(const char* prefix, int n) {
        return Tab()->findChild<T*>(QString::fromLatin1(prefix) + QString::number(n));
    }
    // Stage n as the mouse holds it.
    DpiStage InMouse(int n) {
        const std::vector<uint8_t> memory = world->SettingsMemory();
        const size_t at = MouseBlock::kFirstStage + static_cast<size_t>(n) * kDpiStageBytes;
        return DpiStageFromBytes(
            std::span<const uint8_t, kDpiStageBytes>(memory.data() + at, kDpiStageBytes));
    }
    DpiSensor Sensor() { return Page()->ShownProfile().sensor; }

    CTempHome home;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::unique_ptr<CMainWnd> window;
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
    if (const char* shot = std::getenv("KESTRUNE_TEST_SHOT"))
        window->grab().save(QString::fromLocal8Bit(shot));
}
