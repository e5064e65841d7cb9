// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's lighting tab on the real skin and the simulated mouse: each change shows at
// once on the page and the preview, and reaches the mouse's settings memory and the profile
// file through the device worker; the page never waits on the mouse.
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>
#include <chrono>
#include <functional>
#include <vector>

#include "base/Paths.h"
#include "lighting/LightTables.h"
#include "lighting/ui/ColorSelectWnd.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/JsonFile.h"
#include "tests/app/MousePageFixture.h"
#include "ui/ColorPalette.h"
#include "ui/SkinResources.h"

namespace {

class LightTabTest : public MousePageTest {
  protected:
    static constexpr int kLightTab = 3;

    void SetUp() override {
        MousePageTest::SetUp();
        ASSERT_TRUE(Light());
        Page()->SelectSettingsTab(kLightTab);
    }

    CLightControlUI* Light() { return Page()->LightControl(); }
    template <class T>
    T* Control(const char* name) {
        T* control = Find<T>(QString::fromLatin1(name));
        EXPECT_TRUE(control) << name;
        return control;
    }
    CQuillonMouseDevice& Mouse() { return *Page()->Device()->AsMouse(); }
    LightInfo Previewed() { return Mouse().GetLightEngine().GetLightInfo(); }
    uint8_t InMouse(size_t byte) { return world->SettingsMemory()[byte]; }
    bool MouseHolds(size_t byte, uint8_t expected) {
        return QTest::qWaitFor([&] { return InMouse(byte) == expected; }, kWaitMs);
    }
    // A member of the profile file's light record, once it holds `expected`.
    bool FileHolds(const char* member, int expected) {
        const std::filesystem::path file =
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json");
        return QTest::qWaitFor(
            [&] {
                const Json::Value document = CJsonFile::ReadDocument(file);
                return document["Device"][0]["LightInfo"][member].asInt() == expected;
            },
            kWaitMs);
    }
    void Choose(int effect) {
        Control<QComboBox>(CLightControlUI::kEffectCombo)->setCurrentIndex(effect);
    }
    // Types into a colour edit and leaves it.
    void Type(const char* edit, const QString& text) {
        auto* field = Control<QLineEdit>(edit);
        field->setText(text);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(field, &out);
    }
};

}  // namespace

TEST_F(LightTabTest, EachControlWritesItsByteAndThePreviewFollowsAtOnce) {
    Choose(kEffectBreathing);
    // The preview has the new record before the worker has run.
    EXPECT_EQ(Previewed().effect, kEffectBreathing);
    EXPECT_TRUE(MouseHolds(MouseBlock::kEffect, kEffectBreathing));
    EXPECT_TRUE(FileHolds("SelectItem", kEffectBreathing));

    Control<QSlider>(CLightControlUI::kBrightnessSlider)->setValue(2);
    EXPECT_EQ(Previewed().brightness, 2);
    EXPECT_EQ(Control<QLabel>(CLightControlUI::kBrightnessValue)->text(),
              Skin().Text(QStringLiteral("light_level_format")).arg(2).arg(4));
    EXPECT_TRUE(MouseHolds(MouseBlock::kBrightness, 2));
    EXPECT_TRUE(FileHolds("Light", 2));

    Control<QSlider>(CLightControlUI::kSpeedSlider)->setValue(3);
    EXPECT_EQ(Previewed().speed, 3);
    EXPECT_TRUE(MouseHolds(MouseBlock::kSpeed, SpeedCode(3)));
    EXPECT_TRUE(FileHolds("Speed", 3));

    // The mouse runs its effects in its own direction: the options are shown, not offered; the
    // handler still carries a choice through.
    EXPECT_FALSE(Control<QWidget>(CLightControlUI::kDirectionLayout)->isEnabled());
    Control<QAbstractButton>(CLightControlUI::kBackward)->setChecked(true);
    EXPECT_FALSE(Control<QAbstractButton>(CLightControlUI::kForward)->isChecked());
    EXPECT_TRUE(MouseHolds(MouseBlock::kDirection, 0));
    Control<QAbstractButton>(CLightControlUI::kForward)->setChecked(true);
    EXPECT_TRUE(MouseHolds(MouseBlock::kDirection, 1));

    // A typed colour: above 255 is 255, empty is 0; the colour cycle ends.
    Type(CLightControlUI::kEditRed, QStringLiteral("12"));
    Type(CLightControlUI::kEditGreen, QStringLiteral("300"));
    Type(CLightControlUI::kEditBlue, QString());
    EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditGreen)->text(), QStringLiteral("255"));
    EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditBlue)->text(), QStringLiteral("0"));
    EXPECT_EQ(Control<CColorPaletteUI>(CLightControlUI::kPalette)->Colour(), QColor(12, 255, 0));
    EXPECT_EQ(SwatchColour(Control<QWidget>(CLightControlUI::kColourShown)), 0xFF0CFF00u);
    EXPECT_TRUE(MouseHolds(MouseBlock::kRed, 12));
    EXPECT_TRUE(MouseHolds(MouseBlock::kGreen, 255));
    EXPECT_TRUE(MouseHolds(MouseBlock::kBlue, 0));
    EXPECT_TRUE(MouseHolds(MouseBlock::kMultiColor, 0));
    EXPECT_TRUE(FileHolds("Green", 255));
    Shot();
}

TEST_F(LightTabTest, ThePaletteAndThePresetsChooseTheColour) {
    Choose(kEffectStatic);
    auto* palette = Control<CColorPaletteUI>(CLightControlUI::kPalette);
    ASSERT_TRUE(palette);
    // Bottom left of the square is black, whatever the hue.
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(0, palette->height() - 1));
    EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditRed)->text(), QStringLiteral("0"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return InMouse(MouseBlock::kRed) == 0 && InMouse(MouseBlock::kGreen) == 0 &&
                   InMouse(MouseBlock::kBlue) == 0;
        },
        kWaitMs));

    for (int n : {0, 5, CLightControlUI::kPresetCount - 1}) {
        const uint32_t colour = Light()->PresetColour(n);
        ASSERT_NE(colour, 0u) << n;
        auto* preset = Find<QAbstractButton>(CLightControlUI::kPresetPrefix, n);
        ASSERT_TRUE(preset) << n;
        preset->click();
        EXPECT_EQ(palette->Colour().rgb(), colour) << n;
        EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditGreen)->text(),
                  QString::number((colour >> 8) & 0xFF));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return InMouse(MouseBlock::kRed) == ((colour >> 16) & 0xFF) &&
                       InMouse(MouseBlock::kGreen) == ((colour >> 8) & 0xFF) &&
                       InMouse(MouseBlock::kBlue) == (colour & 0xFF);
            },
            kWaitMs))
            << n;
    }
    EXPECT_TRUE(FileHolds(
        "Blue", static_cast<int>(Light()->PresetColour(CLightControlUI::kPresetCount - 1) & 0xFF)));
}

// The tab as the user sees it with each kind of effect, the preview lit.
TEST_F(LightTabTest, TheTabShowsTheEffectAndItsPreview) {
    struct Case {
        int effect;
        const char* name;
    };
    // The first profile's light: red, with the colour cycle.
    ASSERT_EQ(Light()->Light().multiColor, 1);
    ASSERT_EQ(Light()->Light().red, 255);
    for (const Case& c : {Case{kEffectStatic, "static"}, Case{kEffectBreathing, "breathing"},
                          Case{kEffectWave, "wave"}, Case{kEffectOff, "off"}}) {
        Choose(c.effect);
        EXPECT_EQ(Control<QComboBox>(CLightControlUI::kEffectCombo)->currentText(),
                  Skin().Text(QStringLiteral("light_mode_") + QLatin1String(c.name)));
        // The picture follows: the LEDs in the effect's own colours.
        CLightLedUI* led = Page()->LightPanel()->Led(0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const QColor shown = led->Colour();
                switch (c.effect) {
                    case kEffectOff:
                        return shown.alpha() == 0;
                    case kEffectWave:  // each group its own colour
                        return shown.alpha() > 40 &&
                               shown != Page()->LightPanel()->Led(3)->Colour();
                    case kEffectStatic:  // the fixed colour
                        return shown.alpha() > 40 && shown.rgb() == qRgb(255, 0, 0);
                    default:  // the colour wheel
                        return shown.alpha() > 40 && (shown.green() > 0 || shown.blue() > 0);
                }
            },
            kWaitMs))
            << c.name;
        Shot(c.name);
    }
}

// The colour shown opens the colour dialog; its choice is the effect's colour, or the cycle.
TEST_F(LightTabTest, TheColourDialogChoosesTheColourOrTheCycle) {
    Choose(kEffectBreathing);
    auto* shown = Control<QAbstractButton>(CLightControlUI::kColourShown);
    shown->click();
    CColorSelectWnd* dialog = Light()->ColourDialog();
    ASSERT_TRUE(dialog && dialog->IsOpen());
    // The mouse's effects that take a colour have no colour cycle.
    EXPECT_TRUE(dialog->FindControl(CColorSelectWnd::kSevenColourLayout)->isHidden());
    auto* edit = dialog->FindControl<QLineEdit>(QString::fromLatin1(CColorSelectWnd::kEditBlue));
    edit->setText(QStringLiteral("77"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    const uint32_t chosen = dialog->Colour();
    dialog->FindControl<QAbstractButton>(CColorSelectWnd::kOkButton)->click();
    EXPECT_EQ(Light()->ColourDialog(), nullptr);
    EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditBlue)->text(), QStringLiteral("77"));
    EXPECT_EQ(SwatchColour(shown), chosen);
    EXPECT_TRUE(MouseHolds(MouseBlock::kBlue, 77));
    EXPECT_TRUE(MouseHolds(MouseBlock::kMultiColor, 0));
    // An effect without a colour offers no dialog.
    Choose(kEffectFourColourBlink);
    EXPECT_FALSE(shown->isEnabled());
}

// Which controls each effect of the mouse offers, and which effects take the colour wheel.
TEST_F(LightTabTest, EachEffectEnablesTheControlsItUses) {
    struct Case {
        int effect;
        bool multiColour, colour, brightness, speed, sameMode, wheel;
    };
    const Case cases[] = {
        {kEffectStatic, false, true, true, false, true, false},
        {kEffectBreathing, false, true, true, true, true, false},
        {kEffectTrail, false, false, true, true, false, true},
        {kEffectSpectrum, false, false, true, true, true, true},
        {kEffectWave, false, false, true, true, false, false},
        {kEffectFourColourBreathing, true, false, true, true, false, true},
        {kEffectOff, false, false, false, false, true, false},
        {kEffectReactive, false, true, true, true, true, false},
        {kEffectFourColourBlink, true, false, true, true, false, false},
        {kEffectBlink, false, true, true, true, true, false},
        {9, false, false, false, false, false, false},
        {11, false, false, false, false, false, false},
    };
    // As with two devices connected.
    Light()->SetSameModeAllowed(true);
    for (const Case& c : cases) {
        // From an effect with a fixed colour, so the wheel's turn shows.
        Type(CLightControlUI::kEditRed, QStringLiteral("40"));
        Choose(c.effect);
        EXPECT_EQ(Control<QWidget>(CLightControlUI::kMultiColour)->isEnabled(), c.multiColour)
            << c.effect;
        for (const char* layout : {CLightControlUI::kColourLayout, CLightControlUI::kPaletteLayout,
                                   CLightControlUI::kRgbLayout})
            EXPECT_EQ(Control<QWidget>(layout)->isEnabled(), c.colour) << c.effect << layout;
        EXPECT_EQ(Control<QWidget>(CLightControlUI::kBrightnessLayout)->isEnabled(), c.brightness)
            << c.effect;
        EXPECT_EQ(Control<QWidget>(CLightControlUI::kSpeedLayout)->isEnabled(), c.speed)
            << c.effect;
        EXPECT_EQ(Control<QWidget>(CLightControlUI::kSameMode)->isVisible(), c.sameMode)
            << c.effect;
        EXPECT_TRUE(Control<QWidget>(CLightControlUI::kEffectLayout)->isEnabled());
        EXPECT_EQ(Light()->Light().multiColor, c.wheel ? 1 : 0) << c.effect;
        EXPECT_TRUE(MouseHolds(MouseBlock::kEffect, c.effect < 12 ? c.effect : 0)) << c.effect;
    }
    // With one device, never.
    Light()->SetSameModeAllowed(false);
    Choose(kEffectStatic);
    EXPECT_FALSE(Control<QWidget>(CLightControlUI::kSameMode)->isVisible());
}

TEST_F(LightTabTest, TheWheelAndTheArrowKeysPassTheHiddenEffectsBy) {
    auto* combo = Control<QComboBox>(CLightControlUI::kEffectCombo);
    auto wheel = [&](int steps) {
        QWheelEvent turn(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(),
                         QPoint(0, -120 * steps), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                         false);
        QApplication::sendEvent(combo, &turn);
    };
    // The custom effects 9 and 11 lie either side of blink, the last effect shown.
    Choose(kEffectFourColourBlink);
    wheel(1);
    EXPECT_EQ(combo->currentIndex(), kEffectBlink);
    wheel(1);
    EXPECT_EQ(combo->currentIndex(), kEffectBlink);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_End);
    EXPECT_EQ(combo->currentIndex(), kEffectBlink);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(combo->currentIndex(), kEffectFourColourBlink);
    QTest::keyClick(combo, Qt::Key_Down);
    // "Custom" by its first letter neither.
    QTest::keyClicks(combo, QStringLiteral("c"));
    EXPECT_EQ(combo->currentIndex(), kEffectBlink);
    EXPECT_TRUE(Control<QWidget>(CLightControlUI::kBrightnessLayout)->isEnabled());
    EXPECT_TRUE(MouseHolds(MouseBlock::kEffect, kEffectBlink));
    EXPECT_TRUE(FileHolds("SelectItem", kEffectBlink));
}

TEST_F(LightTabTest, EnterCommitsATypedColourAndEscapePutsTheShownOneBack) {
    Choose(kEffectStatic);
    auto* red = Control<QLineEdit>(CLightControlUI::kEditRed);
    red->setFocus();
    red->selectAll();
    QTest::keyClicks(red, QStringLiteral("77"));
    QTest::keyClick(red, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Control<CColorPaletteUI>(CLightControlUI::kPalette)->Colour().red(), 77);
    EXPECT_TRUE(MouseHolds(MouseBlock::kRed, 77));
    red->selectAll();
    QTest::keyClicks(red, QStringLiteral("5"));
    QTest::keyClick(red, Qt::Key_Escape);
    EXPECT_EQ(red->text(), QStringLiteral("77"));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(red, &out);
    EXPECT_EQ(Light()->Light().red, 77);
}

TEST_F(LightTabTest, TheColourCycleStaysOnUntilAColourIsChosen) {
    Choose(kEffectFourColourBlink);
    auto* multi = Control<QAbstractButton>(CLightControlUI::kMultiColour);
    ASSERT_TRUE(multi->isEnabled());
    if (!multi->isChecked())
        multi->click();
    EXPECT_TRUE(MouseHolds(MouseBlock::kMultiColor, 1));
    // Cleared by hand, the cycle stays: only a colour ends it.
    multi->click();
    EXPECT_FALSE(multi->isChecked());
    EXPECT_EQ(Light()->Light().multiColor, 1);
    EXPECT_TRUE(FileHolds("MultiColor", 1));
    EXPECT_EQ(InMouse(MouseBlock::kMultiColor), 1);
}

TEST_F(LightTabTest, ProfilesShowTheirLightAndTheNamesInTheLanguage) {
    auto* combo = Control<QComboBox>(CLightControlUI::kEffectCombo);
    ASSERT_EQ(combo->count(), 12);
    EXPECT_EQ(combo->itemText(kEffectWave), Skin().Text(QStringLiteral("light_mode_wave")));
    EXPECT_NE(combo->itemText(kEffectWave), QStringLiteral("light_mode_wave"));
    MouseProfileSnapshot profile = Page()->ShownProfile();
    profile.light.effect = kEffectReactive;
    profile.light.brightness = 1;
    profile.light.speed = 4;
    profile.light.multiColor = 0;
    profile.light.red = 200;
    profile.light.green = 10;
    profile.light.blue = 99;
    profile.light.direction = 0;
    Page()->ShowProfile(profile);
    EXPECT_EQ(combo->currentIndex(), kEffectReactive);
    EXPECT_EQ(Control<QSlider>(CLightControlUI::kBrightnessSlider)->value(), 1);
    EXPECT_EQ(Control<QSlider>(CLightControlUI::kSpeedSlider)->value(), 4);
    EXPECT_EQ(Control<QLineEdit>(CLightControlUI::kEditBlue)->text(), QStringLiteral("99"));
    EXPECT_EQ(Control<CColorPaletteUI>(CLightControlUI::kPalette)->Colour(), QColor(200, 10, 99));
    EXPECT_TRUE(Control<QAbstractButton>(CLightControlUI::kBackward)->isChecked());
    EXPECT_FALSE(Control<QAbstractButton>(CLightControlUI::kMultiColour)->isChecked());
    EXPECT_EQ(Light()->Light(), profile.light);
}

// The same-effect button gives the synchronised lighting this mouse's effect, or says why not.
TEST_F(LightTabTest, SameModeSynchronisesAnEffectThatHasACommonMeaning) {
    Light()->SetSameModeAllowed(true);
    Choose(kEffectBreathing);
    ASSERT_TRUE(MouseHolds(MouseBlock::kEffect, kEffectBreathing));
    auto* status = Control<QLabel>(CLightControlUI::kSameModeStatus);
    Control<QAbstractButton>(CLightControlUI::kSameMode)->click();
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), Skin().Text(QStringLiteral("light_same_mode_done_text")));
    EXPECT_TRUE(Mouse().GetLightEngine().IsSynchronised());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Mouse().GetLightingSync() == 1; }, kWaitMs));
    // A change on the page leaves the synchronised lighting.
    Control<QSlider>(CLightControlUI::kBrightnessSlider)->setValue(1);
    EXPECT_FALSE(Mouse().GetLightEngine().IsSynchronised());
    EXPECT_FALSE(status->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Mouse().GetLightingSync() == 0; }, kWaitMs));
}

namespace {

// The longest time the UI thread spent without coming back to wait for events: from each wake
// of the event loop to its next wait. A thread that waits on the mouse shows here; one that is
// only scheduled late while idle does not.
class CUiBusyWatch {
  public:
    CUiBusyWatch() {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        m_connections[0] = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake,
                                            [this] { m_busy.start(); });
        m_connections[1] =
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
                if (m_busy.isValid())
                    m_longest = std::max(m_longest, m_busy.elapsed());
                m_busy.invalidate();
                ++m_waits;
            });
    }
    ~CUiBusyWatch() {
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
    }
    qint64 LongestMs() const { return m_longest; }
    int Waits() const { return m_waits; }

  private:
    QMetaObject::Connection m_connections[2];
    QElapsedTimer m_busy;
    qint64 m_longest = 0;
    int m_waits = 0;
};

// Runs a real event loop (so it waits for events between them) until `done` holds.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace

class LightTabReceiverTest : public LightTabTest {
  protected:
    void SetUp() override {
        world->SetCablePlugged(false);
        world->SetReceiverPlugged(true);
        LightTabTest::SetUp();
    }
};

TEST_F(LightTabReceiverTest, DraggingWhileTheMouseStopsAnsweringNeverBlocksTheWindow) {
    auto* entry = window->EntryOf(*Page()->Device());
    ASSERT_TRUE(QTest::qWaitFor([&] { return entry->Worker()->IsIdle(); }, kWaitMs));
    auto* slider = Control<QSlider>(CLightControlUI::kSpeedSlider);
    // The mouse answers nothing until the drag is over: a UI that waited on it could not finish
    // the drag.
    world->HoldReplies();
    CUiBusyWatch watch;
    // The user drags, lets go and drags again, step by step as the events come.
    std::vector<int> steps;
    for (int round = 0; round < 3; ++round)
        steps.insert(steps.end(), {-1, 0, 1, 2, 3, 4, 3, -2});
    size_t next = 0;
    bool workerWasBusy = false;
    QTimer drag;
    QObject::connect(&drag, &QTimer::timeout, [&] {
        if (next == steps.size())
            return;
        const int step = steps[next++];
        if (step == -1)
            slider->setSliderDown(true);
        else if (step == -2)
            slider->setSliderDown(false);
        else
            slider->setSliderPosition(step);
        workerWasBusy = workerWasBusy || !entry->Worker()->IsIdle();
    });
    drag.start(2);
    const bool dragged = RunLoopUntil([&] { return next == steps.size(); }, kWaitMs * 3);
    drag.stop();
    const bool workerStillWaiting = !entry->Worker()->IsIdle();
    world->ReleaseReplies();
    ASSERT_TRUE(dragged) << "the drag stalled while the mouse did not answer";
    // The preview took each step at once; the worker was still waiting on the mouse.
    EXPECT_EQ(Previewed().speed, 3);
    EXPECT_TRUE(workerWasBusy);
    EXPECT_TRUE(workerStillWaiting);
    EXPECT_GT(watch.Waits(), 10);
    // Once the mouse answers again the next change lands.
    ASSERT_TRUE(QTest::qWaitFor([&] { return entry->Worker()->IsIdle(); }, kWaitMs * 3));
    slider->setValue(1);
    EXPECT_TRUE(MouseHolds(MouseBlock::kSpeed, SpeedCode(1)));
}
