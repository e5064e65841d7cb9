// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's key table as it holds it: the image last read, where each button sits in it, and
// what earlier tables taught about those places.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "device/ReportChannel.h"
#include "records/ProfileRecords.h"

inline constexpr size_t kMouseKeyButtons = 11;
// The factory codes that identify the buttons in the key table, by button index.
inline constexpr std::array<KeyCode, kMouseKeyButtons> kFactoryKeyTable = {{
    {0x10, 0x01, 0x00},  // left
    {0x10, 0x02, 0x00},  // right
    {0x10, 0x04, 0x00},  // middle
    {0x10, 0x10, 0x00},  // forward
    {0x10, 0x08, 0x00},  // back
    {0x13, 0x01, 0x00},  // DPI +
    {0x13, 0x02, 0x00},  // DPI -
    {0x13, 0x03, 0x00},  // DPI loop
    {0xA0, 0x1B, 0x00},  // GM
    {0x16, 0x90, 0x01},  // M8
    {0x14, 0x78, 0x02},  // fire
}};
// A button whose code is not in the key table.
inline constexpr uint8_t kNoKeyPosition = 0xAA;
using KeyPositionMap = std::array<uint8_t, kMouseKeyButtons>;

// Each button's first position in a key table of `positions` entries (3 bytes each).
KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions);
// The same, for a key table that may hold remapped buttons. A table with every factory code at
// other positions than `learnt` (positions from earlier tables) is taken as it is. Otherwise a
// button's code counts only where no other button was learnt, and a button without one keeps
// its learnt position while that is free.
KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions,
                                   const KeyPositionMap& learnt);

using KeyTableImage = std::array<uint8_t, kMaxKeyTableSize>;

class CMouseKeyTable {
  public:
    // The positions learnt from a key table holding every factory code, in the data folder.
    static constexpr const char* kKeyPositionsFileName = "key_positions.json";

    // A table just read from the mouse, of `positions` entries. With a data folder, what it
    // teaches about the buttons' places is kept there for tables that no longer show them.
    void Take(const KeyTableImage& image, size_t positions, const std::filesystem::path& folder);
    // Nothing may be written before a table was read: its other positions would be wiped.
    bool IsRead() const { return m_read; }
    const KeyTableImage& Image() const { return m_image; }
    const KeyPositionMap& Positions() const { return m_positions; }

    // Sends `keys` into the image at the buttons' places for `bank`; WriteKeyTable's result.
    int Write(CReportChannel& channel, std::span<const KeyListEntry> keys, size_t macroCount,
              int bank);

    static constexpr KeyPositionMap EmptyPositions() {
        KeyPositionMap map{};
        map.fill(kNoKeyPosition);
        return map;
    }

  private:
    KeyPositionMap LearnPositions() const;
    std::span<const uint8_t> CurrentTable() const;
    // Writes the positions with the table they belong to.
    void Keep(const KeyPositionMap& positions) const;

    KeyTableImage m_image{};
    size_t m_count = 0;  // positions in the mouse's table
    std::filesystem::path m_file;
    KeyPositionMap m_positions = EmptyPositions();
    bool m_read = false;
};
