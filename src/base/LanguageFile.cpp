// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/LanguageFile.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "base/Debug.h"
#include "base/Paths.h"

namespace {

// &amp; &lt; &gt; &quot; &apos;; nullopt for any other entity, which these files never hold.
std::optional<std::string> Decode(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string result;
    result.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (text[at] != '&') {
            result += text[at++];
            continue;
        }
        bool known = false;
        for (const auto& [entity, character] : kEntities) {
            if (text.substr(at, entity.size()) == entity) {
                result += character;
                at += entity.size();
                known = true;
                break;
            }
        }
        if (!known)
            return std::nullopt;
    }
    return result;
}

// The value of attribute `name` inside a start tag's text; nullopt when absent.
std::optional<std::string_view> Attribute(std::string_view tag, std::string_view name) {
    for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        const bool startsWord = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' ||
                                           tag[at - 1] == '\n' || tag[at - 1] == '\r');
        size_t next = at + name.size();
        while (next < tag.size() && tag[next] == ' ')
            ++next;
        if (!startsWord || next >= tag.size() || tag[next] != '=')
            continue;
        ++next;
        while (next < tag.size() && tag[next] == ' ')
            ++next;
        if (next >= tag.size() || (tag[next] != '"' && tag[next] != '\''))
            return std::nullopt;
        const size_t close = tag.find(tag[next], next + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return tag.substr(next + 1, close - next - 1);
    }
    return std::nullopt;
}

}  // namespace

bool CLanguageFile::Load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!(in && text << in.rdbuf())) {
        DebugPrintf(DebugArea::App, "language file %s cannot be read", file.c_str());
        return false;
    }
    if (!Parse(text.str())) {
        DebugPrintf(DebugArea::App, "language file %s is not a language file", file.c_str());
        return false;
    }
    return true;
}

bool CLanguageFile::Parse(std::string_view document) {
    constexpr std::string_view kOpen = "<Text", kClose = "</Text>", kRoot = "<Language",
                               kCommentOpen = "<!--", kCommentClose = "-->";
    const size_t root = document.find(kRoot);
    const size_t end = document.rfind("</Language>");
    if (root == std::string_view::npos || end == std::string_view::npos || end < root)
        return false;
    std::map<std::string, std::string, std::less<>> texts;
    size_t at = root + kRoot.size();
    for (;;) {
        const size_t open = document.find(kOpen, at);
        // A commented-out text is no text.
        const size_t comment = document.find(kCommentOpen, at);
        if (comment < open) {
            const size_t commentEnd = document.find(kCommentClose, comment);
            if (commentEnd == std::string_view::npos)
                return false;
            at = commentEnd + kCommentClose.size();
            continue;
        }
        if (open == std::string_view::npos || open > end)
            break;
        const size_t tagEnd = document.find('>', open);
        if (tagEnd == std::string_view::npos || tagEnd > end)
            return false;
        const std::string_view tag =
            document.substr(open + kOpen.size(), tagEnd - open - kOpen.size());
        // "<TextBox ...>" is another element.
        if (!tag.empty() && std::string_view(" \t\r\n/").find(tag[0]) == std::string_view::npos) {
            at = tagEnd;
            continue;
        }
        std::optional<std::string> text = std::string();
        if (tag.ends_with('/')) {
            at = tagEnd + 1;
        } else {
            const size_t close = document.find(kClose, tagEnd);
            if (close == std::string_view::npos || close > end)
                return false;
            text = Decode(document.substr(tagEnd + 1, close - tagEnd - 1));
            at = close + kClose.size();
        }
        // A text without an id names nothing; it is skipped, as the window does.
        const std::optional<std::string_view> id = Attribute(tag, "id");
        const std::optional<std::string> key = id ? Decode(*id) : std::string();
        if (!key || !text)
            return false;
        if (!key->empty())
            texts.emplace(*key, std::move(*text));
    }
    m_texts = std::move(texts);
    return true;
}

const std::string* CLanguageFile::Find(std::string_view key) const {
    const auto found = m_texts.find(key);
    return found == m_texts.end() ? nullptr : &found->second;
}

std::filesystem::path GetLanguageFilePath(std::string_view fileName) {
    return GetSkinFolder() / "lang" / fileName;
}
