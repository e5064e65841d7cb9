// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/Debug.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::string_view kAreaNames[] = {"device", "report",   "dump",   "mouse", "profile",
                                           "macro",  "lighting", "update", "app",   "emulator"};
static_assert(std::size(kAreaNames) == static_cast<size_t>(DebugArea::Count));

constexpr unsigned kAllAreas = (1u << static_cast<unsigned>(DebugArea::Count)) - 1;

std::atomic<unsigned> g_mask{0};
std::mutex g_captureMutex;
CDebugCapture* g_capture = nullptr;
std::mutex g_stderrMutex;

unsigned Bit(DebugArea area) {
    return 1u << static_cast<unsigned>(area);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::string_view DebugAreaName(DebugArea area) {
    auto i = static_cast<size_t>(area);
    return i < std::size(kAreaNames) ? kAreaNames[i] : std::string_view{"?"};
}

void DebugConfigure(std::string_view spec) {
    spec = Trim(spec);
    if (spec.empty() || spec == "0") {
        g_mask = 0;
        return;
    }
    if (spec == "1" || spec == "all" || spec == "yes") {
        g_mask = kAllAreas;
        return;
    }
    unsigned mask = 0;
    while (!spec.empty()) {
        size_t comma = spec.find(',');
        std::string_view name = Trim(spec.substr(0, comma));
        for (size_t i = 0; i < std::size(kAreaNames); ++i) {
            if (name == kAreaNames[i])
                mask |= 1u << i;
        }
        // The report area is of little use without its hex dumps.
        if (name == "report")
            mask |= Bit(DebugArea::ReportDump);
        if (comma == std::string_view::npos)
            break;
        spec.remove_prefix(comma + 1);
    }
    g_mask = mask;
}

void DebugConfigureFromEnvironment() {
    if (const char* env = std::getenv("KESTRUNE_DEBUG"))
        DebugConfigure(env);
}

bool DebugEnabled(DebugArea area) {
    return (g_mask.load(std::memory_order_relaxed) & Bit(area)) != 0;
}

void DebugLine(DebugArea area, std::string_view text) {
    if (!DebugEnabled(area))
        return;
    {
        std::lock_guard lock(g_captureMutex);
        if (g_capture) {
            g_capture->Add(text);
            return;
        }
    }
    std::lock_guard lock(g_stderrMutex);
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(DebugAreaName(area).size()),
                 DebugAreaName(area).data(), static_cast<int>(text.size()), text.data());
}

void DebugPrintf(DebugArea area, const char* format, ...) {
    if (!DebugEnabled(area))
        return;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    DebugLine(area, std::string_view(buffer,
                                     std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1)));
}

std::vector<std::string> FormatReportDump(std::span<const uint8_t> report) {
    uint8_t padded[64] = {};
    for (size_t i = 0; i < report.size() && i < 64; ++i)
        padded[i] = report[i];
    std::vector<std::string> lines;
    for (int line = 0; line < 2; ++line) {
        std::string text;
        for (int i = 0; i < 32; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", padded[line * 32 + i]);
            text += hex;
            if (i == 31)
                break;
            if (i % 4 != 3)
                text += ' ';
            else
                text += (i < 12) ? "   " : "  ";
        }
        lines.push_back(std::move(text));
    }
    return lines;
}

CDebugCapture::CDebugCapture() {
    std::lock_guard lock(g_captureMutex);
    m_savedMask = g_mask.exchange(kAllAreas);
    g_capture = this;
}

CDebugCapture::~CDebugCapture() {
    std::lock_guard lock(g_captureMutex);
    if (g_capture == this)
        g_capture = nullptr;
    g_mask = m_savedMask;
}

std::vector<std::string> CDebugCapture::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool CDebugCapture::Contains(std::string_view text) const {
    std::lock_guard lock(m_mutex);
    for (const auto& line : m_lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

void CDebugCapture::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

void CDebugCapture::Add(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_lines.emplace_back(text);
}
