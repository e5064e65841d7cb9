// SPDX-License-Identifier: GPL-2.0-or-later
// The four recoil patterns (guns) of the mouse, 30 shots (bullets) each, kept as macro event lists
// in "ShootData_<gun>.Shoot" in the device folder. Every bullet is six events: press and release
// the left button, move by the correction, then two zero moves in the same directions.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "macro/MacroEvent.h"
#include "profile/FileCheck.h"

inline constexpr int kShootGuns = 4;
inline constexpr int kShootBullets = 30;
inline constexpr int kShootEventsPerBullet = 6;
inline constexpr size_t kMaxShootEvents = kShootBullets * kShootEventsPerBullet;

struct ShootBullet {
    bool left = false;   // horizontal correction to the left ("down"), else to the right
    uint8_t x = 0;       // horizontal correction
    bool up = false;     // vertical correction upwards ("down"), else downwards
    uint8_t y = 0;       // vertical correction
    uint16_t delay = 0;  // milliseconds after the vertical move

    bool operator==(const ShootBullet&) const = default;
};

// The six events of one bullet, in file order.
std::vector<MacroEvent> MakeBulletEvents(const ShootBullet& bullet);
// The bullet held by events 6b .. 6b+5 (zero for what is missing).
ShootBullet ReadBullet(const std::vector<MacroEvent>& events, int bullet);

enum class ShootResult {
    Done,
    NoSuchGun,      // gun outside 0 .. 3
    NoSuchBullet,   // bullet outside 0 .. 29
    NotAShootFile,  // an import file that is not a JSON object with an "Events" array
    Unreadable,     // a file to copy could not be read
    WriteFailed,    // the file on disk is unchanged
};

class CShootData {
  public:
    // The user's device folder, and the program's "DefaultData" folder with the default files.
    CShootData(std::filesystem::path deviceFolder, std::filesystem::path defaultFolder);

    static std::string FileName(int gun);  // "ShootData_<gun>.Shoot"
    std::filesystem::path FilePath(int gun) const;
    std::filesystem::path DefaultFilePath(int gun) const;

    // Puts the default file in place of every missing or unparsable one (an unparsable one is
    // kept beside as "NAME.broken-DATE"); returns how many were restored (a failed copy is not
    // counted).
    int RestoreMissing();

    // The events of a gun; empty when its file is missing or unparsable.
    std::vector<MacroEvent> ReadEvents(int gun) const;
    // Whether the gun's file is a usable shoot file.
    bool IsUsable(int gun) const;
    // The default file's events, for showing a gun whose file is not usable.
    std::vector<MacroEvent> ReadDefaultEvents(int gun) const;
    std::optional<ShootBullet> GetBullet(int gun, int bullet) const;
    // Replaces the bullet's six events; the other events of the file stay as they are. Bullets
    // missing before it in a short file are filled with zero corrections.
    ShootResult SetBullet(int gun, int bullet, const ShootBullet& value);
    // The default file, byte for byte.
    ShootResult Reset(int gun);
    // A shoot file copied byte for byte over the gun's file.
    // A file with a field out of range is refused (NotAShootFile; LastProblems names them).
    ShootResult Import(int gun, const std::filesystem::path& file);
    const std::vector<FileProblem>& LastProblems() const { return m_problems; }
    ShootResult Export(int gun, const std::filesystem::path& file) const;

  private:
    static bool ValidGun(int gun) { return gun >= 0 && gun < kShootGuns; }

    std::filesystem::path m_folder;
    std::filesystem::path m_defaultFolder;
    std::vector<FileProblem> m_problems;
};
