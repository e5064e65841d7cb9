// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/MouseKeyTable.h"

#include <algorithm>

#include "base/Debug.h"
#include "macro/MacroDownload.h"
#include "profile/JsonFile.h"

KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions) {
    KeyPositionMap map{};
    map.fill(kNoKeyPosition);
    positions = std::min(positions, keyTable.size() / 3);
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const KeyCode& code = kFactoryKeyTable[button];
        for (size_t k = 0; k < positions; ++k) {
            if (std::equal(code.begin(), code.end(), keyTable.begin() + 3 * k)) {
                map[button] = static_cast<uint8_t>(k);
                break;
            }
        }
    }
    return map;
}

KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions,
                                   const KeyPositionMap& learnt) {
    const KeyPositionMap found = BuildKeyPositionMap(keyTable, positions);
    // Every code at positions other than the learnt ones: a mouse laid out anew (or nothing
    // learnt yet). The same positions in another order are buttons given each other's
    // functions: the positions do not move.
    const bool complete = std::find(found.begin(), found.end(), kNoKeyPosition) == found.end();
    auto sorted = [](KeyPositionMap map) {
        std::sort(map.begin(), map.end());
        return map;
    };
    if (complete && sorted(found) != sorted(learnt))
        return found;
    positions = std::min(positions, keyTable.size() / 3);
    // A remapped button can carry another button's factory code: that copy is not the other
    // button, whose own position is known.
    auto learntByAnother = [&learnt](size_t k, size_t button) {
        for (size_t other = 0; other < kMouseKeyButtons; ++other)
            if (other != button && learnt[other] == k)
                return true;
        return false;
    };
    KeyPositionMap map{};
    map.fill(kNoKeyPosition);
    std::vector<bool> taken(positions, false);
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const KeyCode& code = kFactoryKeyTable[button];
        for (size_t k = 0; k < positions; ++k) {
            if (!taken[k] && !learntByAnother(k, button) &&
                std::equal(code.begin(), code.end(), keyTable.begin() + 3 * k)) {
                map[button] = static_cast<uint8_t>(k);
                taken[k] = true;
                break;
            }
        }
    }
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const uint8_t k = learnt[button];
        if (map[button] == kNoKeyPosition && k < positions && !taken[k]) {
            map[button] = k;
            taken[k] = true;
        }
    }
    return map;
}

namespace {

constexpr const char* kHexDigits = "0123456789abcdef";

std::string TableText(std::span<const uint8_t> table) {
    std::string text;
    text.reserve(table.size() * 2);
    for (uint8_t byte : table) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace

void CMouseKeyTable::Take(const KeyTableImage& image, size_t positions,
                          const std::filesystem::path& folder) {
    m_image = image;
    m_read = true;
    m_count = std::min(positions, m_image.size() / 3);
    m_file = folder.empty() ? std::filesystem::path{} : folder / kKeyPositionsFileName;
    m_positions = m_file.empty() ? BuildKeyPositionMap(m_image, m_count) : LearnPositions();
}

int CMouseKeyTable::Write(CReportChannel& channel, std::span<const KeyListEntry> keys,
                          size_t macroCount, int bank) {
    if (!m_read) {
        DebugLine(DebugArea::Mouse, "key table not written: it was never read");
        return 0;
    }
    const int result = ::WriteKeyTable(channel, m_image, keys, m_positions, macroCount, bank);
    if (result == 1) {
        // What the mouse holds now, and where its buttons are in it, for the next read.
        const std::vector<uint8_t> sent = BuildKeyTableImage(
            std::span<const uint8_t>(m_image).first(3 * m_count), keys, m_positions, macroCount);
        std::copy(sent.begin(), sent.end(), m_image.begin());
        if (!m_file.empty())
            Keep(m_positions);
    }
    return result;
}

KeyPositionMap CMouseKeyTable::LearnPositions() const {
    KeyPositionMap learnt = EmptyPositions();
    const Json::Value document = CJsonFile::ReadDocument(m_file);
    const Json::Value& stored = JsonMember(document, "KeyPositions");
    for (Json::ArrayIndex i = 0; stored.isArray() && i < stored.size() && i < kMouseKeyButtons;
         ++i) {
        if (stored[i].isUInt() && stored[i].asUInt() < kNoKeyPosition)
            learnt[i] = static_cast<uint8_t>(stored[i].asUInt());
    }
    const KeyPositionMap found = BuildKeyPositionMap(m_image, m_count);
    const bool complete = std::find(found.begin(), found.end(), kNoKeyPosition) == found.end();
    // Learnt positions speak for a table with every factory code (buttons given each other's
    // functions) only while it is the table they were kept with: anything else, a table written
    // by another tool or an edited file, is read by its codes.
    const Json::Value& table = JsonMember(document, "KeyTable");
    const bool sameTable = table.isString() && table.asString() == TableText(CurrentTable());
    const KeyPositionMap map =
        complete && !sameTable ? found : BuildKeyPositionMap(m_image, m_count, learnt);

    // A table with every factory code teaches every position; another one only the buttons
    // not known yet, where no known button sits.
    KeyPositionMap learnNow = complete ? map : learnt;
    if (!complete) {
        for (size_t button = 0; button < kMouseKeyButtons; ++button) {
            if (learnt[button] == kNoKeyPosition && found[button] != kNoKeyPosition &&
                std::find(learnt.begin(), learnt.end(), found[button]) == learnt.end())
                learnNow[button] = found[button];
        }
    }
    if (learnNow != learnt || !sameTable)
        Keep(learnNow);
    return map;
}

std::span<const uint8_t> CMouseKeyTable::CurrentTable() const {
    return std::span<const uint8_t>(m_image).first(3 * m_count);
}

void CMouseKeyTable::Keep(const KeyPositionMap& positions) const {
    Json::Value document(Json::objectValue);
    Json::Value& list = document["KeyPositions"] = Json::Value(Json::arrayValue);
    for (uint8_t k : positions)
        list.append(Json::UInt{k});
    document["KeyTable"] = TableText(CurrentTable());
    if (!CJsonFile::WriteDocument(m_file, document))
        DebugPrintf(DebugArea::Mouse, "key positions not kept: %s", m_file.c_str());
}
