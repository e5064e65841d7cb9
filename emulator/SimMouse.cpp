// SPDX-License-Identifier: GPL-2.0-or-later

#include "emulator/SimMouse.h"

#include <algorithm>
#include <cstdio>

namespace {

enum Command : uint8_t {
    kBegin = 0x01,
    kEnd = 0x02,
    kReadInfo = 0x03,
    kReadSettings = 0x05,
    kWriteSettings = 0x06,
    kReadKeys = 0x07,
    kWriteKeys = 0x09,
    kWriteMacro = 0x15,
    kWriteShoot = 0x17,
    kReadStatus = 0x1A,
};

bool IsWrite(uint8_t command) {
    return command == kWriteSettings || command == kWriteKeys || command == kWriteMacro ||
           command == kWriteShoot;
}

// Commands of the keyboard family: well-formed, but this firmware has no use for them.
bool IsKeyboardCommand(uint8_t command) {
    return command == 0x0A || command == 0x0B || command == 0x12 || command == 0x1B ||
           command == 0x1C;
}

// Codes that identify the 11 buttons in the key table, in button order.
constexpr uint8_t kFactoryCodes[11][3] = {
    {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00},
    {0x10, 0x08, 0x00}, {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00},
    {0xA0, 0x1B, 0x00}, {0x16, 0x90, 0x01}, {0x14, 0x78, 0x02},
};

void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::string Format(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// What a fresh mouse holds in profile slot 0: a red breathing light, five DPI stages.
std::vector<uint8_t> FactorySettings() {
    std::vector<uint8_t> settings(CSimMouse::kSettingsSize, 0);
    const uint8_t head[] = {0x00, 0x01, 0x03, 0x8A, 0x00, 0x01, 0xFF,
                            0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00};
    std::copy(std::begin(head), std::end(head), settings.begin());
    const uint16_t positions[] = {7, 15, 31, 63, 127};
    const uint8_t colours[][3] = {{0xFF, 0x00, 0x00},
                                  {0x00, 0xFF, 0x00},
                                  {0x00, 0x00, 0xFF},
                                  {0xFF, 0xFF, 0x00},
                                  {0xFF, 0x00, 0xFF}};
    for (size_t i = 0; i < std::size(positions); ++i) {
        size_t at = 14 + 9 * i;
        settings[at] = 1;
        settings[at + 1] = 1;
        PutLe16(settings, at + 2, positions[i]);
        PutLe16(settings, at + 4, positions[i]);
        std::copy(std::begin(colours[i]), std::end(colours[i]), settings.begin() + at + 6);
    }
    const uint8_t tail[] = {0x02, 0x03, 0x02, 0x03, 0x01, 0x00, 0x00, 0x00};
    std::copy(std::begin(tail), std::end(tail), settings.begin() + 77);
    return settings;
}

}  // namespace

CSimMouse::CSimMouse() : m_settings(FactorySettings()) {
    m_keyTable = FactoryKeyTable();
    m_macro.assign(m_config.macroMemorySize, 0);
    m_shoot.assign(m_config.shootMemorySize, 0);
    RebuildInfo();
    RebuildStatus();
}

SimMouseConfig CSimMouse::Normalised(SimMouseConfig config) {
    config.buttonPositions.resize(std::size(kFactoryCodes), 0xFF);
    config.batteryPercent = std::min<uint8_t>(config.batteryPercent, 100);
    config.charging = std::min<uint8_t>(config.charging, 1);
    return config;
}

void CSimMouse::SetConfig(const SimMouseConfig& requested) {
    SimMouseConfig config = Normalised(requested);
    bool layoutChanged = config.keyTablePositions != m_config.keyTablePositions ||
                         config.buttonPositions != m_config.buttonPositions;
    m_config = config;
    if (layoutChanged)
        m_keyTable = FactoryKeyTable();
    m_macro.resize(m_config.macroMemorySize, 0);
    m_shoot.resize(m_config.shootMemorySize, 0);
    RebuildInfo();
    RebuildStatus();
}

std::vector<uint8_t> CSimMouse::FactoryKeyTable() const {
    std::vector<uint8_t> table(3u * m_config.keyTablePositions, 0);
    for (size_t button = 0; button < m_config.buttonPositions.size(); ++button) {
        size_t position = m_config.buttonPositions[button];
        if (button >= std::size(kFactoryCodes) || position >= m_config.keyTablePositions)
            continue;
        std::copy(std::begin(kFactoryCodes[button]), std::end(kFactoryCodes[button]),
                  table.begin() + static_cast<std::ptrdiff_t>(3 * position));
    }
    return table;
}

void CSimMouse::RebuildInfo() {
    m_info.assign(kInfoSize, 0);
    m_info[0] = 0x02;  // device class: mouse
    m_info[1] = 0x01;  // profile slots
    m_info[2] = 0x07;  // DPI stages
    PutLe16(m_info, 3, m_config.firmwareVersion);
    m_info[5] = m_config.keyTablePositions;
    m_info[6] = 0x0F;  // LEDs
    m_info[8] = 0x01;  // layout revision
    PutLe16(m_info, 9, m_config.sensorId);
    m_info[11] = m_config.dpiStep;
    PutLe16(m_info, 12, m_config.sliderPositions);
    PutLe16(m_info, 14, m_config.lowestDpi);
    PutLe16(m_info, 16, m_config.macroMemorySize);
    PutLe16(m_info, 18, m_config.shootMemorySize);
    PutLe16(m_info, 20, 9600);  // highest DPI
}

void CSimMouse::RebuildStatus() {
    m_status.assign(kStatusSize, 0);
    m_status[0] = m_config.batteryPercent;
    m_status[1] = m_config.charging;
}

void CSimMouse::RestoreMemories(std::vector<uint8_t> settings, std::vector<uint8_t> keyTable,
                                std::vector<uint8_t> macro, std::vector<uint8_t> shoot) {
    settings.resize(kSettingsSize, 0);
    m_settings = std::move(settings);
    // A table of another layout belongs to another configuration: start from the factory one.
    m_keyTable = keyTable.size() == 3u * m_config.keyTablePositions ? std::move(keyTable)
                                                                    : FactoryKeyTable();
    macro.resize(m_config.macroMemorySize, 0);
    m_macro = std::move(macro);
    shoot.resize(m_config.shootMemorySize, 0);
    m_shoot = std::move(shoot);
}

uint16_t CSimMouse::Checksum(std::span<const uint8_t> report) {
    unsigned sum = 0;
    for (size_t i = 3; i < report.size(); ++i)
        sum += report[i];
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<uint8_t> CSimMouse::MakeReply(uint8_t command, uint8_t length, uint16_t offset,
                                          uint8_t status, std::span<const uint8_t> data) {
    std::vector<uint8_t> reply(kReportSize, 0);
    reply[0] = 0x04;
    reply[3] = command;
    reply[4] = length;
    PutLe16(reply, 5, offset);
    reply[7] = status;
    std::copy_n(data.begin(), std::min(data.size(), kMaxData), reply.begin() + 8);
    PutLe16(reply, 1, Checksum(reply));
    return reply;
}

void CSimMouse::CountProtocolError(std::string what) {
    ++m_protocolErrors;
    m_lastError = std::move(what);
}

std::vector<uint8_t>* CSimMouse::Region(uint8_t command) {
    switch (command) {
        case kReadInfo:
            return &m_info;
        case kReadSettings:
        case kWriteSettings:
            return &m_settings;
        case kReadKeys:
        case kWriteKeys:
            return &m_keyTable;
        case kWriteMacro:
            return &m_macro;
        case kWriteShoot:
            return &m_shoot;
        case kReadStatus:
            return &m_status;
        default:
            return nullptr;
    }
}

bool CSimMouse::Accept(std::span<const uint8_t> request, std::vector<uint8_t>& reply) {
    ++m_requests;
    uint8_t command = request.size() > 3 ? request[3] : 0;
    uint8_t length = request.size() > 4 ? request[4] : 0;
    uint16_t offset = request.size() > 6 ? static_cast<uint16_t>(request[5] | request[6] << 8) : 0;
    auto reject = [&](uint8_t status, std::string why) {
        CountProtocolError(std::move(why));
        reply = MakeReply(command, length, offset, status);
        return false;
    };

    if (request.size() != kReportSize)
        return reject(kStatusFailed, Format("request of %u bytes, expected 64",
                                            static_cast<unsigned>(request.size())));
    if (request[0] != 0x04)
        return reject(kStatusFailed, Format("request with report ID 0x%02X", request[0]));
    uint16_t sent = static_cast<uint16_t>(request[1] | request[2] << 8);
    if (sent != Checksum(request))
        return reject(kStatusFailed, Format("command 0x%02X: checksum 0x%04X, expected 0x%04X",
                                            command, sent, Checksum(request)));
    if (request[7] != 0)
        return reject(kStatusFailed,
                      Format("command 0x%02X: byte 7 is 0x%02X, not 0", command, request[7]));
    if (length > kMaxData)
        return reject(kStatusFailed,
                      Format("command 0x%02X: data length %u above 56", command, length));
    if (IsKeyboardCommand(command))
        return reject(kStatusRejected,
                      Format("command 0x%02X belongs to the keyboard family", command));

    if (command == kBegin || command == kEnd || command == kLinkQuery) {
        if (length != 0 || offset != 0)
            return reject(kStatusFailed,
                          Format("command 0x%02X takes no data (length %u, offset %u)", command,
                                 length, offset));
    } else if (const std::vector<uint8_t>* region = Region(command)) {
        if (offset + length > region->size())
            return reject(kStatusFailed,
                          Format("command 0x%02X: offset %u + length %u past the end", command,
                                 offset, length) +
                              Format(" (%u bytes)", static_cast<unsigned>(region->size())));
    } else {
        return reject(kStatusFailed, Format("unknown command 0x%02X", command));
    }

    // Unused bytes must be zero: stale data there means the host reuses a dirty buffer.
    size_t used = 8 + (IsWrite(command) ? length : 0);
    for (size_t i = used; i < kReportSize; ++i)
        if (request[i] != 0)
            return reject(kStatusFailed, Format("command 0x%02X: unused byte %u is 0x%02X, not 0",
                                                command, static_cast<unsigned>(i), request[i]));
    return true;
}

std::vector<uint8_t> CSimMouse::Execute(std::span<const uint8_t> request) {
    uint8_t command = request[3];
    uint8_t length = request[4];
    uint16_t offset = static_cast<uint16_t>(request[5] | request[6] << 8);
    switch (command) {
        case kBegin:
            m_configuring = true;
            return MakeReply(command, 0, 0, kStatusDone);
        case kEnd:
            m_configuring = false;
            return MakeReply(command, 0, 0, kStatusDone);
        case kLinkQuery: {
            const uint8_t reachable = 0xFF;
            return MakeReply(command, 0, 0, kStatusDone, std::span(&reachable, 1));
        }
        default:
            break;
    }
    std::vector<uint8_t>& region = *Region(command);
    if (IsWrite(command)) {
        std::copy_n(request.begin() + 8, length, region.begin() + offset);
        if (!m_configuring)
            ++m_writesOutside;
        return MakeReply(command, length, offset, kStatusDone);
    }
    return MakeReply(command, length, offset, kStatusDone,
                     std::span(region).subspan(offset, length));
}
