// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/PointerTab.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <vector>

#include "base/ThreadCheck.h"
#include "ui/SkinResources.h"

const PageHandler<CPointerTabUI> CPointerTabUI::kHandlers[] = {
    {"movevaluechanged", kSpeedSlider, &CPointerTabUI::OnSliderMoved},
    {"movevaluechanged", kScrollSlider, &CPointerTabUI::OnSliderMoved},
    {"movevaluechanged", kDoubleClickSlider, &CPointerTabUI::OnSliderMoved},
    {"valuechanged", kSpeedSlider, &CPointerTabUI::OnSliderChanged},
    {"valuechanged", kScrollSlider, &CPointerTabUI::OnSliderChanged},
    {"valuechanged", kDoubleClickSlider, &CPointerTabUI::OnSliderChanged},
    {"selectchanged", kPrecisionCheck, &CPointerTabUI::OnPrecision},
    {"selectchanged", kScrollPageCheck, &CPointerTabUI::OnScrollPage},
    {"click", kDesktopSettingsPrefix, &CPointerTabUI::OnDesktopSettings},
};

std::span<const PageHandler<CPointerTabUI>> CPointerTabUI::HandlerTable() {
    return kHandlers;
}

// Each slider, its word, its range, the label that shows its value and that value's format
// (a language key; none for a plain number).
struct PointerSlider {
    const char* slider;
    MouseSettings::Word word;
    PointerRange range;
    const char* label;
    const char* format;
};
constexpr PointerSlider kSliders[] = {
    {CPointerTabUI::kSpeedSlider, MouseSettings::kPointerSpeed, kPointerSpeedRange,
     CPointerTabUI::kSpeedValue, nullptr},
    {CPointerTabUI::kScrollSlider, MouseSettings::kWheelScrollLines, kScrollLinesRange,
     CPointerTabUI::kScrollValue, nullptr},
    {CPointerTabUI::kDoubleClickSlider, MouseSettings::kDoubleClickTime, kDoubleClickMsRange,
     CPointerTabUI::kDoubleClickValue, "mouse_milliseconds_format"},
};

namespace {

const PointerSlider* SliderNamed(const QString& name) {
    for (const PointerSlider& entry : kSliders)
        if (name == QLatin1String(entry.slider))
            return &entry;
    return nullptr;
}

}  // namespace

CPointerTabUI::CPointerTabUI(QWidget* parent)
    : CMouseTabUI(parent), m_launcher(std::make_unique<CDesktopSettingsLauncher>()) {}

bool CPointerTabUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CPointerTabUI>(kHandlers, msg);
}

void CPointerTabUI::ShowProfile(const MouseProfileSnapshot& profile) {
    ExpectUiThread("CPointerTabUI::ShowProfile");
    // Shown as stored, so what the page says is what the profile holds.
    m_settings = profile.settings;
    ShowWords();
}

void CPointerTabUI::ShowWords() {
    for (const PointerSlider& entry : kSliders) {
        auto* slider = Control<QSlider>(entry.slider);
        if (!slider)
            continue;
        const QSignalBlocker block(slider);
        slider->setRange(entry.range.lowest, entry.range.highest);
        slider->setValue(m_settings[entry.word]);
        ShowValue(entry, slider->value());
    }
    for (auto [name, word] : {std::pair{kPrecisionCheck, MouseSettings::kPointerPrecision},
                              std::pair{kScrollPageCheck, MouseSettings::kScrollPage}}) {
        if (auto* check = Control<QAbstractButton>(name)) {
            const QSignalBlocker block(check);
            check->setChecked(m_settings[word] != 0);
        }
    }
}

void CPointerTabUI::ShowValue(const PointerSlider& slider, int value) {
    auto* shown = Control<QLabel>(slider.label);
    if (!shown)
        return;
    shown->setText(slider.format ? Skin().Text(QString::fromLatin1(slider.format)).arg(value)
                                 : QString::number(value));
}

void CPointerTabUI::OnSliderMoved(TNotifyUI& msg, int) {
    if (const PointerSlider* entry = SliderNamed(msg.SenderName()))
        ShowValue(*entry, msg.wParam);
}

void CPointerTabUI::OnSliderChanged(TNotifyUI& msg, int) {
    const PointerSlider* entry = SliderNamed(msg.SenderName());
    if (!entry)
        return;
    const int value = std::clamp(msg.wParam, entry->range.lowest, entry->range.highest);
    m_settings[entry->word] = static_cast<uint16_t>(value);
    ShowValue(*entry, value);
    if (entry->word != MouseSettings::kWheelScrollLines) {
        Commit({entry->word});
        return;
    }
    // Lines to scroll mean not a page per notch.
    m_settings[MouseSettings::kScrollPage] = 0;
    if (auto* check = Control<QAbstractButton>(kScrollPageCheck)) {
        const QSignalBlocker block(check);
        check->setChecked(false);
    }
    Commit({MouseSettings::kScrollPage, MouseSettings::kWheelScrollLines});
}

void CPointerTabUI::OnPrecision(TNotifyUI& msg, int) {
    m_settings[MouseSettings::kPointerPrecision] = msg.wParam ? 1 : 0;
    Commit({MouseSettings::kPointerPrecision});
}

void CPointerTabUI::OnScrollPage(TNotifyUI& msg, int) {
    m_settings[MouseSettings::kScrollPage] = msg.wParam ? 1 : 0;
    if (auto* slider = Control<QSlider>(kScrollSlider))
        m_settings[MouseSettings::kWheelScrollLines] = static_cast<uint16_t>(slider->value());
    Commit({MouseSettings::kScrollPage, MouseSettings::kWheelScrollLines});
}

void CPointerTabUI::OnDesktopSettings(TNotifyUI&, int n) {
    if (n != 0 && n != 1)
        return;
    const bool opened = m_launcher && m_launcher->Open(n == 0 ? DesktopSettings::kKeyboard
                                                              : DesktopSettings::kMouse);
    if (auto* status = Control<QLabel>(kDesktopSettingsStatus)) {
        status->setText(opened ? QString()
                               : Skin().Text(n == 0 ? QStringLiteral("mouse_no_keyboard_settings")
                                                    : QStringLiteral("mouse_no_mouse_settings")));
        status->setVisible(!opened);
    }
}

void CPointerTabUI::Commit(std::initializer_list<MouseSettings::Word> words) {
    std::vector<std::pair<MouseSettings::Word, uint16_t>> values;
    for (MouseSettings::Word word : words)
        values.emplace_back(word, m_settings[word]);
    Post(
        [values](CQuillonMouseDevice& mouse) {
            MouseSettings settings = mouse.GetMouseSettings();
            for (auto [word, value] : values)
                settings[word] = value;
            mouse.SetMouseSettings(settings);
        },
        Tail::kSaveOnly);
}
