// SPDX-License-Identifier: GPL-2.0-or-later

#include <json/json.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "SimTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

class SimStateTest : public SimFixture {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("sim-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = folder / "mouse.json";
    }
    void TearDown() override { fs::remove_all(folder); }
    void WriteFile(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

    fs::path folder;
    fs::path file;
};

TEST_F(SimStateTest, SaveAndLoadRoundTrip) {
    SimMouseConfig config;
    config.sensorId = 0x8925;
    config.keyTablePositions = 15;
    config.firmwareVersion = 0x0104;
    config.batteryPercent = 33;
    config.charging = 1;
    config.macroMemorySize = 512;
    config.buttonPositions = {14, 13, 12, 11, 10, 9, 8, 7, 6, 0xFF, 4};
    world.SetConfig(config);
    auto handle = OpenConfig();
    Transact(*handle, Request(0x06, 3, 200, {1, 2, 3}));
    Transact(*handle, Request(0x09, 3, 3, {0x70, 0x01, 0x00}));
    Transact(*handle, Request(0x15, 2, 510, {0xAA, 0x55}));
    Transact(*handle, Request(0x17, 2, 0, {0x55, 0xAA}));
    world.SetReceiverPlugged(true);
    world.SetLinkUp(false);

    std::string error;
    ASSERT_TRUE(world.SaveState(file, &error)) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file left behind";

    CSimWorld loaded;
    ASSERT_TRUE(loaded.LoadState(file, &error)) << error;
    SimMouseConfig back = loaded.Config();
    EXPECT_EQ(back.sensorId, 0x8925);
    EXPECT_EQ(back.keyTablePositions, 15);
    EXPECT_EQ(back.firmwareVersion, 0x0104);
    EXPECT_EQ(back.batteryPercent, 33);
    EXPECT_EQ(back.charging, 1);
    EXPECT_EQ(back.macroMemorySize, 512);
    EXPECT_EQ(back.buttonPositions, config.buttonPositions);
    EXPECT_EQ(loaded.InfoBlock(), world.InfoBlock());
    EXPECT_EQ(loaded.SettingsMemory(), world.SettingsMemory());
    EXPECT_EQ(loaded.KeyTable(), world.KeyTable());
    EXPECT_EQ(loaded.MacroMemory(), world.MacroMemory());
    EXPECT_EQ(loaded.ShootMemory(), world.ShootMemory());
    EXPECT_EQ(loaded.StatusBytes(), world.StatusBytes());
    EXPECT_TRUE(loaded.CablePlugged());
    EXPECT_TRUE(loaded.ReceiverPlugged());
    EXPECT_FALSE(loaded.LinkUp());
}

TEST_F(SimStateTest, CorruptStateFilesAreRejectedAndChangeNothing) {
    world.SetConfig([] {
        SimMouseConfig c;
        c.sensorId = 0x3104;
        return c;
    }());
    const std::string before = world.DumpJson();
    const std::pair<const char*, std::string> cases[] = {
        {"not JSON", "this is not json"},
        {"truncated", R"({"config": {"sensorId": 1)"},
        {"array root", "[1, 2, 3]"},
        {"config of the wrong type", R"({"config": 3})"},
        {"deep nesting", std::string(100000, '[') + std::string(100000, ']')},
        {"empty", ""},
    };
    for (const auto& [name, text] : cases) {
        WriteFile(text);
        std::string error;
        EXPECT_FALSE(world.LoadState(file, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    std::string error;
    EXPECT_FALSE(world.LoadState(folder / "missing.json", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(world.DumpJson(), before);
}

TEST_F(SimStateTest, WrongTypedMembersReadAsAbsent) {
    WriteFile(R"({"config": {"sensorId": "0x3104", "batteryPercent": 50, "keyTablePositions": -3,
                             "buttonPositions": [1, 2]},
                  "memory": {"settings": 7, "macro": "zz", "shoot": "0102"},
                  "cablePlugged": "yes", "receiverPlugged": true})");
    std::string error;
    ASSERT_TRUE(world.LoadState(file, &error)) << error;
    SimMouseConfig defaults;
    EXPECT_EQ(world.Config().sensorId, defaults.sensorId);
    EXPECT_EQ(world.Config().batteryPercent, 50);
    EXPECT_EQ(world.Config().keyTablePositions, defaults.keyTablePositions);
    EXPECT_EQ(world.Config().buttonPositions, defaults.buttonPositions);
    EXPECT_EQ(world.SettingsMemory(), CSimWorld().SettingsMemory());
    EXPECT_EQ(world.MacroMemory(), Bytes(defaults.macroMemorySize, 0));
    EXPECT_EQ(world.ShootMemory()[0], 1);
    EXPECT_EQ(world.ShootMemory()[1], 2);
    EXPECT_TRUE(world.CablePlugged());
    EXPECT_TRUE(world.ReceiverPlugged());
}

TEST_F(SimStateTest, SaveIntoAMissingFolderFailsCleanly) {
    std::string error;
    EXPECT_FALSE(world.SaveState(folder / "no" / "such" / "mouse.json", &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(SimStateTest, DumpsShowTheMemories) {
    auto handle = OpenConfig();
    Transact(*handle, Request(0x33));  // one protocol error
    std::string text = world.DumpText();
    for (const char* heading :
         {"Information block", "Settings memory, slot 0", "Key table", "Macro memory",
          "Shoot memory", "Status", "Link state", "Protocol errors: 1"})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;

    Json::Value json;
    std::string errors;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string dump = world.DumpJson();
    ASSERT_TRUE(reader->parse(dump.data(), dump.data() + dump.size(), &json, &errors)) << errors;
    EXPECT_EQ(json["protocolErrors"].asUInt(), 1u);
    EXPECT_EQ(json["memory"]["info"].asString().size(), 68u);
    EXPECT_EQ(json["memory"]["settings"].asString().substr(0, 2), "00");
}

TEST_F(SimStateTest, SetByName) {
    struct Case {
        const char* key;
        const char* value;
        bool ok;
        std::function<bool(CSimWorld&)> check;
    };
    const Case cases[] = {
        {"sensor", "0x3104", true, [](CSimWorld& w) { return w.Config().sensorId == 0x3104; }},
        {"sensor", "12549", true, [](CSimWorld& w) { return w.Config().sensorId == 0x3105; }},
        {"sensor", "0x10000", false, nullptr},
        {"firmware", "0x0104", true,
         [](CSimWorld& w) { return w.Interfaces()[0]->Version() == 0x0104; }},
        {"battery", "42", true, [](CSimWorld& w) { return w.StatusBytes()[0] == 42; }},
        {"battery", "101", false, nullptr},
        {"battery", "4x", false, nullptr},
        {"battery", "", false, nullptr},
        {"charging", "1", true, [](CSimWorld& w) { return w.StatusBytes()[1] == 1; }},
        {"charging", "2", false, nullptr},
        {"link", "off", true, [](CSimWorld& w) { return !w.LinkUp(); }},
        {"link", "sideways", false, nullptr},
        {"receiver", "plugged", true, [](CSimWorld& w) { return w.ReceiverPlugged(); }},
        {"cable", "0", true, [](CSimWorld& w) { return !w.CablePlugged(); }},
        {"cable", "maybe", false, nullptr},
        {"interval-us", "1000", true, [](CSimWorld& w) { return w.UsbIntervalUs() == 1000; }},
        {"key-positions", "10,9,8,7,6,5,4,3,2,1,0xFF", true,
         [](CSimWorld& w) {
             return w.Config().buttonPositions ==
                    std::vector<uint8_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0xFF};
         }},
        {"key-positions", "1,2,3", false, nullptr},
        {"key-positions", "1,2,3,4,5,6,7,8,9,10,256", false, nullptr},
        {"key-table-positions", "12", true, [](CSimWorld& w) { return w.KeyTable().size() == 36; }},
        {"macro-size", "2048", true, [](CSimWorld& w) { return w.MacroMemory().size() == 2048; }},
        {"shoot-size", "100", true, [](CSimWorld& w) { return w.ShootMemory().size() == 100; }},
        {"dpi-step", "100", true, [](CSimWorld& w) { return w.InfoBlock()[11] == 100; }},
        {"lowest-dpi", "0x190", true,
         [](CSimWorld& w) { return (w.InfoBlock()[14] | w.InfoBlock()[15] << 8) == 0x190; }},
        {"slider-positions", "130", true,
         [](CSimWorld& w) { return (w.InfoBlock()[12] | w.InfoBlock()[13] << 8) == 130; }},
        {"colour", "red", false, nullptr},
        // Settings no real mouse has.
        {"dpi-step", "0", false, nullptr},
        {"lowest-dpi", "0", false, nullptr},
        {"macro-size", "0", false, nullptr},
        {"shoot-size", "0", false, nullptr},
        {"slider-positions", "0", false, nullptr},
        {"slider-positions", "1", false, nullptr},
    };
    for (const Case& c : cases) {
        CSimWorld fresh;
        std::string before = fresh.DumpJson();
        std::string message;
        EXPECT_EQ(fresh.SetByName(c.key, c.value, &message), c.ok) << c.key << "=" << c.value;
        if (c.ok) {
            EXPECT_TRUE(c.check(fresh)) << c.key << "=" << c.value;
        } else {
            EXPECT_NE(message.find(c.key), std::string::npos) << message;
            EXPECT_EQ(fresh.DumpJson(), before) << "a refused value changes nothing";
        }
    }
}

}  // namespace

namespace {

TEST_F(SimStateTest, PendingFaultsTravelWithTheStateFile) {
    world.InjectFault({SimFault::DelayReply, 25, 2});
    world.InjectFault({SimFault::LinkDropDuringTransfer});
    std::string error;
    ASSERT_TRUE(world.SaveState(file, &error)) << error;
    CSimWorld loaded;
    loaded.InjectFault({SimFault::DropReply});  // replaced, not added to
    ASSERT_TRUE(loaded.LoadState(file, &error)) << error;
    EXPECT_EQ(loaded.PendingFaults(), world.PendingFaults());
    for (SimFault::Kind kind :
         {SimFault::DropReply, SimFault::StatusRejected, SimFault::GarbleReply})
        EXPECT_EQ(SimFaultKindByName(SimFaultName(kind)), kind);
    EXPECT_EQ(SimFaultKindByName("gremlins"), std::nullopt);
}

TEST_F(SimStateTest, OnlyARegularFileOfBoundedSizeIsRead) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    std::string error;
    bool unusable = false;
    EXPECT_FALSE(world.LoadState(file, &error, &unusable));  // at once, with no writer
    EXPECT_TRUE(unusable);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    fs::remove(file);
    WriteFile("not json");
    EXPECT_FALSE(world.LoadState(file, &error, &unusable));
    EXPECT_FALSE(unusable) << "a file with bad content is still a state file";
}

}  // namespace
