// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated mouse and its 2.4 GHz receiver, seen from the host as USB HID interfaces.
// This is a model of the firmware side: it parses and builds reports with its own code and
// validates every request strictly, so host bugs show up as protocol errors.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class SimIo { Ok, Timeout, Cancelled, Gone };

class CSimWorld;
class CSimHidInterface;

// A host's open handle on one simulated interface, like an open hidraw descriptor: every
// handle receives its own copy of each input report of the interface. Like hidraw, a handle
// keeps at most kMaxQueued unread reports and drops newer ones. The world must outlive any
// call in progress on a handle; later calls on a handle of a destroyed world return Gone.
class CSimHidHandle {
  public:
    static constexpr size_t kMaxQueued = 512;
    ~CSimHidHandle();
    // Host → device, byte 0 the report ID. Takes one USB interval.
    SimIo Write(std::span<const uint8_t> report, int timeoutMs);
    // Device → host, byte 0 the report ID; timeoutMs < 0 waits forever.
    SimIo Read(std::vector<uint8_t>& report, int timeoutMs);
    // Releases a blocked Read or Write at once; later calls return Cancelled.
    void Cancel();

  private:
    friend class CSimHidInterface;
    friend class CSimWorld;
    explicit CSimHidHandle(std::shared_ptr<CSimHidInterface> owner);
    void Deliver(std::vector<uint8_t> report, std::chrono::steady_clock::time_point readyAt);
    // Held reports (ready at the end of time) arrive at `now`.
    void ReleaseHeld(std::chrono::steady_clock::time_point now);
    void MarkGone();

    std::shared_ptr<CSimHidInterface> m_owner;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    struct Pending {
        std::vector<uint8_t> report;
        std::chrono::steady_clock::time_point readyAt;
    };
    std::deque<Pending> m_queue;
    bool m_cancelled = false;
    bool m_gone = false;
};

enum class SimDeviceKind { Cable, Receiver };

// One USB interface of a plugged simulated device.
class CSimHidInterface : public std::enable_shared_from_this<CSimHidInterface> {
  public:
    SimDeviceKind Kind() const { return m_kind; }
    // Stable node name, e.g. "emulated/cable-if1".
    const std::string& Node() const { return m_node; }
    uint16_t VendorId() const { return m_vendorId; }
    uint16_t ProductId() const { return m_productId; }
    uint16_t Version() const;  // bcdDevice: the firmware version
    unsigned InterfaceNumber() const { return m_interfaceNumber; }
    const std::vector<uint8_t>& ReportDescriptor() const { return m_descriptor; }
    bool Plugged() const;
    // Which plug of its device this is: a new number after every unplug, 0 while unplugged.
    uint64_t PlugNumber() const;
    // Null when the device is unplugged.
    std::shared_ptr<CSimHidHandle> Open();

    // Internal (used by CSimWorld and handles).
    CSimHidInterface(CSimWorld& world, SimDeviceKind kind, unsigned interfaceNumber);
    ~CSimHidInterface();

  private:
    friend class CSimWorld;
    friend class CSimHidHandle;
    CSimWorld& m_world;
    // Set when the world goes away first: the handles then only answer Gone.
    std::atomic<bool> m_detached{false};
    // Open handles, guarded by the world's mutex.
    std::vector<std::weak_ptr<CSimHidHandle>> m_handles;
    SimDeviceKind m_kind;
    std::string m_node;
    uint16_t m_vendorId, m_productId;
    unsigned m_interfaceNumber;
    std::vector<uint8_t> m_descriptor;
};

// Fault injection: applied to the next requests on a configuration interface, in order. The
// firmware runs the request as usual unless the fault says otherwise.
struct SimFault {
    enum Kind {
        DropReply,              // no reply at all
        DelayReply,             // reply after delayMs more
        GarbleReply,            // random bytes after report ID 4; byte 3 never the command sent
        EchoOtherCommand,       // a reply with another command code, then the real one
        StatusFailed,           // status byte 0xFF; the command is not run
        StatusRejected,         // status byte 0xFE; the command is not run
        UnplugDuringTransfer,   // the write succeeds, then the device in use is unplugged
                                // (no reply; blocked reads end with Gone)
        LinkDropDuringTransfer  // the receiver loses the mouse and answers with 0xAA
    } kind;
    int delayMs = 0;
    // Applied after this many further requests pass untouched.
    int afterRequests = 0;

    bool operator==(const SimFault&) const = default;
};

// "drop", "delay", "garble", "wrong-echo", "status-ff", "status-fe", "unplug", "link-drop".
const char* SimFaultName(SimFault::Kind kind);
std::optional<SimFault::Kind> SimFaultKindByName(std::string_view name);

// Configuration of the simulated mouse (all of it lands in the information block etc.).
struct SimMouseConfig {
    uint16_t sensorId = 0x3325;      // 0x3104, 0x3325, 0x8925, or anything (generic)
    uint8_t keyTablePositions = 20;  // key table = 3 × positions bytes
    uint8_t dpiStep = 50;            // generic and 0x3325 sensors
    uint16_t sliderPositions = 130;  // 0x3104 sensor
    uint16_t lowestDpi = 50;         // generic and 0x3325 sensors
    uint16_t macroMemorySize = 1024;
    uint16_t shootMemorySize = 4096;    // four patterns of 30 bullets take 2920 bytes
    uint16_t firmwareVersion = 0x0105;  // bcdDevice of both devices
    uint8_t batteryPercent = 85;
    uint8_t charging = 0;
    // Position of each of the 11 buttons' factory codes in the key table (0xFF: absent).
    std::vector<uint8_t> buttonPositions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
};

// Starts with the cable plugged, the receiver unplugged and the link up; USB interval 0.
class CSimWorld {
  public:
    CSimWorld();
    ~CSimWorld();
    CSimWorld(const CSimWorld&) = delete;
    CSimWorld& operator=(const CSimWorld&) = delete;

    // What is plugged in; each change signals ChangeFd().
    void SetCablePlugged(bool plugged);
    void SetReceiverPlugged(bool plugged);
    bool CablePlugged() const;
    bool ReceiverPlugged() const;
    // Whether the receiver reaches the mouse (mouse on and in range).
    void SetLinkUp(bool up);
    bool LinkUp() const;

    // Interfaces of the plugged devices (cable: vid 0x320F pid 0x226E; receiver: pid 0x226F;
    // each with interface 0 (mouse, keyboard, consumer/event collections) and interface 1
    // (system control and the 0xFF1C/0x92 configuration collection, report ID 4, 64 bytes)).
    std::vector<std::shared_ptr<CSimHidInterface>> Interfaces() const;
    // An eventfd that becomes readable on plug and unplug.
    int ChangeFd() const;
    void AcknowledgeChange();

    // Configuration; rebuilds the information block, key table factory codes and status.
    SimMouseConfig Config() const;
    void SetConfig(const SimMouseConfig& config);
    // Set a configuration or state item by name ("sensor", "firmware", "battery", "charging",
    // "link", "cable", "receiver", "interval-us", "key-positions", ...); false with a
    // message for an unknown key or a bad value.
    bool SetByName(const std::string& key, const std::string& value, std::string* message);

    // Microseconds per report each way (0 = instant).
    void SetUsbIntervalUs(unsigned us);
    unsigned UsbIntervalUs() const;
    void InjectFault(const SimFault& fault);
    void ClearFaults();
    // The faults still to come, in order (kept in the state file, so another process can set
    // them for the next one).
    std::vector<SimFault> PendingFaults() const;
    // From HoldReplies on, the replies to requests stay on the wire until ReleaseReplies
    // delivers them (tests: a mouse that answers late, for as long as the test needs). Not kept
    // in the state file.
    void HoldReplies();
    void ReleaseReplies();

    // The mouse sends an event report (code in bytes 1-2, little-endian) on its event
    // collection, through the cable if plugged, else through the receiver while the link is up.
    void SendEvent(uint16_t code);

    // Memory as the firmware holds it.
    std::vector<uint8_t> InfoBlock() const;       // 34 bytes
    std::vector<uint8_t> SettingsMemory() const;  // slot × 128 addressing
    std::vector<uint8_t> KeyTable() const;        // 3 × positions bytes
    std::vector<uint8_t> MacroMemory() const;
    std::vector<uint8_t> ShootMemory() const;
    std::vector<uint8_t> StatusBytes() const;
    uint32_t ProtocolErrors() const;
    uint32_t RequestsHandled() const;
    // Between a begin (0x01) and an end (0x02) command.
    bool Configuring() const;
    // Memory writes that arrived outside begin/end (allowed, but worth a look).
    uint32_t WritesOutsideConfiguration() const;
    // Last protocol error, for test messages.
    std::string LastProtocolError() const;

    // A state file is a regular file of at most this size; anything else is refused unread.
    static constexpr size_t kMaxStateFileSize = 4u * 1024 * 1024;
    bool SaveState(const std::filesystem::path& file, std::string* error = nullptr) const;
    // False with the reason; `unusable` tells a file that is no state file at all (a FIFO, a
    // device, too big) from one whose content cannot be used.
    bool LoadState(const std::filesystem::path& file, std::string* error = nullptr,
                   bool* unusable = nullptr);
    // Everything as JSON text (for `emulator dump --json`).
    std::string DumpJson() const;
    // Everything as a readable hex dump.
    std::string DumpText() const;

  private:
    friend class CSimHidInterface;
    friend class CSimHidHandle;
    struct Impl;
    std::unique_ptr<Impl> m;
};
