// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/ui/KeySetControl.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "base/ThreadCheck.h"
#include "keys/KeyCodes.h"
#include "keys/KeyNames.h"
#include "keys/KeyTables.h"
#include "keys/LinuxKeys.h"
#include "keys/ui/KeyCapture.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

const PageHandler<CKeySetControlUI> CKeySetControlUI::kHandlers[] = {
    {"itemselect", kFunctionCombo, &CKeySetControlUI::OnFunctionSelect},
    {"itemselect", kMacroModeCombo, &CKeySetControlUI::OnMacroModeSelect},
};

std::span<const PageHandler<CKeySetControlUI>> CKeySetControlUI::HandlerTable() {
    return kHandlers;
}

namespace {

// Two pages follow the functions: "disabled" and a code the editor cannot build.
constexpr int kFunctionDisable = CKeySetControlUI::kFunctionCount;
constexpr int kOtherFunctionPage = kFunctionDisable + 1;
constexpr const char* kOtherFunctionText = "function_page_13_hint";

struct FunctionItem {
    int function;
    const char* key;
};
// In the order a user looks for them.
constexpr FunctionItem kFunctionItems[] = {
    {CKeySetControlUI::kFunctionDefault, "keyset_function_default_text"},
    {CKeySetControlUI::kFunctionMouseButton, "keyset_function_mouse_text"},
    {CKeySetControlUI::kFunctionKeyboard, "keyset_function_keyboard_text"},
    {CKeySetControlUI::kFunctionMedia, "keyset_function_media_text"},
    {CKeySetControlUI::kFunctionDpi, "keyset_function_dpi_text"},
    {CKeySetControlUI::kFunctionFire, "keyset_function_fire_text"},
    {CKeySetControlUI::kFunctionSwing, "keyset_function_swing_text"},
    {CKeySetControlUI::kFunctionWheel, "keyset_function_wheel_text"},
    {CKeySetControlUI::kFunctionMacro, "keyset_function_macro_text"},
    {CKeySetControlUI::kFunctionGun, "keyset_function_gun_text"},
    {CKeySetControlUI::kFunctionSystem, "keyset_function_system_text"},
    {CKeySetControlUI::kFunctionComboKey, "keyset_function_combo_text"},
    {kFunctionDisable, "keyset_function_disable_text"},
};

constexpr std::array<std::string_view, 2> kSwingDirections = {"keyset_swing_left_text",
                                                              "keyset_swing_right_text"};
constexpr std::array<std::string_view, 2> kWheelDirections = {"keyset_wheel_up_text",
                                                              "keyset_wheel_down_text"};
constexpr std::array<std::string_view, 5> kMacroModes = {
    "keyset_macro_mode_0_text", "keyset_macro_mode_1_text", "keyset_macro_mode_2_text",
    "keyset_macro_mode_3_text", "keyset_macro_repeat_text"};

// The left-hand bit of modifier option n (1 Ctrl .. 4 Win); the right-hand key is 4 bits up.
constexpr std::array<uint8_t, 5> kOptionBits = {0, kModLeftCtrl, kModLeftShift, kModLeftAlt,
                                                kModLeftWin};

QString Text(std::string_view key) {
    return SkinText(key);
}

// The name of a key usage: its key, F13 .. F24, or "Key 0x67".
QString UsageText(uint8_t usage) {
    return QString::fromStdString(DescribeInSkin(MakeKeyboardCode(0, usage), {}));
}

template <size_t N>
int RowOf(const std::array<KeyCodeName, N>& table, const KeyCode& code) {
    for (size_t i = 0; i < N; ++i)
        if (table[i].code[1] == code[1] && table[i].code[2] == code[2])
            return static_cast<int>(i);
    return -1;
}

template <class Rows>
void FillCombo(QComboBox* combo, const Rows& rows) {
    if (!combo)
        return;
    const QSignalBlocker block(combo);
    combo->clear();
    for (const auto& row : rows) {
        if constexpr (std::is_same_v<std::decay_t<decltype(row)>, KeyCodeName>)
            combo->addItem(Text(row.key));
        else
            combo->addItem(Text(row));
    }
}

void Select(QComboBox* combo, int index) {
    if (!combo)
        return;
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

// Only a found row changes the list.
void SelectFound(QComboBox* combo, int row) {
    if (row >= 0)
        Select(combo, row);
}

template <size_t N>
std::optional<KeyCode> RowAt(const std::array<KeyCodeName, N>& table, const QComboBox* combo) {
    const int index = combo ? combo->currentIndex() : -1;
    if (index < 0 || static_cast<size_t>(index) >= N)
        return std::nullopt;
    return table[static_cast<size_t>(index)].code;
}

}  // namespace

QString SkinText(std::string_view key) {
    return Skin().Text(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
}

std::string DescribeInSkin(const KeyCode& code, std::span<const std::string> macroNames) {
    return DescribeAssignment(code, macroNames,
                              [](std::string_view key) { return SkinText(key).toStdString(); });
}

QAbstractButton* CKeySetControlUI::ModifierBox(int n) const {
    return findChild<QAbstractButton*>(QString::fromLatin1(kModifierPrefix) + QString::number(n));
}

CKeySetControlUI::CKeySetControlUI(QWidget* parent) : CPageUI(parent) {
    setAttribute(Qt::WA_StyledBackground);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    if (QWidget* root = CSkinBuilder().Build(QString::fromLatin1(kLayout), this))
        box->addWidget(root);
    BindControls();
    ShowEditArea(false);
}

void CKeySetControlUI::BindControls() {
    if (auto* combo = findChild<QComboBox*>(QString::fromLatin1(kFunctionCombo))) {
        const QSignalBlocker block(combo);
        combo->clear();
        for (const FunctionItem& item : kFunctionItems)
            combo->addItem(Text(item.key), QString::number(item.function));
    }
    auto combo = [this](const char* name) {
        return findChild<QComboBox*>(QString::fromLatin1(name));
    };
    FillCombo(combo(kMouseKeyCombo), kMouseButtonCodes);
    FillCombo(combo(kDpiCombo), kDpiCodes);
    FillCombo(combo(kMediaCombo), kMediaCodes);
    FillCombo(combo(kSystemCombo), kSystemCodes);
    FillCombo(combo(kComboKeyCombo), kComboKeyCodes);
    FillCombo(combo(kGunCombo), kGunNames);
    FillCombo(combo(kSwingCombo), kSwingDirections);
    FillCombo(combo(kWheelCombo), kWheelDirections);
    FillCombo(combo(kMacroModeCombo), kMacroModes);
    // Numbers only; what is past a field's range is read as its highest value.
    for (const char* name : {kSwingCount, kSwingDelay, kSwingSpeed, kWheelCount, kWheelDelay,
                             kWheelSpeed, kFireInterval, kFireCount, kMacroCycleEdit})
        if (auto* edit = findChild<QLineEdit*>(QString::fromLatin1(name)))
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
    // Shown codes are set with the signals blocked: only the user's changes count as edits.
    for (auto* list : findChildren<QComboBox*>())
        connect(list, &QComboBox::currentIndexChanged, this, &CKeySetControlUI::Edited);
    for (auto* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textEdited, this, &CKeySetControlUI::Edited);
    if (auto* capture = findChild<QLabel*>(QString::fromLatin1(kCaptureStatus)))
        capture->hide();
    SetApplyStatus({});
}

void CKeySetControlUI::SetEditorKind(int kind) {
    m_kind = kind;
    if (kind != 1)
        return;
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kFunctionCombo));
    for (int function : {int{kFunctionDpi}, int{kFunctionGun}}) {
        const int item = FindFunctionItem(function);
        if (combo && item >= 0)
            combo->removeItem(item);
    }
}

void CKeySetControlUI::FillMacroChoices(const std::vector<std::string>& names) {
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kMacroCombo));
    if (!combo)
        return;
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string& name : names)
        combo->addItem(QString::fromStdString(name));
    combo->setCurrentIndex(-1);
}

void CKeySetControlUI::AddMacroChoice(const QString& name) {
    if (auto* combo = findChild<QComboBox*>(QString::fromLatin1(kMacroCombo))) {
        const QSignalBlocker block(combo);
        combo->addItem(name);
    }
}

void CKeySetControlUI::RemoveMacroChoice(int position) {
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kMacroCombo));
    if (combo && position >= 0 && position < combo->count()) {
        const QSignalBlocker block(combo);
        combo->removeItem(position);
    }
}

void CKeySetControlUI::RenameMacroChoice(int position, const QString& name) {
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kMacroCombo));
    if (combo && position >= 0 && position < combo->count() && !name.isEmpty())
        combo->setItemText(position, name);
}

void CKeySetControlUI::SetKey(const KeyListEntry& entry) {
    m_entry = entry;
    ShowAssignment(entry.current.code);
}

void CKeySetControlUI::ShowDefault() {
    ShowAssignment(m_entry.factory.code);
}

void CKeySetControlUI::ShowCurrent() {
    ShowAssignment(m_entry.current.code);
}

void CKeySetControlUI::SetCurrent(const KeyAssignment& half) {
    m_entry.current = half;
}

namespace {

void SetNumber(QWidget* root, const char* name, int value) {
    if (auto* edit = root->findChild<QLineEdit*>(QString::fromLatin1(name))) {
        const QSignalBlocker block(edit);
        edit->setText(QString::number(value));
    }
}

// The number in an edit, within [low, high]; an empty edit reads as 0 (then low).
int Number(QWidget* root, const char* name, int low, int high) {
    auto* edit = root->findChild<QLineEdit*>(QString::fromLatin1(name));
    const int value = std::clamp(edit ? edit->text().toInt() : 0, low, high);
    if (edit && !edit->text().isEmpty() && edit->text() != QString::number(value)) {
        const QSignalBlocker block(edit);
        edit->setText(QString::number(value));
    }
    return value;
}

}  // namespace

void CKeySetControlUI::ShowAssignment(const KeyCode& code) {
    ExpectUiThread("CKeySetControlUI::ShowAssignment");
    auto combo = [this](const char* name) {
        return findChild<QComboBox*>(QString::fromLatin1(name));
    };
    // A button doing what it does out of the box shows as that, whatever the code.
    const uint8_t type = code == m_entry.factory.code ? uint8_t{kKeyTypeNone} : code[0];
    const uint8_t a = code[1], b = code[2];
    int function = -1;
    switch (type) {
        case kKeyTypeNone:
            function = kFunctionDefault;
            break;
        case kKeyTypeMouseButton:
            function = kFunctionMouseButton;
            SelectFound(combo(kMouseKeyCombo), RowOf(kMouseButtonCodes, code));
            break;
        case kKeyTypeSwing: {
            function = kFunctionSwing;
            const SwingParams swing = ReadSwingCode(code);
            SetNumber(this, kSwingDelay, swing.delay);
            SetNumber(this, kSwingSpeed, swing.speed);
            SetNumber(this, kSwingCount, swing.count);
            Select(combo(kSwingCombo), swing.right ? 1 : 0);
            break;
        }
        case kKeyTypeWheel: {
            function = kFunctionWheel;
            const WheelParams wheel = ReadWheelCode(code);
            SetNumber(this, kWheelDelay, wheel.delay);
            SetNumber(this, kWheelSpeed, wheel.speed);
            SetNumber(this, kWheelCount, wheel.count);
            Select(combo(kWheelCombo), wheel.down ? 1 : 0);
            break;
        }
        case kKeyTypeDpi:
            function = kFunctionDpi;
            SelectFound(combo(kDpiCombo), RowOf(kDpiCodes, code));
            break;
        case kKeyTypeFire:
            function = kFunctionFire;
            SetNumber(this, kFireInterval, a);
            SetNumber(this, kFireCount, b);
            break;
        case kKeyTypeKeyboard:
            // Right Ctrl with a letter is one of the combination keys when the list has it.
            if (a >= 9 && RowOf(kComboKeyCodes, code) >= 0) {
                function = kFunctionComboKey;
                Select(combo(kComboKeyCombo), RowOf(kComboKeyCodes, code));
            } else {
                function = kFunctionKeyboard;
                ShowKeyboard(code);
            }
            break;
        case kKeyTypeMedia:
            function = kFunctionMedia;
            SelectFound(combo(kMediaCombo), RowOf(kMediaCodes, code));
            break;
        case kKeyTypeSystem:
            function = kFunctionSystem;
            SelectFound(combo(kSystemCombo), RowOf(kSystemCodes, code));
            break;
        case kKeyTypeMacro:
        case kKeyTypeMacroRepeat: {
            function = kFunctionMacro;
            QComboBox* macros = combo(kMacroCombo);
            const int count = macros ? macros->count() : 0;
            // A deleted macro selects nothing; saving then keeps the code.
            Select(macros, a < count ? a : -1);
            const bool repeat = type == kKeyTypeMacroRepeat;
            Select(combo(kMacroModeCombo), repeat ? kMacroRepeatEntry : (b < 4 ? b : -1));
            if (repeat)
                SetNumber(this, kMacroCycleEdit, b);
            if (auto* cycle = findChild<QWidget*>(QString::fromLatin1(kMacroCycleLayout)))
                cycle->setVisible(repeat);
            break;
        }
        case kKeyTypeGun:
            function = kFunctionGun;
            Select(combo(kGunCombo), a < kGunNames.size() ? a : -1);
            break;
        case kKeyTypeSpecial:
            if (a == 0 && b == 0)
                function = kFunctionDisable;
            break;
        case kKeyTypeComboPage:
            function = kFunctionComboKey;
            break;
        default:
            break;
    }
    ShowEditArea(true);
    auto* pages = findChild<QStackedWidget*>(QString::fromLatin1(kFunctionPages));
    const int item = FindFunctionItem(function);
    Select(combo(kFunctionCombo), item);
    if (item < 0) {
        // Kept as it is until the user picks a function: the editor cannot build this one.
        if (auto* label = findChild<QLabel*>(QString::fromLatin1(kOtherFunctionText)))
            label->setText(Skin()
                               .Text(QStringLiteral("keyset_other_function_text"))
                               .arg(QString::fromStdString(KeyCodeHex(code))));
        if (pages)
            pages->setCurrentIndex(kOtherFunctionPage);
    } else if (pages) {
        pages->setCurrentIndex(function);
    }
}

void CKeySetControlUI::ShowKeyboard(const KeyCode& code) {
    const uint8_t modifiers = code[1], usage = code[2];
    if (modifiers == 0 && usage == 0) {
        SelectModifierOption(-1);
        SetKeyboardText({});
        m_entry.current.code[1] = 0;
        m_entry.current.code[2] = 0;
        return;
    }
    // Every modifier the code holds, left or right hand: none is lost on the way back.
    const QSignalBlocker blockNone(ModifierBox(0));
    bool any = false;
    for (int n = 1; n < kModifierOptions; ++n) {
        const uint8_t bits = static_cast<uint8_t>(kOptionBits[n] | kOptionBits[n] << 4);
        if (auto* box = ModifierBox(n)) {
            const QSignalBlocker block(box);
            box->setChecked((modifiers & bits) != 0);
        }
        any = any || (modifiers & bits) != 0;
    }
    if (auto* none = ModifierBox(0))
        none->setChecked(!any);
    SetKeyboardLabel(usage ? UsageText(usage) : QString());
}

KeyListEntry CKeySetControlUI::ReadAssignment() {
    auto combo = [this](const char* name) {
        return findChild<QComboBox*>(QString::fromLatin1(name));
    };
    KeyCode code = m_entry.current.code;
    auto take = [&code](std::optional<KeyCode> row) {
        if (row)
            code = *row;
    };
    const int function = SelectedFunction();
    switch (function) {
        case kFunctionMouseButton:
            take(RowAt(kMouseButtonCodes, combo(kMouseKeyCombo)));
            break;
        case kFunctionDpi:
            take(RowAt(kDpiCodes, combo(kDpiCombo)));
            break;
        case kFunctionMedia:
            take(RowAt(kMediaCodes, combo(kMediaCombo)));
            break;
        case kFunctionSystem:
            take(RowAt(kSystemCodes, combo(kSystemCombo)));
            break;
        case kFunctionComboKey:
            take(RowAt(kComboKeyCodes, combo(kComboKeyCombo)));
            break;
        case kFunctionSwing:
            code = MakeSwingCode(
                combo(kSwingCombo)->currentIndex() == 1, Number(this, kSwingCount, 0, 127),
                Number(this, kSwingDelay, 0, 15), Number(this, kSwingSpeed, 0, 15));
            break;
        case kFunctionWheel: {
            const bool down = combo(kWheelCombo)->currentIndex() == 1;
            code =
                MakeWheelCode(down, Number(this, kWheelCount, 0, down ? 128 : 127),
                              Number(this, kWheelDelay, 0, 15), Number(this, kWheelSpeed, 0, 15));
            break;
        }
        case kFunctionFire:
            code =
                MakeFireCode(Number(this, kFireInterval, 0, 255), Number(this, kFireCount, 0, 255));
            break;
        case kFunctionKeyboard: {
            const auto* text = findChild<QLineEdit*>(QString::fromLatin1(kKeyboardText));
            const bool keyboard = code[0] == kKeyTypeKeyboard;
            const uint8_t usage = keyboard && text && !text->text().isEmpty() ? code[2] : 0;
            code = MakeKeyboardCode(ReadModifierBits(), usage);
            break;
        }
        case kFunctionMacro: {
            const QComboBox* macros = combo(kMacroCombo);
            const int chosen = macros ? macros->currentIndex() : -1;
            if (chosen < 0 || macros->count() == 0)
                break;
            const int mode = combo(kMacroModeCombo)->currentIndex();
            code = mode == kMacroRepeatEntry
                       ? MakeMacroRepeatCode(static_cast<uint8_t>(chosen),
                                             Number(this, kMacroCycleEdit, 1, 255))
                       : MakeMacroCode(static_cast<uint8_t>(chosen),
                                       static_cast<uint8_t>(std::max(mode, 0)));
            break;
        }
        case kFunctionGun: {
            const int gun = combo(kGunCombo)->currentIndex();
            if (gun >= 0)
                code = MakeGunCode(static_cast<uint8_t>(gun));
            break;
        }
        case kFunctionDisable:
            code = {kKeyTypeSpecial, 0x00, 0x00};
            break;
        case kFunctionDefault:
            code = m_entry.factory.code;
            break;
        default:
            // No function chosen: the code stays as it is.
            break;
    }
    m_entry.current.code = code;
    return m_entry;
}

void CKeySetControlUI::SelectModifierOption(int n) {
    for (int i = 0; i < kModifierOptions; ++i)
        if (auto* box = ModifierBox(i)) {
            const QSignalBlocker block(box);
            box->setChecked(i == n);
        }
}

void CKeySetControlUI::ToggleModifierOption(int n) {
    auto box = [this](int i) { return ModifierBox(i); };
    if (!box(n))
        return;
    if (n == 0) {
        // "None" clears the others; it cannot be taken away on its own.
        SelectModifierOption(0);
        return;
    }
    bool any = false;
    for (int i = 1; i < kModifierOptions; ++i)
        any = any || (box(i) && box(i)->isChecked());
    if (QAbstractButton* none = box(0)) {
        const QSignalBlocker block(none);
        none->setChecked(!any);
    }
}

int CKeySetControlUI::ReadModifierOption() const {
    for (int n = kModifierOptions - 1; n >= 0; --n)
        if (auto* box = ModifierBox(n); box && box->isChecked())
            return n;
    return -1;
}

uint8_t CKeySetControlUI::ReadModifierBits() const {
    const KeyCode& current = m_entry.current.code;
    const uint8_t held = current[0] == kKeyTypeKeyboard ? current[1] : 0;
    uint8_t bits = 0;
    for (int n = 1; n < kModifierOptions; ++n) {
        auto* box = ModifierBox(n);
        if (!box || !box->isChecked())
            continue;
        const uint8_t left = kOptionBits[n], right = static_cast<uint8_t>(left << 4);
        bits |= (held & right) && !(held & left) ? right : left;
    }
    return bits;
}

void CKeySetControlUI::SetKeyboardText(std::string_view languageKey) {
    SetKeyboardLabel(languageKey.empty() ? QString() : Text(languageKey));
}

void CKeySetControlUI::SetKeyboardLabel(const QString& text) {
    if (auto* test = findChild<QLabel*>(QString::fromLatin1(kTextTest)))
        test->setText(text);
    if (auto* edit = findChild<QLineEdit*>(QString::fromLatin1(kKeyboardText))) {
        const QSignalBlocker block(edit);
        edit->setText(text);
    }
}

bool CKeySetControlUI::CaptureKey(const CapturedKey& key) {
    const bool startsChord = m_held.empty();
    if (!key.pressed) {
        // Letting go changes nothing: the combination stays as it was pressed.
        m_held.erase(key.linuxKey);
        return false;
    }
    m_held.insert(key.linuxKey);
    const std::optional<KeyCode> code = KeyCodeFromLinuxKey(key.linuxKey);
    if (!code) {
        SetCaptureStatus(
            Skin().Text(QStringLiteral("keyset_capture_unknown_text")).arg(key.linuxKey));
        return false;
    }
    SetCaptureStatus({});
    if ((*code)[0] != kKeyTypeKeyboard) {
        // A media or system key: its own function.
        ShowAssignment(*code);
        m_entry.current.code = *code;
        return true;
    }
    const std::optional<size_t> row = FindLinuxKeyEntry(key.linuxKey);
    if (row && *row < kModifierRowCount) {
        // Left and right keys of a kind give the same option; the first one held starts anew.
        const int option = static_cast<int>(*row % 4) + 1;
        const uint8_t usage = !startsChord && m_entry.current.code[0] == kKeyTypeKeyboard
                                  ? m_entry.current.code[2]
                                  : 0;
        if (startsChord) {
            SelectModifierOption(option);
            SetKeyboardText({});
        } else if (auto* box = ModifierBox(option)) {
            const QSignalBlocker block(box);
            box->setChecked(true);
            ToggleModifierOption(option);
        }
        m_entry.current.code = MakeKeyboardCode(0, usage);
        m_entry.current.code[1] = ReadModifierBits();
        return true;
    }
    if (ReadModifierOption() < 0)
        SelectModifierOption(0);
    // Captured keys take the left-hand bits: ReadModifierBits keeps right-hand ones only from
    // the code it starts from.
    m_entry.current.code = MakeKeyboardCode(0, 0);
    m_entry.current.code = MakeKeyboardCode(ReadModifierBits(), (*code)[2]);
    SetKeyboardLabel(UsageText((*code)[2]));
    return true;
}

void CKeySetControlUI::SetCaptureStatus(const QString& text) {
    if (auto* status = findChild<QLabel*>(QString::fromLatin1(kCaptureStatus))) {
        status->setText(text);
        status->setVisible(!text.isEmpty());
    }
}

void CKeySetControlUI::EnableEditButtons(bool enabled) {
    for (const char* name : {kSaveButton, kCancelButton, kApplyButton})
        if (auto* button = findChild<QAbstractButton*>(QString::fromLatin1(name)))
            button->setEnabled(enabled);
}

void CKeySetControlUI::ShowEditArea(bool shown) {
    if (auto* area = findChild<QWidget*>(QString::fromLatin1(kEditArea)))
        area->setVisible(shown);
    if (auto* hint = findChild<QWidget*>(QString::fromLatin1(kEmptyHint)))
        hint->setVisible(!shown);
}

bool CKeySetControlUI::IsEditAreaShown() const {
    auto* area = findChild<QWidget*>(QString::fromLatin1(kEditArea));
    return area && !area->isHidden();
}

int CKeySetControlUI::FindFunctionItem(int function) const {
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kFunctionCombo));
    if (!combo || function < 0)
        return -1;
    for (int i = 0; i < combo->count(); ++i) {
        const QString number = combo->itemData(i).toString();
        bool ok = false;
        if (!number.isEmpty() && number.toInt(&ok) == function && ok)
            return i;
    }
    return -1;
}

int CKeySetControlUI::SelectedFunction() const {
    auto* combo = findChild<QComboBox*>(QString::fromLatin1(kFunctionCombo));
    if (!combo || combo->currentIndex() < 0)
        return -1;
    bool ok = false;
    const int function = combo->currentData().toString().toInt(&ok);
    return ok ? function : -1;
}

void CKeySetControlUI::ShowFunctionPage(int function, bool fresh) {
    if (auto* pages = findChild<QStackedWidget*>(QString::fromLatin1(kFunctionPages));
        pages && function >= 0 && function < pages->count())
        pages->setCurrentIndex(function);
    if (function == kFunctionMacro)
        ShowMacroCycle();
    if (function == kFunctionKeyboard && fresh) {
        SetKeyboardText({});
        SelectModifierOption(-1);
    }
}

void CKeySetControlUI::SetTitle(const QString& title) {
    if (auto* label = findChild<QLabel*>(QString::fromLatin1(kTitle)))
        label->setText(title);
}

void CKeySetControlUI::SetApplyStatus(const QString& text) {
    if (auto* status = findChild<QLabel*>(QString::fromLatin1(kApplyStatus))) {
        status->setText(text);
        status->setVisible(!text.isEmpty());
    }
}

bool CKeySetControlUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CKeySetControlUI>(kHandlers, msg);
}

void CKeySetControlUI::OnFunctionSelect(TNotifyUI&, int) {
    ShowFunctionPage(SelectedFunction(), true);
}

void CKeySetControlUI::OnMacroModeSelect(TNotifyUI&, int) {
    ShowMacroCycle();
}

void CKeySetControlUI::ShowMacroCycle() {
    // The repeat count only means something to the mode that repeats.
    auto* mode = findChild<QComboBox*>(QString::fromLatin1(kMacroModeCombo));
    if (auto* cycle = findChild<QWidget*>(QString::fromLatin1(kMacroCycleLayout)))
        cycle->setVisible(mode && mode->currentIndex() == kMacroRepeatEntry);
}
