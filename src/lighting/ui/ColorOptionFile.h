// SPDX-License-Identifier: GPL-2.0-or-later
// The colour dialog's file in the per-user data folder: the preset colours with the chosen one,
// and the user's collected colours with the chosen slot. Colours are 0xAARRGGBB, written as
// eight upper-case hexadecimal digits.
#pragma once

#include <json/json.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

inline constexpr size_t kColourOptionCount = 20;

struct CollectedColour {
    uint32_t colour = 0xFFFFFFFF;
    std::string userData;  // "1" while the slot holds a colour

    bool Filled() const { return userData == "1"; }
    bool operator==(const CollectedColour&) const = default;
};

struct ColourOptions {
    // Absent entries are options the file (or the dialog) does not have.
    std::array<std::optional<uint32_t>, kColourOptionCount> presets;
    int presetSelected = -1;
    std::array<std::optional<CollectedColour>, kColourOptionCount> collected;
    int collectedSelected = -1;

    bool operator==(const ColourOptions&) const = default;
};

// "FFFF0000" for opaque red.
std::string ColourText(uint32_t colour);
// Hexadecimal digits (either case, at most eight, blanks around them allowed); anything else
// reads as 0.
uint32_t ColourFromText(std::string_view text);

// The options a document holds; a selection outside 0 … 19 reads as none.
ColourOptions ColourOptionsFromDocument(const Json::Value& document);

class CColorOptionFile {
  public:
    static constexpr const char* kFileName = "color_option_info.config";

    // The user's file lives in `userFolder`, the one it starts from in `defaultFolder`.
    CColorOptionFile(std::filesystem::path userFolder, std::filesystem::path defaultFolder);

    std::filesystem::path Path() const { return m_userFolder / kFileName; }
    std::filesystem::path DefaultPath() const { return m_defaultFolder / kFileName; }

    // The user's file. When it cannot be read the default file takes its place (an unreadable
    // one is kept aside first); nullopt when neither can be read.
    std::optional<ColourOptions> Load() const;

    // Each save reads the file afresh under the folder's lock and changes only its own part,
    // so what another program saved meanwhile stays. An unreadable file is kept aside and
    // written anew from `shown`. False when the file cannot be written.
    //
    // The preset colours `shown` has and its preset selection.
    bool SavePresets(const ColourOptions& shown) const;
    // The collected slot `slot` when `shown` has it filled, and the collected selection.
    bool SaveCollected(const ColourOptions& shown, int slot) const;

  private:
    template <class Change>
    bool Save(const ColourOptions& shown, Change change) const;

    std::filesystem::path m_userFolder;
    std::filesystem::path m_defaultFolder;
};
