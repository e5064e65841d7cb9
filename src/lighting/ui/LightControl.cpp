// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/ui/LightControl.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "base/ThreadCheck.h"
#include "lighting/LightSync.h"
#include "lighting/LightTables.h"
#include "lighting/ui/ColorSelectWnd.h"
#include "ui/ColorPalette.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

const PageHandler<CLightControlUI> CLightControlUI::kHandlers[] = {
    {"itemselect", kEffectCombo, &CLightControlUI::OnEffectSelected},
    {"movevaluechanged", kBrightnessSlider, &CLightControlUI::OnBrightnessMoved},
    {"valuechanged", kBrightnessSlider, &CLightControlUI::OnBrightness},
    {"movevaluechanged", kSpeedSlider, &CLightControlUI::OnSpeedMoved},
    {"valuechanged", kSpeedSlider, &CLightControlUI::OnSpeed},
    {"selectchanged", kForward, &CLightControlUI::OnForward},
    {"selectchanged", kBackward, &CLightControlUI::OnBackward},
    {"selectchanged", kMultiColour, &CLightControlUI::OnMultiColour},
    {"killfocus", kEditRed, &CLightControlUI::OnColourEdit},
    {"killfocus", kEditGreen, &CLightControlUI::OnColourEdit},
    {"killfocus", kEditBlue, &CLightControlUI::OnColourEdit},
    {"colorchanged", kPalette, &CLightControlUI::OnPalette},
    {"click", kPresetPrefix, &CLightControlUI::OnPreset},
    {"click", kSameMode, &CLightControlUI::OnSameMode},
    {"click", kColourShown, &CLightControlUI::OnColourShown},
};

std::span<const PageHandler<CLightControlUI>> CLightControlUI::HandlerTable() {
    return kHandlers;
}

namespace {

// Which controls an effect of the mouse uses.
struct EffectLayout {
    bool multiColour;
    bool colour;  // the colour and palette layouts and the RGB edits
    bool brightness;
    bool speed;
    bool sameMode;  // offered when synchronising is allowed
};

EffectLayout MouseLayoutOf(int effect) {
    switch (effect) {
        case kEffectStatic:
            return {false, true, true, false, true};
        case kEffectBreathing:
        case kEffectReactive:
        case kEffectBlink:
            return {false, true, true, true, true};
        case kEffectTrail:
        case kEffectWave:
            return {false, false, true, true, false};
        case kEffectSpectrum:
            return {false, false, true, true, true};
        case kEffectFourColourBreathing:
        case kEffectFourColourBlink:
            return {true, false, true, true, false};
        case kEffectOff:
            return {false, false, false, false, true};
        default:
            return {false, false, false, false, false};
    }
}

// Effects that only show the colour wheel's colours.
bool TakesTheWheel(int effect) {
    return effect == kEffectTrail || effect == kEffectSpectrum ||
           effect == kEffectFourColourBreathing;
}

}  // namespace

CLightControlUI::CLightControlUI(QWidget* parent) : CPageUI(parent) {
    setAttribute(Qt::WA_StyledBackground);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    if (QWidget* root = CSkinBuilder().Build(QString::fromLatin1(kLayout), this))
        box->addWidget(root);
    for (const char* name : {kEditRed, kEditGreen, kEditBlue})
        LimitToColourChannel(Control<QLineEdit>(name));
    for (int n = 0; n < kPresetCount; ++n)
        if (auto* preset =
                findChild<QWidget*>(QString::fromLatin1(kPresetPrefix) + QString::number(n)))
            ShowSwatch(preset, SwatchColour(preset));
    if (auto* status = Control<QLabel>(kSameModeStatus))
        status->hide();
    SetSameModeAllowed(false);
}

CLightControlUI::~CLightControlUI() {
    // The dialog belongs to the window; its choice would have no page to go to.
    delete m_colourDialog.data();
}

bool CLightControlUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CLightControlUI>(kHandlers, msg);
}

void CLightControlUI::FillEffects(const std::vector<std::string>& names,
                                  const std::vector<int>& visible, int brightnessMaximum,
                                  int speedMaximum) {
    ExpectUiThread("CLightControlUI::FillEffects");
    if (auto* combo = Control<QComboBox>(kEffectCombo)) {
        const QSignalBlocker block(combo);
        combo->clear();
        auto* view = qobject_cast<QListView*>(combo->view());
        auto* model = qobject_cast<QStandardItemModel*>(combo->model());
        for (size_t i = 0; i < names.size(); ++i) {
            const QString key = QString::fromStdString(names[i]);
            combo->addItem(Skin().Text(key), key);
            const bool shown = i < visible.size() && visible[i];
            const int row = static_cast<int>(i);
            if (view)
                view->setRowHidden(row, !shown);
            // The wheel and the arrow keys skip disabled items, not hidden rows.
            if (QStandardItem* item = model ? model->item(row) : nullptr; item && !shown)
                item->setEnabled(false);
        }
    }
    for (auto [name, maximum] :
         {std::pair{kBrightnessSlider, brightnessMaximum}, std::pair{kSpeedSlider, speedMaximum}})
        if (auto* slider = Control<QSlider>(name)) {
            const QSignalBlocker block(slider);
            slider->setRange(0, maximum);
            slider->setPageStep(1);
        }
    ShowLight(m_light);
}

void CLightControlUI::ShowLight(const LightInfo& light) {
    ExpectUiThread("CLightControlUI::ShowLight");
    m_light = light;
    if (auto* combo = Control<QComboBox>(kEffectCombo)) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(light.effect < combo->count() ? light.effect : -1);
    }
    if (auto* selector = Control<QComboBox>(kModeSelectorCombo)) {
        const QSignalBlocker block(selector);
        selector->setCurrentIndex(light.ledMode < selector->count() ? light.ledMode : -1);
    }
    for (auto [name, label, value] :
         {std::tuple{kBrightnessSlider, kBrightnessValue, light.brightness},
          std::tuple{kSpeedSlider, kSpeedValue, light.speed}})
        if (auto* slider = Control<QSlider>(name)) {
            const QSignalBlocker block(slider);
            slider->setValue(value);
            ShowLevel(label, slider->value(), slider->maximum());
        }
    ShowColour(light.red, light.green, light.blue);
    ShowMultiColour(light.multiColor != 0);
    ShowDirection(light.direction != 0);
    LayOut(light.effect);
}

void CLightControlUI::ShowColour(uint8_t red, uint8_t green, uint8_t blue, bool onPalette) {
    for (auto [name, value] :
         {std::pair{kEditRed, red}, std::pair{kEditGreen, green}, std::pair{kEditBlue, blue}})
        if (auto* edit = Control<QLineEdit>(name)) {
            const QSignalBlocker block(edit);
            edit->setText(QString::number(value));
        }
    const QColor colour(red, green, blue);
    if (auto* palette = Control<CColorPaletteUI>(kPalette); palette && onPalette)
        palette->SetColour(colour);
    ShowSwatch(Control<QWidget>(kColourShown), colour.rgba());
}

void CLightControlUI::ShowMultiColour(bool on) {
    if (auto* multi = Control<QAbstractButton>(kMultiColour)) {
        const QSignalBlocker block(multi);
        multi->setChecked(on);
    }
}

void CLightControlUI::ShowLevel(const char* valueLabel, int value, int maximum) {
    if (auto* label = Control<QLabel>(valueLabel))
        label->setText(Skin().Text(QStringLiteral("light_level_format")).arg(value).arg(maximum));
}

void CLightControlUI::ShowDirection(bool forward) {
    for (auto [name, on] : {std::pair{kForward, forward}, std::pair{kBackward, !forward}})
        if (auto* option = Control<QAbstractButton>(name)) {
            const QSignalBlocker block(option);
            option->setChecked(on);
        }
}

void CLightControlUI::LayOut(int effect) {
    // Other device families keep every control; only the mouse's table is known here.
    const bool mouse = LightFamilyOfClass(m_deviceClass) == LightFamily::Mouse;
    const EffectLayout layout =
        mouse ? MouseLayoutOf(effect) : EffectLayout{true, true, true, true, true};
    auto enable = [this](const char* name, bool on) {
        if (auto* control = Control<QWidget>(name))
            control->setEnabled(on);
    };
    enable(kEffectLayout, true);
    enable(kMultiColour, layout.multiColour);
    enable(kColourLayout, layout.colour);
    enable(kPaletteLayout, layout.colour);
    enable(kRgbLayout, layout.colour);
    enable(kBrightnessLayout, layout.brightness);
    enable(kSpeedLayout, layout.speed);
    // The mouse runs every effect in its own direction.
    enable(kDirectionLayout, !mouse);
    if (auto* sameMode = Control<QWidget>(kSameMode))
        sameMode->setVisible(layout.sameMode && m_sameModeAllowed);
    if (auto* status = Control<QWidget>(kSameModeStatus); status && !m_sameModeAllowed)
        status->hide();
}

void CLightControlUI::SetSameModeAllowed(bool allowed) {
    m_sameModeAllowed = allowed;
    LayOut(m_light.effect);
}

uint32_t CLightControlUI::PresetColour(int n) const {
    return SwatchColour(
        findChild<QWidget*>(QString::fromLatin1(kPresetPrefix) + QString::number(n)));
}

PageMessage ResultMessage(const CommitNames& names, const LightCommitResult& result) {
    if (!result.sent)
        return names.failed ? PageMessage{QLatin1String(names.failed), {}} : PageMessage{};
    if (!result.saved)
        return names.notSaved ? PageMessage{QLatin1String(names.notSaved), {}} : PageMessage{};
    return {};
}

void CLightControlUI::Change(LightEdit edit, bool leaveSync) {
    ExpectUiThread("CLightControlUI::Change");
    edit(m_light);
    if (m_preview)
        m_preview(m_light, leaveSync);
    m_road.Commit<LightCommitResult>(this, kLightEditNames,
                                     [edit = std::move(edit), leaveSync](ILightPageDevice& device) {
                                         return device.CommitLightEdit(edit, leaveSync);
                                     });
    if (auto* status = Control<QWidget>(kSameModeStatus))
        status->hide();
}

// ---- handlers ----

void CLightControlUI::OnEffectSelected(TNotifyUI& msg, int) {
    const int effect = msg.wParam;
    if (effect < 0 || effect > 0xFF)
        return;
    LayOut(effect);
    const bool wheel = TakesTheWheel(effect);
    if (wheel)
        ShowMultiColour(true);
    Change([effect, wheel](LightInfo& light) {
        if (wheel)
            light.multiColor = 1;
        light.effect = static_cast<uint8_t>(effect);
    });
}

void CLightControlUI::OnLevel(TNotifyUI& msg, const char* slider, const char* label,
                              uint8_t LightInfo::*field, bool committed) {
    const auto level = static_cast<uint8_t>(std::clamp(msg.wParam, 0, 0xFF));
    if (auto* control = Control<QSlider>(slider))
        ShowLevel(label, level, control->maximum());
    if (committed) {
        Change([field, level](LightInfo& light) { light.*field = level; });
        return;
    }
    // Shown and previewed while dragging; stored when let go.
    LightInfo preview = m_light;
    preview.*field = level;
    if (m_preview)
        m_preview(preview, true);
}

void CLightControlUI::OnBrightnessMoved(TNotifyUI& msg, int) {
    OnLevel(msg, kBrightnessSlider, kBrightnessValue, &LightInfo::brightness, false);
}

void CLightControlUI::OnBrightness(TNotifyUI& msg, int) {
    OnLevel(msg, kBrightnessSlider, kBrightnessValue, &LightInfo::brightness, true);
}

void CLightControlUI::OnSpeedMoved(TNotifyUI& msg, int) {
    OnLevel(msg, kSpeedSlider, kSpeedValue, &LightInfo::speed, false);
}

void CLightControlUI::OnSpeed(TNotifyUI& msg, int) {
    OnLevel(msg, kSpeedSlider, kSpeedValue, &LightInfo::speed, true);
}

void CLightControlUI::OnForward(TNotifyUI& msg, int) {
    if (!msg.wParam)
        return;  // the other option's turn
    ShowDirection(true);
    Change([](LightInfo& light) { light.direction = 1; });
}

void CLightControlUI::OnBackward(TNotifyUI& msg, int) {
    if (!msg.wParam)
        return;
    ShowDirection(false);
    Change([](LightInfo& light) { light.direction = 0; });
}

void CLightControlUI::OnMultiColour(TNotifyUI&, int) {
    // The check stays as the user left it; the colour cycle is left only by choosing a colour.
    Change([](LightInfo& light) { light.multiColor = 1; });
}

void CLightControlUI::OnColourEdit(TNotifyUI& msg, int) {
    auto* edit = qobject_cast<QLineEdit*>(msg.pSender.data());
    if (!edit)
        return;
    const auto value = static_cast<uint8_t>(TakeColourChannel(edit));
    const QString name = edit->objectName();
    const int channel = name == QLatin1String(kEditRed)     ? 0
                        : name == QLatin1String(kEditGreen) ? 1
                                                            : 2;
    LightInfo shown = m_light;
    (channel == 0 ? shown.red : channel == 1 ? shown.green : shown.blue) = value;
    ShowColour(shown.red, shown.green, shown.blue);
    ShowMultiColour(false);
    Change([channel, value](LightInfo& light) {
        (channel == 0 ? light.red : channel == 1 ? light.green : light.blue) = value;
        light.multiColor = 0;
    });
}

void CLightControlUI::OnPalette(TNotifyUI& msg, int) {
    // The palette shows the colour already: setting it back would move its marker.
    ChooseColour(QColor::fromRgb(static_cast<QRgb>(msg.wParam)), false);
}

void CLightControlUI::OnColourShown(TNotifyUI&, int) {
    const bool wheel =
        Control<QWidget>(kMultiColour) && Control<QWidget>(kMultiColour)->isEnabled();
    CColorSelectWnd::Choose(m_colourDialog, this, qRgb(m_light.red, m_light.green, m_light.blue),
                            wheel, [this](const CColorSelectWnd& dialog) {
                                if (dialog.SevenColour()) {
                                    if (auto* multi = Control<QAbstractButton>(kMultiColour))
                                        multi->setChecked(true);  // its handler stores it
                                    return;
                                }
                                ChooseColour(QColor::fromRgb(dialog.ResultColour()));
                            });
}

void CLightControlUI::ChooseColour(const QColor& colour, bool onPalette, bool leaveSync) {
    const auto red = static_cast<uint8_t>(colour.red());
    const auto green = static_cast<uint8_t>(colour.green());
    const auto blue = static_cast<uint8_t>(colour.blue());
    ShowColour(red, green, blue, onPalette);
    ShowMultiColour(false);
    Change(
        [red, green, blue](LightInfo& light) {
            light.red = red;
            light.green = green;
            light.blue = blue;
            light.multiColor = 0;
        },
        leaveSync);
}

void CLightControlUI::OnPreset(TNotifyUI&, int n) {
    // A preset keeps the device in the synchronised lighting.
    ChooseColour(QColor::fromRgb(PresetColour(n)), true, false);
}

void CLightControlUI::OnSameMode(TNotifyUI&, int) {
    const bool done = m_sameMode && m_sameMode();
    ShowSameModeStatus(done ? "light_same_mode_done_text" : "light_same_mode_refused_text");
}

void CLightControlUI::ShowSameModeStatus(const char* key) {
    if (auto* status = Control<QLabel>(kSameModeStatus)) {
        status->setText(Skin().Text(QString::fromLatin1(key)));
        status->show();
    }
}
