// SPDX-License-Identifier: GPL-2.0-or-later
// The device base class and the connection life of its list entry, on the simulated mouse.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "base/Paths.h"
#include "device/ConnectionLife.h"
#include "device/QuillonKeyboardDevice.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"
#include "support/ScriptedHid.h"

namespace fs = std::filesystem;

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";

TEST(QuillonUSBDeviceTest, LightColoursResizeOnlyWhenTheCountChanges) {
    CQuillonUSBDevice device;
    device.SetLightCount(15);
    device.SetLightColour(3, PackLightColour(1, 2, 3, 255));
    device.SetLightColour(15, 0x12345678);  // beyond the array: ignored
    device.SetLightColour(-1, 0x12345678);
    EXPECT_EQ(device.GetLightColour(3), 0xFF030201u);
    EXPECT_EQ(device.GetLightColour(15), 0u);
    EXPECT_EQ(device.GetLightColour(-1), 0u);
    device.SetLightCount(15);
    EXPECT_EQ(device.GetLightColour(3), 0xFF030201u);
    device.SetLightCount(13);
    EXPECT_EQ(device.GetLightCount(), 13);
    EXPECT_EQ(device.GetLightColour(3), 0u);
    device.SetLightColour(3, 7);
    device.LightsOff();
    EXPECT_EQ(device.GetLightColour(3), 0u);
}

TEST(QuillonUSBDeviceTest, UserFolderAndDefaultProfilePath) {
    fs::path root = fs::temp_directory_path() / ("quillon-device-" + std::to_string(::getpid()));
    fs::remove_all(root);
    SetUserDataFolder(root / "user");
    CQuillonUSBDevice device;
    device.SetTypeKey("mouse");
    fs::path folder = device.GetUserDeviceFolder();
    EXPECT_EQ(folder, root / "user" / "mouse" / "");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(device.GetDefaultProfilePath(),
              GetProgramDataFolder() / "DefaultData" / "mouse.Json");
    SetUserDataFolder({});
    fs::remove_all(root);
}

TEST(QuillonUSBDeviceTest, LightControlNoticeGoesToKeyboardsOnly) {
    CScriptedBackend backend;
    HidInterfaceProps props;
    props.inputReportLength = props.outputReportLength = 64;
    auto connection = backend.Add("/dev/hidraw1#vid_320f&pid_0000&mi_01&col04", props);
    connection->responder = EchoResponder();
    for (uint16_t deviceClass : {kDeviceClassKeyboard, kDeviceClassMouse}) {
        SCOPED_TRACE(deviceClass);
        CQuillonKeyboardDevice device(&backend);
        HidInterfaceInfo record;
        record.deviceClass = deviceClass;
        device.SetDeviceRecord(record);
        ASSERT_TRUE(
            device.ConnectConfiguration("/dev/hidraw1#vid_320f&pid_0000&mi_01&col04", false));
        size_t before = connection->Writes().size();
        device.SetLightControl(0);
        device.SetLightControl(1);
        auto writes = connection->Writes();
        ASSERT_EQ(writes.size() - before, deviceClass == kDeviceClassKeyboard ? 1u : 0u);
        if (writes.size() > before) {
            EXPECT_EQ(writes.back()[3], kCmdLightControlNotice);
        }
        EXPECT_EQ(device.GetLightControl(), 1);
    }
}

class DeviceOnSimulatedMouseTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetReceiverPlugged(true);
        mouse.SetWirelessCapable(true);
    }
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    CQuillonMouseDevice mouse{backend.get()};
};

TEST_F(DeviceOnSimulatedMouseTest, FailedSwitchToTheCableKeepsTheReceiver) {
    ASSERT_TRUE(mouse.ConnectConfiguration(kReceiverConfig, true));
    EXPECT_FALSE(mouse.SwitchTransport("emulated/cable-if1#vid_320f&pid_226e&mi_01&col09", false));
    EXPECT_TRUE(mouse.IsConfigPresent());
    EXPECT_TRUE(mouse.IsThroughReceiver());
    uint8_t status[2];
    EXPECT_EQ(mouse.ConfigChannel().ReadStatusBytes(status, 2, 0), kResultDone);

    ASSERT_TRUE(mouse.SwitchTransport(kCableConfig, false));
    EXPECT_FALSE(mouse.IsThroughReceiver());
    EXPECT_EQ(mouse.ConfigChannel().GetChunkSize(), 56);
    // The cable goes and the receiver cannot be opened either: nothing is left.
    world->SetCablePlugged(false);
    world->SetReceiverPlugged(false);
    EXPECT_FALSE(mouse.SwitchTransport(kReceiverConfig, true));
    EXPECT_FALSE(mouse.IsConfigPresent());
}

// Records the timers and entry changes the connection life asks for.
class CRecordingEntry : public IEntryHost {
  public:
    void StartTimer(int timerId, int delayMs) override { timers[timerId] = delayMs; }
    void ShowEntry(bool show) override { shows.push_back(show); }
    // The delay of a started timer, which is consumed; -1 when it was not started.
    int Take(int timerId) {
        auto it = timers.find(timerId);
        if (it == timers.end())
            return -1;
        int delay = it->second;
        timers.erase(it);
        return delay;
    }
    std::map<int, int> timers;
    std::vector<bool> shows;
};

class CCountingMouse : public CQuillonMouseDevice {
  public:
    using CQuillonMouseDevice::CQuillonMouseDevice;
    void InitialSync() override { ++syncs; }
    int syncs = 0;
};

class ConnectionLifeTest : public DeviceOnSimulatedMouseTest {
  protected:
    void SetUp() override {
        DeviceOnSimulatedMouseTest::SetUp();
        device.SetWirelessCapable(true);
    }
    CCountingMouse device{backend.get()};
    CRecordingEntry entry;
    CConnectionLife life{device, entry};
};

TEST_F(ConnectionLifeTest, ThroughTheReceiverTheLinkPollShowsAndHidesTheEntry) {
    ASSERT_TRUE(device.ConnectConfiguration(kReceiverConfig, true));
    life.StartFirstContact(500);
    EXPECT_EQ(entry.Take(kTimerFirstContact), 500);

    life.OnTimer(kTimerFirstContact);
    EXPECT_EQ(entry.shows, std::vector<bool>{true});
    EXPECT_EQ(device.syncs, 1);
    EXPECT_EQ(entry.Take(kTimerLightFrame), 5);
    EXPECT_EQ(entry.Take(kTimerStatus), 50);
    EXPECT_EQ(entry.Take(kTimerLinkPoll), 2000);

    life.OnTimer(kTimerLinkPoll);  // reachable and shown: nothing to do
    EXPECT_EQ(entry.shows.size(), 1u);
    EXPECT_EQ(entry.Take(kTimerLinkPoll), 3000);

    world->SetLinkUp(false);
    life.OnTimer(kTimerLinkPoll);
    EXPECT_EQ(entry.shows, (std::vector<bool>{true, false}));
    EXPECT_EQ(entry.Take(kTimerLinkPoll), 3000);

    world->SetLinkUp(true);
    SimMouseConfig config = world->Config();
    config.batteryPercent = 42;
    world->SetConfig(config);
    life.OnTimer(kTimerLinkPoll);
    EXPECT_EQ(entry.shows, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(device.PowerStatus()[0], 42);  // read again on return
    EXPECT_EQ(entry.Take(kTimerLinkPoll), 3000);

    life.OnTimer(kTimerStatus);
    EXPECT_EQ(entry.Take(kTimerStatus), 10000);
    life.OnTimer(kTimerLightFrame);
    EXPECT_EQ(entry.Take(kTimerLightFrame), 500);

    device.DisconnectConfiguration();  // the timers stop re-arming
    for (int timer : {kTimerLinkPoll, kTimerStatus, kTimerLightFrame})
        life.OnTimer(timer);
    EXPECT_TRUE(entry.timers.empty());
}

TEST_F(ConnectionLifeTest, AnUnreachableMouseIsAskedAgainAndStaysHidden) {
    ASSERT_TRUE(device.ConnectConfiguration(kReceiverConfig, true));
    world->SetLinkUp(false);
    life.SetVisible(true);
    life.OnTimer(kTimerFirstContact);
    EXPECT_EQ(entry.shows, std::vector<bool>{false});
    EXPECT_EQ(entry.Take(kTimerFirstContact), 5000);
    EXPECT_TRUE(entry.timers.empty());
    EXPECT_EQ(device.syncs, 0);
    for (int i = 1; i < CConnectionLife::kLinkFailureWrap; ++i)
        life.OnTimer(kTimerFirstContact);
    EXPECT_EQ(life.LinkFailures(), 0);  // wrapped at 20
    EXPECT_EQ(entry.shows.size(), 1u);  // hidden once

    world->SetLinkUp(true);
    life.OnTimer(kTimerFirstContact);
    EXPECT_EQ(entry.shows.back(), true);
    EXPECT_EQ(device.syncs, 1);
}

TEST_F(ConnectionLifeTest, OnTheCableFirstContactSyncsAtOnceWithoutALinkPoll) {
    ASSERT_TRUE(device.ConnectConfiguration(kCableConfig, false));
    life.OnTimer(kTimerFirstContact);
    EXPECT_TRUE(entry.shows.empty());  // discovery shows a cable connection itself
    EXPECT_EQ(device.syncs, 1);
    EXPECT_EQ(entry.Take(kTimerLightFrame), 5);
    EXPECT_EQ(entry.Take(kTimerStatus), 50);
    EXPECT_EQ(entry.Take(kTimerLinkPoll), -1);
    life.OnTimer(kTimerLinkPoll);
    EXPECT_EQ(entry.Take(kTimerLinkPoll), -1);

    device.DisconnectConfiguration();
    life.StartLinkPoll(2000);
    EXPECT_TRUE(entry.timers.empty());
}

}  // namespace
