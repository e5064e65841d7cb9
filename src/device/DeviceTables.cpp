// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/DeviceTables.h"

#include "device/HidBackend.h"

int FindInterfaceRowByPathNumbers(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                                  uint16_t collectionNumber) {
    for (size_t i = 0; i < kHidInterfaceTable.size(); ++i) {
        const HidInterfaceInfo& row = kHidInterfaceTable[i];
        if (row.vendorId == vendorId && row.productId == productId &&
            row.interfaceNumber == interfaceNumber && row.collectionNumber == collectionNumber)
            return static_cast<int>(i);
    }
    return -1;
}

int FindInterfaceRow(const HidInterfaceInfo& info) {
    for (size_t i = 0; i < kHidInterfaceTable.size(); ++i)
        if (kHidInterfaceTable[i] == info)
            return static_cast<int>(i);
    return -1;
}

HidInterfaceInfo InterfaceInfoFromPath(std::string_view path) {
    HidInterfaceInfo info;
    info.vendorId = static_cast<uint16_t>(ParseHidPathNumber(path, "vid_"));
    info.productId = static_cast<uint16_t>(ParseHidPathNumber(path, "pid_"));
    info.interfaceNumber = static_cast<uint16_t>(ParseHidPathNumber(path, "&mi_"));
    info.collectionNumber = static_cast<uint16_t>(ParseHidPathNumber(path, "&col"));
    info.path = std::string(path);
    return info;
}
