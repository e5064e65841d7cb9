// SPDX-License-Identifier: GPL-2.0-or-later
// The supported devices: their HID interfaces, device types and page constants.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

enum DeviceClass : uint16_t {
    kDeviceClassKeyboard = 1,
    kDeviceClassMouse = 2,
    kDeviceClassMousePad = 3,
    kDeviceClassMouseReceiver = 6,
    kDeviceClassHeadset = 7,
    kDeviceClassKeyboardReceiver = 9,
};

enum CollectionKind : uint16_t {
    kCollectionConfiguration = 0,
    kCollectionEvent = 0xFF,
};

// The match record of one HID interface.
struct HidInterfaceInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;
    uint16_t deviceClass = 0;
    uint16_t collectionKind = 0;
    uint16_t inUse = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t paired = 0;
    uint16_t pairIndex = 0;
    std::string path;

    // Slot state (in use, pairing, path) is not part of the identity.
    bool operator==(const HidInterfaceInfo& other) const {
        return vendorId == other.vendorId && productId == other.productId &&
               interfaceNumber == other.interfaceNumber &&
               collectionNumber == other.collectionNumber && deviceClass == other.deviceClass &&
               collectionKind == other.collectionKind && usagePage == other.usagePage &&
               usage == other.usage;
    }
};

// Fields in table order: vid, pid, interface, collection, class, kind, in use, usage page, usage,
// paired, pair index.
inline const std::array<HidInterfaceInfo, 11> kHidInterfaceTable = {{
    {0x320F, 0x0000, 1, 4, 1, 0x00, 0, 0xFF1C, 0x92, 1, 2, {}},
    {0x320F, 0x0000, 0, 3, 1, 0xFF, 0, 0x000C, 0x01, 1, 3, {}},
    {0x320F, 0x0000, 1, 4, 9, 0x00, 0, 0xFF1C, 0x92, 1, 0, {}},
    {0x320F, 0x0000, 0, 3, 9, 0xFF, 0, 0x000C, 0x01, 1, 1, {}},
    {0x320F, 0x226E, 1, 2, 2, 0x00, 0, 0xFF1C, 0x92, 1, 6, {}},
    {0x320F, 0x226E, 0, 3, 2, 0xFF, 0, 0x000C, 0x01, 1, 7, {}},
    {0x320F, 0x226F, 1, 2, 6, 0x00, 0, 0xFF1C, 0x92, 1, 4, {}},
    {0x320F, 0x226F, 0, 3, 6, 0xFF, 0, 0x000C, 0x01, 1, 5, {}},
    {0x320F, 0x1004, 1, 4, 3, 0x00, 0, 0xFF1C, 0x92, 0, 0, {}},
    {0x320F, 0x1004, 0, 3, 3, 0xFF, 0, 0x000C, 0x01, 0, 0, {}},
    {0x0C76, 0x1630, 3, 0, 7, 0x00, 0, 0x000C, 0x01, 0, 0, {}},
}};

struct DeviceTypeInfo {
    std::string_view listItemLayout;
    std::string_view tabName;
    std::string_view powerContainer;
    std::string_view typeKey;
    int kindNumber;
    uint16_t vendorId;
    uint16_t productId;
    uint16_t deviceClass;
    uint16_t collectionKind;
};

inline constexpr std::array<DeviceTypeInfo, 4> kDeviceTypeTable = {{
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch", "mouse",
     1, 0x320F, 0x226E, 2, 0},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "keyboard", 0, 0x320F, 0x0000, 1, 0},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "MousePad", 2, 0x320F, 0x1004, 3, 0},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch", "HD", 3,
     0x0C76, 0x1630, 7, 0},
}};

struct DevicePageInfo {
    int lightZones;
    int keyButtons;
    int wirelessCapable;
    int reserved;
    std::string_view pageLayout;
    std::string_view lightFilePrefix;
};

inline constexpr std::array<DevicePageInfo, 4> kDevicePageTable = {{
    {15, 11, 1, -1, "XML\\DeviceXml\\mousedevice.xml", "orvel_light"},
    {170, 170, 0, -1, "XML\\DeviceXml\\keyboarddevice.xml", "orvel_light"},
    {15, 0, 0, -1, "XML\\DeviceXml\\mousepaddevice.xml", "orvel_light"},
    {13, 0, 0, -1, "XML\\DeviceXml\\hs6533device.xml", "orvel_light"},
}};

// Index of the table row with this record's vendor ID, product ID, interface number and
// collection number (the path numbers); -1 when none.
int FindInterfaceRowByPathNumbers(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                                  uint16_t collectionNumber);
// Index of the table row equal to `info` (identity fields); -1 when none.
int FindInterfaceRow(const HidInterfaceInfo& info);
// Builds the path part of a record: vendor, product, interface and collection numbers.
HidInterfaceInfo InterfaceInfoFromPath(std::string_view path);
