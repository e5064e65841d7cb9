// SPDX-License-Identifier: GPL-2.0-or-later
// The configuration dialogue with a device: 64-byte reports, one request and its reply, over
// the cable or through the 2.4 GHz receiver.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>

#include "device/HidDevice.h"

// Report layout: ID, checksum (LE, sum of bytes 3..63), command, data length, offset (LE),
// status, 56 data bytes.
inline constexpr size_t kReportSize = 64;
inline constexpr size_t kReportDataOffset = 8;
inline constexpr size_t kReportMaxData = 56;
inline constexpr uint8_t kConfigReportId = 0x04;

enum ReportCommand : uint8_t {
    kCmdBeginConfiguration = 0x01,
    kCmdEndConfiguration = 0x02,
    kCmdReadInformationBlock = 0x03,
    kCmdReadSettingsMemory = 0x05,
    kCmdWriteSettingsMemory = 0x06,
    kCmdReadKeyTable = 0x07,
    kCmdWriteKeyTable = 0x09,
    kCmdReadPagedMemory = 0x0A,
    kCmdWritePagedMemory = 0x0B,
    kCmdWriteLightFrame = 0x12,
    kCmdWriteMacroData = 0x15,
    kCmdWriteShootData = 0x17,
    kCmdReadStatus = 0x1A,
    kCmdReadKeyTableThird = 0x1B,
    kCmdLightControlNotice = 0x1C,
    kCmdLinkQuery = 0xAA,
};

// Results of transactions and commands.
enum ReportResult : int {
    kResultDone = 1,
    kResultNoReply = 0,  // also: channel not present
    kResultWriteFailed = -1,
    kResultUnreachable = -101,  // the receiver cannot reach the device
    kResultStatusFailed = -102,
    kResultStatusRejected = -103,
    kResultBadBank = -201,
};

inline constexpr uint8_t kStatusFailed = 0xFF;
inline constexpr uint8_t kStatusRejected = 0xFE;
inline constexpr size_t kInformationBlockSize = 34;
inline constexpr uint16_t kMaxKeyTableSize = 512;

// Argument of SetTransportMode.
enum TransportMode : int { kTransportModeDirect = 1, kTransportModeReceiver = 2 };

// 16-bit sum of bytes 3..63.
uint16_t ReportChecksum(std::span<const uint8_t, kReportSize> report);
// Stores the checksum in bytes 1-2.
void SealReport(std::span<uint8_t, kReportSize> report);

class CReportChannel {
  public:
    // Transports default to the process-wide HID backend.
    explicit CReportChannel(IHidBackend* backend = nullptr);
    ~CReportChannel();
    CReportChannel(const CReportChannel&) = delete;
    CReportChannel& operator=(const CReportChannel&) = delete;

    // 0 and no change above 512 bytes.
    int SetKeyTableSize(uint16_t size);
    uint16_t GetKeyTableSize() const { return m_keyTableSize; }
    // 1: cable, chunk 56; 2: receiver, chunk 24; anything else: cable, chunk 56.
    void SetTransportMode(int mode);
    bool IsReceiverMode() const { return m_receiverMode.load(); }
    uint8_t GetChunkSize() const { return m_chunkSize.load(); }
    void SetTransmissionEnabled(bool enabled) { m_transmissionEnabled = enabled; }
    bool IsTransmissionEnabled() const { return m_transmissionEnabled.load(); }
    // Discovery marks the channel present once a transport is open on it.
    void SetPresent(bool present) { m_present = present ? 1 : 0; }
    bool IsPresent() const { return m_present.load() != 0; }
    bool IsBusy() const { return m_busy.load() != 0; }

    CHidDevice& DirectTransport() { return m_direct; }
    CHidDevice& ReceiverTransport() { return m_receiver; }
    // Taken by discovery while it replaces a transport. Lock order: command or light lock, then
    // the I/O lock.
    std::mutex& IoLock() { return m_ioLock; }
    std::mutex& CommandLock() { return m_commandLock; }
    std::mutex& LightLock() { return m_lightLock; }

    // Reply time-outs in ms (defaults 1000 cable, 5000 receiver, 500 receiver quiet).
    void SetTimeouts(int directMs, int receiverMs, int receiverQuietMs);

    // One request and its reply; with hex dumps on the debug sink.
    int Transact(const uint8_t* request, size_t requestLength, uint8_t* reply, size_t replyLength,
                 uint32_t* bytesRead);
    // The same without debug output and with the shorter receiver time-out (light frames).
    int TransactQuiet(const uint8_t* request, size_t requestLength, uint8_t* reply,
                      size_t replyLength, uint32_t* bytesRead);

    // Commands. Each returns a ReportResult; chunked ones stop at the first packet that fails.
    int BeginConfiguration();                        // 0x01
    int EndConfiguration();                          // 0x02, after a 10 ms pause
    int ReadInformationBlock(uint8_t* destination);  // 0x03, 34 bytes
    int ReadSettingsMemory(uint8_t* destination, uint16_t length, uint16_t start);    // 0x05
    int WriteSettingsMemory(const uint8_t* source, uint16_t length, uint16_t start);  // 0x06
    int ReadKeyAssignmentTable(uint8_t* destination);              // 0x07, key table size bytes
    int WriteKeyAssignmentTable(const uint8_t* source, int bank);  // 0x09, bank 0 only
    int ReadPagedMemory(uint8_t* destination, uint16_t length, uint16_t page,
                        uint16_t pageSize);  // 0x0A
    int WritePagedMemory(const uint8_t* source, uint16_t length, uint16_t page,
                         uint16_t pageSize);                                     // 0x0B
    int WriteLightFrame(const uint8_t* source, uint16_t length);                 // 0x12
    int WriteMacroMemory(const uint8_t* source, uint16_t length);                // 0x15
    int WriteShootMemory(const uint8_t* source, uint16_t length);                // 0x17
    int ReadStatusBytes(uint8_t* destination, uint8_t length, uint16_t offset);  // 0x1A
    int ReadKeyTableThird(uint8_t* destination);                                 // 0x1B
    int SendLightControlNotice();                                                // 0x1C
    // 0xAA: whether the device behind the receiver answers; true at once on the cable.
    bool QueryLink();

  private:
    enum class PacketLock { Command, Light, None };
    enum class Direction { Read, Write };
    struct ChunkedCommand {
        uint8_t code;
        Direction direction;
        PacketLock lock;
        bool quiet = false;             // light frames
        bool skipWhileBusy = false;     // light frames are dropped, not queued
        bool doneWhenDisabled = false;  // paged writes count as done without transmission
        uint8_t fixedChunk = 0;         // 0: the transport's chunk size
    };

    int TransactImpl(const uint8_t* request, size_t requestLength, uint8_t* reply,
                     size_t replyLength, uint32_t* bytesRead, bool verbose);
    int SinglePacket(uint8_t code, uint8_t* reply = nullptr);
    int Chunked(const ChunkedCommand& command, uint8_t* destination, const uint8_t* source,
                uint16_t total, uint32_t baseOffset, int bank = 0);
    static int StatusResult(const uint8_t* reply);

    uint16_t m_keyTableSize = kMaxKeyTableSize;
    std::atomic<int> m_busy{0};
    std::atomic<int> m_present{0};
    CHidDevice m_direct;
    CHidDevice m_receiver;
    std::mutex m_ioLock;
    std::mutex m_commandLock;
    std::mutex m_lightLock;
    std::atomic<bool> m_receiverMode{false};
    std::atomic<uint8_t> m_chunkSize{24};
    std::atomic<bool> m_transmissionEnabled{true};
    std::atomic<int> m_directTimeoutMs{1000};
    std::atomic<int> m_receiverTimeoutMs{5000};
    std::atomic<int> m_receiverQuietTimeoutMs{500};
};
