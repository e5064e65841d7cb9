// SPDX-License-Identifier: GPL-2.0-or-later
// The checks of what our JSON files may hold. One checker per file kind, used by import (which
// refuses a file with a problem) and by every read (which mends the field and warns), so a file
// is taken in only when it can be read back as it is, and nothing out of range reaches the mouse.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One field that is not what the file kind allows.
struct FileProblem {
    std::string field;  // "Device[0].DPIStages.StageDPIs[2].StageDPIX"
    std::string value;  // what the file holds there, shortened: "2147483647", "a text", ...
    std::string limit;  // what it may hold: "a whole number from 0 to 65535", ...

    // "FIELD is VALUE; it must be LIMIT"
    std::string Text() const;
};

// Several problems in one line: the first few, then how many more.
std::string ProblemsText(const std::vector<FileProblem>& problems);

// Walks one document. Checking only collects problems; mending also puts each bad field right
// (clamped into its range, or set to its default when of the wrong type; long arrays cut).
class CFileChecker {
  public:
    explicit CFileChecker(bool mend) : m_mend(mend) {}

    // A whole number within [low, high] (a member that is missing is fine).
    void Integer(Json::Value& object, const char* key, int64_t low, int64_t high,
                 const std::string& path, int64_t fallback = 0);
    // true, false, 0 or 1.
    void Flag(Json::Value& object, const char* key, const std::string& path);
    void Text(Json::Value& object, const char* key, const std::string& path,
              size_t maxBytes = kMaxTextBytes);
    // An array element is an object (true); another type is a problem, and mending makes it an
    // empty object (its members then read as their defaults).
    bool Element(Json::Value& element, const std::string& at);
    // The member is an object (true) or missing (false). Another type is a problem; mending
    // removes it.
    bool Object(Json::Value& object, const char* key, const std::string& path);
    // The member is an array whose elements are to be checked (true), or missing (false); more
    // than maxCount elements is a problem: mending keeps the first maxCount, checking alone
    // gives false.
    bool Array(Json::Value& object, const char* key, size_t maxCount, const std::string& path);
    // Texts and arrays anywhere below: none longer than the limits (a file no reader of ours
    // needs, however it is shaped).
    void Sizes(Json::Value& value, const std::string& path, int depth = 0);

    void Add(std::string field, std::string value, std::string limit);
    bool Mending() const { return m_mend; }
    const std::vector<FileProblem>& Problems() const { return m_problems; }

    static constexpr size_t kMaxTextBytes = 4096;
    static constexpr size_t kMaxArrayCount = 4096;

    // The value as a problem names it.
    static std::string Describe(const Json::Value& value);

  private:
    bool m_mend;
    std::vector<FileProblem> m_problems;
};

// An exact whole number, or nothing (3.7, "3", null and true are not numbers of ours); numbers
// past the signed 64-bit range read as its maximum.
std::optional<int64_t> WholeNumber(const Json::Value& value);

// The file path joined to a member name for messages: "a.b", "a[3]".
std::string FieldPath(const std::string& path, const std::string& key);
std::string FieldPath(const std::string& path, size_t index);

// Limits of a profile file, the same for import and for reading.
struct ProfileLimits {
    static constexpr size_t kMaxDevices = 16;
    static constexpr size_t kMaxKeys = 128;
    static constexpr size_t kMaxLights = 256;
    static constexpr size_t kMaxStages = 7;
    static constexpr int64_t kMaxKeyCode = 0xFFFFFF;
};

// A profile document: the name members, every device section and the sizes of everything.
std::vector<FileProblem> CheckProfileDocument(Json::Value& document, bool mend);
// One device section ("Device"[i]); `path` names it in messages.
std::vector<FileProblem> CheckProfileSection(Json::Value& section, const std::string& path,
                                             bool mend);
// A profile list document ("ProfileList.ini").
std::vector<FileProblem> CheckProfileListDocument(Json::Value& document, int maxProfiles,
                                                  bool mend);

// Who hears of a file that was read with fields mended (the command line prints it, the window
// logs it). One call per read file, with all its problems.
using FileWarningListener =
    std::function<void(const std::filesystem::path& file, const std::vector<FileProblem>&)>;
void SetFileWarningListener(FileWarningListener listener);
void WarnFileProblems(const std::filesystem::path& file, const std::vector<FileProblem>& problems);
