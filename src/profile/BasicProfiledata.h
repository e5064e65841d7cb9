// SPDX-License-Identifier: GPL-2.0-or-later
// A device's section of the current profile file, and its conversion to and from records.
#pragma once

#include <json/json.h>

#include <filesystem>
#include <string>
#include <vector>

#include "records/ProfileRecords.h"

// The profile data object of a device page. The mouse pad uses it as it is; the other families
// add their own members. Setters change the section in memory only; Save writes it.
class CBasicProfiledata {
  public:
    // Device sections past this index are never addressed (a bigger index would grow arrays).
    static constexpr int kMaxDeviceIndex = 15;

    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;
    CBasicProfiledata(const CBasicProfiledata&) = default;
    CBasicProfiledata& operator=(const CBasicProfiledata&) = default;

    // An empty path is ignored.
    void SetProfilePath(const std::filesystem::path& path);
    void SetDefaultPath(const std::filesystem::path& path);
    void SetLightListPath(const std::filesystem::path& path);
    std::filesystem::path GetProfilePath() const { return m_profilePath; }
    std::filesystem::path GetDefaultPath() const { return m_defaultPath; }
    std::filesystem::path GetLightListPath() const { return m_lightListPath; }

    // Out-of-range indices are refused (false).
    bool SetDeviceIndex(int index);
    int GetDeviceIndex() const { return m_deviceIndex; }

    // The effect number that maps to entry 0 of the light list file.
    void SetFirstCustomEffect(int effect) { m_firstCustomEffect = effect; }
    int GetFirstCustomEffect() const { return m_firstCustomEffect; }

    // The device section of the file (null when missing). A file without a usable section gets
    // the default document's section and is written back; RepairWriteFailed tells whether that
    // write failed. The default document itself is never written.
    Json::Value LoadSection(const std::filesystem::path& path);
    // The same into the secondary section, used to edit another profile's key list.
    Json::Value LoadSecondary(const std::filesystem::path& path);
    bool RepairWriteFailed() const { return m_repairWriteFailed; }
    // The last load found a file it may not read (ReadError says why): nothing was changed and
    // the section is null.
    bool ReadRefused() const { return m_readRefused; }
    std::string ReadError() const { return m_readError; }
    // Read-only loads (what shows a profile) repair nothing on disk: a missing section is taken
    // from the default document in memory only.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    Json::Value GetSection() const { return m_section; }
    Json::Value GetSecondarySection() const { return m_secondary; }

    // Each returns false when the file could not be written (the old file is then intact).
    virtual bool Save();
    virtual bool SaveSection(const Json::Value& section, const std::filesystem::path& path);
    virtual bool SaveSecondary(const std::filesystem::path& path);
    virtual bool SaveWhole(const Json::Value& document, const std::filesystem::path& path);

    LightInfo GetLightInfo();
    void SetLightInfo(const LightInfo& info);
    // Kept unchanged when the section has no "AudioLightInfo"; the colour type reads as 1.
    DeviceAudioSettings GetAudioLightInfo();
    void SetAudioLightInfo(const DeviceAudioSettings& settings);
    std::vector<LightListEntry> GetLightList();

    std::vector<KeyListEntry> GetKeyList();
    // Writes only "Assignment" of elements 0 .. size - 1; the factory codes are never written.
    void SetKeyList(const std::vector<KeyListEntry>& list);
    std::vector<KeyListEntry> GetSecondaryKeyList();
    void SetSecondaryKeyList(const std::vector<KeyListEntry>& list);

    Json::Value LoadLightListFile(const std::filesystem::path& path);
    // The steps of the custom effect that the current LightInfo selects. Effect files live
    // beside the light list file; a "Guid" that is not a plain file name gives no steps.
    std::vector<EffectStep> GetEffectSteps();

  protected:
    Json::Value& Section() { return m_section; }
    const Json::Value& Section() const { return m_section; }

  private:
    Json::Value LoadInto(const std::filesystem::path& path, Json::Value& target);
    static std::vector<KeyListEntry> ReadKeyList(const Json::Value& section);
    static void WriteKeyList(Json::Value& section, const std::vector<KeyListEntry>& list);

    std::filesystem::path m_profilePath;
    std::filesystem::path m_defaultPath;
    int m_firstCustomEffect = 12;
    LightInfo m_lightInfo;
    DeviceAudioSettings m_audioSettings;
    std::vector<LightListEntry> m_lightList;
    Json::Value m_section;
    Json::Value m_secondary;
    std::filesystem::path m_lightListPath;
    std::vector<EffectStep> m_effectSteps;
    Json::Value m_lightListDocument;
    std::vector<KeyListEntry> m_keyList;
    std::vector<KeyListEntry> m_secondaryKeyList;
    int m_deviceIndex = 0;
    bool m_repairWriteFailed = false;
    bool m_readRefused = false;
    bool m_readOnly = false;
    std::string m_readError;
};
