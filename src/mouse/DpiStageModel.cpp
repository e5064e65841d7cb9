// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/DpiStageModel.h"

#include <algorithm>

#include "mouse/DpiMath.h"

void CDpiStageModel::Load(std::vector<DpiStage> stages, int active) {
    m_stages = std::move(stages);
    m_active = std::clamp(active, 0, static_cast<int>(kMaxDpiStages) - 1);
}

bool CDpiStageModel::IsEnabled(int n) const {
    return n >= 0 && static_cast<size_t>(n) < m_stages.size() &&
           m_stages[static_cast<size_t>(n)].enabled;
}

bool CDpiStageModel::MayToggle(int n) const {
    const auto on = std::count_if(m_stages.begin(), m_stages.end(),
                                  [](const DpiStage& stage) { return stage.enabled; });
    return n != m_active && !(IsEnabled(n) && on <= 1);
}

void CDpiStageModel::Select(int n) {
    m_active = n;
    // A stage that is used is on.
    StageOf(m_stages, n).enabled = 1;
}

DpiStage& CDpiStageModel::StageOf(std::vector<DpiStage>& stages, int n) {
    EnsureStage(stages, static_cast<size_t>(n));
    return stages[static_cast<size_t>(n)];
}

void CDpiStageModel::SetEnabled(std::vector<DpiStage>& stages, int n, bool on) {
    StageOf(stages, n).enabled = on ? 1 : 0;
    if (std::none_of(stages.begin(), stages.end(),
                     [](const DpiStage& stage) { return stage.enabled; }))
        StageOf(stages, n).enabled = 1;
}
