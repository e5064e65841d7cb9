// The mouse's information, key table and settings image against the simulated mouse, checked on
// the bytes in its memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "device/EmulatedHidBackend.h"
#include "mouse/QuillonMouseDevice.h"

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";

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
        const LightInfo& got = reader.GetLightInfo();
        EXPECT_EQ(got.effect, c.readPosition);
        EXPECT_EQ(got.speed, c.readSpeedIndex);
        EXPECT_EQ(got.brightness, 3);
        EXPECT_EQ(got.multiColor, 1);
        EXPECT_EQ(got.red, 0x11);
        EXPECT_EQ(got.blue, 0x33);
        EXPECT_EQ(got.direction, 0) << "the direction is not read back";
        EXPECT_EQ(got.savedEffect, 9);
        EXPECT_EQ(reader.GetActiveStage(), 1);
        const MouseSettings& words = reader.GetMouseSettings();
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
        EXPECT_TRUE(std::equal(table.begin(), table.end(), device.KeyTableImage().begin()));
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
    EXPECT_TRUE(std::all_of(mouse.KeyTableImage().begin(), mouse.KeyTableImage().end(),
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
    EXPECT_EQ(mouse.GetLightInfo().effect, 3);
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

}  // namespace
