// SPDX-License-Identifier: GPL-2.0-or-later

#include <cctype>
#include <cstdio>

#include "device/HidBackend.h"

std::string MakeHidInterfacePath(std::string_view node, uint16_t vendorId, uint16_t productId,
                                 unsigned interfaceNumber, unsigned collectionNumber) {
    char suffix[64];
    if (collectionNumber != 0)
        std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x&mi_%02x&col%02x", vendorId,
                      productId, interfaceNumber, collectionNumber);
    else
        std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x&mi_%02x", vendorId, productId,
                      interfaceNumber);
    return std::string(node) + suffix;
}

std::string_view HidPathNode(std::string_view path) {
    return path.substr(0, path.find('#'));
}

uint32_t ParseHidPathNumber(std::string_view path, std::string_view marker) {
    if (marker.empty() || path.size() < marker.size())
        return 0;
    for (size_t i = 0; i + marker.size() <= path.size(); ++i) {
        bool match = true;
        for (size_t j = 0; j < marker.size() && match; ++j)
            match = std::tolower(static_cast<unsigned char>(path[i + j])) ==
                    std::tolower(static_cast<unsigned char>(marker[j]));
        if (!match)
            continue;
        uint32_t value = 0;
        for (size_t k = i + marker.size(); k < path.size(); ++k) {
            int c = std::tolower(static_cast<unsigned char>(path[k]));
            int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (digit < 0)
                break;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        return value;
    }
    return 0;
}

int HidCollectionOfPath(std::string_view path, const HidDescriptorInfo& descriptor) {
    const size_t count = descriptor.collections.size();
    const uint32_t number = ParseHidPathNumber(path, "&col");
    // Enumeration names every collection of a node with more than one.
    if (number == 0)
        return count == 1 ? 0 : -1;
    return number <= count ? static_cast<int>(number - 1) : -1;
}

HidInterfaceProps HidCollectionProps(const HidTopLevelCollection& collection, uint16_t vendorId,
                                     uint16_t productId, uint16_t version) {
    HidInterfaceProps props;
    props.vendorId = vendorId;
    props.productId = productId;
    props.version = version;
    props.usagePage = collection.usagePage;
    props.usage = collection.usage;
    props.inputReportLength = collection.inputReportLength;
    props.outputReportLength = collection.outputReportLength;
    props.featureReportLength = collection.featureReportLength;
    return props;
}
