// SPDX-License-Identifier: GPL-2.0-or-later
// The headset family's profile data: its settings and the equaliser members.
#pragma once

#include <string>
#include <vector>

#include "profile/BasicProfiledata.h"

class CHs6533Profiledata : public CBasicProfiledata {
  public:
    static constexpr int kEqBands = 10;
    // Bound for indices that come from files or callers.
    static constexpr int kMaxEqSets = 64;

    HeadsetSettings GetHeadsetSettings();
    void SetHeadsetSettings(const HeadsetSettings& settings);

    // The ten band values of an equaliser type ("EQHzValueInfo"); missing values read as 0.
    std::vector<int> GetEqValues(int type);
    void SetEqValues(int type, const std::vector<int>& values);
    // The user's equalisers: names ("CustomEQNameInfo") and values ("CustomEQHzValueInfo").
    std::vector<std::string> GetCustomEqNames() const;
    void SetCustomEqNames(const std::vector<std::string>& names);
    std::vector<int> GetCustomEqValues(int index);
    void SetCustomEqValues(int index, const std::vector<int>& values);

  private:
    std::vector<int> ReadBands(const char* member, int index);
    void WriteBands(const char* member, int index, const std::vector<int>& values);

    HeadsetSettings m_settings;
    std::vector<int> m_eqValues;
};
