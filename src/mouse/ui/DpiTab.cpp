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

// The stage record the mouse keeps for stage n, grown as the page grows it.
DpiStage& StageOf(std::vector<DpiStage>& stages, int n) {
    EnsureStage(stages, static_cast<size_t>(n));
    return stages[static_cast<size_t>(n)];
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
    m_stages = profile.stages;
    m_active = std::clamp(profile.activeStage, 0, kLast);
    // The same range kestrunectl offers: the sensor's own, else up to the highest typed DPI.
    const int maximum = HighestPosition(m_sensor);
    for (int n = 0; n <= kLast; ++n) {
        if (auto* slider = Control<QSlider>(kSliderPrefix, n)) {
            const QSignalBlocker block(slider);
            slider->setRange(0, maximum);
        }
        if (auto* edit = Control<QLineEdit>(kEditPrefix, n); edit && !edit->validator())
            edit->setValidator(new QIntValidator(0, kHighestTypedDpi, edit));
        const bool known = static_cast<size_t>(n) < m_stages.size();
        ShowStage(n, known ? StagePosition(m_sensor, m_stages[static_cast<size_t>(n)]) : 0);
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
    const bool active = n == m_active;
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
    const uint32_t argb = static_cast<size_t>(n) < m_stages.size()
                              ? StageColour(m_stages[static_cast<size_t>(n)])
                              : 0xFF000000u;
    ShowSwatch(colour, argb | 0xFF000000u);
}

void CDpiTabUI::ShowEnabled() {
    int enabled = 0;
    for (int n = 0; n <= kLast; ++n)
        if (static_cast<size_t>(n) < m_stages.size() && m_stages[static_cast<size_t>(n)].enabled)
            ++enabled;
    for (int n = 0; n <= kLast; ++n) {
        const bool on =
            static_cast<size_t>(n) < m_stages.size() && m_stages[static_cast<size_t>(n)].enabled;
        if (auto* check = Control<QAbstractButton>(kEnablePrefix, n)) {
            const QSignalBlocker block(check);
            check->setChecked(on);
            // The active stage stays on, and so does the last stage that is.
            check->setEnabled(n != m_active && !(on && enabled <= 1));
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
    EncodeStagePosition(m_sensor, position, StageOf(m_stages, n));
    const DpiSensor sensor = m_sensor;
    Post([n, position, sensor](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        EncodeStagePosition(sensor, position, StageOf(stages, n));
        mouse.SetDpiStages(stages);
    });
}

void CDpiTabUI::OnEnableChanged(TNotifyUI& msg, int n) {
    const uint8_t on = msg.wParam ? 1 : 0;
    StageOf(m_stages, n).enabled = on;
    ShowEnabled();
    Post([n, on](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        StageOf(stages, n).enabled = on;
        // Never the last stage off, whatever another program left meanwhile.
        if (std::none_of(stages.begin(), stages.end(), [](const DpiStage& s) { return s.enabled; }))
            StageOf(stages, n).enabled = 1;
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
    const int previous = m_active;
    m_active = n;
    for (int i : {previous, n})
        if (auto* slider = Control<QSlider>(kSliderPrefix, i))
            ShowStage(i, slider->value());
    // A stage that is used is on.
    StageOf(m_stages, n).enabled = 1;
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
    const uint32_t colour = static_cast<size_t>(n) < m_stages.size()
                                ? StageColour(m_stages[static_cast<size_t>(n)])
                                : 0xFF000000u;
    CColorSelectWnd::Choose(
        m_colourDialog, this, colour, false,
        [this, n](const CColorSelectWnd& dialog) { CommitColour(n, dialog.ResultColour()); });
}

void CDpiTabUI::CommitColour(int n, uint32_t colour) {
    SetStageColour(StageOf(m_stages, n), colour);
    ShowColour(n);
    Post([n, colour](CQuillonMouseDevice& mouse) {
        std::vector<DpiStage> stages = mouse.GetDpiStages();
        SetStageColour(StageOf(stages, n), colour);
        mouse.SetDpiStages(stages);
    });
}
