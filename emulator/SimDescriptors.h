// SPDX-License-Identifier: GPL-2.0-or-later
// Report descriptors of the simulated devices' two USB interfaces (cable and receiver alike).
#pragma once

#include <cstdint>
#include <vector>

// Report IDs, shared by the firmware model and the descriptors.
inline constexpr uint8_t kSimMouseReportId = 1;
inline constexpr uint8_t kSimKeyboardReportId = 2;
inline constexpr uint8_t kSimEventReportId = 3;
inline constexpr uint8_t kSimConfigReportId = 4;
inline constexpr uint8_t kSimSystemReportId = 5;

// Interface 0: mouse, keyboard, consumer control (the event collection), in that order.
std::vector<uint8_t> SimEventInterfaceDescriptor();
// Interface 1: system control, then the vendor configuration collection (63-byte reports).
std::vector<uint8_t> SimConfigInterfaceDescriptor();
