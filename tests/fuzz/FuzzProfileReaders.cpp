// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target for the JSON readers and everything that reads profile, light list and
// profile list files: any file content must read without crashing, throwing or tripping the
// sanitizers, and what we write must read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "profile/DataLock.h"
#include "profile/Hs6533Profiledata.h"
#include "profile/JsonFile.h"
#include "profile/KeyboardProfiledata.h"
#include "profile/MouseProfiledata.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
        return base / ("kestrune-fuzz-profile-" + std::to_string(::getpid()));
    }();
    return folder;
}

void Put(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const fs::path folder = Folder();
    fs::remove_all(folder);
    fs::create_directories(folder / "mouse");

    const Json::Value parsed = CJsonFile::ParseDocument(bytes);
    // Whatever we read, we can write and read back.
    if (!parsed.isNull())
        Check(!CJsonFile::ParseDocument(CJsonFile::FormatDocument(parsed)).isNull());

    const fs::path file = folder / "input.Json";
    Put(file, bytes);
    Check(CJsonFile::ReadDocument(file) == parsed);

    // The input as profile file, default document and light list at once.
    CMouseProfiledata mouse;
    mouse.SetDefaultPath(file);
    mouse.SetProfilePath(folder / "profile.Json");
    mouse.SetLightListPath(file);
    mouse.LoadSection(file);
    mouse.GetLightList();
    mouse.GetKeyList();
    mouse.GetDpiStages();
    mouse.GetMouseSettings();
    mouse.LoadLightListFile(file);
    for (uint8_t effect : {0, 12, 13, 20}) {
        LightInfo light = mouse.GetLightInfo();
        light.effect = effect;
        mouse.SetLightInfo(light);
        mouse.GetLightInfo();
        mouse.GetEffectSteps();
    }
    mouse.SetKeyList(mouse.GetKeyList());
    mouse.SetDpiStages(mouse.GetDpiStages());
    mouse.SetMouseSettings(mouse.GetMouseSettings());
    Check(mouse.Save());
    mouse.LoadSection(folder / "missing.Json");  // repaired from the input as default

    CKeyboardProfiledata keyboard;
    keyboard.SetDefaultPath(file);  // read, never repaired
    keyboard.LoadSection(file);
    keyboard.GetAudioLightInfo();
    keyboard.GetKeyboardSettings();
    keyboard.GetCustomLightColors(keyboard.GetCustomLightGroup(), 170);
    keyboard.GetCustomLightColors(0, 170);

    CHs6533Profiledata headset;
    headset.SetDefaultPath(file);  // read, never repaired
    headset.LoadSection(file);
    headset.GetHeadsetSettings();
    headset.GetEqValues(headset.GetHeadsetSettings().eqType);
    headset.GetCustomEqNames();
    headset.GetCustomEqValues(headset.GetHeadsetSettings().customEqSelectIndex);

    // The input as profile list.
    Put(folder / "mouse" / "ProfileList.ini", bytes);
    CProfileList list;
    list.SetFolders(folder / "mouse", file);
    list.LoadList();
    Check(list.GetCount() >= 1);
    Check(list.GetSelection() >= 0 && list.GetSelection() < list.GetCount());
    for (const ProfileEntry& entry : list.GetEntries())
        Check(IsPlainFileName(entry.id));
    list.ImportProfile(file);
    list.CopyProfile(0);
    list.RenameProfile(0, "Renamed");
    list.DeleteProfile(list.GetCount() - 1);
    Check(list.GetProfileCount() == list.GetCount());
    // Nothing was written outside the device folder.
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        Check(name == "mouse" || name == "input.Json" || name == "profile.Json" ||
              name == "missing.Json" || name == CDataFolderLock::kLockFileName);
    }
    return 0;
}
