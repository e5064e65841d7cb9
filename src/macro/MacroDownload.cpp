// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroDownload.h"

#include <algorithm>
#include <array>
#include <new>
#include <optional>

#include "base/Debug.h"
#include "device/ReportChannel.h"
#include "keys/KeyCodes.h"
#include "macro/MacroList.h"
#include "macro/ShootData.h"

namespace {

constexpr size_t kRecordHeaderSize = 4;
constexpr size_t kEventSize = 4;
constexpr size_t kMaxDescribableBlock = 0xFFFF;

void PutLe16(std::vector<uint8_t>& bytes, size_t at, size_t value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// The key-table position of button `button`, or nothing.
std::optional<size_t> PositionOf(std::span<const uint8_t> keyPositions, size_t button) {
    if (button >= keyPositions.size() || keyPositions[button] == kMacroNoKeyPosition)
        return std::nullopt;
    return keyPositions[button];
}

// Begin, the block, end, each behind the link query on the receiver. A block that fails half
// way still gets its end command, so the mouse leaves configuration mode.
int SendBlock(CReportChannel& channel, const std::vector<uint8_t>& block, bool shoot) {
    if (!channel.QueryLink())
        return -1;
    bool done = channel.BeginConfiguration() == kResultDone;
    if (done && !channel.QueryLink())
        return -1;
    if (done) {
        const auto length = static_cast<uint16_t>(block.size());
        const int written = shoot ? channel.WriteShootMemory(block.data(), length)
                                  : channel.WriteMacroMemory(block.data(), length);
        done = written == kResultDone;
        if (!done)
            DebugPrintf(DebugArea::Macro, "%s data transfer failed (%d)", shoot ? "shoot" : "macro",
                        written);
    }
    if (!channel.QueryLink())
        return -1;
    channel.EndConfiguration();
    return done ? 1 : -1;
}

void ReadInformationBlockIfPresent(CReportChannel& channel) {
    if (!channel.IsPresent())
        return;
    std::array<uint8_t, kInformationBlockSize> info{};
    channel.ReadInformationBlock(info.data());
}

}  // namespace

std::vector<int> BuildMacroList(std::span<const KeyListEntry> keys,
                                std::span<const uint8_t> keyPositions, size_t macroCount) {
    std::vector<int> used;
    for (size_t button = 0; button < keys.size(); ++button) {
        if (!PositionOf(keyPositions, button))
            continue;
        const KeyCode& code = keys[button].current.code;
        if (!IsMacroCode(code) || code[1] >= macroCount)
            continue;
        if (std::find(used.begin(), used.end(), code[1]) == used.end())
            used.push_back(code[1]);
    }
    return used;
}

size_t MacroBlockSize(std::span<const std::vector<MacroEvent>> macros) {
    size_t size = kMacroBlockHeaderSize;
    for (const std::vector<MacroEvent>& events : macros)
        size += 2 + kRecordHeaderSize + kEventSize * events.size();
    return size;
}

int MacroEventsOverLimit(size_t blockSize, size_t limit) {
    if (blockSize <= limit)
        return 0;
    // Each event that goes frees four bytes: round up, so the count is the least that fits.
    return static_cast<int>((blockSize - limit + kEventSize - 1) / kEventSize);
}

std::vector<uint8_t> BuildMacroBlock(std::span<const std::vector<MacroEvent>> macros) {
    const size_t size = MacroBlockSize(macros);
    if (size > kMaxDescribableBlock)
        return {};
    std::vector<uint8_t> block(size, 0);
    PutLe16(block, 0, kMacroBlockSignature);
    PutLe16(block, 2, size);
    PutLe16(block, 4, macros.size());
    size_t record = kMacroBlockHeaderSize + 2 * macros.size();
    for (size_t k = 0; k < macros.size(); ++k) {
        PutLe16(block, kMacroBlockHeaderSize + 2 * k, record);
        PutLe16(block, record, macros[k].size());
        size_t at = record + kRecordHeaderSize;
        for (const MacroEvent& event : macros[k]) {
            const std::array<uint8_t, 4> bytes = EncodeMacroEvent(event);
            std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<ptrdiff_t>(at));
            at += kEventSize;
        }
        record = at;
    }
    return block;
}

std::vector<uint8_t> BuildKeyTableImage(std::span<const uint8_t> current,
                                        std::span<const KeyListEntry> keys,
                                        std::span<const uint8_t> keyPositions, size_t macroCount) {
    std::vector<uint8_t> image(current.begin(), current.end());
    // The same walk as BuildMacroList, so slot k here is macro k of the block.
    const std::vector<int> slots = BuildMacroList(keys, keyPositions, macroCount);
    for (size_t button = 0; button < keys.size(); ++button) {
        const auto position = PositionOf(keyPositions, button);
        if (!position || 3 * *position + 3 > image.size())
            continue;
        KeyCode code = keys[button].current.code;
        if (IsMacroCode(code)) {
            if (code[1] < macroCount) {
                const auto slot = std::find(slots.begin(), slots.end(), code[1]) - slots.begin();
                code[1] = static_cast<uint8_t>(slot);
            } else {
                // Its macro is gone: the mouse must not play whatever sits in that slot.
                code = keys[button].factory.code;
            }
        }
        std::copy(code.begin(), code.end(), image.begin() + static_cast<ptrdiff_t>(3 * *position));
    }
    return image;
}

int WriteMacroData(CReportChannel& channel, const CMacroList& macros, std::span<const int> used) {
    ReadInformationBlockIfPresent(channel);
    if (!macros.HasListFile() || used.empty())
        return 0;
    const std::vector<MacroEntry> entries = macros.ReadList();
    std::vector<uint8_t> block;
    try {
        // Each file is read once: what is sized is what is sent.
        std::vector<std::vector<MacroEvent>> events;
        events.reserve(used.size());
        for (int index : used) {
            if (index >= 0 && static_cast<size_t>(index) < entries.size()) {
                const std::string& id = entries[static_cast<size_t>(index)].id;
                // A macro we could not read is never sent as an empty one.
                if (const MacroFileState state = macros.FileState(id);
                    state == MacroFileState::Unreadable || state == MacroFileState::Broken) {
                    DebugPrintf(DebugArea::Macro, "macro %s cannot be read: nothing sent",
                                id.c_str());
                    return -1;
                }
                events.push_back(macros.ReadEventsById(id));
            } else

                events.emplace_back();
        }
        const size_t size = MacroBlockSize(events);
        if (const int over = MacroEventsOverLimit(size); over > 0) {
            DebugPrintf(DebugArea::Macro, "macro block of %zu bytes: %d events too many", size,
                        over);
            return over;
        }
        block = BuildMacroBlock(events);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return SendBlock(channel, block, false) == 1 ? 0 : -1;
}

int WriteShootData(CReportChannel& channel, const CShootData& shoot) {
    ReadInformationBlockIfPresent(channel);
    std::vector<std::vector<MacroEvent>> guns;
    for (int gun = 0; gun < kShootGuns; ++gun)
        guns.push_back(shoot.ReadEvents(gun));
    const std::vector<uint8_t> block = BuildMacroBlock(guns);
    if (block.empty()) {
        DebugLine(DebugArea::Macro, "shoot data too large to send");
        return 0;
    }
    return SendBlock(channel, block, true);
}

int WriteKeyTable(CReportChannel& channel, std::span<const uint8_t> currentImage,
                  std::span<const KeyListEntry> keys, std::span<const uint8_t> keyPositions,
                  size_t macroCount, int bank) {
    if (!channel.IsPresent() || !channel.QueryLink())
        return 0;
    std::array<uint8_t, kInformationBlockSize> info{};
    if (channel.ReadInformationBlock(info.data()) != kResultDone)
        return 0;
    const size_t tableSize = 3u * info[5];
    if (channel.SetKeyTableSize(static_cast<uint16_t>(tableSize)) != 1)
        return 0;
    // An image of fewer positions than the mouse has would send zeros over its functions.
    if (currentImage.size() < tableSize)
        return 0;
    std::vector<uint8_t> image =
        BuildKeyTableImage(currentImage.first(tableSize), keys, keyPositions, macroCount);
    image.resize(kMaxKeyTableSize, 0);

    if (!channel.QueryLink())
        return 0;
    bool done = channel.BeginConfiguration() == kResultDone;
    if (done && !channel.QueryLink())
        return 0;
    if (done)
        done = channel.WriteKeyAssignmentTable(image.data(), bank) == kResultDone;
    if (!channel.QueryLink())
        return 0;
    channel.EndConfiguration();
    return done ? 1 : 0;
}

ApplyMacrosResult ApplyMacros(CReportChannel& channel, const CMacroList& macros,
                              std::span<const uint8_t> currentImage,
                              std::span<const KeyListEntry> keys,
                              std::span<const uint8_t> keyPositions, int bank) {
    ApplyMacrosResult result;
    const size_t macroCount = macros.ReadList().size();
    result.used = BuildMacroList(keys, keyPositions, macroCount);
    result.macroResult = WriteMacroData(channel, macros, result.used);
    if (result.macroResult > 0)
        return result;
    result.keyTableAttempted = true;
    result.keyTableResult =
        WriteKeyTable(channel, currentImage, keys, keyPositions, macroCount, bank);
    return result;
}
