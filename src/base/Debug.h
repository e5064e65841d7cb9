// SPDX-License-Identifier: GPL-2.0-or-later
// Debug sink: free-text diagnostic lines by area, off unless asked for.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class DebugArea : unsigned {
    Device,
    Report,
    ReportDump,  // hex dumps of every report exchanged
    Mouse,
    Profile,
    Macro,
    Lighting,
    Update,
    App,
    Emulator,
    Count
};

// Area name as used in KESTRUNE_DEBUG ("device", "report", "dump", ...).
std::string_view DebugAreaName(DebugArea area);

// "1"/"all" enables every area, "report,device" some; "" or "0" none. Unknown names are ignored.
void DebugConfigure(std::string_view spec);
// Reads KESTRUNE_DEBUG.
void DebugConfigureFromEnvironment();
bool DebugEnabled(DebugArea area);

void DebugLine(DebugArea area, std::string_view text);
void DebugPrintf(DebugArea area, const char* format, ...) __attribute__((format(printf, 2, 3)));

// 64 bytes as two lines of 32, grouped in fours ("%02x %02x %02x %02x   ...").
std::vector<std::string> FormatReportDump(std::span<const uint8_t> report);

// Collects every debug line (all areas enabled) while alive, instead of stderr. For tests.
class CDebugCapture {
  public:
    CDebugCapture();
    ~CDebugCapture();
    CDebugCapture(const CDebugCapture&) = delete;
    CDebugCapture& operator=(const CDebugCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Contains(std::string_view text) const;
    void Clear();

  private:
    friend void DebugLine(DebugArea, std::string_view);
    void Add(std::string_view text);
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    unsigned m_savedMask = 0;
};
