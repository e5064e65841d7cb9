// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/ShootData.h"

#include <system_error>

#include "base/Debug.h"
#include "macro/MacroCheck.h"
#include "profile/DataLock.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

// The fixed parts of every bullet: the shot is held 10 ms, the horizontal move waits 5 ms.
constexpr uint16_t kPressDelay = 10;
constexpr uint16_t kMoveXDelay = 5;

bool IsShootDocument(const Json::Value& document) {
    return document.isObject() && JsonMember(document, "Events").isArray();
}

}  // namespace

std::vector<MacroEvent> MakeBulletEvents(const ShootBullet& bullet) {
    return {
        MakeMacroEvent(MacroEventType::MouseButton, true, 0x01, kPressDelay),
        MakeMacroEvent(MacroEventType::MouseButton, false, 0x01, 0),
        MakeMacroEvent(MacroEventType::MoveX, bullet.left, bullet.x, kMoveXDelay),
        MakeMacroEvent(MacroEventType::MoveY, bullet.up, bullet.y, bullet.delay),
        MakeMacroEvent(MacroEventType::MoveX, bullet.left, 0, 0),
        MakeMacroEvent(MacroEventType::MoveY, bullet.up, 0, 0),
    };
}

ShootBullet ReadBullet(const std::vector<MacroEvent>& events, int bullet) {
    ShootBullet value;
    if (bullet < 0)
        return value;
    const size_t first = static_cast<size_t>(bullet) * kShootEventsPerBullet;
    if (first + 2 < events.size()) {
        value.left = events[first + 2].down;
        value.x = events[first + 2].button;
    }
    if (first + 3 < events.size()) {
        value.up = events[first + 3].down;
        value.y = events[first + 3].button;
        value.delay = events[first + 3].delay;
    }
    return value;
}

CShootData::CShootData(fs::path deviceFolder, fs::path defaultFolder)
    : m_folder(std::move(deviceFolder)), m_defaultFolder(std::move(defaultFolder)) {}

std::string CShootData::FileName(int gun) {
    return "ShootData_" + std::to_string(gun) + ".Shoot";
}

fs::path CShootData::FilePath(int gun) const {
    return m_folder / FileName(gun);
}

fs::path CShootData::DefaultFilePath(int gun) const {
    return m_defaultFolder / FileName(gun);
}

int CShootData::RestoreMissing() {
    CDataFolderLock lock(m_folder);
    int restored = 0;
    for (int gun = 0; gun < kShootGuns; ++gun) {
        if (IsShootDocument(CJsonFile::ReadDocument(FilePath(gun))))
            continue;
        DebugPrintf(DebugArea::Macro, "restoring %s from the default data", FileName(gun).c_str());
        // An unreadable file is kept, not written over.
        CJsonFile::KeepBroken(FilePath(gun));
        if (Reset(gun) == ShootResult::Done)
            ++restored;
    }
    return restored;
}

std::vector<MacroEvent> CShootData::ReadEvents(int gun) const {
    if (!ValidGun(gun))
        return {};
    Json::Value document =
        CJsonFile::ParseDocument(CJsonFile::ReadText(FilePath(gun), kMaxMacroFileBytes));
    if (IsShootDocument(document))
        WarnFileProblems(FilePath(gun), CheckShootDocument(document, kMaxShootEvents, true));
    std::vector<MacroEvent> events;
    for (const Json::Value& element : JsonMember(document, "Events"))
        events.push_back(ReadMacroEvent(element));
    return events;
}

bool CShootData::IsUsable(int gun) const {
    return ValidGun(gun) && IsShootDocument(CJsonFile::ReadDocument(FilePath(gun)));
}

std::vector<MacroEvent> CShootData::ReadDefaultEvents(int gun) const {
    if (!ValidGun(gun))
        return {};
    const Json::Value document = CJsonFile::ReadDocument(DefaultFilePath(gun));
    std::vector<MacroEvent> events;
    for (const Json::Value& element : JsonMember(document, "Events"))
        events.push_back(ReadMacroEvent(element));
    return events;
}

std::optional<ShootBullet> CShootData::GetBullet(int gun, int bullet) const {
    if (!ValidGun(gun) || bullet < 0 || bullet >= kShootBullets)
        return std::nullopt;
    return ReadBullet(ReadEvents(gun), bullet);
}

ShootResult CShootData::SetBullet(int gun, int bullet, const ShootBullet& value) {
    if (!ValidGun(gun))
        return ShootResult::NoSuchGun;
    if (bullet < 0 || bullet >= kShootBullets)
        return ShootResult::NoSuchBullet;
    CDataFolderLock lock(m_folder);
    Json::Value document = CJsonFile::ReadDocument(FilePath(gun));
    if (!IsShootDocument(document)) {
        CJsonFile::KeepBroken(FilePath(gun));
        // A lost file starts again from its default, as when the page opens.
        document = CJsonFile::ReadDocument(DefaultFilePath(gun));
        if (!IsShootDocument(document)) {
            document = Json::Value(Json::objectValue);
            document["Events"] = Json::Value(Json::arrayValue);
        }
    }
    Json::Value& events = document["Events"];
    const auto first = static_cast<Json::ArrayIndex>(bullet * kShootEventsPerBullet);
    // A short file gets whole bullets up to this one, never holes.
    const std::vector<MacroEvent> filler = MakeBulletEvents({});
    while (events.size() < first)
        events.append(
            MacroEventToJson(filler[events.size() % kShootEventsPerBullet], DelayForm::Number));
    const std::vector<MacroEvent> written = MakeBulletEvents(value);
    for (Json::ArrayIndex k = 0; k < written.size(); ++k)
        events[first + k] = MacroEventToJson(written[k], DelayForm::Number);
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    return CJsonFile::WriteDocument(FilePath(gun), document) ? ShootResult::Done
                                                             : ShootResult::WriteFailed;
}

ShootResult CShootData::Reset(int gun) {
    if (!ValidGun(gun))
        return ShootResult::NoSuchGun;
    const std::string text = CJsonFile::ReadText(DefaultFilePath(gun));
    if (text.empty())
        return ShootResult::Unreadable;
    CDataFolderLock lock(m_folder);
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    return CJsonFile::WriteText(FilePath(gun), text) ? ShootResult::Done : ShootResult::WriteFailed;
}

ShootResult CShootData::Import(int gun, const fs::path& file) {
    if (!ValidGun(gun))
        return ShootResult::NoSuchGun;
    m_problems.clear();
    const std::string text = CJsonFile::ReadText(file, kMaxMacroFileBytes);
    if (text.empty())
        return ShootResult::Unreadable;
    Json::Value document = CJsonFile::ParseDocument(text);
    if (!IsShootDocument(document))
        return ShootResult::NotAShootFile;
    // Taken only as it reads back: 30 bullets of events the mouse plays.
    m_problems = CheckShootDocument(document, kMaxShootEvents, false);
    if (!m_problems.empty())
        return ShootResult::NotAShootFile;
    CDataFolderLock lock(m_folder);
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    return CJsonFile::WriteText(FilePath(gun), text) ? ShootResult::Done : ShootResult::WriteFailed;
}

ShootResult CShootData::Export(int gun, const fs::path& file) const {
    if (!ValidGun(gun))
        return ShootResult::NoSuchGun;
    // A gun never changed has its default pattern.
    const std::string text = CJsonFile::ReadText(
        CJsonFile::Exists(FilePath(gun)) ? FilePath(gun) : DefaultFilePath(gun));
    if (text.empty())
        return ShootResult::Unreadable;
    return CJsonFile::WriteText(file, text) ? ShootResult::Done : ShootResult::WriteFailed;
}
