// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's information, key table and settings image against the simulated mouse, checked on
// the bytes in its memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";
const std::string kCableEvents = "emulated/cable-if0#vid_320f&pid_226e&mi_00&col03";
const std::string kReceiverEvents = "emulated/receiver-if0#vid_320f&pid_226f&mi_00&col03";

class MouseDeviceTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        world->SetReceiverPlugged(true);
    }
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
        EXPECT_FALSE(world->Configuring()) << "a begin without its end";
    }

    void Connect(CQuillonMouseDevice& device, bool receiver) {
        device.ConfigChannel().SetTimeouts(500, 500, 500);
        ASSERT_TRUE(
            device.ConnectConfiguration(receiver ? kReceiverConfig : kCableConfig, receiver));
    }

    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    CQuillonMouseDevice mouse{backend.get()};
};

struct ImageCase {
    const char* name;
    bool receiver;
    uint8_t effect, speedIndex;
    uint8_t sentEffect, sentSpeedCode;
    uint8_t readPosition, readSpeedIndex;
};

TEST_F(MouseDeviceTest, SettingsImageReachesTheMouseAndReadsBack) {
    // The effect value list maps reported numbers 0, 11, 5 to positions 0, 1, 2.
    const std::vector<int> effectValues = {0, 11, 5};
    const ImageCase cases[] = {
        {"custom effect sent as 0", false, 12, 1, 0, 0x8A, 0, 1},
        {"slowest speed through receiver", true, 5, 4, 5, 0x00, 2, 4},
        {"last mouse effect, fastest", false, 11, 0, 11, 0xA4, 1, 0},
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.name);
        CQuillonMouseDevice writer{backend.get()};
        Connect(writer, c.receiver);
        LightInfo light;
        light.effect = c.effect;
        light.brightness = 3;
        light.speed = c.speedIndex;
        light.direction = 1;
        light.multiColor = 1;
        light.red = 0x11, light.green = 0x22, light.blue = 0x33;
        writer.SetLightInfo(light);
        writer.SetDpiStages(
            {{1, 0, 0x1234, 0x0056, 0xA1, 0xA2, 0xA3}, {0, 1, 0x0102, 0xFEDC, 0xB1, 0xB2, 0xB3}});
        writer.SetActiveStage(1);
        MouseSettings settings;
        for (size_t w = 0; w < MouseSettings::kWordCount; ++w)
            settings[w] = static_cast<uint16_t>(0x40 + w);
        writer.SetMouseSettings(settings);

        ASSERT_EQ(writer.WriteSettings(), 1);
        const std::vector<uint8_t> memory = world->SettingsMemory();
        ASSERT_GE(memory.size(), kMouseSettingsBlockSize);
        const std::vector<uint8_t> expectedHead = {
            0, c.sentEffect, 3, c.sentSpeedCode, 1, 1, 0x11, 0x22, 0x33, 0, 0, 0x45, 1, 0};
        EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 14), expectedHead);
        const std::vector<uint8_t> expectedStages = {
            1, 0, 0x34, 0x12, 0x56, 0x00, 0xA1, 0xA2, 0xA3,  // stage 0
            0, 1, 0x02, 0x01, 0xDC, 0xFE, 0xB1, 0xB2, 0xB3,  // stage 1
        };
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 14, memory.begin() + 32), expectedStages);
        EXPECT_TRUE(std::all_of(memory.begin() + 32, memory.begin() + 77, [](uint8_t b) {
            return b == 0;
        })) << "missing stages are left 0";
        const std::vector<uint8_t> expectedTail = {0x4A, 0x4B, 0x4C, 0x4D, 0x4E,
                                                   0x46, 0x47, 0x48, 0,    0};
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 77, memory.begin() + 87), expectedTail);

        // A second device reads what the first wrote; what the image does not carry stays.
        CQuillonMouseDevice reader{backend.get()};
        Connect(reader, c.receiver);
        reader.SetEffectValues(effectValues);
        MouseSettings kept;
        kept[MouseSettings::kDoubleClickTime] = 500;
        kept[MouseSettings::kLiftOff] = 2;
        reader.SetMouseSettings(kept);
        LightInfo readerLight;
        readerLight.direction = 0;
        readerLight.savedEffect = 9;
        reader.SetLightInfo(readerLight);
        reader.SetLightingSync(1);
        ASSERT_EQ(reader.ReadSettingsBlock(), 1);
        EXPECT_EQ(reader.GetLightingSync(), 0);
        EXPECT_EQ(reader.SettingsImage()[MouseBlock::kSlot], 0);
        const LightInfo got = reader.GetLightSettings();
        EXPECT_EQ(got.effect, c.readPosition);
        EXPECT_EQ(got.speed, c.readSpeedIndex);
        EXPECT_EQ(got.brightness, 3);
        EXPECT_EQ(got.multiColor, 1);
        EXPECT_EQ(got.red, 0x11);
        EXPECT_EQ(got.blue, 0x33);
        EXPECT_EQ(got.direction, 0) << "the direction is not read back";
        EXPECT_EQ(got.savedEffect, 9);
        EXPECT_EQ(reader.GetActiveStage(), 1);
        const MouseSettings words = reader.GetMouseSettings();
        EXPECT_EQ(words[MouseSettings::kReportRate], 0x45);
        EXPECT_EQ(words[MouseSettings::kAngleSnapping], 0x47);
        EXPECT_EQ(words[MouseSettings::kRipple], 0x48);
        EXPECT_EQ(words[MouseSettings::kWirelessSleep1], 0x4A);
        EXPECT_EQ(words[MouseSettings::kDeviceSleep2], 0x4D);
        EXPECT_EQ(words[MouseSettings::kKeyDebounce], 0x4E);
        EXPECT_EQ(words[MouseSettings::kDoubleClickTime], 500);
        EXPECT_EQ(words[MouseSettings::kLiftOff], 2);
        EXPECT_TRUE(reader.GetDpiStages().empty());
    }
}

struct KeyMapCase {
    const char* name;
    uint8_t positions;
    std::vector<uint8_t> buttonPositions;  // 0xFF: not in the table
    KeyPositionMap expected;
};

TEST_F(MouseDeviceTest, DeviceInfoReadsTheKeyTableAndFindsEachButton) {
    const KeyMapCase cases[] = {
        {"left moved to 3, DPI loop missing",
         20,
         {3, 1, 2, 0, 4, 5, 6, 0xFF, 8, 9, 10},
         {3, 1, 2, 0, 4, 5, 6, 0xAA, 8, 9, 10}},
        {"table shorter than the button list",
         9,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 0xAA, 0xAA}},
    };
    for (const KeyMapCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimMouseConfig config = world->Config();
        config.keyTablePositions = c.positions;
        config.buttonPositions = c.buttonPositions;
        world->SetConfig(config);
        CQuillonMouseDevice device{backend.get()};
        Connect(device, false);
        ASSERT_TRUE(device.ReadDeviceInfo());
        EXPECT_EQ(device.GetKeyPositionMap(), c.expected);
        const std::vector<uint8_t> table = world->KeyTable();
        ASSERT_EQ(table.size(), 3u * c.positions);
        EXPECT_TRUE(std::equal(table.begin(), table.end(), device.KeyTable().Image().begin()));
        const auto info = device.GetInformationBlock();
        EXPECT_EQ(std::vector<uint8_t>(info.begin(), info.end()), world->InfoBlock());
    }
}

TEST_F(MouseDeviceTest, OversizedKeyTableIsNotRead) {
    SimMouseConfig config = world->Config();
    config.keyTablePositions = 171;  // 513 bytes
    world->SetConfig(config);
    Connect(mouse, false);
    const uint32_t before = world->RequestsHandled();
    EXPECT_FALSE(mouse.ReadDeviceInfo());
    // Begin, the information block and end: no key table request.
    EXPECT_EQ(world->RequestsHandled() - before, 3u);
    EXPECT_EQ(mouse.ConfigChannel().GetKeyTableSize(), kMaxKeyTableSize);
    EXPECT_TRUE(std::all_of(mouse.KeyTable().Image().begin(), mouse.KeyTable().Image().end(),
                            [](uint8_t b) { return b == 0; }));
    for (uint8_t position : mouse.GetKeyPositionMap())
        EXPECT_EQ(position, kNoKeyPosition);
}

TEST_F(MouseDeviceTest, ReceiverWithTheLinkDownSendsNothing) {
    Connect(mouse, true);
    world->SetLinkUp(false);
    LightInfo light;
    light.effect = 3;
    mouse.SetLightInfo(light);
    mouse.SetActiveStage(2);
    const std::vector<uint8_t> memory = world->SettingsMemory();
    const uint32_t before = world->RequestsHandled();

    EXPECT_EQ(mouse.WriteSettings(), 0);
    EXPECT_EQ(mouse.ReadSettingsBlock(), 0);
    EXPECT_FALSE(mouse.ReadDeviceInfo());
    // Only the three link queries reach the receiver.
    EXPECT_EQ(world->RequestsHandled() - before, 3u);
    EXPECT_EQ(world->SettingsMemory(), memory);
    EXPECT_EQ(mouse.GetLightSettings().effect, 3);
    EXPECT_EQ(mouse.GetActiveStage(), 2);
}

TEST_F(MouseDeviceTest, NothingHappensWithoutAChannel) {
    const uint32_t before = world->RequestsHandled();
    EXPECT_EQ(mouse.WriteSettings(), 0);
    EXPECT_EQ(mouse.ReadSettingsBlock(), 0);
    EXPECT_FALSE(mouse.ReadDeviceInfo());
    EXPECT_EQ(world->RequestsHandled(), before);
}

TEST_F(MouseDeviceTest, FirmwareBelowTheUpgradersVersionAsksForIt) {
    const struct {
        uint16_t version;
        bool upgrade;
    } cases[] = {{0x0104, true}, {0x0000, false}, {0x0105, false}, {0x0001, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        SimMouseConfig config = world->Config();
        config.firmwareVersion = c.version;
        world->SetConfig(config);
        CQuillonMouseDevice device{backend.get()};
        EXPECT_FALSE(device.NeedsFirmwareUpgrade()) << "no cable interface open yet";
        Connect(device, false);
        EXPECT_EQ(device.NeedsFirmwareUpgrade(), c.upgrade);
    }
}

class CRecordingPrompt : public IFirmwarePrompt, public IUpgraderLauncher {
  public:
    bool ConfirmFirmwareUpgrade(uint16_t current, uint16_t required) override {
        asked.push_back(current);
        EXPECT_EQ(required, 0x0105);
        return confirm;
    }
    void OnFirmwareUpgradeDeclined(uint16_t, uint16_t) override { ++declined; }
    void OnUpgraderFailed(const std::string& error) override { failure = error; }
    std::string Launch(const std::filesystem::path& executable, const std::string& argument,
                       const std::filesystem::path& folder) override {
        launched.push_back(executable.string() + " " + argument + " in " + folder.string());
        return launchError;
    }

    bool confirm = false;
    std::string launchError;
    std::vector<uint16_t> asked;
    int declined = 0;
    std::string failure;
    std::vector<std::string> launched;
};

TEST_F(MouseDeviceTest, OldFirmwareAsksAndHandsTheMouseToTheUpgrader) {
    struct Case {
        const char* name;
        uint16_t version;
        bool confirm;
        std::string launchError;
        FirmwareCheck check;
    };
    const Case cases[] = {
        {"current", 0x0105, false, "", FirmwareCheck::kCurrent},
        {"unknown", 0x0000, false, "", FirmwareCheck::kCurrent},
        {"declined", 0x0104, false, "", FirmwareCheck::kDeclined},
        {"upgraded", 0x0104, true, "", FirmwareCheck::kUpgraderStarted},
        {"upgrader missing", 0x0104, true, "missing", FirmwareCheck::kUpgraderFailed},
    };
    const std::string upgrader =
        UpgraderPath().string() + " Upgrading in " + UpgraderFolder().string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimMouseConfig config = world->Config();
        config.firmwareVersion = c.version;
        world->SetConfig(config);
        CRecordingPrompt prompt;
        prompt.confirm = c.confirm;
        prompt.launchError = c.launchError;
        CQuillonMouseDevice device{backend.get()};
        device.SetFirmwarePrompt(&prompt);
        device.SetUpgraderLauncher(&prompt);
        Connect(device, false);

        const bool old = c.version == 0x0104;
        EXPECT_EQ(device.ReadDeviceInfo(), !old);
        EXPECT_EQ(device.GetFirmwareCheck(), c.check);
        EXPECT_EQ(prompt.asked, old ? std::vector<uint16_t>{0x0104} : std::vector<uint16_t>{});
        EXPECT_EQ(prompt.declined, c.check == FirmwareCheck::kDeclined ? 1 : 0);
        EXPECT_EQ(prompt.launched,
                  c.confirm ? std::vector<std::string>{upgrader} : std::vector<std::string>{});
        EXPECT_EQ(prompt.failure, c.launchError);
        // Only a started upgrader keeps the tool off the mouse.
        EXPECT_EQ(device.ConfigChannel().IsTransmissionEnabled(),
                  c.check != FirmwareCheck::kUpgraderStarted);
        // An old mouse's key table is not read.
        EXPECT_EQ(device.GetKeyPositionMap()[0], old ? kNoKeyPosition : 0);
    }
}

// Records what the mouse asks of its owner, on the listener threads.
class CRecordingOwner : public IMouseOwner {
  public:
    void ScheduleSettingsReload(CQuillonMouseDevice&, int delayMs) override {
        Add("reload in " + std::to_string(delayMs));
    }
    void ScheduleProfileRefresh(CQuillonMouseDevice&, const MouseEvent& event) override {
        Add("refresh slot " + std::to_string(event.profileSlot) + " stage " +
            std::to_string(event.dpiStage));
    }

    std::vector<std::string> WaitFor(size_t count) {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_log.size() >= count; });
        return m_log;
    }

  private:
    void Add(std::string entry) {
        std::lock_guard lock(m_mutex);
        m_log.push_back(std::move(entry));
        m_cv.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::string> m_log;
};

TEST_F(MouseDeviceTest, EventReportsBecomeWhatTheOwnerDoes) {
    CRecordingOwner owner;
    mouse.SetOwner(&owner);
    LightInfo reactive;
    reactive.effect = kEffectReactive;
    mouse.SetLightInfo(reactive);
    mouse.ApplyLightState();
    Connect(mouse, false);
    ASSERT_TRUE(mouse.OpenEventInterface(kCableEvents, false));
    // The ignored codes come first: by the time the last one is heard, they were too.
    for (uint16_t code : {0x0402, 0x1200, 0x0401, 0x0403, 0x1123})
        world->SendEvent(code);
    EXPECT_EQ(owner.WaitFor(2),
              (std::vector<std::string>{"reload in 50", "refresh slot 3 stage 2"}));
    // The press on the cable flashed the preview's LEDs up.
    EXPECT_EQ(mouse.GetLightEngine().ReactiveStateOf(0), kReactiveRising);
    EXPECT_EQ(mouse.GetLightEngine().KeyLevel(kMouseLedCount - 1), 255);
    mouse.CloseEventInterface(false);

    // Through the receiver a button press is no reactive trigger.
    world->SetCablePlugged(false);
    CRecordingOwner receiverOwner;
    CQuillonMouseDevice viaReceiver{backend.get()};
    viaReceiver.SetOwner(&receiverOwner);
    viaReceiver.SetLightInfo(reactive);
    viaReceiver.ApplyLightState();
    Connect(viaReceiver, true);
    ASSERT_TRUE(viaReceiver.OpenEventInterface(kReceiverEvents, true));
    world->SendEvent(0x0403);
    world->SendEvent(0x1005);
    EXPECT_EQ(receiverOwner.WaitFor(1), std::vector<std::string>{"refresh slot 5 stage -1"});
    EXPECT_EQ(viaReceiver.GetLightEngine().ReactiveStateOf(0), kReactiveIdle);
}

}  // namespace
