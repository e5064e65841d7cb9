// SPDX-License-Identifier: GPL-2.0-or-later
// The macro model and its files: the list file, the macro files, names, identifiers and the
// readers' tolerance of what other writers put there.
#include <gtest/gtest.h>

#include <set>

#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "macro/MacroText.h"
#include "profile/JsonFile.h"
#include "profile/TempFolder.h"

namespace fs = std::filesystem;

namespace {

class MacroFilesTest : public testing::Test {
  protected:
    void WriteList(const std::vector<std::pair<std::string, std::string>>& entries) {
        Json::Value document;
        document["MacroInfo"] = Json::Value(Json::arrayValue);
        for (const auto& [name, id] : entries) {
            Json::Value element;
            element["MacroName"] = name;
            element["Guid"] = id;
            document["MacroInfo"].append(element);
        }
        ASSERT_TRUE(CJsonFile::WriteDocument(folder / "macro.config", document));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const MacroEntry& entry : macros.ReadList())
            names.push_back(entry.name);
        return names;
    }

    CTempFolder folder;
    CMacroList macros{folder.Path()};
};

MacroEvent EventFrom(const char* json) {
    return ReadMacroEvent(ParseJson(json));
}

}  // namespace

TEST_F(MacroFilesTest, TheListNamesTheMacrosAndTheGuidNamesTheEventFile) {
    WriteList({{"Reload", "id_a"}, {"Jump", "id_b"}, {"Burst", "id_c"}});
    WriteFile(folder / "id_b.mac", R"({"MacroName": "Something else", "Guid": "id_x",
        "Events": [{"Action": "down", "Button": 4, "Type": 10, "Delay": "30"},
                   {"Action": "up", "Button": 4, "Type": 10, "Delay": "0"}], "Version": 64})");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Reload", "Jump", "Burst"}));
    const std::vector<MacroEvent> events = macros.ReadEvents(1);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], MakeMacroEvent(MacroEventType::Key, true, 4, 30));
    EXPECT_TRUE(macros.ReadEvents(0).empty());  // never saved
    EXPECT_TRUE(macros.ReadEvents(3).empty());
}

TEST_F(MacroFilesTest, UnusableListFilesAreEmptyLists) {
    for (const char* text : {"", "not json", "[1, 2]", R"({"MacroInfo": 7})", "{}"}) {
        SCOPED_TRACE(text);
        WriteFile(folder / "macro.config", text);
        EXPECT_TRUE(macros.ReadList().empty());
    }
    // A broken element keeps its place, so later macros keep their index.
    WriteFile(
        folder / "macro.config",
        R"({"MacroInfo": [5, {"MacroName": 3, "Guid": "b"}, {"MacroName": "c", "Guid": "c"}]})");
    const std::vector<MacroEntry> entries = macros.ReadList();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].name, "");
    EXPECT_EQ(entries[2].name, "c");
    ASSERT_EQ(macros.Add(), MacroResult::Done);
    EXPECT_EQ(macros.ReadList().size(), 4u);
}

TEST_F(MacroFilesTest, DelayAndNumbersReadTolerantly) {
    struct Case {
        const char* delay;
        uint16_t expected;
    };
    const Case cases[] = {
        {R"("120")", 120},
        {"120", 120},
        {R"("70000")", 65535},
        {"70000", 65535},
        {R"("12ms")", 12},
        {R"(" 15")", 15},
        {R"("abc")", 0},
        {R"("")", 0},
        {"-5", 0},
        {"120.7", 120},
        {"1e30", 65535},
        {"null", 0},
        {"true", 0},
        {R"("-3")", 0},
        {"[1]", 0},
        {R"("99999999999999999999999999")", 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        const std::string json =
            std::string(R"({"Action": "up", "Button": 1, "Type": 1, "Delay": )") + c.delay + "}";
        EXPECT_EQ(EventFrom(json.c_str()).delay, c.expected);
    }
    // Wrong types read as 0; numbers keep their low 8 bits; only "down" presses.
    EXPECT_EQ(EventFrom(R"({"Action": "DOWN", "Button": "4", "Type": 266, "Delay": 1})"),
              (MacroEvent{false, 0, 10, 1}));
    EXPECT_EQ(EventFrom(R"([1, 2])"), MacroEvent{});
}

TEST_F(MacroFilesTest, EventsEncodeAsTheMousePlaysThem) {
    struct Case {
        const char* json;
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {R"({"Action": "down", "Button": 4, "Type": 10, "Delay": "300"})",
         {0x2C, 0x01, 0x8A, 0x04}},
        {R"({"Action": "up", "Button": 20, "Type": 5, "Delay": "0"})", {0x00, 0x00, 0x05, 0x14}},
        {R"({"Action": "down", "Button": 2, "Type": 9, "Delay": 70000})", {0xFF, 0xFF, 0x89, 0x02}},
        {R"({"Action": "down", "Button": 300, "Type": 129, "Delay": "1"})", {0x01, 0x00, 0x81, 44}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(EncodeMacroEvent(EventFrom(c.json)), c.bytes);
    }
}

TEST_F(MacroFilesTest, EventsAreNamedFromTheKeyTables) {
    struct Case {
        MacroEvent event;
        std::string_view key;
    };
    const Case cases[] = {
        {MakeMacroEvent(MacroEventType::Key, true, 0x04), "keyboard_key_A"},
        {MakeMacroEvent(MacroEventType::Key, false, 0x32), "keyboard_key_K42"},
        {MakeMacroEvent(MacroEventType::Key, true, 0xE0), ""},
        {MakeMacroEvent(MacroEventType::Modifier, true, 0x20), "keyboard_key_RShift"},
        {MakeMacroEvent(MacroEventType::Modifier, true, 0x03), ""},
        {MakeMacroEvent(MacroEventType::MouseButton, true, 0x08), "mouse_key_back"},
        {MakeMacroEvent(MacroEventType::MouseButton, false, 0x10), "mouse_key_forward"},
        {MakeMacroEvent(MacroEventType::MoveX, true, 9), "mouse_move_to_left_text"},
        {MakeMacroEvent(MacroEventType::MoveX, false, 9), "mouse_move_to_right_text"},
        {MakeMacroEvent(MacroEventType::MoveY, true, 9), "mouse_move_to_up_text"},
        {MakeMacroEvent(MacroEventType::MoveY, false, 9), "mouse_move_to_down_text"},
        {{true, 1, 2, 0}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MacroEventNameKey(c.event), c.key) << FormatMacroEvent(c.event);
}

TEST_F(MacroFilesTest, NewMacrosTakeTheFirstFreeDefaultName) {
    WriteList({{"macro_1", "a"}, {"MACRO_3", "b"}});
    EXPECT_EQ(macros.DefaultName(), "macro_2");
    WriteList({{"macro_1", "a"}, {"macro_2", "b"}});
    int index = -1;
    ASSERT_EQ(macros.Add({}, &index), MacroResult::Done);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(Names().back(), "macro_3");
    // No macro file until the first save.
    EXPECT_FALSE(fs::exists(macros.MacroFilePath(macros.ReadList().back().id)));
}

TEST_F(MacroFilesTest, IdentifiersAreUniqueEvenWithinOneMillisecond) {
    std::set<std::string> ids;
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(macros.Add(), MacroResult::Done);
    for (const MacroEntry& entry : macros.ReadList()) {
        EXPECT_TRUE(IsPlainFileName(entry.id)) << entry.id;
        ids.insert(entry.id);
    }
    EXPECT_EQ(ids.size(), 8u);
}

TEST_F(MacroFilesTest, RenameRules) {
    WriteList({{"macro_1", "a"}, {"macro_2", "b"}});
    const std::string before = ReadFile(folder / "macro.config");
    EXPECT_EQ(macros.Rename(1, "MACRO_2"), MacroResult::NameTaken);  // its own name too
    EXPECT_EQ(macros.Rename(1, "Macro_1"), MacroResult::NameTaken);
    EXPECT_EQ(macros.Rename(1, "   "), MacroResult::NameBlank);
    EXPECT_EQ(macros.Rename(1, "\t\u3000"), MacroResult::NameBlank);
    EXPECT_EQ(macros.Rename(2, "x"), MacroResult::NoSuchMacro);
    EXPECT_EQ(ReadFile(folder / "macro.config"), before);
    // Stored as typed.
    EXPECT_EQ(macros.Rename(1, " Fast reload "), MacroResult::Done);
    EXPECT_EQ(Names(), (std::vector<std::string>{"macro_1", " Fast reload "}));
    EXPECT_EQ(macros.Add(" fast RELOAD "), MacroResult::NameTaken);
}

TEST_F(MacroFilesTest, SaveWritesTheWholeFileWithTextDelays) {
    WriteList({{"Combo", "2021_03_07_14_05_09_042"}});
    const std::vector<MacroEvent> events = {MakeMacroEvent(MacroEventType::Key, true, 4, 300),
                                            MakeMacroEvent(MacroEventType::MoveY, false, 20, 0)};
    ASSERT_EQ(macros.Save(0, events), MacroResult::Done);
    const std::string text = ReadFile(folder / "2021_03_07_14_05_09_042.mac");
    const Json::Value document = ParseJson(text);
    EXPECT_EQ(document["Version"].asInt(), 64);
    EXPECT_EQ(document["MacroName"].asString(), "Combo");
    EXPECT_EQ(document["Guid"].asString(), "2021_03_07_14_05_09_042");
    ASSERT_EQ(document["Events"].size(), 2u);
    for (const Json::Value& event : document["Events"])
        EXPECT_TRUE(event["Delay"].isString());
    EXPECT_EQ(document["Events"][0]["Delay"].asString(), "300");
    EXPECT_NE(text.find("\"Action\" : \"down\",\r\n"), std::string::npos) << text;
    EXPECT_EQ(macros.ReadEvents(0), events);
}

TEST_F(MacroFilesTest, DeleteMovesLaterMacrosUpAndRemovesTheFile) {
    WriteList({{"one", "a"}, {"two", "b"}, {"three", "c"}});
    for (const char* id : {"a", "b", "c"})
        WriteFile(folder / (std::string(id) + ".mac"), R"({"Events": []})");
    ASSERT_EQ(macros.Delete(0), MacroResult::Done);
    const std::vector<MacroEntry> entries = macros.ReadList();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "two");
    EXPECT_EQ(entries[0].id, "b");
    EXPECT_FALSE(fs::exists(folder / "a.mac"));
    EXPECT_TRUE(fs::exists(folder / "b.mac"));
    EXPECT_EQ(macros.Delete(5), MacroResult::NoSuchMacro);

    // A file two entries share stays while one still reads it.
    WriteList({{"x", "b"}, {"y", "b"}});
    ASSERT_EQ(macros.Delete(0), MacroResult::Done);
    EXPECT_TRUE(fs::exists(folder / "b.mac"));
}

TEST_F(MacroFilesTest, ImportNamesAfterTheFileAndCopiesItsBytes) {
    WriteList({{"combo", "a"}});
    const std::string bytes =
        "{ \"Events\" : [ { \"Action\" : \"up\", \"Button\" : 1, "
        "\"Type\" : 1, \"Delay\" : 5 } ], \"Guid\" : \"../../x\" }\n";
    WriteFile(folder / "Combo.mac", bytes);
    for (const char* expected : {"2", "3"}) {
        int index = -1;
        ASSERT_EQ(macros.Import(folder / "Combo.mac", &index), MacroResult::Done);
        const MacroEntry entry = macros.ReadList().at(static_cast<size_t>(index));
        EXPECT_EQ(entry.name, expected);
        EXPECT_EQ(ReadFile(macros.MacroFilePath(entry.id)), bytes);
        EXPECT_EQ(macros.ReadEvents(index).size(), 1u);
    }
    WriteFile(folder / "Fresh.mac", bytes);
    ASSERT_EQ(macros.Import(folder / "Fresh.mac"), MacroResult::Done);
    EXPECT_EQ(Names().back(), "Fresh");

    // What is not a macro file adds nothing.
    const std::string list = ReadFile(folder / "macro.config");
    const size_t files = CountFiles(folder.Path());
    WriteFile(folder / "junk.mac", "not json");
    EXPECT_EQ(macros.Import(folder / "junk.mac"), MacroResult::NotAMacro);
    EXPECT_EQ(macros.Import(folder / "missing.mac"), MacroResult::Unreadable);
    EXPECT_EQ(ReadFile(folder / "macro.config"), list);
    EXPECT_EQ(CountFiles(folder.Path()), files + 1);
}

TEST_F(MacroFilesTest, FiftyMacrosAtMost) {
    for (int i = 0; i < CMacroList::kMaxMacros; ++i)
        ASSERT_EQ(macros.Add(), MacroResult::Done);
    const std::string list = ReadFile(folder / "macro.config");
    WriteFile(folder / "Extra.mac", R"({"Events": []})");
    const size_t files = CountFiles(folder.Path());
    EXPECT_EQ(macros.Add(), MacroResult::LimitReached);
    EXPECT_EQ(macros.Import(folder / "Extra.mac"), MacroResult::LimitReached);
    EXPECT_EQ(ReadFile(folder / "macro.config"), list);
    EXPECT_EQ(CountFiles(folder.Path()), files);
}

TEST_F(MacroFilesTest, ExportCopiesTheBytesOrAnEmptyMacro) {
    WriteList({{"saved", "a"}, {"fresh", "b"}});
    const std::string bytes = "{\"Events\": [], \"Extra\": 1}";
    WriteFile(folder / "a.mac", bytes);
    ASSERT_EQ(macros.Export(0, folder / "out.mac"), MacroResult::Done);
    EXPECT_EQ(ReadFile(folder / "out.mac"), bytes);
    ASSERT_EQ(macros.Export(1, folder / "fresh.mac"), MacroResult::Done);
    const Json::Value fresh = ReadJson(folder / "fresh.mac");
    EXPECT_EQ(fresh["MacroName"].asString(), "fresh");
    EXPECT_TRUE(fresh["Events"].isArray());
    EXPECT_EQ(macros.Export(0, folder / "no" / "such" / "dir.mac"), MacroResult::WriteFailed);
}

// Identifiers come from a file anyone may edit: none may reach outside the device folder.
TEST_F(MacroFilesTest, UnsafeIdentifiersNeverReachTheFileSystem) {
    const fs::path device = folder / "device";
    fs::create_directories(device);
    CMacroList list(device);
    const std::string outside = R"({"Events": [{"Action": "down", "Button": 4, "Type": 10}]})";
    WriteFile(folder / "escape.mac", outside);
    WriteFile(folder / "x.mac", outside);
    for (const char* id : {"../escape", "..", "sub/x", "..\\escape", "", "/tmp/x"}) {
        SCOPED_TRACE(id);
        Json::Value document;
        Json::Value element;
        element["MacroName"] = "bad";
        element["Guid"] = id;
        document["MacroInfo"].append(element);
        ASSERT_TRUE(CJsonFile::WriteDocument(device / "macro.config", document));
        EXPECT_TRUE(list.MacroFilePath(id).empty());
        EXPECT_TRUE(list.ReadEvents(0).empty());
        EXPECT_EQ(list.Save(0, {MacroEvent{}}), MacroResult::UnsafeId);
        EXPECT_EQ(list.Export(0, folder / "out.mac"), MacroResult::UnsafeId);
        EXPECT_EQ(list.Delete(0), MacroResult::Done);
        EXPECT_TRUE(list.ReadList().empty());
        EXPECT_EQ(ReadFile(folder / "escape.mac"), outside);
        EXPECT_EQ(ReadFile(folder / "x.mac"), outside);
    }
    EXPECT_FALSE(fs::exists(folder / "out.mac"));
}

TEST_F(MacroFilesTest, AnUnreadableListIsKeptBesideTheOneTheNextChangeWrites) {
    WriteList({{"Reload", "id_a"}});
    const std::string cut = ReadFile(macros.ListFilePath()).substr(0, 20);
    WriteFile(macros.ListFilePath(), cut);
    std::vector<fs::path> heard;
    CJsonFile::SetBrokenFileListener(
        [&heard](const fs::path&, const fs::path& kept) { heard.push_back(kept); });
    // Reading an unreadable list changes nothing.
    EXPECT_TRUE(macros.ReadList().empty());
    EXPECT_EQ(ReadFile(macros.ListFilePath()), cut);
    EXPECT_TRUE(heard.empty());

    ASSERT_EQ(macros.Add("Jump"), MacroResult::Done);
    CJsonFile::SetBrokenFileListener(nullptr);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(ReadFile(heard[0]), cut);
    EXPECT_EQ(Names(), std::vector<std::string>{"Jump"});
}

TEST_F(MacroFilesTest, AMacroTheMouseCannotHoldIsNeverSaved) {
    ASSERT_EQ(macros.Add("Long"), MacroResult::Done);
    const std::vector<MacroEvent> fits(CMacroList::kMaxEvents,
                                       MakeMacroEvent(MacroEventType::Key, true, 4, 1));
    ASSERT_EQ(macros.Save(0, fits), MacroResult::Done);
    const std::string saved = ReadFile(macros.MacroFilePath(macros.ReadList()[0].id));
    std::vector<MacroEvent> tooMany = fits;
    tooMany.push_back(fits[0]);
    EXPECT_EQ(macros.Save(0, tooMany), MacroResult::TooLarge);
    EXPECT_EQ(ReadFile(macros.MacroFilePath(macros.ReadList()[0].id)), saved);
    // The longest macro a file may hold still fits the block the mouse takes; one more event
    // would not.
    EXPECT_LE(BuildMacroBlock(std::vector<std::vector<MacroEvent>>{fits}).size(), kMacroBlockLimit);
    EXPECT_GT(MacroBlockSize(std::vector<std::vector<MacroEvent>>{tooMany}), kMacroBlockLimit);

    Json::Value document;
    document["Events"] = Json::Value(Json::arrayValue);
    for (size_t i = 0; i <= CMacroList::kMaxEvents; ++i)
        document["Events"].append(MacroEventToJson(fits[0], DelayForm::String));
    ASSERT_TRUE(CJsonFile::WriteDocument(folder / "big.mac", document));
    EXPECT_EQ(macros.Import(folder / "big.mac"), MacroResult::TooLarge);
    EXPECT_EQ(macros.ReadList().size(), 1u);
}
