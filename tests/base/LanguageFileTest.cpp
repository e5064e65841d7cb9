// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/LanguageFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace fs = std::filesystem;

TEST(LanguageFile, ReadsTheTextsAsTheWindowDoes) {
    CLanguageFile language;
    ASSERT_TRUE(language.Parse(R"(<?xml version="1.0" encoding="utf-8"?>
<Language name="English">
  <Text id="a">Alpha</Text>
  <Text id="a">Again</Text>
  <Text id="keyboard_key_&lt;">&lt;B&gt; &amp; &quot;C&quot; &apos;D&apos;</Text>
  <!-- <Text id="hidden">Commented out</Text> -->
  <Text  id = 'spaced' >Two
lines</Text>
  <Text id="empty"/>
  <Text>No id</Text>
  <TextBox id="box">Not a text</TextBox>
  <Text id="中">中文</Text>
</Language>
)"));
    const struct {
        const char* key;
        const char* text;  // null: absent
    } cases[] = {
        {"a", "Alpha"},  // the first of two wins
        {"keyboard_key_<", "<B> & \"C\" 'D'"},
        {"hidden", nullptr},
        {"spaced", "Two\nlines"},
        {"empty", ""},
        {"box", nullptr},
        {"中", "中文"},
        {"missing", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string* text = language.Find(c.key);
        if (!c.text)
            EXPECT_EQ(text, nullptr) << *text;
        else
            EXPECT_EQ(text ? *text : "(absent)", c.text);
    }
    EXPECT_EQ(language.Size(), 5u);
}

TEST(LanguageFile, ABrokenOrMissingFileKeepsTheTexts) {
    CLanguageFile language;
    ASSERT_TRUE(language.Parse(R"(<Language><Text id="a">Alpha</Text></Language>)"));
    for (const char* broken : {
             R"(<Language><Text id="a">Broken)",
             R"(<Language><Text id="b">B</Text>)",
             R"(<Text id="b">No language</Text>)",
             R"(<Language><Text id="b">&nbsp;</Text></Language>)",
             R"(<Language><!-- <Text id="b">B</Text></Language>)",
             "",
         }) {
        SCOPED_TRACE(broken);
        EXPECT_FALSE(language.Parse(broken));
    }
    EXPECT_FALSE(language.Load(fs::temp_directory_path() /
                               ("kestrune-no-such-" + std::to_string(::getpid()) + ".xml")));
    ASSERT_NE(language.Find("a"), nullptr);
    EXPECT_EQ(*language.Find("a"), "Alpha");
    EXPECT_EQ(language.Find("b"), nullptr);
}
