// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard family's profile data: settings words and the per-key custom light colours.
#pragma once

#include <vector>

#include "profile/BasicProfiledata.h"

class CKeyboardProfiledata : public CBasicProfiledata {
  public:
    // Bounds for indices that come from files: anything past them is refused, not grown into.
    static constexpr int kMaxCustomGroups = 64;
    static constexpr int kMaxCustomKeys = 1024;

    KeyboardSettings GetKeyboardSettings();
    void SetKeyboardSettings(const KeyboardSettings& settings);

    // Colours of keys 0 .. count - 1 of a group. Missing keys read as zero and are written as
    // zeros into the section. An out-of-range group or count gives an empty list.
    std::vector<CustomLightColor> GetCustomLightColors(int group, int count);
    void SetCustomLightColors(int group, const std::vector<CustomLightColor>& colors);
    int GetCustomLightGroup();
    void SetCustomLightGroup(int group);

  private:
    KeyboardSettings m_settings;
    std::vector<CustomLightColor> m_customColors;
    int m_customGroup = 0;
};
