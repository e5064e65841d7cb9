// SPDX-License-Identifier: GPL-2.0-or-later
// Byte-level helpers for driving the simulated mouse as a host would, written independently of
// the host's own report code so that the two can check each other.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/SimWorld.h"

inline uint16_t ReportSum(const std::vector<uint8_t>& report) {
    unsigned sum = 0;
    for (size_t i = 3; i < report.size(); ++i)
        sum += report[i];
    return static_cast<uint16_t>(sum);
}

inline void Seal(std::vector<uint8_t>& report) {
    uint16_t sum = ReportSum(report);
    report[1] = static_cast<uint8_t>(sum);
    report[2] = static_cast<uint8_t>(sum >> 8);
}

// A well-formed 64-byte request; `data` fills bytes 8 onwards.
inline std::vector<uint8_t> Request(uint8_t command, uint8_t length = 0, uint16_t offset = 0,
                                    const std::vector<uint8_t>& data = {}) {
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x04;
    report[3] = command;
    report[4] = length;
    report[5] = static_cast<uint8_t>(offset);
    report[6] = static_cast<uint8_t>(offset >> 8);
    for (size_t i = 0; i < data.size() && 8 + i < 64; ++i)
        report[8 + i] = data[i];
    Seal(report);
    return report;
}

inline std::vector<uint8_t> Data(const std::vector<uint8_t>& reply, size_t length) {
    return {reply.begin() + 8, reply.begin() + 8 + static_cast<std::ptrdiff_t>(length)};
}

inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

class SimFixture : public ::testing::Test {
  protected:
    std::shared_ptr<CSimHidHandle> Open(SimDeviceKind kind, unsigned interfaceNumber) {
        for (auto& iface : world.Interfaces())
            if (iface->Kind() == kind && iface->InterfaceNumber() == interfaceNumber)
                return iface->Open();
        return nullptr;
    }
    std::shared_ptr<CSimHidHandle> OpenConfig(SimDeviceKind kind = SimDeviceKind::Cable) {
        auto handle = Open(kind, 1);
        EXPECT_TRUE(handle);
        return handle;
    }

    // One request and its reply; a reply must be a sealed 64-byte report with ID 4.
    std::vector<uint8_t> Transact(CSimHidHandle& handle, const std::vector<uint8_t>& request) {
        EXPECT_EQ(handle.Write(request, 1000), SimIo::Ok);
        std::vector<uint8_t> reply;
        EXPECT_EQ(handle.Read(reply, 1000), SimIo::Ok);
        if (reply.size() != 64) {
            ADD_FAILURE() << "reply of " << reply.size() << " bytes";
            return std::vector<uint8_t>(64, 0);
        }
        EXPECT_EQ(reply[0], 0x04);
        EXPECT_EQ(reply[1] | reply[2] << 8, ReportSum(reply)) << "reply checksum";
        return reply;
    }
    std::vector<uint8_t> Transact(const std::vector<uint8_t>& request) {
        auto handle = OpenConfig();
        return handle ? Transact(*handle, request) : std::vector<uint8_t>(64, 0);
    }

    CSimWorld world;
};
