// SPDX-License-Identifier: GPL-2.0-or-later
// The buttons tab on the real skin and the simulated mouse: a button picked on the picture opens
// in the editor, each function page builds its code, and "Save to mouse" puts the three bytes in
// the mouse's key table at the button's position (and the macros it plays in its memory).
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

#include "app/MsgWnd.h"
#include "base/Paths.h"
#include "base/ProcessLock.h"
#include "keys/ui/DeviceKeyButton.h"
#include "macro/MacroList.h"
#include "profile/JsonFile.h"
#include "profile/MouseProfiledata.h"
#include "tests/app/HandlerRowCheck.h"
#include "tests/app/MousePageFixture.h"
#include "ui/SkinResources.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Editor = CKeySetControlUI;

// A capture that records what it was started for; keys are fed to its sink by hand.
class CRecordingCapture : public IKeyCapture {
  public:
    void Start(QWidget* target, Sink sink) override {
        m_target = target;
        m_sink = std::move(sink);
        ++starts;
    }
    void Stop() override {
        m_target = nullptr;
        m_sink = nullptr;
    }
    bool IsCapturing() const override { return m_sink != nullptr; }
    void Press(unsigned key) { Feed({key, true}); }
    void Release(unsigned key) { Feed({key, false}); }
    void Feed(const CapturedKey& key) {
        if (m_sink)
            m_sink(key);
    }
    int starts = 0;

  private:
    QWidget* m_target = nullptr;
    Sink m_sink;
};

class ButtonsTabTest : public MousePageTest {
  public:
    void SetUp() override {
        MousePageTest::SetUp();
        ASSERT_TRUE(Tab() && Tab()->Editor() && Tab()->KeyButton(10));
        Page()->SelectSettingsTab(0);
    }

    CButtonsTabUI* Tab() { return FindTab<CButtonsTabUI>(); }
    Editor* Edit() { return Tab()->Editor(); }
    template <class T>
    T* Control(const char* name) {
        return Edit()->findChild<T*>(QString::fromLatin1(name));
    }
    void Pick(int button) { QTest::mouseClick(Tab()->KeyButton(button), Qt::LeftButton); }
    void Choose(int function) {
        auto* combo = Control<QComboBox>(Editor::kFunctionCombo);
        combo->setCurrentIndex(Edit()->FindFunctionItem(function));
    }
    void Select(const char* combo, int row) { Control<QComboBox>(combo)->setCurrentIndex(row); }
    void Type(const char* edit, const char* text) {
        auto* control = Control<QLineEdit>(edit);
        control->setText(QString::fromLatin1(text));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(control, &out);
    }
    void Click(const char* button) {
        auto* control = Control<QAbstractButton>(button);
        ASSERT_TRUE(control->isEnabled()) << button;
        control->click();
    }
    // "Save to mouse", waited on.
    void SaveToMouse() {
        Click(Editor::kSaveButton);
        Click(Editor::kApplyButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Tab()->IsApplying(); }, kWaitMs));
    }
    Bytes InMouse(size_t button) {
        const Bytes table = world->KeyTable();
        return {table.at(3 * button), table.at(3 * button + 1), table.at(3 * button + 2)};
    }
    Bytes InFile(size_t button) {
        const Json::Value document = CJsonFile::ReadDocument(
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json"));
        const auto packed =
            document["Device"][0]["KeyList"][static_cast<int>(button)]["Assignment"].asUInt();
        return {static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 8),
                static_cast<uint8_t>(packed)};
    }
    // The messages the window opened, closed again.
    QStringList Messages() {
        QStringList texts;
        for (CMsgWnd* message : window->findChildren<CMsgWnd*>()) {
            if (!message->IsOpen())
                continue;
            texts << message->FindControl<QLabel>(QString::fromLatin1(CMsgWnd::kText))->text();
            message->FindControl<QAbstractButton>(QString::fromLatin1(CMsgWnd::kConfirm))->click();
        }
        return texts;
    }
    static QString T(const char* key) { return Skin().Text(QString::fromLatin1(key)); }
    CRecordingCapture* Recorder() {
        auto capture = std::make_unique<CRecordingCapture>();
        CRecordingCapture* recorder = capture.get();
        Tab()->SetKeyCapture(std::move(capture));
        return recorder;
    }
    // Focus on the keyboard page's key box starts the capture.
    void StartCapture() {
        Choose(Editor::kFunctionKeyboard);
        auto* text = Control<QLineEdit>(Editor::kKeyboardText);
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(text, &in);
    }
};

struct PageCase {
    const char* name;
    int button;
    std::function<void(ButtonsTabTest&)> fill;
    Bytes code;
};

}  // namespace

TEST_F(ButtonsTabTest, APickedButtonOpensItsFunctionAndTheListNamesEveryButton) {
    EXPECT_FALSE(Edit()->IsEditAreaShown());
    Pick(3);
    EXPECT_TRUE(Edit()->IsEditAreaShown());
    EXPECT_EQ(Tab()->SelectedKey(), 3);
    EXPECT_TRUE(Tab()->KeyButton(3)->isChecked());
    EXPECT_EQ(Edit()->SelectedFunction(), Editor::kFunctionDefault);
    EXPECT_EQ(Control<QLabel>(Editor::kTitle)->text(), T("mouse_key_forward"));
    // Tool tips and rows: each button's name and function.
    EXPECT_EQ(Tab()->KeyButton(9)->UserToolTitle(), T("mouse_key_M8_key"));
    EXPECT_EQ(Tab()->KeyButton(9)->UserToolText(), T("mouse_key_DPI_shift"));
    for (int n = 0; n < 11; ++n) {
        auto* row = Tab()->findChild<QAbstractButton*>(QStringLiteral("keyinfo_row_%1").arg(n));
        ASSERT_TRUE(row) << n;
        EXPECT_TRUE(row->isVisible()) << n;
    }
    // A row opens its button too.
    Tab()->findChild<QAbstractButton*>(QStringLiteral("keyinfo_row_10"))->click();
    EXPECT_EQ(Tab()->SelectedKey(), 10);
    Shot("picked");
}

TEST_F(ButtonsTabTest, EachFunctionPageWritesItsCodeAtTheButtonsPosition) {
    const PageCase cases[] = {
        {"mouse button",
         3,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionMouseButton);
             t.Select(Editor::kMouseKeyCombo, 2);
         },
         {0x10, 0x02, 0x00}},
        {"swing",
         4,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionSwing);
             t.Select(Editor::kSwingCombo, 1);
             t.Type(Editor::kSwingCount, "3");
             t.Type(Editor::kSwingDelay, "1");
             t.Type(Editor::kSwingSpeed, "1");
         },
         {0x11, 0x11, 0x83}},
        {"wheel",
         8,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionWheel);
             t.Select(Editor::kWheelCombo, 1);
             t.Type(Editor::kWheelCount, "3");
             t.Type(Editor::kWheelDelay, "2");
             t.Type(Editor::kWheelSpeed, "5");
         },
         {0x12, 0x25, 0xFD}},
        {"dpi",
         2,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionDpi);
             t.Select(Editor::kDpiCombo, 2);
         },
         {0x13, 0x03, 0x00}},
        {"fire (typed past its range: the highest value, not a wrapped one)",
         10,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionFire);
             t.Type(Editor::kFireInterval, "300");
             t.Type(Editor::kFireCount, "3");
         },
         {0x14, 0xFF, 0x03}},
        {"media",
         5,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionMedia);
             t.Select(Editor::kMediaCombo, 6);
         },
         {0x30, 0xE9, 0x00}},
        {"system",
         6,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionSystem);
             t.Select(Editor::kSystemCombo, 1);
         },
         {0x40, 0x02, 0x00}},
        {"gun",
         7,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionGun);
             t.Select(Editor::kGunCombo, 2);
         },
         {0x72, 0x02, 0x00}},
        {"combination key",
         9,
         [](ButtonsTabTest& t) {
             t.Choose(Editor::kFunctionComboKey);
             t.Select(Editor::kComboKeyCombo, 0);
         },
         {0x20, 0x10, 0x12}},
        {"disabled",
         1,
         [](ButtonsTabTest& t) { t.Choose(Editor::kFunctionCount); },
         {0xA0, 0x00, 0x00}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pick(c.button);
        c.fill(*this);
        EXPECT_EQ(Control<QStackedWidget>(Editor::kFunctionPages)->currentIndex(),
                  Edit()->SelectedFunction());
        SaveToMouse();
        const auto n = static_cast<size_t>(c.button);
        EXPECT_EQ(InMouse(n), c.code);
        EXPECT_EQ(InFile(n), c.code);
        EXPECT_TRUE(Tab()->IsEditIdle());
        // Shown again, the code opens the same page.
        Pick(c.button == 2 ? 3 : 2);
        Pick(c.button);
        EXPECT_EQ(Edit()->ReadAssignment().current.code,
                  (KeyCode{c.code[0], c.code[1], c.code[2]}));
    }
    EXPECT_EQ(Messages(), QStringList());
    // The buttons left alone kept their functions.
    EXPECT_EQ(InMouse(0), (Bytes{0x10, 0x01, 0x00}));
    Pick(4);
    Shot("swing");
}

TEST_F(ButtonsTabTest, CancelChangesNothingAndDefaultRestoresTheFactoryCode) {
    Pick(3);
    Choose(Editor::kFunctionMedia);
    Select(Editor::kMediaCombo, 1);
    Click(Editor::kSaveButton);
    EXPECT_FALSE(Tab()->IsEditIdle());
    // Cancel only shows the stored code again: nothing reaches the mouse.
    Click(Editor::kCancelButton);
    EXPECT_TRUE(Tab()->IsEditIdle());
    EXPECT_EQ(InMouse(3), (Bytes{0x10, 0x10, 0x00}));
    EXPECT_EQ(Edit()->SelectedFunction(), Editor::kFunctionMedia);

    Choose(Editor::kFunctionGun);
    Select(Editor::kGunCombo, 1);
    SaveToMouse();
    EXPECT_EQ(InMouse(3), (Bytes{0x72, 0x01, 0x00}));
    Click(Editor::kDefaultButton);
    EXPECT_EQ(Edit()->SelectedFunction(), Editor::kFunctionDefault);
    SaveToMouse();
    EXPECT_EQ(InMouse(3), (Bytes{0x10, 0x10, 0x00}));
    EXPECT_EQ(InFile(3), (Bytes{0x10, 0x10, 0x00}));
}

TEST_F(ButtonsTabTest, TheOnlyLeftClickCannotBeEditedAway) {
    Pick(0);
    EXPECT_EQ(Messages(), QStringList{T("message_text_6")});
    EXPECT_FALSE(Edit()->IsEditAreaShown());
    // With a second left click, the first may change; the second then is the only one.
    Pick(4);
    Choose(Editor::kFunctionMouseButton);
    Select(Editor::kMouseKeyCombo, 0);
    SaveToMouse();
    Pick(0);
    EXPECT_TRUE(Messages().isEmpty());
    Choose(Editor::kFunctionMedia);
    Select(Editor::kMediaCombo, 1);
    SaveToMouse();
    EXPECT_EQ(InMouse(0), (Bytes{0x30, 0xCD, 0x00}));
    Pick(4);
    EXPECT_EQ(Messages(), QStringList{T("message_text_6")});
    EXPECT_EQ(InMouse(4), (Bytes{0x10, 0x01, 0x00}));
}

TEST_F(ButtonsTabTest, KeysAreCapturedWithTheirModifiersAndNeverDropped) {
    CRecordingCapture* keys = Recorder();
    Pick(3);
    StartCapture();
    ASSERT_EQ(keys->starts, 1);
    auto text = [&] { return Control<QLineEdit>(Editor::kKeyboardText)->text(); };
    auto current = [&] { return Tab()->Keys()[3].current.code; };

    keys->Press(KEY_LEFTCTRL);
    keys->Press(KEY_LEFTSHIFT);
    keys->Press(KEY_A);
    EXPECT_EQ(current(), (KeyCode{0x20, 0x03, 0x04}));
    EXPECT_EQ(text(), T("keyboard_key_A"));
    // Letting go keeps the combination.
    for (unsigned key : {KEY_A, KEY_LEFTSHIFT, KEY_LEFTCTRL})
        keys->Release(key);
    EXPECT_EQ(current(), (KeyCode{0x20, 0x03, 0x04}));
    Shot("keyboard");
    SaveToMouse();
    EXPECT_EQ(InMouse(3), (Bytes{0x20, 0x03, 0x04}));
    // Sending ended the capture; the key box starts it again.
    StartCapture();

    // A modifier held alone starts anew: right Alt gives the Alt option's left-hand bit.
    keys->Press(KEY_RIGHTALT);
    keys->Release(KEY_RIGHTALT);
    EXPECT_EQ(current(), (KeyCode{0x20, 0x04, 0x00}));
    EXPECT_EQ(Edit()->ReadModifierOption(), 3);
    // A key with the options as they are; "nothing" when none is chosen.
    Edit()->SelectModifierOption(-1);
    struct Case {
        unsigned key;
        KeyCode code;
        QString shown;
    };
    const Case cases[] = {
        {KEY_F13, {0x20, 0x00, 0x68}, T("keyboard_key_F13")},
        {KEY_F24, {0x20, 0x00, 0x73}, T("keyboard_key_F24")},
        {KEY_KPEQUAL, {0x20, 0x00, 0x67}, T("keyboard_key_unnamed") + QStringLiteral(" 0x67")},
        {KEY_TAB, {0x20, 0x00, 0x2B}, T("keyboard_key_Tab")},
    };
    for (const Case& c : cases) {
        keys->Press(c.key);
        keys->Release(c.key);
        EXPECT_EQ(current(), c.code) << c.key;
        EXPECT_EQ(text(), c.shown) << c.key;
        EXPECT_EQ(Edit()->ReadModifierOption(), 0);
    }
    // A key the mouse cannot send changes nothing and says so.
    keys->Press(KEY_FN);
    EXPECT_EQ(current(), (KeyCode{0x20, 0x00, 0x2B}));
    EXPECT_TRUE(Control<QLabel>(Editor::kCaptureStatus)->isVisible());
    keys->Release(KEY_FN);
    // A media key picks its media function.
    keys->Press(KEY_VOLUMEUP);
    EXPECT_EQ(current(), (KeyCode{0x30, 0xE9, 0x00}));
    EXPECT_EQ(Edit()->SelectedFunction(), Editor::kFunctionMedia);
    keys->Release(KEY_VOLUMEUP);
    SaveToMouse();
    EXPECT_EQ(InMouse(3), (Bytes{0x30, 0xE9, 0x00}));
}

TEST_F(ButtonsTabTest, TheWindowsOwnKeysReachTheCaptureNotTheWindow) {
    // The real capture: key events carry the kernel's key plus 8, as on X11 and Wayland.
    Pick(7);
    Choose(Editor::kFunctionKeyboard);
    auto* text = Control<QLineEdit>(Editor::kKeyboardText);
    window->activateWindow();
    text->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tab()->KeyCapture()->IsCapturing(); }, kWaitMs));
    auto send = [&](QEvent::Type type, Qt::Key key, unsigned linux, Qt::KeyboardModifiers mods) {
        QKeyEvent event(type, key, mods, linux + 8, 0, 0);
        QApplication::sendEvent(text, &event);
    };
    send(QEvent::KeyPress, Qt::Key_Escape, KEY_ESC, Qt::NoModifier);
    send(QEvent::KeyRelease, Qt::Key_Escape, KEY_ESC, Qt::NoModifier);
    EXPECT_EQ(Tab()->Keys()[7].current.code, (KeyCode{0x20, 0x00, 0x29}));
    send(QEvent::KeyPress, Qt::Key_Alt, KEY_LEFTALT, Qt::AltModifier);
    send(QEvent::KeyPress, Qt::Key_F4, KEY_F4, Qt::AltModifier);
    EXPECT_EQ(Tab()->Keys()[7].current.code, (KeyCode{0x20, 0x04, 0x3D}));
    send(QEvent::KeyRelease, Qt::Key_F4, KEY_F4, Qt::AltModifier);
    send(QEvent::KeyRelease, Qt::Key_Alt, KEY_LEFTALT, Qt::NoModifier);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(text->hasFocus());
    // Leaving the key box ends the capture.
    Control<QComboBox>(Editor::kFunctionCombo)->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Tab()->KeyCapture()->IsCapturing(); }, kWaitMs));
}

namespace {

class ButtonsTabMacroTest : public ButtonsTabTest {
  public:
    void SetUp() override {
        // Two macros before the window starts: 3 and 5 key presses.
        CMacroList macros(GetDeviceDataFolder("mouse"));
        for (const auto& [name, presses] : {std::pair{"Reload", 3}, std::pair{"Spray", 5}}) {
            int index = -1;
            ASSERT_EQ(macros.Add(name, &index), MacroResult::Done);
            std::vector<MacroEvent> events;
            for (int i = 0; i < presses; ++i) {
                events.push_back(MakeMacroEvent(MacroEventType::Key, true, 0x04, 10));
                events.push_back(MakeMacroEvent(MacroEventType::Key, false, 0x04, 10));
            }
            ASSERT_EQ(macros.Save(index, events), MacroResult::Done);
        }
        ButtonsTabTest::SetUp();
    }
};

}  // namespace

TEST_F(ButtonsTabMacroTest, AMacroAssignmentDownloadsTheMacroBlock) {
    auto* choices = Control<QComboBox>(Editor::kMacroCombo);
    ASSERT_EQ(choices->count(), 2);
    Pick(9);
    Choose(Editor::kFunctionMacro);
    Select(Editor::kMacroCombo, 1);
    Select(Editor::kMacroModeCombo, Editor::kMacroRepeatEntry);
    EXPECT_TRUE(Control<QWidget>(Editor::kMacroCycleLayout)->isVisible());
    Type(Editor::kMacroCycleEdit, "5");
    SaveToMouse();
    // The only macro used goes to slot 0, and the key table names the slot.
    EXPECT_EQ(InMouse(9), (Bytes{0x71, 0x00, 0x05}));
    EXPECT_EQ(InFile(9), (Bytes{0x71, 0x01, 0x05}));
    const Bytes memory = world->MacroMemory();
    ASSERT_GE(memory.size(), 18u);
    EXPECT_EQ(memory[0] | memory[1] << 8, 0x55AA);
    EXPECT_EQ(memory[4] | memory[5] << 8, 1);  // one macro
    const size_t record = memory[16] | memory[17] << 8;
    EXPECT_EQ(memory.at(record) | memory.at(record + 1) << 8, 10);  // Spray's ten events
    Shot("macro");
    // Mode entry 1 on the other macro.
    Select(Editor::kMacroCombo, 0);
    Select(Editor::kMacroModeCombo, 1);
    EXPECT_FALSE(Control<QWidget>(Editor::kMacroCycleLayout)->isVisible());
    SaveToMouse();
    EXPECT_EQ(InFile(9), (Bytes{0x70, 0x00, 0x01}));
}

TEST_F(ButtonsTabTest, AnEditWaitingForTheMouseKeepsAnotherProgramsChange) {
    Pick(3);
    Choose(Editor::kFunctionGun);
    Select(Editor::kGunCombo, 3);
    Click(Editor::kSaveButton);
    // Another program gives button 5 a media key in the same profile file meanwhile.
    {
        CProcessLock lock(MouseLockFile("mouse"));
        ASSERT_TRUE(lock.Acquire(std::chrono::milliseconds(kWaitMs)));
        const std::filesystem::path file =
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json");
        CMouseProfiledata other;
        other.SetProfilePath(file);
        other.LoadSection(file);
        std::vector<KeyListEntry> keys = other.GetKeyList();
        keys.at(5).current.code = {0x30, 0xE2, 0x00};
        other.SetKeyList(keys);
        ASSERT_TRUE(other.Save());
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Tab()->Keys()[5].current.code == KeyCode{0x30, 0xE2, 0x00};
        },
        kWaitMs));
    EXPECT_EQ(Tab()->Keys()[3].current.code, (KeyCode{0x72, 0x03, 0x00}));
    EXPECT_FALSE(Tab()->IsEditIdle());
    Click(Editor::kApplyButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Tab()->IsApplying(); }, kWaitMs));
    EXPECT_EQ(InMouse(3), (Bytes{0x72, 0x03, 0x00}));
    EXPECT_EQ(InMouse(5), (Bytes{0x30, 0xE2, 0x00}));
    EXPECT_EQ(InFile(5), (Bytes{0x30, 0xE2, 0x00}));
}

TEST_F(ButtonsTabTest, AProfileResetEndsTheEditAndTheMouseGetsTheDefaults) {
    Pick(3);
    Choose(Editor::kFunctionGun);
    Select(Editor::kGunCombo, 1);
    SaveToMouse();
    ASSERT_EQ(InMouse(3), (Bytes{0x72, 0x01, 0x00}));
    // An edit waiting for the mouse when the profile is reset.
    Pick(4);
    Choose(Editor::kFunctionMedia);
    Select(Editor::kMediaCombo, 2);
    Click(Editor::kSaveButton);
    Page()->findChild<QAbstractButton*>(QStringLiteral("device_reset_btn"))->click();
    EXPECT_EQ(Messages().size(), 1);  // the question, confirmed
    auto* control = Page()->findChild<QWidget*>(QStringLiteral("DeviceProfileItem"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return control->isEnabled() && InMouse(3) == Bytes{0x10, 0x10, 0x00};
        },
        kWaitMs));
    EXPECT_FALSE(Edit()->IsEditAreaShown());
    EXPECT_TRUE(Tab()->IsEditIdle());
    EXPECT_EQ(Tab()->SelectedKey(), -1);
    EXPECT_EQ(InMouse(4), (Bytes{0x10, 0x08, 0x00}));
    EXPECT_EQ(Tab()->Keys()[4].current.code, (KeyCode{0x10, 0x08, 0x00}));
}

TEST_F(ButtonsTabMacroTest, TheRepeatCountShowsBesideTheRepeatingModeOnly) {
    Pick(9);
    Choose(Editor::kFunctionMacro);
    auto* mode = Control<QComboBox>(Editor::kMacroModeCombo);
    auto* cycle = Control<QWidget>(Editor::kMacroCycleLayout);
    EXPECT_NE(mode->currentIndex(), Editor::kMacroRepeatEntry);
    EXPECT_FALSE(cycle->isVisible());
    Select(Editor::kMacroModeCombo, Editor::kMacroRepeatEntry);
    EXPECT_TRUE(cycle->isVisible());
    Shot("macro-repeat");
    // Another function and back keeps the count with its mode.
    Choose(Editor::kFunctionMedia);
    Choose(Editor::kFunctionMacro);
    EXPECT_TRUE(cycle->isVisible());
    Select(Editor::kMacroModeCombo, 2);
    EXPECT_FALSE(cycle->isVisible());
    Shot("macro-once");
}

TEST_F(ButtonsTabTest, EveryHandlerRowHasAControlOnTheLivePageThatSendsItsType) {
    EXPECT_EQ(RowsThatCannotFire<CButtonsTabUI>(*Page(), CButtonsTabUI::HandlerTable()),
              QStringList());
}
