// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target for the HID report descriptor parser: any input must parse without crashing,
// reading out of bounds or tripping UBSan, and the result must keep its invariants.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "device/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const HidDescriptorInfo info = ParseHidReportDescriptor(std::span<const uint8_t>(data, size));
    if (info.ok == info.error.empty() && (!info.ok || !info.collections.empty())) {
        for (const HidTopLevelCollection& collection : info.collections) {
            for (size_t i = 0; i < collection.reportIds.size(); ++i) {
                if (collection.reportIds[i] == 0)
                    std::abort();
                if (i > 0 && collection.reportIds[i - 1] >= collection.reportIds[i])
                    std::abort();
                if (info.CollectionOfInputReport(collection.reportIds[i]) < 0)
                    std::abort();
            }
            if (!info.usesReportIds && !collection.reportIds.empty())
                std::abort();
        }
        return 0;
    }
    std::abort();  // ok and error disagree, or ok without collections
}
