// SPDX-License-Identifier: GPL-2.0-or-later
// The key tables in words: both complete languages name every key, and a missing word shows the
// code rather than a blank.
#include "keys/KeyNames.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "keys/KeyTables.h"

namespace fs = std::filesystem;

TEST(KeyNames, BothLanguagesNameEveryKeyOfTheKeyTables) {
    const std::vector<std::string_view> keys = KeyTableLanguageKeys();
    // Not vacuous: at least every row of the key table.
    ASSERT_GE(keys.size(), kKeyTable.size());
    for (const char* name : {"lan_en.xml", "lan_cn.xml"}) {
        SCOPED_TRACE(name);
        CLanguageFile language;
        ASSERT_TRUE(language.Load(fs::path(KESTRUNE_SOURCE_SKIN_DIR) / "lang" / name));
        for (std::string_view key : keys) {
            const std::string* text = language.Find(key);
            EXPECT_TRUE(text && !text->empty()) << name << " lacks " << key;
        }
    }
}

TEST(KeyNames, AMissingWordShowsTheCode) {
    CLanguageFile english;
    ASSERT_TRUE(english.Parse(R"(<Language>
  <Text id="keyboard_key_LCtrl">Ctrl</Text>
  <Text id="keyboard_key_A">A</Text>
  <Text id="gun_2_txt">Recoil pattern 2</Text>
</Language>)"));
    const std::vector<std::string> macros = {"Reload"};
    const struct {
        KeyCode code;
        const char* text;
    } cases[] = {
        {MakeKeyboardCode(kModLeftCtrl, 0x04), "Ctrl+A"},
        {MakeKeyboardCode(kModLeftCtrl | kModLeftShift, 0x04), "20 03 04"},  // no "Shift"
        {MakeGunCode(1), "Recoil pattern 2"},
        {MakeMediaCode(0x00E9), "30 E9 00"},
        {MakeMacroCode(0, 2), "Reload"},  // a macro is named by its own name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DescribeAssignmentIn(english, c.code, macros), c.text);
    }
    EXPECT_EQ(DescribeAssignmentIn(CLanguageFile(), MakeKeyboardCode(kModLeftCtrl, 0x04), macros),
              "20 01 04");
}
