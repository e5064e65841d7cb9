// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse firmware: its memories and the configuration commands that move them.
// Not thread-safe; CSimWorld serialises every call under its mutex.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "emulator/SimWorld.h"

class CSimMouse {
  public:
    static constexpr size_t kReportSize = 64;
    static constexpr size_t kMaxData = 56;
    static constexpr size_t kInfoSize = 34;
    static constexpr size_t kSettingsSize = 256;
    static constexpr size_t kStatusSize = 8;
    static constexpr uint8_t kLinkQuery = 0xAA;
    static constexpr uint8_t kStatusDone = 0x00;
    static constexpr uint8_t kStatusFailed = 0xFF;
    static constexpr uint8_t kStatusRejected = 0xFE;

    CSimMouse();

    const SimMouseConfig& Config() const { return m_config; }
    // Rebuilds the information block and status; the key table only when its layout changes,
    // so that a battery change does not wipe what the host wrote. Normalises first.
    void SetConfig(const SimMouseConfig& config);
    // Brings out-of-range values back into range (11 button positions, battery ≤ 100, ...).
    static SimMouseConfig Normalised(SimMouseConfig config);

    // Screens a request as the firmware does. A rejected one is counted as a protocol error and
    // `reply` receives the answer to send; an accepted one leaves `reply` alone.
    bool Accept(std::span<const uint8_t> request, std::vector<uint8_t>& reply);
    // Runs an accepted request and returns its reply.
    std::vector<uint8_t> Execute(std::span<const uint8_t> request);
    // Counts a host fault seen outside the command path (e.g. output on the event interface).
    void CountProtocolError(std::string what);

    // A reply report with a correct checksum; data (if any) goes to byte 8.
    static std::vector<uint8_t> MakeReply(uint8_t command, uint8_t length, uint16_t offset,
                                          uint8_t status, std::span<const uint8_t> data = {});
    static uint16_t Checksum(std::span<const uint8_t> report);

    const std::vector<uint8_t>& InfoBlock() const { return m_info; }
    const std::vector<uint8_t>& Settings() const { return m_settings; }
    const std::vector<uint8_t>& KeyTable() const { return m_keyTable; }
    const std::vector<uint8_t>& Macro() const { return m_macro; }
    const std::vector<uint8_t>& Shoot() const { return m_shoot; }
    const std::vector<uint8_t>& Status() const { return m_status; }
    // Restores memories from saved state; each is fitted to its configured size.
    void RestoreMemories(std::vector<uint8_t> settings, std::vector<uint8_t> keyTable,
                         std::vector<uint8_t> macro, std::vector<uint8_t> shoot);
    // The factory key table of the current layout.
    std::vector<uint8_t> FactoryKeyTable() const;

    uint32_t ProtocolErrors() const { return m_protocolErrors; }
    uint32_t Requests() const { return m_requests; }
    uint32_t WritesOutsideConfiguration() const { return m_writesOutside; }
    bool Configuring() const { return m_configuring; }
    const std::string& LastProtocolError() const { return m_lastError; }

  private:
    // The memory a command addresses, or null for commands without one.
    std::vector<uint8_t>* Region(uint8_t command);
    void RebuildInfo();
    void RebuildStatus();

    SimMouseConfig m_config;
    std::vector<uint8_t> m_info;
    std::vector<uint8_t> m_settings;
    std::vector<uint8_t> m_keyTable;
    std::vector<uint8_t> m_macro;
    std::vector<uint8_t> m_shoot;
    std::vector<uint8_t> m_status;
    uint32_t m_protocolErrors = 0;
    uint32_t m_requests = 0;
    uint32_t m_writesOutside = 0;
    bool m_configuring = false;
    std::string m_lastError;
};
