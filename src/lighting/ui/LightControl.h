// SPDX-License-Identifier: GPL-2.0-or-later
// The lighting page of a device ("LightControlItem", layout "LightControl.xml"): the effect list,
// brightness and speed, direction, the colour cycle, the fixed colour as edits, palette and
// presets, and the button that gives every connected device the same effect. The page edits its
// own copy of the record and shows the change at once, on the preview too; each change goes to
// the device's worker as an edit of the device's record as it is then, followed there by the
// store and the write. The colour shown opens the colour dialog.
#pragma once

#include <QColor>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "lighting/LightCommit.h"
#include "records/ProfileRecords.h"
#include "ui/Page.h"
#include "ui/PageRoad.h"

class CColorSelectWnd;

// What an edit that failed tells: the device did not take it, else the file was not saved.
PageMessage ResultMessage(const CommitNames& names, const LightCommitResult& result);
using LightRoad = CCommitRoad<ILightPageDevice>;

class CLightControlUI : public CPageUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "LightControl";
    static constexpr const char* kLayout = "XML/CustomControlXML/LightControl.xml";

    static constexpr const char* kEffectCombo = "light_combo_modeSelect";
    static constexpr const char* kCustomModeCombo = "light_combo_custommodeSelect";
    static constexpr const char* kModeSelectorCombo = "light_combo_ZZCCmodeSelect";
    static constexpr const char* kBrightnessSlider = "deng_light_slider";
    static constexpr const char* kSpeedSlider = "deng_speed_slider";
    static constexpr const char* kBrightnessValue = "deng_light_value";
    static constexpr const char* kSpeedValue = "deng_speed_value";
    static constexpr const char* kForward = "deng_FXR_check";
    static constexpr const char* kBackward = "deng_FXL_check";
    static constexpr const char* kMultiColour = "deng_7color_check";
    static constexpr const char* kEditRed = "deng_edit_R";
    static constexpr const char* kEditGreen = "deng_edit_G";
    static constexpr const char* kEditBlue = "deng_edit_B";
    static constexpr const char* kPalette = "deng_Color_Pallet";
    static constexpr const char* kColourShown = "deng_colordp_btn";
    static constexpr const char* kPresetPrefix = "color_option_";
    static constexpr int kPresetCount = 12;
    static constexpr const char* kSameMode = "deng_same_mode";
    static constexpr const char* kSameModeStatus = "deng_same_mode_status";
    static constexpr const char* kEffectLayout = "lighteffect_layout";
    static constexpr const char* kColourLayout = "deng_color_layout";
    static constexpr const char* kPaletteLayout = "colorpallet_layout";
    static constexpr const char* kBrightnessLayout = "deng_light_layout";
    static constexpr const char* kSpeedLayout = "deng_speed_layout";
    static constexpr const char* kDirectionLayout = "deng_fx_layout";
    static constexpr const char* kRgbLayout = "deng_rgb_layout";
    static constexpr PageControl kControls[] = {
        {kEffectCombo},       {kCustomModeCombo},
        {kModeSelectorCombo}, {kBrightnessSlider},
        {kSpeedSlider},       {kBrightnessValue},
        {kSpeedValue},        {kForward},
        {kBackward},          {kMultiColour},
        {kEditRed},           {kEditGreen},
        {kEditBlue},          {kPalette},
        {kColourShown},       {kPresetPrefix, 0, kPresetCount - 1},
        {kSameMode},          {kSameModeStatus},
        {kEffectLayout},      {kColourLayout},
        {kPaletteLayout},     {kBrightnessLayout},
        {kSpeedLayout},       {kDirectionLayout},
        {kRgbLayout},
    };

    // An edit of the record, applied on the device worker to the device's record as it is then.
    using LightEdit = ILightPageDevice::LightEdit;
    // The messages of an edit (the same as every settings change's).
    static constexpr CommitNames kLightEditNames{"settings_busy_text", "settings_not_sent_text",
                                                 "settings_not_saved_text", nullptr, nullptr};
    using PreviewSink = std::function<void(const LightInfo& light, bool leaveSync)>;

    // Builds its controls from its layout.
    explicit CLightControlUI(QWidget* parent = nullptr);
    ~CLightControlUI() override;

    // Where changes go (the device worker) and where the preview takes the record at once.
    void SetRoad(const LightRoad& road) { m_road = road; }
    void SetPreviewSink(PreviewSink preview) { m_preview = std::move(preview); }
    // What "deng_same_mode" does: true when the effect could be synchronised.
    void SetSameModeAction(std::function<bool()> action) { m_sameMode = std::move(action); }

    void SetDeviceClass(int deviceClass) { m_deviceClass = deviceClass; }
    // The effect list: language keys in the order of the effect numbers, each shown or hidden.
    void FillEffects(const std::vector<std::string>& names, const std::vector<int>& visible,
                     int brightnessMaximum, int speedMaximum);
    // The record of a profile the device applied or of a synchronisation (UI thread).
    void ShowLight(const LightInfo& light);
    const LightInfo& Light() const { return m_light; }
    // The colour dialog while it is open.
    CColorSelectWnd* ColourDialog() const { return m_colourDialog; }
    // Enables the controls an effect uses.
    void LayOut(int effect);
    // Offered while two or more devices are connected.
    void SetSameModeAllowed(bool allowed);
    bool IsSameModeAllowed() const { return m_sameModeAllowed; }
    // The colour of preset button n; 0 when there is none.
    uint32_t PresetColour(int n) const;

    bool HandleNotify(TNotifyUI& msg) override;

  private:
    void OnEffectSelected(TNotifyUI& msg, int);
    void OnBrightnessMoved(TNotifyUI& msg, int);
    void OnBrightness(TNotifyUI& msg, int);
    void OnSpeedMoved(TNotifyUI& msg, int);
    void OnSpeed(TNotifyUI& msg, int);
    // A level slider moved (previewed) or let go (stored): its value label and its byte.
    void OnLevel(TNotifyUI& msg, const char* slider, const char* label, uint8_t LightInfo::*field,
                 bool committed);
    void OnForward(TNotifyUI& msg, int);
    void OnBackward(TNotifyUI& msg, int);
    void OnMultiColour(TNotifyUI& msg, int);
    void OnColourEdit(TNotifyUI& msg, int);
    void OnPalette(TNotifyUI& msg, int);
    void OnPreset(TNotifyUI& msg, int n);
    void OnSameMode(TNotifyUI& msg, int);
    void OnColourShown(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CLightControlUI>> HandlerTable();

  private:
    static const PageHandler<CLightControlUI> kHandlers[];

    // The change sequence: the page's copy, the preview, then the worker.
    void Change(LightEdit edit, bool leaveSync = true);
    // The edits, the swatch and (unless it is the palette's own) the palette.
    void ShowColour(uint8_t red, uint8_t green, uint8_t blue, bool onPalette = true);
    void ShowMultiColour(bool on);
    // A colour chosen on the palette, a preset or the dialog: shown, the colour cycle ended,
    // then the change.
    void ChooseColour(const QColor& colour, bool onPalette = true, bool leaveSync = true);
    void ShowLevel(const char* valueLabel, int value, int maximum);
    void ShowDirection(bool forward);
    void ShowSameModeStatus(const char* key);

    template <class T>
    T* Control(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }

    int m_deviceClass = 0;
    bool m_sameModeAllowed = false;
    LightInfo m_light{};
    LightRoad m_road;
    PreviewSink m_preview;
    std::function<bool()> m_sameMode;
    QPointer<CColorSelectWnd> m_colourDialog;
};
