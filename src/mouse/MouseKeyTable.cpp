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

void CMouseKeyTable::Take(const KeyTableImage& image, size_t positions,
                          const std::filesystem::path& folder) {
    m_image = image;
    m_read = true;
    m_positions = folder.empty() ? BuildKeyPositionMap(m_image, positions)
                                 : LearnPositions(positions, folder / kKeyPositionsFileName);
}

int CMouseKeyTable::Write(CReportChannel& channel, std::span<const KeyListEntry> keys,
                          size_t macroCount, int bank) const {
    if (!m_read) {
        DebugLine(DebugArea::Mouse, "key table not written: it was never read");
        return 0;
    }
    return ::WriteKeyTable(channel, m_image, keys, m_positions, macroCount, bank);
}

KeyPositionMap CMouseKeyTable::LearnPositions(size_t positions,
                                              const std::filesystem::path& file) const {
    KeyPositionMap learnt = EmptyPositions();
    const Json::Value document = CJsonFile::ReadDocument(file);
    const Json::Value& stored = JsonMember(document, "KeyPositions");
    for (Json::ArrayIndex i = 0; stored.isArray() && i < stored.size() && i < kMouseKeyButtons;
         ++i) {
        if (stored[i].isUInt() && stored[i].asUInt() < kNoKeyPosition)
            learnt[i] = static_cast<uint8_t>(stored[i].asUInt());
    }
    const KeyPositionMap map = BuildKeyPositionMap(m_image, positions, learnt);

    // A table with every factory code teaches every position; another one only the buttons
    // not known yet, where no known button sits.
    const KeyPositionMap found = BuildKeyPositionMap(m_image, positions);
    const bool complete = std::find(found.begin(), found.end(), kNoKeyPosition) == found.end();
    KeyPositionMap learnNow = complete ? map : learnt;
    if (!complete) {
        for (size_t button = 0; button < kMouseKeyButtons; ++button) {
            if (learnt[button] == kNoKeyPosition && found[button] != kNoKeyPosition &&
                std::find(learnt.begin(), learnt.end(), found[button]) == learnt.end())
                learnNow[button] = found[button];
        }
    }
    if (learnNow != learnt) {
        Json::Value learntDocument(Json::objectValue);
        Json::Value& list = learntDocument["KeyPositions"] = Json::Value(Json::arrayValue);
        for (uint8_t k : learnNow)
            list.append(Json::UInt{k});
        if (!CJsonFile::WriteDocument(file, learntDocument))
            DebugPrintf(DebugArea::Mouse, "key positions not kept: %s", file.c_str());
    }
    return map;
}
