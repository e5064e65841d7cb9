// SPDX-License-Identifier: GPL-2.0-or-later
// What the mouse plays from its own memory: the macros its buttons use (the macro block), the
// four recoil patterns (the shoot block, same layout) and the key table whose macro assignments
// point at the block's slots. The builders are pure; the transfers run on a report channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "macro/MacroEvent.h"
#include "records/ProfileRecords.h"

class CReportChannel;
class CMacroList;
class CShootData;

// The most macro block the mouse takes.
inline constexpr size_t kMacroBlockLimit = 1024;
inline constexpr size_t kMacroBlockHeaderSize = 16;
inline constexpr uint16_t kMacroBlockSignature = 0x55AA;
// A button whose factory code is not in the key table (the key position map's mark).
inline constexpr uint8_t kMacroNoKeyPosition = 0xAA;

// The macros the buttons use, each once, in the order the buttons first use them: walk `keys`
// in key-list order, skip buttons without a key-table position, take macro assignments whose
// index is below `macroCount`. Slot k of the macro block holds macro used[k].
std::vector<int> BuildMacroList(std::span<const KeyListEntry> keys,
                                std::span<const uint8_t> keyPositions, size_t macroCount);

// 16 + 2n + 4n + 4 × all events.
size_t MacroBlockSize(std::span<const std::vector<MacroEvent>> macros);
// The events that must go for a block of this size to fit: 0 when it fits.
int MacroEventsOverLimit(size_t blockSize, size_t limit = kMacroBlockLimit);
// Header (signature, size, count), offset table, then one record per macro (event count,
// reserved, events), all little-endian. Blocks past 65535 bytes cannot be described: empty.
std::vector<uint8_t> BuildMacroBlock(std::span<const std::vector<MacroEvent>> macros);

// The key table image to send: `current` (the key table as read from the mouse) with each
// positioned button's assignment, macro indices rewritten to slots and macros that no longer
// exist (index at or above `macroCount`) replaced by the button's factory function.
std::vector<uint8_t> BuildKeyTableImage(std::span<const uint8_t> current,
                                        std::span<const KeyListEntry> keys,
                                        std::span<const uint8_t> keyPositions, size_t macroCount);

// Sends the macro block of the used macros. 0: sent, or nothing to send (no list file, no
// macro used); -1: the transfer failed (receiver link lost, no reply) or no memory; n > 0: the
// block would be n events too large and nothing was sent.
int WriteMacroData(CReportChannel& channel, const CMacroList& macros, std::span<const int> used);

// Sends the four recoil patterns (a missing file gives an empty pattern). 1: sent; -1: the
// transfer failed; 0: the patterns are too large to describe and nothing was sent.
int WriteShootData(CReportChannel& channel, const CShootData& shoot);

// Reads the information block, then sends the key table image for `bank`. 1: sent; 0: not
// sent (device absent, receiver link down, no information block, an image shorter than the
// mouse's key table) or the transfer failed.
int WriteKeyTable(CReportChannel& channel, std::span<const uint8_t> currentImage,
                  std::span<const KeyListEntry> keys, std::span<const uint8_t> keyPositions,
                  size_t macroCount, int bank = 0);

struct ApplyMacrosResult {
    std::vector<int> used;   // the macro list sent
    int macroResult = 0;     // WriteMacroData's result
    int keyTableResult = 0;  // WriteKeyTable's result; 0 when it was not attempted
    bool keyTableAttempted = false;
};

// Macros, then the key table. A block that is too large stops it before anything is sent (the
// key table included); a failed macro transfer still sends the key table.
ApplyMacrosResult ApplyMacros(CReportChannel& channel, const CMacroList& macros,
                              std::span<const uint8_t> currentImage,
                              std::span<const KeyListEntry> keys,
                              std::span<const uint8_t> keyPositions, int bank = 0);
