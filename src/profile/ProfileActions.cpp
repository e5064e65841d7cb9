// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/ProfileActions.h"

#include <string>

#include "base/Paths.h"
#include "profile/DataLock.h"
#include "profile/JsonFile.h"

ProfileResult LoadDeviceProfileList(CProfileList& list, int kind, std::string_view typeKey) {
    list.SetKind(kind);
    list.SetFolders(GetDeviceDataFolder(typeKey), GetDefaultProfileFile(typeKey));
    return list.LoadList();
}

ProfileAddition AddAndSelectProfile(CProfileList& list, std::string_view name) {
    // The steps and their undoing are one change of the folder.
    CDataFolderLock lock(list.GetListFilePath().parent_path());
    // A name that cannot be had is refused before anything is made.
    if (!name.empty() && list.FindByName(name) >= 0)
        return {ProfileResult::NameTaken, -1};
    if (!name.empty() && IsBlankText(name))
        return {ProfileResult::NameBlank, -1};
    const std::string previous = list.GetCurrentProfileId();
    // Named as asked in the one write of the file and the list.
    if (ProfileResult r = list.AddProfile(name); r != ProfileResult::Done)
        return {r, -1};
    const int index = list.GetCount() - 1;
    ProfileResult result = list.SelectProfile(index);
    if (result == ProfileResult::Done)
        return {result, index};
    // AddProfile named the new profile for the next start; the old current one takes that back.
    list.DeleteProfile(index);
    if (const int before = list.FindById(previous); before >= 0)
        list.SelectProfile(before);
    return {result, -1};
}
