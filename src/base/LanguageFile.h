// SPDX-License-Identifier: GPL-2.0-or-later
// The texts of a skin language file ("lang/lan_en.xml"), read without the toolkit so the core and
// kestrunectl use the window's words. The files are simple: a <Language> element holding one
// <Text id="key">text</Text> per key; the five predefined XML entities are decoded.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

class CLanguageFile {
  public:
    // Replaces the texts with the file's; false (texts unchanged) when it cannot be read or is
    // not a language file.
    bool Load(const std::filesystem::path& file);
    bool Parse(std::string_view document);

    // The key's text; null when the file lacks it. A key given twice keeps its first text.
    const std::string* Find(std::string_view key) const;
    size_t Size() const { return m_texts.size(); }

  private:
    std::map<std::string, std::string, std::less<>> m_texts;
};

// The skin's language file of that name: GetSkinFolder() / "lang" / name.
std::filesystem::path GetLanguageFilePath(std::string_view fileName);
