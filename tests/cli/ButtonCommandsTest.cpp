// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl button and upload end to end: each change checked on the key table, macro and
// shoot memory the simulated mouse holds afterwards, and in the profile file.
#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Paths.h"
#include "cli/ButtonCommands.h"
#include "cli/Cli.h"
#include "emulator/SimWorld.h"
#include "macro/MacroList.h"
#include "profile/JsonFile.h"
#include "simulated/EmulatedHidBackend.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t Le16(const Bytes& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

Bytes CodeAt(const Bytes& table, size_t position) {
    return {table.at(3 * position), table.at(3 * position + 1), table.at(3 * position + 2)};
}

// The event count of each slot of a macro block, in slot order.
std::vector<uint16_t> SlotEventCounts(const Bytes& block) {
    std::vector<uint16_t> counts;
    if (Le16(block, 0) != 0x55AA)
        return counts;
    for (size_t k = 0; k < Le16(block, 4); ++k)
        counts.push_back(Le16(block, Le16(block, 16 + 2 * k)));
    return counts;
}

class ButtonCommandsTest : public testing::Test {
  protected:
    ButtonCommandsTest() {
        ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1);
        ::setenv("KESTRUNE_SKIN_DIR", KESTRUNE_SOURCE_SKIN_DIR, 1);
    }
    ~ButtonCommandsTest() override {
        ::unsetenv("KESTRUNE_DATA_DIR");
        ::unsetenv("KESTRUNE_SKIN_DIR");
    }

    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args), environment); }
    CtlRun Ok(std::vector<std::string> args) {
        CtlRun run = Ctl(std::move(args));
        EXPECT_EQ(run.status, kExitOk) << run.err;
        return run;
    }

    // The simulated mouse as the last --emulate command left it.
    CSimWorld& Mouse() {
        std::string error;
        EXPECT_TRUE(
            saved.LoadState(home.Root() / "state" / "kestrune-q418" / "emulator.json", &error))
            << error;
        EXPECT_EQ(saved.ProtocolErrors(), 0u) << saved.LastProtocolError();
        EXPECT_FALSE(saved.Configuring()) << "a begin without its end";
        return saved;
    }
    fs::path MouseFolder() { return home.Root() / "data" / "Kestrune Q418-RGB" / "mouse"; }
    fs::path ProfileFile() {
        Json::Value list = Ok({"--json", "profile", "list"}).Json();
        const std::string id = list["profiles"][list["selected"].asInt()]["id"].asString();
        return MouseFolder() / (id + ".Json");
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The profile's assignment of a button as three bytes.
    Bytes Assignment(size_t button) {
        Json::Value document;
        std::istringstream in(Read(ProfileFile()));
        Json::CharReaderBuilder builder;
        std::string errors;
        EXPECT_TRUE(Json::parseFromStream(builder, in, &document, &errors)) << errors;
        const auto packed =
            document["Device"][0]["KeyList"][static_cast<int>(button)]["Assignment"].asUInt();
        return {static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 8),
                static_cast<uint8_t>(packed)};
    }
    // A macro of `presses` key presses (two events each).
    void AddMacro(const std::string& name, int presses) {
        Ok({"macro", "add", name});
        SetMacroLength(name, presses);
    }
    void SetMacroLength(const std::string& name, int presses, const char* key = "a") {
        Ok({"macro", "edit", name, Write("macro.txt", Presses(presses, key))});
    }
    static std::string Presses(int presses, const char* key = "a") {
        std::string text;
        for (int i = 0; i < presses; ++i)
            text += std::string("press ") + key + "\n";
        return text;
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const fs::path path = home.Root() / name;
        std::ofstream(path) << text;
        return path.string();
    }

    CTempHome home;
    CliEnvironment environment = TestCliEnvironment();
    CSimWorld saved;
};

struct SetCase {
    const char* button;
    std::vector<std::string> function;
    size_t position;  // the button's key table position (and key-list index)
    Bytes code;
    const char* words;  // as button list shows it
};

TEST_F(ButtonCommandsTest, SetReachesTheProfileAndTheKeyTable) {
    const SetCase cases[] = {
        {"forward", {"ctrl+shift+a"}, 3, {0x20, 0x03, 0x04}, "Ctrl+Shift+A"},
        {"m8", {"F5"}, 9, {0x20, 0x00, 0x3E}, "F5"},
        {"4", {"ralt+page-up"}, 3, {0x20, 0x40, 0x4B}, "Right Alt+Page Up"},
        {"back", {"left", "arrow"}, 4, {0x20, 0x00, 0x50}, "Left arrow"},
        {"back", {"right"}, 4, {0x10, 0x02, 0x00}, "Right button"},
        {"fire", {"fire", "40", "3"}, 10, {0x14, 40, 3}, "Fire (interval 40, count 3)"},
        {"gm", {"wheel", "down", "3", "2", "5"}, 8, {0x12, 0x25, 0xFD}, "Wheel down"},
        {"dpi+", {"volume-up"}, 5, {0x30, 0xE9, 0x00}, "Volume up"},
        {"dpi-", {"gun", "2"}, 6, {0x72, 0x01, 0x00}, "Recoil pattern 2"},
        {"dpi-loop", {"disable"}, 7, {0xA0, 0x00, 0x00}, "Disabled"},
        {"forward", {"default"}, 3, {0x10, 0x10, 0x00}, "Forward button"},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.button + (" " + c.function[0]));
        std::vector<std::string> args = {"--emulate", "button", "set", c.button};
        args.insert(args.end(), c.function.begin(), c.function.end());
        Ok(args);
        EXPECT_EQ(CodeAt(Mouse().KeyTable(), c.position), c.code);
        EXPECT_EQ(Assignment(c.position), c.code);
        const Json::Value list = Ok({"--json", "button", "list"}).Json();
        EXPECT_EQ(
            list["buttons"][static_cast<int>(c.position)]["function"].asString().rfind(c.words, 0),
            0u)
            << list["buttons"][static_cast<int>(c.position)]["function"];
    }
    // The other buttons kept their factory functions on the mouse.
    EXPECT_EQ(CodeAt(Mouse().KeyTable(), 0), (Bytes{0x10, 0x01, 0x00}));
    EXPECT_EQ(CodeAt(Mouse().KeyTable(), 2), (Bytes{0x10, 0x04, 0x00}));
}

TEST_F(ButtonCommandsTest, WithoutTheWordsAFunctionShowsItsCode) {
    Ok({"--emulate", "button", "set", "forward", "ctrl+shift+a"});
    Ok({"--emulate", "button", "set", "fire", "fire", "40", "3"});
    // An old language file: it names the buttons, not the keys.
    const fs::path oldSkin = home.Root() / "old-skin";
    fs::create_directories(oldSkin / "lang");
    std::ofstream(oldSkin / "lang" / "lan_en.xml")
        << "<Language><Text id=\"mouse_key_forward\">Forward button</Text></Language>\n";
    const struct {
        fs::path skin;
        const char* forwardLabel;
        const char* fireLabel;
    } cases[] = {
        {home.Root() / "no-skin", "button 4", "button 11"},
        {oldSkin, "Forward button", "button 11"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skin.string());
        ::setenv("KESTRUNE_SKIN_DIR", c.skin.c_str(), 1);
        const Json::Value buttons = Ok({"--json", "button", "list"}).Json()["buttons"];
        EXPECT_EQ(buttons[3]["label"].asString(), c.forwardLabel);
        EXPECT_EQ(buttons[3]["function"].asString(), "20 03 04");
        EXPECT_EQ(buttons[10]["label"].asString(), c.fireLabel);
        EXPECT_EQ(buttons[10]["function"].asString(), "14 28 03 (interval 40, count 3)");
        EXPECT_NE(Ok({"button", "list"}).out.find("20 03 04"), std::string::npos);
    }
}

TEST_F(ButtonCommandsTest, TheOnlyLeftClickIsNeverTakenAway) {
    Ok({"--emulate", "button", "set", "middle", "default"});
    const Bytes table = Mouse().KeyTable();
    const std::string profile = Read(ProfileFile());
    for (const char* function : {"ctrl+c", "disable", "right"}) {
        const CtlRun run = Ctl({"--emulate", "button", "set", "left", function});
        EXPECT_EQ(run.status, kExitError) << function;
        EXPECT_NE(run.err.find("only button with the left click"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Mouse().KeyTable(), table);
    EXPECT_EQ(Read(ProfileFile()), profile);
    // With the left click on a second button, either may change.
    Ok({"--emulate", "button", "set", "back", "left"});
    Ok({"--emulate", "button", "set", "left", "f13"});
    EXPECT_EQ(CodeAt(Mouse().KeyTable(), 0), (Bytes{0x20, 0x00, 0x68}));
    EXPECT_EQ(Ctl({"--emulate", "button", "set", "back", "ctrl+c"}).status, kExitError);
}

TEST_F(ButtonCommandsTest, BadInputChangesNothing) {
    Ok({"--emulate", "button", "set", "middle", "ctrl+c"});
    const Bytes table = Mouse().KeyTable();
    const std::string profile = Read(ProfileFile());
    const std::vector<std::vector<std::string>> bad = {
        {"wheel", "middle", "f5"},
        {"middle", "ctrl+a+b"},
        {"middle", "hyper+q"},
        {"middle", "fire", "300", "1"},
        {"middle", "swing", "up", "3", "1", "1"},
        {"middle", "gun", "5"},
        {"middle", "macro", "Nope"},
        {"middle", "f5", "--repeat", "2"},
    };
    for (const auto& words : bad) {
        SCOPED_TRACE(words[1]);
        std::vector<std::string> args = {"--emulate", "button", "set"};
        args.insert(args.end(), words.begin(), words.end());
        const CtlRun run = Ctl(args);
        EXPECT_EQ(run.status, kExitUsage) << run.err;
        EXPECT_NE(run.err.find("kestrunectl: "), std::string::npos);
    }
    EXPECT_EQ(Mouse().KeyTable(), table);
    EXPECT_EQ(Read(ProfileFile()), profile);
}

TEST_F(ButtonCommandsTest, MacrosGoToTheSlotsTheKeyTableNames) {
    AddMacro("Reload", 3);  // 6 events, list position 0
    AddMacro("Spray", 5);   // 10 events, list position 1
    Ok({"--emulate", "button", "set", "middle", "macro", "spray", "--mode", "2"});
    Ok({"--emulate", "button", "set", "dpi-loop", "macro", "Reload", "--repeat", "4"});
    Ok({"--emulate", "button", "set", "m8", "macro", "Spray"});

    // Middle uses Spray first: slot 0 is Spray, slot 1 Reload.
    CSimWorld& mouse = Mouse();
    EXPECT_EQ(CodeAt(mouse.KeyTable(), 2), (Bytes{0x70, 0, 2}));
    EXPECT_EQ(CodeAt(mouse.KeyTable(), 7), (Bytes{0x71, 1, 4}));
    EXPECT_EQ(CodeAt(mouse.KeyTable(), 9), (Bytes{0x70, 0, 0}));
    const Bytes memory = mouse.MacroMemory();
    EXPECT_EQ(Le16(memory, 2), 16 + 2 * 2 + 2 * 4 + 4 * 16);
    EXPECT_EQ(SlotEventCounts(memory), (std::vector<uint16_t>{10, 6}));
    // The profile names macros by list position, not by slot.
    EXPECT_EQ(Assignment(7), (Bytes{0x71, 0, 4}));

    // A stale index (its macro is gone from the list) goes to the mouse as the default.
    std::string profile = Read(ProfileFile());
    const std::string from = std::to_string(0x700102), to = std::to_string(0x700700);
    ASSERT_NE(profile.find(from), std::string::npos);
    profile.replace(profile.find(from), from.size(), to);
    std::ofstream(ProfileFile(), std::ios::binary) << profile;
    const CtlRun upload = Ok({"--emulate", "upload"});
    EXPECT_NE(upload.out.find("2 macros, the key table and the four recoil patterns"),
              std::string::npos)
        << upload.out;
    EXPECT_EQ(CodeAt(Mouse().KeyTable(), 2), (Bytes{0x10, 0x04, 0x00}));
    EXPECT_EQ(CodeAt(Mouse().KeyTable(), 9), (Bytes{0x70, 1, 0}));
    EXPECT_EQ(SlotEventCounts(Mouse().MacroMemory()), (std::vector<uint16_t>{6, 10}));
    EXPECT_EQ(Ok({"--json", "button", "list"}).Json()["buttons"][2]["function"].asString(),
              "macro 7 (deleted: the mouse gets the button's default)");
}

TEST_F(ButtonCommandsTest, TooLongMacrosSendNothing) {
    AddMacro("Long", 100);
    Ok({"--emulate", "button", "set", "fire", "macro", "Long"});
    const Bytes table = Mouse().KeyTable();
    const Bytes macros = Mouse().MacroMemory();
    const Bytes shoot = Mouse().ShootMemory();

    // 300 events: 16 + 2 + 4 + 1200 bytes, 198 over the 1024, so 50 events must go. The tool
    // saves no such macro; another writer's file can still hold one.
    EXPECT_EQ(Ctl({"macro", "edit", "Long", Write("long.txt", Presses(150))}).status, kExitError);
    {
        CMacroList list(GetUserDataFolder() / "mouse");
        Json::Value document =
            CJsonFile::ParseDocument(Read(list.MacroFilePath(list.ReadList()[0].id)));
        Json::Value& events = document["Events"];
        const Json::Value press = events[0], release = events[1];
        while (events.size() < 300) {
            events.append(press);
            events.append(release);
        }
        ASSERT_TRUE(CJsonFile::WriteDocument(list.MacroFilePath(list.ReadList()[0].id), document));
    }
    const CtlRun upload = Ctl({"--emulate", "upload"});
    EXPECT_EQ(upload.status, kExitError);
    EXPECT_NE(upload.err.find("50 events must go"), std::string::npos) << upload.err;
    EXPECT_NE(upload.err.find("nothing was sent"), std::string::npos) << upload.err;
    EXPECT_EQ(Mouse().KeyTable(), table);
    EXPECT_EQ(Mouse().MacroMemory(), macros);
    EXPECT_EQ(Mouse().ShootMemory(), shoot);

    // Assigning it to a second button is refused before anything is saved.
    const std::string profile = Read(ProfileFile());
    const CtlRun set = Ctl({"--emulate", "button", "set", "m8", "macro", "Long"});
    EXPECT_EQ(set.status, kExitError);
    EXPECT_NE(set.err.find("50 events must go"), std::string::npos) << set.err;
    EXPECT_EQ(Read(ProfileFile()), profile);
    EXPECT_EQ(Mouse().KeyTable(), table);
}

TEST_F(ButtonCommandsTest, UploadSendsTheRecoilPatterns) {
    Ok({"recoil", "set", "--gun", "2", "3", "-12", "30", "95"});
    Ok({"--emulate", "upload"});
    const Bytes shoot = Mouse().ShootMemory();
    ASSERT_EQ(Le16(shoot, 0), 0x55AA);
    EXPECT_EQ(Le16(shoot, 4), 4);
    // Gun 2 (second record), bullet 3: its x move of 12 to the left, 5 ms.
    const size_t record = Le16(shoot, 16 + 2);
    const size_t move = record + 4 + 4 * (6 * 2 + 2);
    EXPECT_EQ(Bytes(shoot.begin() + static_cast<ptrdiff_t>(move),
                    shoot.begin() + static_cast<ptrdiff_t>(move + 4)),
              (Bytes{5, 0, 0x84, 12}));
}

TEST_F(ButtonCommandsTest, LosingTheReceiverLinkDuringTheUploadFails) {
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(false);
    world->SetReceiverPlugged(true);
    environment.extraBackend = MakeEmulatedHidBackend(world);
    AddMacro("Spray", 100);  // 200 events: a block of 822 bytes, many chunks
    Ok({"button", "set", "fire", "macro", "Spray"});
    const Bytes table = world->KeyTable();
    ASSERT_EQ(CodeAt(table, 10), (Bytes{0x70, 0, 0}));

    // What opening the mouse takes, so the link goes during the macro block.
    uint32_t before = world->RequestsHandled();
    Ok({"dpi"});
    const auto opening = static_cast<int>(world->RequestsHandled() - before);
    SetMacroLength("Spray", 90, "b");
    before = world->RequestsHandled();
    // Information block, link query, begin, link query, two chunks.
    world->InjectFault({SimFault::LinkDropDuringTransfer, 0, opening + 7});
    const CtlRun upload = Ctl({"upload"});
    EXPECT_EQ(upload.status, kExitLinkDown) << upload.err;
    EXPECT_NE(upload.err.find("could not be sent"), std::string::npos) << upload.err;
    EXPECT_NE(upload.err.find("receiver lost the mouse"), std::string::npos) << upload.err;
    EXPECT_FALSE(world->LinkUp());
    EXPECT_EQ(world->KeyTable(), table);
    // The new block's head arrived (180 events of b), its end did not (still the old a).
    const Bytes memory = world->MacroMemory();
    EXPECT_EQ(Le16(memory, 4), 1);
    EXPECT_EQ(Le16(memory, 18), 180);
    const size_t first = 16 + 2 + 4, last = first + 4 * 179;
    EXPECT_NE(memory.at(first + 3), memory.at(last + 3)) << "the whole block arrived";
    EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
}

}  // namespace

TEST(ButtonFunctionTest, KeysAndNamedFunctions) {
    const struct {
        std::vector<std::string> words;
        KeyCode code;
    } cases[] = {
        {{"a"}, {0x20, 0x00, 0x04}},
        {{"Ctrl+Shift+A"}, {0x20, 0x03, 0x04}},
        {{"ctrl+num+"}, {0x20, 0x01, 0x57}},
        {{"num", "-"}, {0x20, 0x00, 0x56}},
        {{"win"}, {0x20, 0x08, 0x00}},
        {{"alt+tab"}, {0x20, 0x04, 0x2B}},
        {{"backslash"}, {0x20, 0x00, 0x31}},
        {{"middle"}, {0x10, 0x04, 0x00}},
        {{"dpi-loop"}, {0x13, 0x03, 0x00}},
        {{"play-pause"}, {0x30, 0xCD, 0x00}},
        {{"sleep"}, {0x40, 0x02, 0x00}},
        {{"swing", "left", "127", "15", "0"}, {0x11, 0xF0, 0x7F}},
        {{"wheel", "down", "128", "0", "0"}, {0x12, 0x00, 0x80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words[0]);
        const ParsedFunction parsed = ParseButtonFunction(c.words, {}, {}, {});
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.code, c.code);
    }
    EXPECT_TRUE(ParseButtonFunction({"default"}, {}, {}, {}).isDefault);
    EXPECT_NE(ParseButtonFunction({"macro", "a"}, {"A"}, 1, 2).error, "");
    EXPECT_EQ(ParseButtonFunction({"macro", "b", "c"}, {"A", "B C"}, {}, 9).code,
              (KeyCode{0x71, 1, 9}));
    EXPECT_EQ(ParseButton("DPI-Loop"), 7);
    EXPECT_EQ(ParseButton("11"), 10);
    EXPECT_EQ(ParseButton("12"), -1);
}
