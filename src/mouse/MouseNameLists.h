// SPDX-License-Identifier: GPL-2.0-or-later
// The names the mouse's pages show: macros, light effects (with whether each is offered and the
// number the mouse reports for it), light areas and the user's custom lights.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

struct MouseNames {
    std::vector<std::string> macros;
    std::vector<std::string> effects;
    std::vector<int> effectVisible;
    std::vector<int> effectValues;
    std::vector<std::string> areas;
    std::vector<std::string> customLights;
};

// Read on the command thread, read from any thread.
class CMouseNameLists {
  public:
    static constexpr const char* kMacroFileName = "macro.config";
    static constexpr const char* kLightNamesFileName = "default_light.json";

    // The macro list of `deviceFolder`, the effect and area names of device type `type`, the
    // custom light names of the light list file's element `lightIndex`. A list that is missing
    // keeps the one read before.
    void Load(const std::filesystem::path& deviceFolder, size_t type,
              const std::filesystem::path& lightListFile, size_t lightIndex);

    MouseNames Get() const;
    std::vector<std::string> Macros() const;
    std::vector<int> EffectValues() const;
    // Translates the effect number the mouse reports into an effect list position.
    void SetEffectValues(std::vector<int> values);

  private:
    mutable std::mutex m_mutex;
    MouseNames m_names;
};
