// SPDX-License-Identifier: GPL-2.0-or-later
// The light colour array of a device: one entry per light zone, red, green, blue and alpha (the
// brightness the picture is drawn with).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lighting/LightTables.h"

struct LightColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr LightColour() = default;
    constexpr LightColour(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
        : red(r), green(g), blue(b), alpha(a) {}
    constexpr LightColour(LightRgb rgb, uint8_t a)
        : red(rgb.red), green(rgb.green), blue(rgb.blue), alpha(a) {}

    // red | green << 8 | blue << 16 | alpha << 24
    constexpr uint32_t Pack() const {
        return uint32_t{red} | uint32_t{green} << 8 | uint32_t{blue} << 16 | uint32_t{alpha} << 24;
    }
    static constexpr LightColour Unpack(uint32_t packed) {
        return {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
    }
    bool operator==(const LightColour&) const = default;
};

// Written by the light threads while the page or the terminal paints from it: every entry is
// one atomic word, so a reader always sees an entry written whole. The size is fixed at
// construction, so no frame ever allocates.
class CLightFrame {
  public:
    explicit CLightFrame(size_t count)
        : m_entries(std::make_unique<std::atomic<uint32_t>[]>(count)), m_count(count) {}

    size_t Size() const { return m_count; }

    // Indices beyond the array are skipped on writes and read as 0.
    void Set(size_t index, LightColour colour) {
        if (index < m_count)
            m_entries[index].store(colour.Pack(), std::memory_order_relaxed);
    }
    LightColour Get(size_t index) const {
        return index < m_count
                   ? LightColour::Unpack(m_entries[index].load(std::memory_order_relaxed))
                   : LightColour{};
    }
    void Fill(LightColour colour) {
        for (size_t i = 0; i < m_count; ++i)
            m_entries[i].store(colour.Pack(), std::memory_order_relaxed);
    }
    std::vector<LightColour> Snapshot() const {
        std::vector<LightColour> copy(m_count);
        for (size_t i = 0; i < m_count; ++i)
            copy[i] = Get(i);
        return copy;
    }

  private:
    std::unique_ptr<std::atomic<uint32_t>[]> m_entries;
    size_t m_count;
};
