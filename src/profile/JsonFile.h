// SPDX-License-Identifier: GPL-2.0-or-later
// Reading and writing every JSON file of the program, and the safe ways to look into a document.
#pragma once

#include <json/json.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class CJsonFile {
  public:
    // Bigger files are not ours and read as null.
    static constexpr uintmax_t kMaxFileSize = 16u * 1024 * 1024;

    // The whole file, or empty when it is missing, unreadable, not a regular file, too big or
    // shorter than its size (LastError says which).
    static std::string ReadText(const std::filesystem::path& path,
                                uintmax_t maxSize = kMaxFileSize);
    // The parsed document, or null (see ParseDocument).
    static Json::Value ReadDocument(const std::filesystem::path& path);
    // Null for empty text, text that is not UTF-8, is not JSON or nests too deeply. A leading
    // byte order mark is skipped; comments are accepted.
    static Json::Value ParseDocument(std::string_view text);

    // The styled form plus one line end, every line ending in CR LF.
    static std::string FormatDocument(const Json::Value& document);
    // Atomic: a temporary file in the same folder, flushed to disk, then renamed over the file.
    // False (and the old file untouched) when anything fails (LastError says why). Only a
    // regular file is replaced, and only when it is not read-only and we may write it; a
    // symbolic link is followed when it leads to such a file, never replaced itself.
    static bool WriteDocument(const std::filesystem::path& path, const Json::Value& document);
    static bool WriteText(const std::filesystem::path& path, std::string_view text);

    // Why the last ReadText or WriteText of this thread failed: "not found", "not a regular
    // file", "permission denied", "no space left on device", ...
    static std::string LastError();
    // Whether the last ReadText of this thread found a file it could not read (no permission,
    // an I/O error, not a regular file): unreadable is not the same as corrupt, and such a file
    // is neither kept aside nor written over.
    static bool LastReadRefused();

    // Temporary files of ours carry this in their names: "." + file name + marker + 6 chars.
    static constexpr const char* kTempMarker = ".kestrune-";
    // Removes temporary files of ours in the folder that no writer holds and that are older
    // than `age` (the moment between a writer making its file and locking it); returns how
    // many. Every successful write runs it on its folder, so what a killed writer left goes
    // with the next write there.
    static int RemoveStaleTemporaries(const std::filesystem::path& folder,
                                      std::chrono::seconds age = std::chrono::seconds(5));

    // An unreadable file that is about to be replaced is first kept beside it as
    // "NAME.broken-DATE". Returns the kept path (empty when nothing was there or it could not
    // be moved). The listener hears of each kept file once, before the new file is written.
    static std::filesystem::path KeepBroken(const std::filesystem::path& path);
    using BrokenFileListener =
        std::function<void(const std::filesystem::path& file, const std::filesystem::path& kept)>;
    static void SetBrokenFileListener(BrokenFileListener listener);
    // Whether something is at the path (a dangling link counts).
    static bool Exists(const std::filesystem::path& path);

    // The file name without folder and extension.
    static std::string FileTitle(const std::filesystem::path& path);

    // Simulates a full disk: writes fail after this many bytes of a file. nullopt turns it off.
    static void SetWriteLimitForTesting(std::optional<size_t> bytes);
};

// The local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year ... millisecond): the identity
// of profiles and macros.
std::string MakeTimeId();
std::string MakeTimeId(std::chrono::system_clock::time_point when);

// Identifiers read from files name files inside a known folder: no separators, no "..", no NUL.
bool IsPlainFileName(std::string_view name);

bool IsValidUtf8(std::string_view text);
// Invalid sequences become U+FFFD, so the text can be stored and compared as it will read back.
std::string SanitizeUtf8(std::string_view text);
// Code points; an invalid byte gives U+FFFD.
std::u32string DecodeUtf8(std::string_view text);
// Names of profiles and macros are compared with letter case ignored.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);
// Empty, or only white space (Unicode spaces included).
bool IsBlankText(std::string_view text);

// Lookups that never throw: a value of the wrong type reads as absent (null, 0, "", false).
const Json::Value& JsonMember(const Json::Value& object, const char* key);
const Json::Value& JsonElement(const Json::Value& array, size_t index);
std::optional<int64_t> JsonToInteger(const Json::Value& value);
int64_t JsonInteger(const Json::Value& object, const char* key, int64_t fallback = 0);
// A number (non-zero is true) or a boolean.
bool JsonFlag(const Json::Value& object, const char* key);
std::string JsonString(const Json::Value& object, const char* key);
// Numbers are kept in the low 8 or 16 bits of their field.
inline uint8_t JsonByte(const Json::Value& object, const char* key) {
    return static_cast<uint8_t>(JsonInteger(object, key));
}
inline uint16_t JsonWord(const Json::Value& object, const char* key) {
    return static_cast<uint16_t>(JsonInteger(object, key));
}

// For writing: make the value an object (array) when it is not one, then give the member.
Json::Value& JsonObjectMember(Json::Value& object, const char* key);
Json::Value& JsonArrayMember(Json::Value& object, const char* key);
// The element of an array value, growing it as needed.
Json::Value& JsonArrayElement(Json::Value& array, size_t index);
