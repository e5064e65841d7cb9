// SPDX-License-Identifier: GPL-2.0-or-later
// An owner for plug/unplug loops: counts what each slot is told in O(1), and notes every call
// that contradicts the slot's state (an arrival on a held slot, a removal on a free one).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "device/DeviceDiscovery.h"

class CPlugTally : public IDeviceDiscoveryOwner {
  public:
    void OnInterfaceArrived(int slot, const HidInterfaceInfo& record) override {
        auto index = static_cast<size_t>(slot);
        if (arrivals[index] != removals[index])
            faults.push_back("arrival on held slot " + std::to_string(slot) + ": " + record.path);
        ++arrivals[index];
    }
    void OnInterfaceRemoved(int slot, const HidInterfaceInfo& record) override {
        auto index = static_cast<size_t>(slot);
        if (arrivals[index] == removals[index])
            faults.push_back("removal of free slot " + std::to_string(slot) + ": " + record.path);
        ++removals[index];
    }
    void OnStartFirstContact(CQuillonUSBDevice&, int) override { ++firstContacts; }
    void OnFirstPassDone() override { firstPass = true; }

    std::array<int, CDeviceDiscovery::kSlotCount> arrivals{};
    std::array<int, CDeviceDiscovery::kSlotCount> removals{};
    int firstContacts = 0;
    bool firstPass = false;
    std::vector<std::string> faults;
};

// Plug cycles of a loop test: fewer under the sanitizers, which slow every pass down many times.
constexpr int PlugCycles(int plain) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return plain / 2;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return plain / 2;
#else
    return plain;
#endif
#else
    return plain;
#endif
}
