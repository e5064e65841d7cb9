// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/DpiTab.h"

#include <QAbstractButton>
#include <QIntValidator>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <algorithm>

#include "base/ThreadCheck.h"
#include "ui/ColorPalette.h"
#include "ui/DpiRule.h"

const PageHandler<CDpiTabUI> CDpiTabUI::kHandlers[] = {
    {"movevaluechanged", kSliderPrefix, &CDpiTabUI::OnSliderMoved},
    {"valuechanged", kSliderPrefix, &CDpiTabUI::OnSliderCommitted},
    {"killfocus", kEditPrefix, &CDpiTabUI::OnEditDone},
    {"selectchanged", kEnablePrefix, &CDpiTabUI::OnEnableChanged},
    {"selectchanged", kSelectPrefix, &CDpiTabUI::OnSelectChanged},
    {"click", kColourPrefix, &CDpiTabUI::OnColourClicked},
};

std::span<const PageHandler<CDpiTabUI>> CDpiTabUI::HandlerTable() {
    return kHandlers;
}

namespace {

DpiStage& StageOf(std::vector<DpiStage>& stages, int n) {
    return CDpiStageModel::StageOf(stages, n);
}

}  // namespace

CDpiTabUI::~CDpiTabUI() {
    // The dialog belongs to the window; its choice would have no stage to go to.
    delete m_colourDialog.data();
}

bool CDpiTabUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CDpiTabUI>(kHandlers, msg);
}

void CDpiTabUI::ShowProfile(const MouseProfileSnapshot& profile) {
    ExpectUiThread("CDpiTabUI::ShowProfile");
    m_sensor = profile.sensor;
    m_model.Load(profile.stages, profile.activeStage);
    // The same range kestrunectl offers: the sensor's own, else up to the highest typed DPI.
    const int maximum = HighestPosition(m_sensor);
    for (int n = 0; n <= kLast; ++n) {
        if (auto* slider = Control<QSlider>(kSliderPrefix, n)) {
            const QSignalBlocker block(slider);
            slider->setRange(0, maximum);
        }
        if (auto* edit = Control<QLineEdit>(kEditPrefix, n); edit && !edit->validator())
            edit->setValidator(new QIntValidator(0, kHighestTypedDpi, edit));
        const bool known = static_cast<size_t>(n) < Stages().size();
        ShowStage(n, known ? StagePosition(m_sensor, Stages()[static_cast<size_t>(n)]) : 0);
        ShowColour(n);
    }
    ShowEnabled();
}

void CDpiTabUI::ShowStage(int n, int position) {
    auto* slider = Control<QSlider>(kSliderPrefix, n);
    auto* edit = Control<QLineEdit>(kEditPrefix, n);
    if (!slider || !edit)
        return;
    {
        const QSignalBlocker block(slider);
        slider->setValue(position);
    }
    edit->setText(QString::number(ShownDpi(PositionToDpi(m_sensor, position))));
    const bool active = n == m_model.Active();
    slider->setProperty("activeStage", active);
    slider->style()->unpolish(slider);
    slider->style()->polish(slider);
    if (auto* select = Control<QAbstractButton>(kSelectPrefix, n)) {
        const QSignalBlocker block(select);
        select->setChecked(active);
    }
}

void CDpiTabUI::ShowColour(int n) {
    auto* colour = Control<QAbstractButton>(kColourPrefix, n);
    if (!colour)
        return;
    const uint32_t argb = static_cast<size_t>(n) < Stages().size()
                              ? StageColour(Stages()[static_cast<size_t>(n)])
                              : 0xFF000000u;
    ShowSwatch(colour, argb | 0xFF000000u);
}

void CDpiTabUI::ShowEnabled() {
    for (int n = 0; n <= kLast; ++n) {
        const bool on = m_model.IsEnabled(n);
        if (auto* check = Control<QAbstractButton>(kEnablePrefix, n)) {
            const QSignalBlocker block(check);
            check->setChecked(on);
            check->setEnabled(m_model.MayToggle(n));
        }
        if (auto* layout = Control<QWidget>(kLayoutPrefix, n))
            layout->setEnabled(on);
    }
}

void CDpiTabUI::OnSliderMoved(TNotifyUI& msg, int n) {
    // Shown while dragging; stored when let go.
    ShowStage(n, static_cast<int>(msg.wParam));
}

void CDpiTabUI::OnSliderCommitted(TNotifyUI& msg, int n) {
    CommitPosition(n, static_cast<int>(msg.wParam));
}

void CDpiTabUI::OnEditDone(TNotifyUI&, int n) {
    auto* edit = Control<QLineEdit>(kEditPrefix, n);
    auto* slider = Control<QSlider>(kSliderPrefix, n);
    if (!edit)
        return;
    const int typed = ParseDecimalText(edit->text().toStdString());
    const int position =
        TypedDpiToPosition(m_sensor, typed, slider ? slider->maximum() : HighestPosition(m_sensor));
    CommitPosition(n, position);
}

void CDpiTabUI::CommitPosition(int n, int position) {
    ShowStage(n, position);
    EncodeStagePosition(m_sensor, position, m_model.Stage(n));
    const DpiSensor sensor = m_sensor;
    Post([n, position, sensor](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        EncodeStagePosition(sensor, position, StageOf(stages, n));
        mouse.SetDpiStages(stages);
    });
}

void CDpiTabUI::OnEnableChanged(TNotifyUI& msg, int n) {
    const bool on = msg.wParam != 0;
    m_model.SetEnabled(n, on);
    ShowEnabled();
    Post([n, on](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        CDpiStageModel::SetEnabled(stages, n, on);
        mouse.SetDpiStages(stages);
    });
}

void CDpiTabUI::OnSelectChanged(TNotifyUI& msg, int n) {
    if (!msg.wParam) {
        // The active stage is chosen, not cleared: it stays selected.
        ShowStage(n, Control<QSlider>(kSliderPrefix, n)
                         ? Control<QSlider>(kSliderPrefix, n)->value()
                         : 0);
        return;
    }
    const int previous = m_model.Active();
    m_model.Select(n);
    for (int i : {previous, n})
        if (auto* slider = Control<QSlider>(kSliderPrefix, i))
            ShowStage(i, slider->value());
    ShowEnabled();
    Post([n](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        StageOf(stages, n).enabled = 1;
        mouse.SetDpiStages(stages);
        mouse.SetActiveStage(n);
    });
}

void CDpiTabUI::OnColourClicked(TNotifyUI&, int n) {
    if (n > kLast)
        return;
    const uint32_t colour = static_cast<size_t>(n) < Stages().size()
                                ? StageColour(Stages()[static_cast<size_t>(n)])
                                : 0xFF000000u;
    CColorSelectWnd::Choose(
        m_colourDialog, this, colour, false,
        [this, n](const CColorSelectWnd& dialog) { CommitColour(n, dialog.ResultColour()); });
}

void CDpiTabUI::CommitColour(int n, uint32_t colour) {
    SetStageColour(m_model.Stage(n), colour);
    ShowColour(n);
    Post([n, colour](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        SetStageColour(StageOf(stages, n), colour);
        mouse.SetDpiStages(stages);
    });
}
