// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's DPI tab: seven stages, each with its on/off check, its active-stage choice,
// its slider of sensor positions, its DPI edit and its colour. The page edits what it shows at
// once; each change goes to the device worker as a change of the stored stages, applied there
// to the profile as it is then, saved and written to the mouse.
#pragma once

#include <QPointer>

#include "lighting/ui/ColorSelectWnd.h"
#include "mouse/DpiStageModel.h"
#include "mouse/ui/MouseTab.h"

class QAbstractButton;
class QLineEdit;
class QSlider;

class CDpiTabUI : public CMouseTabUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "MouseDpiTab";
    static constexpr const char* kLayoutPrefix = "DPI_layout_";
    static constexpr const char* kEnablePrefix = "DPI_enable_check_";
    static constexpr const char* kSelectPrefix = "DPI_select_check_";
    static constexpr const char* kSliderPrefix = "DPI_slider_";
    static constexpr const char* kEditPrefix = "DPI_edit_";
    static constexpr const char* kColourPrefix = "DPI_color_option_";
    static constexpr int kLast = static_cast<int>(kMaxDpiStages) - 1;
    static constexpr PageControl kControls[] = {
        {kLayoutPrefix, 0, kLast}, {kEnablePrefix, 0, kLast}, {kSelectPrefix, 0, kLast},
        {kSliderPrefix, 0, kLast}, {kEditPrefix, 0, kLast},   {kColourPrefix, 0, kLast},
    };

    using CMouseTabUI::CMouseTabUI;
    ~CDpiTabUI() override;

    // The stages, the active stage and the sensor of a profile the device applied.
    void ShowProfile(const MouseProfileSnapshot& profile) override;
    // What the page shows now (UI thread).
    const std::vector<DpiStage>& Stages() const { return m_model.Stages(); }
    int ActiveStage() const { return m_model.Active(); }
    // The colour dialog a stage's colour button opened; null when none is open.
    CColorSelectWnd* ColourDialog() const { return m_colourDialog; }

    bool HandleNotify(TNotifyUI& msg) override;

  private:
    void OnSliderMoved(TNotifyUI& msg, int n);
    void OnSliderCommitted(TNotifyUI& msg, int n);
    void OnEditDone(TNotifyUI& msg, int n);
    void OnEnableChanged(TNotifyUI& msg, int n);
    void OnSelectChanged(TNotifyUI& msg, int n);
    void OnColourClicked(TNotifyUI& msg, int n);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CDpiTabUI>> HandlerTable();

  private:
    static const PageHandler<CDpiTabUI> kHandlers[];

    // Slider, edit and active look of stage n at position p.
    void ShowStage(int n, int position);
    void ShowEnabled();
    void ShowColour(int n);
    // Stage n takes the colour chosen in the dialog.
    void CommitColour(int n, uint32_t colour);
    // Stage n takes position p in the page's copy and in the mouse.
    void CommitPosition(int n, int position);

    DpiSensor m_sensor{};
    // The stages and their rules.
    CDpiStageModel m_model;
    QPointer<CColorSelectWnd> m_colourDialog;
};
