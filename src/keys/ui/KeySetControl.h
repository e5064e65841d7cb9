// SPDX-License-Identifier: GPL-2.0-or-later
// The button assignment editor ("KeySetControlItem", layout "KeySetControl.xml"): turns a key
// function code into the state of its controls and back. One page per function: mouse button,
// swing, wheel, DPI, fire, keyboard key, media, system, macro, recoil pattern, combination key,
// and the button's own function. The tab around it owns the key list and the mouse.
#pragma once

#include <QString>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/ProfileRecords.h"
#include "ui/Page.h"

struct CapturedKey;
class QAbstractButton;

// A language key's text in the skin's language.
QString SkinText(std::string_view key);
// A key function code in the words of the skin's language (DescribeAssignment).
std::string DescribeInSkin(const KeyCode& code, std::span<const std::string> macroNames);

class CKeySetControlUI : public CPageUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "KeySetControl";
    static constexpr const char* kLayout = "XML/CustomControlXML/KeySetControl.xml";

    static constexpr const char* kEditArea = "keyset_layout";
    static constexpr const char* kEmptyHint = "keyset_empty_hint";
    static constexpr const char* kTitle = "keyset_button_title";
    static constexpr const char* kFunctionCombo = "keyset_function_combo";
    static constexpr const char* kDefaultButton = "key_butt_keydefalut";
    static constexpr const char* kSaveButton = "key_butt_keysave";
    static constexpr const char* kCancelButton = "key_butt_keycancel";
    static constexpr const char* kApplyButton = "key_butt_prosave";
    static constexpr const char* kApplyStatus = "keyset_apply_status";
    static constexpr const char* kFunctionPages = "function_switch_tablayout";
    static constexpr const char* kMouseKeyCombo = "keyset_mousekey_combo";
    static constexpr const char* kSwingCombo = "keyset_mouseswing_combo";
    static constexpr const char* kSwingCount = "keyset_mouseswing_num_edit";
    static constexpr const char* kSwingDelay = "keyset_mouseswing_delay_edit";
    static constexpr const char* kSwingSpeed = "keyset_mouseswing_speed_edit";
    static constexpr const char* kWheelCombo = "keyset_mousewheel_combo";
    static constexpr const char* kWheelCount = "keyset_mousewheel_num_edit";
    static constexpr const char* kWheelDelay = "keyset_mousewheel_delay_edit";
    static constexpr const char* kWheelSpeed = "keyset_mousewheel_speed_edit";
    static constexpr const char* kDpiCombo = "keyset_mousedpi_combo";
    static constexpr const char* kFireInterval = "keyset_mousefire_interval_edit";
    static constexpr const char* kFireCount = "keyset_mousefire_num_edit";
    static constexpr const char* kKeyboardText = "keyset_keyboard_text_edit";
    static constexpr const char* kCaptureStatus = "keyset_capture_status";
    static constexpr const char* kMediaCombo = "keyset_media_combo";
    static constexpr const char* kSystemCombo = "keyset_system_combo";
    static constexpr const char* kMacroCombo = "keyset_macro_combo";
    static constexpr const char* kMacroModeCombo = "keyset_macro_over_combo";
    static constexpr const char* kMacroCycleLayout = "keyset_macro_cycle_layout";
    static constexpr const char* kMacroCycleEdit = "keyset_macro_cycle_edit";
    static constexpr const char* kGunCombo = "keyset_gunkey_combo";
    static constexpr const char* kComboKeyCombo = "keyset_combokey_combo";
    static constexpr const char* kModifierPrefix = "key_ComBox_check_";
    static constexpr int kModifierOptions = 5;
    static constexpr const char* kTextTest = "text_test";
    static constexpr PageControl kControls[] = {
        {kEditArea},       {kEmptyHint},        {kTitle},
        {kFunctionCombo},  {kDefaultButton},    {kSaveButton},
        {kCancelButton},   {kApplyButton},      {kApplyStatus},
        {kFunctionPages},  {kMouseKeyCombo},    {kSwingCombo},
        {kSwingCount},     {kSwingDelay},       {kSwingSpeed},
        {kWheelCombo},     {kWheelCount},       {kWheelDelay},
        {kWheelSpeed},     {kDpiCombo},         {kFireInterval},
        {kFireCount},      {kKeyboardText},     {kCaptureStatus},
        {kMediaCombo},     {kSystemCombo},      {kMacroCombo},
        {kMacroModeCombo}, {kMacroCycleLayout}, {kMacroCycleEdit},
        {kGunCombo},       {kComboKeyCombo},    {kModifierPrefix, 0, kModifierOptions - 1},
        {kTextTest},
    };

    // The function numbers: item user data of the function list, pages of the function switch.
    enum Function : int {
        kFunctionDefault = 0,
        kFunctionMouseButton,
        kFunctionSwing,
        kFunctionWheel,
        kFunctionDpi,
        kFunctionFire,
        kFunctionKeyboard,
        kFunctionMedia,
        kFunctionSystem,
        kFunctionMacro,
        kFunctionGun,
        kFunctionComboKey,
        kFunctionCount,
    };
    // The macro mode list: the mouse's play modes, then the repeat entry.
    static constexpr int kMacroRepeatEntry = 4;

    explicit CKeySetControlUI(QWidget* parent = nullptr);

    // Fills the function list and every choice list from the key tables, in table order.
    void BindControls();
    // 1 keyboard, 2 mouse; a keyboard has no DPI or recoil functions.
    void SetEditorKind(int kind);
    void FillMacroChoices(const std::vector<std::string>& names);
    void AddMacroChoice(const QString& name);
    void RemoveMacroChoice(int position);
    void RenameMacroChoice(int position, const QString& name);

    void SetKey(const KeyListEntry& entry);
    void ShowDefault();
    void ShowCurrent();
    // Replaces the current half; nothing is shown.
    void SetCurrent(const KeyAssignment& half);
    const KeyListEntry& Entry() const { return m_entry; }
    void ShowAssignment(const KeyCode& code);
    // The code the controls describe; it becomes the current one.
    KeyListEntry ReadAssignment();

    // The modifier options: 0 none, 1 Ctrl, 2 Shift, 3 Alt, 4 Win. Selecting 0 (or -1, none
    // at all) clears the others; 1 .. 4 combine.
    void SelectModifierOption(int n);
    // An option the user clicked (its box has already changed).
    void ToggleModifierOption(int n);
    // The highest option selected, -1 when none is.
    int ReadModifierOption() const;
    // The modifier byte the options give, keeping the right-hand keys the current code holds.
    uint8_t ReadModifierBits() const;
    // The keyboard page's key text from its language key; empty clears it.
    void SetKeyboardText(std::string_view languageKey);
    void SetKeyboardLabel(const QString& text);

    // A key pressed or released while capturing: true when it changed the current code.
    bool CaptureKey(const CapturedKey& key);
    // A new capture starts with no keys held.
    void ResetCapture() { m_held.clear(); }

    void EnableEditButtons(bool enabled);
    void ShowEditArea(bool shown);
    bool IsEditAreaShown() const;
    int FindFunctionItem(int function) const;
    // The function page f (and for the keyboard page an empty key).
    void ShowFunctionPage(int function, bool fresh);
    // The repeat count beside the repeating play mode only.
    void ShowMacroCycle();
    int SelectedFunction() const;
    void SetTitle(const QString& title);
    // A line under the buttons (the result of the last save to the mouse); empty hides it.
    void SetApplyStatus(const QString& text);

    bool HandleNotify(TNotifyUI& msg) override;

  signals:
    // The user changed a choice or a number (not the editor showing a code).
    void Edited();

  private:
    void OnFunctionSelect(TNotifyUI& msg, int);
    void OnMacroModeSelect(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CKeySetControlUI>> HandlerTable();

  private:
    static const PageHandler<CKeySetControlUI> kHandlers[];

    void ShowKeyboard(const KeyCode& code);
    // Modifier option n ("key_ComBox_check_" + n); null when the layout lacks it.
    QAbstractButton* ModifierBox(int n) const;
    void SetCaptureStatus(const QString& text);

    int m_kind = 2;
    KeyListEntry m_entry{};
    std::set<unsigned> m_held;
};
