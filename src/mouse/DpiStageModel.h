// SPDX-License-Identifier: GPL-2.0-or-later
// The DPI tab's rules without widgets: which stage is active, which may be turned off, and
// what an edit does to the stages. The tab shows the model; the worker applies the same edits
// to the stages as the profile holds them then.
#pragma once

#include <vector>

#include "records/ProfileRecords.h"

class CDpiStageModel {
  public:
    void Load(std::vector<DpiStage> stages, int active);
    const std::vector<DpiStage>& Stages() const { return m_stages; }
    int Active() const { return m_active; }
    bool IsEnabled(int n) const;
    // Whether stage n's check may be changed: never the active stage, never the last stage on.
    bool MayToggle(int n) const;

    // The edits, each as the worker applies it too.
    void SetEnabled(int n, bool on) { SetEnabled(m_stages, n, on); }
    void Select(int n);
    DpiStage& Stage(int n) { return StageOf(m_stages, n); }

    // Stage n of `stages`, which grows to hold it.
    static DpiStage& StageOf(std::vector<DpiStage>& stages, int n);
    // Turns stage n on or off, but never the last stage off, whatever another program left.
    static void SetEnabled(std::vector<DpiStage>& stages, int n, bool on);

  private:
    std::vector<DpiStage> m_stages;
    int m_active = 0;
};
