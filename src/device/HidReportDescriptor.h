// SPDX-License-Identifier: GPL-2.0-or-later
// HID report descriptor parser: the top-level collections of one interface with their report
// IDs and report lengths, as the host needs them to route and size reports.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct HidTopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // Report IDs used inside this collection, ascending; empty when the descriptor has none.
    std::vector<uint8_t> reportIds;
    // Longest report of each type in bytes, the report ID byte included (as the Windows HID
    // capabilities count it: one byte is added even without report IDs); 0 when there is none.
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
};

struct HidDescriptorInfo {
    bool ok = false;
    std::string error;  // why parsing failed, for debug lines
    bool usesReportIds = false;
    std::vector<HidTopLevelCollection> collections;  // descriptor order

    // Index of the collection that owns input report `reportId`; -1 when none. Without report
    // IDs every report belongs to the only collection (0).
    int CollectionOfInputReport(uint8_t reportId) const;
};

// Never throws and never reads past the span; a truncated or malformed descriptor gives
// ok == false (collections parsed so far are kept for diagnostics).
HidDescriptorInfo ParseHidReportDescriptor(std::span<const uint8_t> descriptor);
