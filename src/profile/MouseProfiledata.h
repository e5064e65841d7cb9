// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's profile data: DPI stages and the settings words besides the common parts.
#pragma once

#include <vector>

#include "profile/BasicProfiledata.h"

class CMouseProfiledata : public CBasicProfiledata {
  public:
    CMouseProfiledata();

    // Read stages replace the stored ones index by index; stored stages beyond them stay. A
    // section without "DPIStages" leaves the list and the active stage as they are.
    std::vector<DpiStage> GetDpiStages();
    void SetDpiStages(const std::vector<DpiStage>& stages);
    int GetActiveDpiStage() const { return m_activeDpiStage; }
    void SetActiveDpiStage(int stage);

    // All zero unless "SystemStages" is there; "ReportStages" is only read together with it.
    MouseSettings GetMouseSettings();
    void SetMouseSettings(const MouseSettings& settings);

  private:
    std::vector<DpiStage> m_dpiStages;
    int m_activeDpiStage = 0;
    MouseSettings m_settings;
};
