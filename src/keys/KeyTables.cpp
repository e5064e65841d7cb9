// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/KeyTables.h"

std::optional<size_t> FindScanEntry(uint32_t scanCode, bool extended) {
    for (size_t row = 0; row < kScanCodeTable.size(); ++row) {
        if (kScanCodeTable[row].scanCode == scanCode && kScanCodeTable[row].extended == extended) {
            return row;
        }
    }
    return std::nullopt;
}
