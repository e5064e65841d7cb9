// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "SimTestSupport.h"

namespace {

struct Collection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::set<uint8_t> reportIds;
};

struct Parsed {
    std::vector<Collection> collections;
    // Bits per report ID and main item kind (0x8 input, 0x9 output, 0xB feature).
    std::map<std::pair<uint8_t, uint8_t>, unsigned> bits;
    std::string error;

    unsigned Bytes(uint8_t id, uint8_t kind) const {
        auto it = bits.find({id, kind});
        return it == bits.end() ? 0 : (it->second + 7) / 8 + 1;
    }
};

// A small short-item walker: enough to check structure, report IDs and report lengths.
Parsed Walk(const std::vector<uint8_t>& d) {
    Parsed p;
    uint16_t usagePage = 0, usage = 0;
    unsigned reportSize = 0, reportCount = 0, depth = 0;
    uint8_t reportId = 0;
    for (size_t i = 0; i < d.size();) {
        uint8_t prefix = d[i];
        if (prefix == 0xFE)
            return p.error = "long item", p;
        size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + size > d.size())
            return p.error = "item runs past the end", p;
        uint32_t value = 0;
        for (size_t k = 0; k < size; ++k)
            value |= uint32_t{d[i + 1 + k]} << (8 * k);
        uint8_t type = (prefix >> 2) & 3, tag = prefix >> 4;
        i += 1 + size;
        if (type == 1) {  // global
            if (tag == 0x0)
                usagePage = static_cast<uint16_t>(value);
            if (tag == 0x7)
                reportSize = value;
            if (tag == 0x8)
                reportId = static_cast<uint8_t>(value);
            if (tag == 0x9)
                reportCount = value;
            if (tag == 0xA || tag == 0xB)
                return p.error = "push/pop", p;
        } else if (type == 2) {  // local
            if (tag == 0x0)
                usage = static_cast<uint16_t>(value);
        } else if (type == 0) {  // main
            if (tag == 0xA) {
                if (depth++ == 0)
                    p.collections.push_back({usagePage, usage, {}});
            } else if (tag == 0xC) {
                if (depth == 0)
                    return p.error = "unbalanced end collection", p;
                --depth;
            } else if (tag == 0x8 || tag == 0x9 || tag == 0xB) {
                if (depth == 0)
                    return p.error = "main item outside a collection", p;
                p.collections.back().reportIds.insert(reportId);
                p.bits[{reportId, tag}] += reportSize * reportCount;
            }
        }
    }
    if (depth != 0)
        p.error = "collection left open";
    return p;
}

class SimDescriptorTest : public SimFixture {
  protected:
    Parsed Descriptor(unsigned interfaceNumber) {
        for (auto& iface : world.Interfaces())
            if (iface->InterfaceNumber() == interfaceNumber)
                return Walk(iface->ReportDescriptor());
        ADD_FAILURE() << "no interface " << interfaceNumber;
        return {};
    }
};

TEST_F(SimDescriptorTest, EventInterfaceHasMouseKeyboardConsumerInOrder) {
    Parsed p = Descriptor(0);
    ASSERT_EQ(p.error, "");
    ASSERT_EQ(p.collections.size(), 3u);
    EXPECT_EQ(p.collections[0].usagePage, 0x01);
    EXPECT_EQ(p.collections[0].usage, 0x02);
    EXPECT_EQ(p.collections[0].reportIds, std::set<uint8_t>{1});
    EXPECT_EQ(p.collections[1].usagePage, 0x01);
    EXPECT_EQ(p.collections[1].usage, 0x06);
    EXPECT_EQ(p.collections[1].reportIds, std::set<uint8_t>{2});
    EXPECT_EQ(p.collections[2].usagePage, 0x0C);
    EXPECT_EQ(p.collections[2].usage, 0x01);
    EXPECT_EQ(p.collections[2].reportIds, std::set<uint8_t>{3});
    EXPECT_EQ(p.Bytes(3, 0x8), 3u) << "event report: ID and a 16-bit code";
}

TEST_F(SimDescriptorTest, ConfigInterfaceHasSystemThenVendorCollection) {
    Parsed p = Descriptor(1);
    ASSERT_EQ(p.error, "");
    ASSERT_EQ(p.collections.size(), 2u);
    EXPECT_EQ(p.collections[0].usagePage, 0x01);
    EXPECT_EQ(p.collections[0].usage, 0x80);
    EXPECT_EQ(p.collections[0].reportIds, std::set<uint8_t>{5});
    EXPECT_EQ(p.collections[1].usagePage, 0xFF1C);
    EXPECT_EQ(p.collections[1].usage, 0x92);
    EXPECT_EQ(p.collections[1].reportIds, std::set<uint8_t>{4});
    EXPECT_EQ(p.Bytes(4, 0x8), 64u);
    EXPECT_EQ(p.Bytes(4, 0x9), 64u);
}

TEST_F(SimDescriptorTest, BothDevicesExposeTheirInterfaces) {
    world.SetReceiverPlugged(true);
    std::map<std::string, std::tuple<uint16_t, uint16_t, unsigned, SimDeviceKind>> seen;
    for (auto& iface : world.Interfaces())
        seen[iface->Node()] = {iface->VendorId(), iface->ProductId(), iface->InterfaceNumber(),
                               iface->Kind()};
    using K = SimDeviceKind;
    std::map<std::string, std::tuple<uint16_t, uint16_t, unsigned, SimDeviceKind>> expected = {
        {"emulated/cable-if0", {0x320F, 0x226E, 0, K::Cable}},
        {"emulated/cable-if1", {0x320F, 0x226E, 1, K::Cable}},
        {"emulated/receiver-if0", {0x320F, 0x226F, 0, K::Receiver}},
        {"emulated/receiver-if1", {0x320F, 0x226F, 1, K::Receiver}},
    };
    EXPECT_EQ(seen, expected);
    for (auto& iface : world.Interfaces())
        EXPECT_EQ(iface->Version(), 0x0105);
}

}  // namespace
