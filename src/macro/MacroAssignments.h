// SPDX-License-Identifier: GPL-2.0-or-later
// Button assignments that name macros by their list position, kept right when a macro is deleted:
// its buttons go back to their factory function and the buttons of later macros follow them
// down by one, in every profile of the device.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "records/ProfileRecords.h"

class CProfileList;

// Buttons whose assignment plays macro `macroIndex`.
int CountMacroAssignments(std::span<const KeyListEntry> keys, int macroIndex);
// The fix for deleting macro `deleted`; returns how many assignments changed.
int FixKeyListForDeletedMacro(std::vector<KeyListEntry>& keys, int deleted);

// The profile files of the device, read afresh from its profile list.
std::vector<std::filesystem::path> DeviceProfileFiles(CProfileList& profiles);
// The key list of a profile file as stored (device section 0); empty when there is none.
std::vector<KeyListEntry> ReadProfileKeyList(const std::filesystem::path& profileFile);

struct MacroDeletionFix {
    int changedAssignments = 0;
    std::vector<std::filesystem::path> changedFiles;
    std::vector<std::string> originals;  // each changed file's bytes before the fix
    // A write failed: every file is as it was before the call.
    bool writeFailed = false;
    std::filesystem::path failedFile;
};

// Fixes the key lists of these profile files for deleting macro `deleted` and writes back the
// ones that changed, except `skip` (the profile a device page holds in memory: the page fixes
// its own copy). All or nothing: after a failed write the files already written are restored.
MacroDeletionFix FixProfilesForDeletedMacro(std::span<const std::filesystem::path> profileFiles,
                                            int deleted, const std::filesystem::path& skip = {});
// Puts the changed files back as they were (when the deletion cannot go ahead after all).
void UndoMacroDeletionFix(const MacroDeletionFix& fix);
