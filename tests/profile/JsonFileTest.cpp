// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/JsonFile.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

bool DropFileCapabilitiesOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return syscall(SYS_capset, &header, data) == 0;
}

struct UnusableFile {
    const char* what;
    std::string bytes;
};

class JsonFileTest : public testing::Test {
  protected:
    CTempFolder folder;
};

}  // namespace

TEST_F(JsonFileTest, UnusableFilesReadAsNull) {
    const UnusableFile cases[] = {
        {"empty", ""},
        {"not JSON", "profilelist: [1, 2"},
        {"truncated", "{\"Device\" : [ {\"LightInfo\" : {"},
        {"not UTF-8", "{\"profilename\" : \"Caf\xE9\"}"},
        {"overlong UTF-8", "{\"profilename\" : \"\xC0\xAF\"}"},
        {"UTF-8 surrogate", "{\"profilename\" : \"\xED\xA0\x80\"}"},
        {"nested past the reader's stack", std::string(5000, '[') + std::string(5000, ']')},
    };
    for (const UnusableFile& c : cases) {
        fs::path path = folder / "file.json";
        WriteFile(path, c.bytes);
        EXPECT_TRUE(CJsonFile::ReadDocument(path).isNull()) << c.what;
    }
    EXPECT_TRUE(CJsonFile::ReadDocument(folder / "missing.json").isNull());
    EXPECT_TRUE(CJsonFile::ReadDocument(folder.Path()).isNull()) << "a folder";

    fs::path huge = folder / "huge.json";
    WriteFile(huge, "{}");
    fs::resize_file(huge, CJsonFile::kMaxFileSize + 1);
    EXPECT_EQ(CJsonFile::ReadText(huge), "");

    // Opening a FIFO for reading would block without O_NONBLOCK.
    fs::path fifo = folder / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(CJsonFile::ReadDocument(fifo).isNull());
}

TEST_F(JsonFileTest, AcceptsCommentsByteOrderMarkAndBothLineEnds) {
    const std::string texts[] = {
        "{ // a comment\n \"a\" : 1 /* another */ }\n",
        "\xEF\xBB\xBF{\"a\" : 1}",
        "{\r\n   \"a\" : 1\r\n}\r\n",
        "{\"a\" : 1, \"name\" : \"\xE6\xB8\xB8\xE6\x88\x8F\"}",
    };
    for (const std::string& text : texts) {
        fs::path path = folder / "file.json";
        WriteFile(path, text);
        Json::Value document = CJsonFile::ReadDocument(path);
        EXPECT_EQ(JsonInteger(document, "a"), 1) << text;
    }
}

TEST_F(JsonFileTest, WritesStyledTextWithCrLfAndReadsItBack) {
    Json::Value document;
    document["profilename"] = "Spiel \xE6\xB8\xB8";
    document["Device"][0]["LightInfo"]["Light"] = 4;
    fs::path path = folder / "p.Json";
    ASSERT_TRUE(CJsonFile::WriteDocument(path, document));

    std::string text = ReadFile(path);
    EXPECT_EQ(text.substr(0, 3), "{\r\n");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
    }
    EXPECT_EQ(CJsonFile::ReadDocument(path), document);
    EXPECT_EQ(CountFiles(folder.Path()), 1u) << "a temporary file was left behind";
}

TEST_F(JsonFileTest, FailedWriteLeavesTheOldFileIntact) {
    fs::path path = folder / "p.Json";
    Json::Value old;
    old["profilename"] = "old";
    ASSERT_TRUE(CJsonFile::WriteDocument(path, old));
    const std::string before = ReadFile(path);

    Json::Value replacement;
    replacement["profilename"] = std::string(1000, 'x');
    CJsonFile::SetWriteLimitForTesting(10);  // the disk fills up half-way
    EXPECT_FALSE(CJsonFile::WriteDocument(path, replacement));
    CJsonFile::SetWriteLimitForTesting(std::nullopt);

    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(CountFiles(folder.Path()), 1u) << "the temporary file was not removed";

    // A folder that cannot hold files: its path names a file.
    WriteFile(folder / "plain", "x");
    EXPECT_FALSE(CJsonFile::WriteDocument(folder / "plain" / "p.Json", replacement));
    EXPECT_FALSE(CJsonFile::WriteDocument(folder.Path(), replacement)) << "over a folder";
}

// Broken twice within one second, a file keeps both copies under distinct names; another file
// broken in that second keeps its own beside it.
TEST_F(JsonFileTest, BrokenFilesOfOneSecondAreAllKept) {
    std::vector<std::pair<fs::path, fs::path>> heard;
    CJsonFile::SetBrokenFileListener(
        [&](const fs::path& file, const fs::path& kept) { heard.emplace_back(file, kept); });
    const fs::path a = folder / "a.Json", b = folder / "b.Json";
    fs::path first, second, other;
    // A second may turn between the two keeps; then the pair is tried again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        for (const auto& entry : fs::directory_iterator(folder.Path()))
            fs::remove(entry.path());
        heard.clear();
        WriteFile(a, "first");
        first = CJsonFile::KeepBroken(a);
        WriteFile(a, "second");
        WriteFile(b, "other");
        second = CJsonFile::KeepBroken(a);
        other = CJsonFile::KeepBroken(b);
        if (second.string().starts_with(first.string()))
            break;
    }
    CJsonFile::SetBrokenFileListener(nullptr);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(second.string(), first.string() + "-2");
    EXPECT_EQ(ReadFile(first), "first");
    EXPECT_EQ(ReadFile(second), "second");
    EXPECT_EQ(ReadFile(other), "other");
    EXPECT_EQ(other.parent_path(), folder.Path());
    EXPECT_TRUE(other.filename().string().starts_with("b.Json.broken-")) << other;
    EXPECT_FALSE(CJsonFile::Exists(a));
    EXPECT_FALSE(CJsonFile::Exists(b));
    EXPECT_EQ(heard,
              (std::vector<std::pair<fs::path, fs::path>>{{a, first}, {a, second}, {b, other}}));
    // Nothing there: nothing kept, nobody told.
    EXPECT_EQ(CJsonFile::KeepBroken(a), fs::path());
}

// A broken file that cannot be moved aside stays where it is, whole, and nobody hears of a
// copy that does not exist.
TEST_F(JsonFileTest, ABrokenFileThatCannotBeMovedStaysAsItWas) {
    const fs::path locked = folder / "locked";
    fs::create_directories(locked);
    const fs::path file = locked / "p.Json";
    WriteFile(file, "{broken");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    int told = 0;
    CJsonFile::SetBrokenFileListener([&](const fs::path&, const fs::path&) { ++told; });
    fs::path kept = "unset";
    bool dropped = false;
    // Root passes the folder's mode bits; a thread without the capability meets them as a
    // user does.
    std::thread([&] {
        dropped = DropFileCapabilitiesOfThisThread();
        kept = CJsonFile::KeepBroken(file);
    }).join();
    CJsonFile::SetBrokenFileListener(nullptr);
    fs::permissions(locked, fs::perms::owner_all);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(kept, fs::path());
    EXPECT_EQ(told, 0);
    EXPECT_EQ(ReadFile(file), "{broken");
    EXPECT_EQ(CountFiles(locked), 1u);
}

TEST_F(JsonFileTest, RewriteKeepsTheFileMode) {
    fs::path path = folder / "p.Json";
    ASSERT_TRUE(CJsonFile::WriteDocument(path, Json::Value(1)));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(CJsonFile::WriteDocument(path, Json::Value(2)));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(MakeTimeIdTest, FormatsLocalTimeWithMilliseconds) {
    const char* saved = std::getenv("TZ");
    std::string savedValue = saved ? saved : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // 2021-03-07 14:05:09.042 UTC
    auto when = std::chrono::system_clock::from_time_t(1615125909) + std::chrono::milliseconds(42);
    EXPECT_EQ(MakeTimeId(when), "2021_03_07_14_05_09_042");
    EXPECT_EQ(MakeTimeId(std::chrono::system_clock::from_time_t(946684800)),
              "2000_01_01_00_00_00_000");
    if (saved)
        ::setenv("TZ", savedValue.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(PlainFileNameTest, RefusesAnythingThatLeavesTheFolder) {
    const std::pair<std::string, bool> cases[] = {
        {"2021_03_07_14_05_09_042", true},
        {"Game profile", true},
        {"\xE6\xB8\xB8\xE6\x88\x8F", true},
        {"", false},
        {"..", false},
        {"../victim", false},
        {"a/b", false},
        {"/etc/passwd", false},
        {"a\\b", false},
        {"x..y", false},
        {std::string("a\0b", 3), false},
        {std::string(201, 'a'), false},
    };
    for (const auto& [name, plain] : cases)
        EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

TEST(JsonLookupTest, WrongTypedMembersReadAsAbsent) {
    Json::Value object = ParseJson(R"({
        "int": 300, "negative": -1, "real": 7.9, "integral real": 3.0, "huge": 18446744073709551615,
        "string": "12", "bool": true, "array": [1], "object": {"a": 1}, "null": null,
        "inf-ish": 1e300})");
    const std::pair<const char*, int64_t> integers[] = {
        {"int", 300},  {"negative", -1}, {"real", 7},    {"integral real", 3},
        {"huge", -1},  {"string", 0},    {"bool", 0},    {"array", 0},
        {"object", 0}, {"null", 0},      {"inf-ish", 0}, {"missing", 0}};
    for (const auto& [key, expected] : integers)
        EXPECT_EQ(JsonInteger(object, key), expected) << key;
    EXPECT_EQ(JsonByte(object, "int"), 44);
    EXPECT_TRUE(JsonFlag(object, "bool"));
    EXPECT_TRUE(JsonFlag(object, "int"));
    EXPECT_FALSE(JsonFlag(object, "string"));
    EXPECT_EQ(JsonString(object, "string"), "12");
    EXPECT_EQ(JsonString(object, "int"), "");

    // Lookups into values that are not objects or arrays never throw.
    for (const Json::Value& value : {Json::Value(5), Json::Value("s"), Json::Value(true),
                                     Json::Value(Json::arrayValue), Json::Value()}) {
        EXPECT_TRUE(JsonMember(value, "a").isNull());
        EXPECT_EQ(JsonInteger(JsonMember(value, "a"), "b"), 0);
    }
    EXPECT_TRUE(JsonElement(object, 0).isNull());
    EXPECT_TRUE(JsonElement(object["array"], 1).isNull());
}

TEST(JsonTextTest, Utf8HelpersAndFileTitle) {
    EXPECT_EQ(SanitizeUtf8("a\xFF"
                           "b\xE6\xB8\xB8"),
              "a\xEF\xBF\xBD"
              "b\xE6\xB8\xB8");
    EXPECT_EQ(DecodeUtf8("a\xC3\xA4\xE6\xB8\xB8\xF0\x9F\x8E\xAE"), U"a\u00E4\u6E38\U0001F3AE");
    EXPECT_EQ(CJsonFile::FileTitle("/home/u/Game.json"), "Game");
    EXPECT_EQ(CJsonFile::FileTitle("Game.v2.json"), "Game.v2");
}
