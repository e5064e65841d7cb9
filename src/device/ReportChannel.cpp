// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/ReportChannel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/Debug.h"

namespace {

void DumpReport(const char* title, const uint8_t* report) {
    DebugLine(DebugArea::Report, title);
    if (!DebugEnabled(DebugArea::ReportDump))
        return;
    for (const std::string& line : FormatReportDump({report, kReportSize}))
        DebugLine(DebugArea::ReportDump, line);
}

// The running busy flag, cleared however the transaction ends.
class CBusyScope {
  public:
    explicit CBusyScope(std::atomic<int>& flag) : m_flag(flag) { m_flag = 1; }
    ~CBusyScope() { m_flag = 0; }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

  private:
    std::atomic<int>& m_flag;
};

}  // namespace

uint16_t ReportChecksum(std::span<const uint8_t, kReportSize> report) {
    unsigned sum = 0;
    for (size_t i = 3; i < kReportSize; ++i)
        sum += report[i];
    return static_cast<uint16_t>(sum);
}

void SealReport(std::span<uint8_t, kReportSize> report) {
    uint16_t sum = ReportChecksum(report);
    report[1] = static_cast<uint8_t>(sum & 0xFF);
    report[2] = static_cast<uint8_t>(sum >> 8);
}

CReportChannel::CReportChannel(IHidBackend* backend) : m_direct(backend), m_receiver(backend) {}

CReportChannel::~CReportChannel() {
    m_direct.Close();
    m_receiver.Close();
}

int CReportChannel::SetKeyTableSize(uint16_t size) {
    if (size > kMaxKeyTableSize)
        return 0;
    m_keyTableSize = size;
    return 1;
}

void CReportChannel::SetTransportMode(int mode) {
    bool receiver = mode == kTransportModeReceiver;
    m_receiverMode = receiver;
    m_chunkSize = receiver ? 24 : 56;
}

void CReportChannel::SetTimeouts(int directMs, int receiverMs, int receiverQuietMs) {
    m_directTimeoutMs = directMs;
    m_receiverTimeoutMs = receiverMs;
    m_receiverQuietTimeoutMs = receiverQuietMs;
}

int CReportChannel::Transact(const uint8_t* request, size_t requestLength, uint8_t* reply,
                             size_t replyLength, uint32_t* bytesRead) {
    return TransactImpl(request, requestLength, reply, replyLength, bytesRead, true);
}

int CReportChannel::TransactQuiet(const uint8_t* request, size_t requestLength, uint8_t* reply,
                                  size_t replyLength, uint32_t* bytesRead) {
    return TransactImpl(request, requestLength, reply, replyLength, bytesRead, false);
}

int CReportChannel::TransactImpl(const uint8_t* request, size_t requestLength, uint8_t* reply,
                                 size_t replyLength, uint32_t* bytesRead, bool verbose) {
    CBusyScope busy(m_busy);
    if (bytesRead)
        *bytesRead = 0;
    if (!IsPresent())
        return kResultNoReply;

    uint8_t buffer[kReportSize] = {};
    std::memcpy(buffer, request, std::min(requestLength, kReportSize));
    if (verbose)
        DumpReport("命令", buffer);

    const bool receiver = m_receiverMode.load();
    CHidDevice& transport = receiver ? m_receiver : m_direct;
    const int timeout = !receiver ? m_directTimeoutMs.load()
                        : verbose ? m_receiverTimeoutMs.load()
                                  : m_receiverQuietTimeoutMs.load();

    int written = 0;
    {
        std::lock_guard io(m_ioLock);
        if (m_transmissionEnabled) {
            uint32_t count = 0;
            written = transport.Write(buffer, kReportSize, &count, timeout);
        }
    }
    if (written != 1)
        return kResultWriteFailed;

    int result = kResultNoReply;
    uint32_t got = 0;
    {
        std::lock_guard io(m_ioLock);
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::memset(reply, 0, replyLength);
            result = transport.Read(reply, static_cast<uint32_t>(replyLength), &got, timeout);
            // A read that timed out holds nothing worth matching.
            if (result != 1)
                break;
            if (got > 3 && reply[3] == buffer[3])
                break;
            if (receiver && got > 3 && reply[3] == kCmdLinkQuery) {
                result = kResultUnreachable;
                break;
            }
        }
    }
    // A report too short to hold a status byte is no reply.
    if (result == kResultDone && got < kReportDataOffset)
        result = kResultNoReply;
    if (bytesRead)
        *bytesRead = got;

    if (verbose) {
        uint8_t copy[kReportSize] = {};
        std::memcpy(copy, reply, std::min(replyLength, kReportSize));
        DumpReport("返回", copy);
    }
    return result;
}

int CReportChannel::StatusResult(const uint8_t* reply) {
    if (reply[7] == kStatusFailed)
        return kResultStatusFailed;
    if (reply[7] == kStatusRejected)
        return kResultStatusRejected;
    return kResultDone;
}

int CReportChannel::SinglePacket(uint8_t code, uint8_t* replyOut) {
    uint8_t request[kReportSize] = {};
    request[0] = kConfigReportId;
    request[3] = code;
    SealReport(request);
    if (code == kCmdEndConfiguration)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    uint8_t reply[kReportSize] = {};
    int result = kResultWriteFailed;  // nothing is written while transmission is off
    {
        std::lock_guard command(m_commandLock);
        if (m_transmissionEnabled)
            result = Transact(request, kReportSize, reply, kReportSize, nullptr);
    }
    if (replyOut)
        std::memcpy(replyOut, reply, kReportSize);
    if (result != kResultDone)
        return result;
    return StatusResult(reply);
}

int CReportChannel::Chunked(const ChunkedCommand& command, uint8_t* destination,
                            const uint8_t* source, uint16_t total, uint32_t baseOffset, int bank) {
    const unsigned chunk = command.fixedChunk ? command.fixedChunk : m_chunkSize.load();
    for (unsigned offset = 0; offset < total; offset += chunk) {
        const unsigned n = std::min<unsigned>(chunk, total - offset);
        uint8_t request[kReportSize] = {};
        request[0] = kConfigReportId;
        request[3] = command.code;
        request[4] = static_cast<uint8_t>(n);
        const uint32_t packetOffset = baseOffset + offset;
        request[5] = static_cast<uint8_t>(packetOffset & 0xFF);
        request[6] =
            static_cast<uint8_t>(command.code == kCmdWriteKeyTable ? ((bank * 512u + offset) >> 8)
                                                                   : (packetOffset >> 8));
        if (command.direction == Direction::Write)
            std::memcpy(request + kReportDataOffset, source + offset, n);
        SealReport(request);

        uint8_t reply[kReportSize] = {};
        int result;
        if (command.skipWhileBusy && IsBusy()) {
            DebugLine(DebugArea::Report, "放弃灯光数据");
            continue;
        }
        if (command.doneWhenDisabled && !m_transmissionEnabled)
            continue;
        switch (command.lock) {
            case PacketLock::Command: {
                std::lock_guard lock(m_commandLock);
                result = Transact(request, kReportSize, reply, kReportSize, nullptr);
                break;
            }
            case PacketLock::Light: {
                std::lock_guard lock(m_lightLock);
                result = command.quiet
                             ? TransactQuiet(request, kReportSize, reply, kReportSize, nullptr)
                             : Transact(request, kReportSize, reply, kReportSize, nullptr);
                break;
            }
            case PacketLock::None:
            default:
                result = Transact(request, kReportSize, reply, kReportSize, nullptr);
                break;
        }
        if (result != kResultDone)
            return result;
        if (int status = StatusResult(reply); status != kResultDone)
            return status;
        if (command.direction == Direction::Read)
            std::memcpy(destination + offset, reply + kReportDataOffset, n);
    }
    return kResultDone;
}

int CReportChannel::BeginConfiguration() {
    return SinglePacket(kCmdBeginConfiguration);
}

int CReportChannel::EndConfiguration() {
    return SinglePacket(kCmdEndConfiguration);
}

int CReportChannel::ReadInformationBlock(uint8_t* destination) {
    return Chunked({kCmdReadInformationBlock, Direction::Read, PacketLock::Command}, destination,
                   nullptr, kInformationBlockSize, 0);
}

int CReportChannel::ReadSettingsMemory(uint8_t* destination, uint16_t length, uint16_t start) {
    return Chunked({kCmdReadSettingsMemory, Direction::Read, PacketLock::Command}, destination,
                   nullptr, length, start);
}

int CReportChannel::WriteSettingsMemory(const uint8_t* source, uint16_t length, uint16_t start) {
    return Chunked({kCmdWriteSettingsMemory, Direction::Write, PacketLock::Command}, nullptr,
                   source, length, start);
}

int CReportChannel::ReadKeyAssignmentTable(uint8_t* destination) {
    return Chunked({kCmdReadKeyTable, Direction::Read, PacketLock::Command}, destination, nullptr,
                   m_keyTableSize, 0);
}

int CReportChannel::WriteKeyAssignmentTable(const uint8_t* source, int bank) {
    if (bank != 0)
        return kResultBadBank;
    return Chunked({kCmdWriteKeyTable, Direction::Write, PacketLock::Command}, nullptr, source,
                   m_keyTableSize, 0, bank);
}

int CReportChannel::ReadPagedMemory(uint8_t* destination, uint16_t length, uint16_t page,
                                    uint16_t pageSize) {
    return Chunked({kCmdReadPagedMemory, Direction::Read, PacketLock::Command}, destination,
                   nullptr, length, static_cast<uint32_t>(page) * pageSize);
}

int CReportChannel::WritePagedMemory(const uint8_t* source, uint16_t length, uint16_t page,
                                     uint16_t pageSize) {
    ChunkedCommand command{kCmdWritePagedMemory, Direction::Write, PacketLock::Light};
    command.doneWhenDisabled = true;
    return Chunked(command, nullptr, source, length, static_cast<uint32_t>(page) * pageSize);
}

int CReportChannel::WriteLightFrame(const uint8_t* source, uint16_t length) {
    ChunkedCommand command{kCmdWriteLightFrame, Direction::Write, PacketLock::Light};
    command.quiet = true;
    command.skipWhileBusy = true;
    return Chunked(command, nullptr, source, length, 0);
}

int CReportChannel::WriteMacroMemory(const uint8_t* source, uint16_t length) {
    return Chunked({kCmdWriteMacroData, Direction::Write, PacketLock::Command}, nullptr, source,
                   length, 0);
}

int CReportChannel::WriteShootMemory(const uint8_t* source, uint16_t length) {
    ChunkedCommand command{kCmdWriteShootData, Direction::Write, PacketLock::None};
    command.fixedChunk = kReportMaxData;
    return Chunked(command, nullptr, source, length, 0);
}

int CReportChannel::ReadStatusBytes(uint8_t* destination, uint8_t length, uint16_t offset) {
    length = std::min<uint8_t>(length, kReportMaxData);
    uint8_t request[kReportSize] = {};
    request[0] = kConfigReportId;
    request[3] = kCmdReadStatus;
    request[4] = length;
    request[5] = static_cast<uint8_t>(offset & 0xFF);
    request[6] = static_cast<uint8_t>(offset >> 8);
    SealReport(request);
    uint8_t reply[kReportSize] = {};
    int result;
    {
        std::lock_guard command(m_commandLock);
        result = Transact(request, kReportSize, reply, kReportSize, nullptr);
    }
    if (result != kResultDone)
        return result;
    if (int status = StatusResult(reply); status != kResultDone)
        return status;
    std::memcpy(destination, reply + kReportDataOffset, length);
    return kResultDone;
}

int CReportChannel::ReadKeyTableThird(uint8_t* destination) {
    return Chunked({kCmdReadKeyTableThird, Direction::Read, PacketLock::Command}, destination,
                   nullptr, static_cast<uint16_t>(m_keyTableSize / 3), 0);
}

int CReportChannel::SendLightControlNotice() {
    return SinglePacket(kCmdLightControlNotice);
}

bool CReportChannel::QueryLink() {
    if (!m_receiverMode)
        return true;
    uint8_t reply[kReportSize] = {};
    int result = SinglePacket(kCmdLinkQuery, reply);
    // SinglePacket already folded the status byte into the result.
    return result == kResultDone && reply[8] == 0xFF;
}
