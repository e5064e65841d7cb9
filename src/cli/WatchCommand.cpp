// SPDX-License-Identifier: GPL-2.0-or-later
// watch: what discovery sees, as it happens; emulator event: the simulated mouse sends an event
// report. With --emulate the simulated mouse lives in each process, so a running watch follows
// the state file ("emulator set" in another terminal) and the event log ("emulator event").
#include <fcntl.h>
#include <json/json.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "base/Debug.h"
#include "base/Paths.h"
#include "cli/CliSession.h"
#include "device/ConnectionLife.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/SimulatedMouseFollower.h"

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

const char* DeviceName(uint16_t deviceClass) {
    switch (deviceClass) {
        case kDeviceClassMouse:
        case kDeviceClassMouseReceiver:
            return "mouse";
        case kDeviceClassKeyboard:
        case kDeviceClassKeyboardReceiver:
            return "keyboard";
        case kDeviceClassMousePad:
            return "MousePad";
        case kDeviceClassHeadset:
            return "HD";
        default:
            return "device";
    }
}

bool IsReceiverClass(uint16_t deviceClass) {
    return deviceClass == kDeviceClassMouseReceiver || deviceClass == kDeviceClassKeyboardReceiver;
}

class CWatcher;

// One device's list entry: its connection life, with timers on the dispatcher.
class CWatchEntry : public IEntryHost {
  public:
    CWatchEntry(CWatcher& watcher, CCallbackDispatcher& dispatcher, CQuillonUSBDevice& device)
        : life(device, *this), m_watcher(watcher), m_dispatcher(dispatcher) {}
    ~CWatchEntry() override {
        for (auto& [id, timer] : m_timers)
            m_dispatcher.CancelTimer(timer);
    }
    CWatchEntry(const CWatchEntry&) = delete;
    CWatchEntry& operator=(const CWatchEntry&) = delete;

    void StartTimer(int timerId, int delayMs) override {
        // Nothing is drawn here.
        if (timerId == kTimerLightFrame)
            return;
        if (auto it = m_timers.find(timerId); it != m_timers.end())
            m_dispatcher.CancelTimer(it->second);
        m_timers[timerId] = m_dispatcher.StartTimer(delayMs, [this, timerId] {
            m_timers.erase(timerId);
            life.OnTimer(timerId);
            AfterTimer();
        });
    }
    void ShowEntry(bool show) override;
    void AfterTimer();

    CConnectionLife life;

  private:
    CWatcher& m_watcher;
    CCallbackDispatcher& m_dispatcher;
    std::map<int, uint64_t> m_timers;
};

// Prints what discovery, the entries and the listeners report, on the loop's thread, and acts
// on the mouse's events as the window does.
class CWatcher : public IDeviceDiscoveryOwner,
                 public IDeviceEventSink,
                 public IMouseOwner,
                 public IFirmwarePrompt {
  public:
    CWatcher(CliSession& session, CCallbackDispatcher& dispatcher)
        : m_session(session), m_dispatcher(dispatcher) {}

    void OnDeviceCreated(CQuillonUSBDevice& device) override {
        m_entries[&device] = std::make_unique<CWatchEntry>(*this, m_dispatcher, device);
        if (auto* mouse = device.AsMouse()) {
            mouse->SetOwner(this);
            mouse->SetFirmwarePrompt(this);
        }
    }

    // ---- the mouse's events, acted on ----
    void ScheduleSettingsReload(CQuillonMouseDevice& mouse, int delayMs) override {
        m_dispatcher.Post([this, &mouse, delayMs] {
            m_dispatcher.StartTimer(delayMs, [this, &mouse] {
                // ReloadSettings, with what the read reached.
                const MouseResult read = mouse.ReadSettings();
                mouse.ApplyProfile();
                Print(mouse.GetTypeKey() + ": settings re-read into the profile" +
                      (read.Sent() ? "" : " (the mouse did not answer)"));
            });
        });
    }
    void ScheduleProfileRefresh(CQuillonMouseDevice& mouse, const MouseEvent&) override {
        m_dispatcher.Post([&mouse] { mouse.ApplyProfile(); });
    }
    void OnProfileApplied(CQuillonMouseDevice& mouse,
                          const MouseProfileSnapshot& profile) override {
        if (m_session.json)
            return;
        Print(mouse.GetTypeKey() + ": profile shown, DPI stage " +
              std::to_string(profile.activeStage + 1) + " active");
    }

    // ---- old firmware: pointed out, the watch goes on ----
    bool ConfirmFirmwareUpgrade(uint16_t, uint16_t) override { return false; }
    void OnFirmwareUpgradeDeclined(uint16_t current, uint16_t required) override {
        Print("mouse: firmware " + FirmwareVersionText(current) + " is older than " +
              FirmwareVersionText(required) + "; install it with: kestrunectl firmware upgrade");
    }
    void OnUpgraderFailed(const std::string&) override {}
    void OnInterfaceArrived(int slot, const HidInterfaceInfo& record) override {
        PrintInterface("arrived", slot, record);
    }
    void OnInterfaceRemoved(int slot, const HidInterfaceInfo& record) override {
        PrintInterface("removed", slot, record);
    }
    void OnShowEntry(CQuillonUSBDevice& device, bool show) override {
        if (CWatchEntry* entry = Entry(device))
            entry->life.SetVisible(show);
        Availability(device, show);
    }
    void OnStartFirstContact(CQuillonUSBDevice& device, int delayMs) override {
        if (CWatchEntry* entry = Entry(device))
            entry->life.StartFirstContact(delayMs);
    }
    void OnStartLinkPoll(CQuillonUSBDevice& device, int delayMs) override {
        if (CWatchEntry* entry = Entry(device))
            entry->life.StartLinkPoll(delayMs);
    }
    void OnTransportSwitched(CQuillonUSBDevice& device, bool throughReceiver) override {
        if (m_session.json) {
            Json::Value value;
            value["event"] = "switched";
            value["device"] = device.GetTypeKey();
            value["connection"] = throughReceiver ? "receiver" : "cable";
            PrintJson(value);
        } else {
            Print("switched  " + device.GetTypeKey() +
                  (throughReceiver ? " now through the receiver" : " now by cable"));
        }
        Battery(device);
    }
    void OnFirstPassDone() override { firstPassDone = true; }

    // On a listener thread: printed on the loop's.
    void OnDeviceEvent(CQuillonUSBDevice& device, bool throughReceiver,
                       std::span<const uint8_t> report) override {
        std::vector<uint8_t> bytes(report.begin(), report.end());
        m_dispatcher.Post([this, &device, throughReceiver, bytes] {
            PrintEvent(device, throughReceiver, bytes);
        });
    }

    void Availability(CQuillonUSBDevice& device, bool available) {
        auto [it, inserted] = m_available.try_emplace(&device, available);
        if (!inserted && it->second == available)
            return;
        it->second = available;
        if (m_session.json) {
            Json::Value value;
            value["event"] = available ? "available" : "unavailable";
            value["device"] = device.GetTypeKey();
            PrintJson(value);
        } else {
            Print(device.GetTypeKey() + (available ? ": available" : ": unavailable"));
        }
        if (available)
            Battery(device);
    }

    // Prints the battery state when it changed.
    void Battery(CQuillonUSBDevice& device) {
        auto* mouse = device.AsMouse();
        if (!mouse || !device.IsConfigPresent())
            return;
        auto status = mouse->PowerStatus();
        if (status[0] == 0 && status[1] == 0)
            return;  // not read yet
        int key = status[0] | status[1] << 8;
        if (m_battery.count(&device) && m_battery[&device] == key)
            return;
        m_battery[&device] = key;
        static const char* const kCharging[] = {"full", "charging", "on battery"};
        const char* charging = status[1] < 3 ? kCharging[status[1]] : "unknown";
        if (m_session.json) {
            Json::Value value;
            value["event"] = "battery";
            value["device"] = device.GetTypeKey();
            value["percent"] = status[0];
            value["charging"] = charging;
            PrintJson(value);
        } else {
            Print(device.GetTypeKey() + ": battery " + std::to_string(status[0]) + "%, " +
                  charging);
        }
    }

    void Ready() {
        if (m_session.json) {
            Json::Value value;
            value["event"] = "ready";
            PrintJson(value);
        } else {
            Print("watching; Ctrl+C stops");
        }
    }

    bool firstPassDone = false;

  private:
    CWatchEntry* Entry(CQuillonUSBDevice& device) {
        auto it = m_entries.find(&device);
        return it == m_entries.end() ? nullptr : it->second.get();
    }

    void PrintInterface(const char* what, int slot, const HidInterfaceInfo& record) {
        const char* connection = IsReceiverClass(record.deviceClass) ? "receiver" : "cable";
        const char* role = record.collectionKind == kCollectionEvent ? "event" : "configuration";
        if (m_session.json) {
            Json::Value value;
            value["event"] = what;
            value["slot"] = slot;
            value["device"] = DeviceName(record.deviceClass);
            value["connection"] = connection;
            value["role"] = role;
            value["path"] = record.path;
            PrintJson(value);
            return;
        }
        char line[512];
        std::snprintf(line, sizeof line, "%-9s %s, %s, %s interface: %s", what,
                      DeviceName(record.deviceClass), connection, role, record.path.c_str());
        Print(line);
    }

    void PrintEvent(CQuillonUSBDevice& device, bool throughReceiver,
                    const std::vector<uint8_t>& report) {
        unsigned code = report.size() >= 3 ? report[1] | report[2] << 8 : 0;
        const bool isMouse = device.AsMouse() != nullptr;
        const std::string meaning =
            isMouse ? DescribeMouseEvent(DecodeMouseEvent(report, throughReceiver)) : "";
        std::string hex;
        for (uint8_t byte : report) {
            char text[4];
            std::snprintf(text, sizeof text, "%02x", byte);
            hex += text;
        }
        const char* connection = throughReceiver ? "receiver" : "cable";
        if (m_session.json) {
            Json::Value value;
            value["event"] = "report";
            value["device"] = device.GetTypeKey();
            value["connection"] = connection;
            value["code"] = Hex4(code);
            value["report"] = hex;
            if (isMouse)
                value["meaning"] = meaning;
            PrintJson(value);
        } else {
            Print("event     " + device.GetTypeKey() + " " + Hex4(code) + " (" + connection +
                  ", report " + hex + ")" + (isMouse ? ": " + meaning : ""));
        }
    }

    void Print(const std::string& line) { m_session.out << line << std::endl; }
    void PrintJson(const Json::Value& value) {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "";
        builder["emitUTF8"] = true;
        m_session.out << Json::writeString(builder, value) << std::endl;
    }

    CliSession& m_session;
    CCallbackDispatcher& m_dispatcher;
    std::map<CQuillonUSBDevice*, std::unique_ptr<CWatchEntry>> m_entries;
    std::map<CQuillonUSBDevice*, bool> m_available;
    std::map<CQuillonUSBDevice*, int> m_battery;
};

void CWatchEntry::ShowEntry(bool show) {
    m_watcher.Availability(life.Device(), show);
}

void CWatchEntry::AfterTimer() {
    m_watcher.Battery(life.Device());
}

}  // namespace

int RunEmulatorEvent(CliSession& session, const std::string& codeText) {
    std::optional<uint16_t> code = ParseEventCode(codeText);
    if (!code)
        return session.Fail(
            kExitUsage,
            "the event code is a number from 0 to 0xFFFF, e.g. 0x0401, not \"" + codeText + "\"");
    session.simulated->World()->SendEvent(*code);
    if (std::string error; !AppendSimulatedEvent(*code, &error))
        return session.Fail(kExitError, error);
    if (!session.json)
        session.out << "simulated mouse: event " << Hex4(*code)
                    << " sent (a running watch shows it)\n";
    return kExitOk;
}

int RunWatch(CliSession& session) {
    // SIGINT and SIGTERM are read from a descriptor; the threads started below inherit the
    // blocked mask, so none of them is interrupted.
    sigset_t signals, previous;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, &previous);
    int signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return session.Fail(kExitError,
                            std::string("cannot wait for signals: ") + std::strerror(errno));
    }

    CCallbackDispatcher dispatcher;
    CWatcher watcher(session, dispatcher);
    std::optional<CSimulatedMouseFollower> follower;
    if (session.simulated) {
        // What this watch was started with (--emulate=receiver, ...) is what the others see.
        std::string error;
        if (!session.simulated->Save(&error))
            session.err << "kestrunectl: " << error << "\n";
        follower.emplace(*session.simulated);
        if (follower->Fd() < 0)
            session.err << "kestrunectl: " << follower->Error()
                        << "; changes made by other kestrunectl calls will not show\n";
    }
    auto discovery =
        std::make_unique<CDeviceDiscovery>(session.backend, dispatcher, watcher, MakeQuillonDevice);
    discovery->SetEventSink(&watcher);
    discovery->Start();

    bool ready = false;
    for (;;) {
        dispatcher.RunPending();
        if (!ready && watcher.firstPassDone) {
            watcher.Ready();
            ready = true;
        }
        pollfd fds[3] = {{signalFd, POLLIN, 0},
                         {dispatcher.Fd(), POLLIN, 0},
                         {follower ? follower->Fd() : -1, POLLIN, 0}};
        int n = poll(fds, 3, dispatcher.MsUntilNextTimer());
        if (n < 0 && errno != EINTR)
            break;
        if (fds[0].revents) {
            signalfd_siginfo info{};
            [[maybe_unused]] ssize_t got = read(signalFd, &info, sizeof info);
            DebugPrintf(DebugArea::App, "watch: signal %u, stopping", info.ssi_signo);
            break;
        }
        if (follower && fds[2].revents)
            follower->OnReadable();
    }

    // Threads first, then what they report to.
    discovery.reset();
    close(signalFd);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return kExitOk;
}
