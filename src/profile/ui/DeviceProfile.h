// SPDX-License-Identifier: GPL-2.0-or-later
// The profile control of a device page ("DeviceProfileItem", layout "DeviceProfile.xml"): the
// device's profiles in a combo box, the menu with rename, add, copy, delete, import, export,
// reset and restore defaults, and the function tabs. It shows the profile list (CProfileList)
// and keeps the combo box in step with it. Choosing a profile starts the switch 400 ms later,
// so quick choices make one switch; the switch itself (loading the profile and writing the
// mouse) is the window's, asked for with SwitchRequested. Messages and file dialogs never run an
// event loop of their own: their answers come back as calls.
#pragma once

#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>

#include "profile/ProfileList.h"
#include "ui/FileChooser.h"
#include "ui/Page.h"
#include "ui/PageRoad.h"

class QComboBox;
class QTimer;

class CDeviceProfileUI : public CPageUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "DeviceProfile";
    static constexpr const char* kLayout = "XML/CustomControlXML/DeviceProfile.xml";

    static constexpr const char* kCombo = "device_profile_combo";
    static constexpr const char* kNameEdit = "device_profile_name_edit";
    static constexpr const char* kMenu = "profile_menu_layout";
    static constexpr const char* kSpread = "profile_fun_spread_btn";
    static constexpr const char* kAdd = "device_add_btn";
    static constexpr const char* kDelete = "device_sub_btn";
    static constexpr const char* kCopy = "device_copy_btn";
    static constexpr const char* kImport = "device_import_btn";
    static constexpr const char* kExport = "device_export_btn";
    static constexpr const char* kRename = "device_profile_edit_save_btn";
    static constexpr const char* kReset = "device_reset_btn";
    static constexpr const char* kDefaults = "default_btn";
    static constexpr const char* kTabs[] = {
        "deng_Op_tab",       "key_Op_tab",   "macro_Op_tab",      "system_Op_tab",  "cursor_Op_tab",
        "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab", "otherset_Op_tab"};
    static constexpr PageControl kControls[] = {
        {kCombo},   {kNameEdit}, {kMenu},    {kSpread},  {kAdd},      {kDelete},  {kCopy},
        {kImport},  {kExport},   {kRename},  {kReset},   {kDefaults}, {kTabs[0]}, {kTabs[1]},
        {kTabs[2]}, {kTabs[3]},  {kTabs[4]}, {kTabs[5]}, {kTabs[6]},  {kTabs[7]}, {kTabs[8]},
    };
    static constexpr const char* kFileFilter = "Profile Files(*.json)";
    // The window's timer between a choice in the combo box and the switch.
    static constexpr int kSwitchTimer = 1055;
    static constexpr int kSwitchDelayMs = 400;

    explicit CDeviceProfileUI(QWidget* parent = nullptr);
    ~CDeviceProfileUI() override;

    // The window's message channel.
    void SetMessages(CPageMessages* messages) { m_messages = messages; }

    // The device kind (its device class: 2 mouse, 7 headset), its data folder and its default
    // document; then LoadList reads or makes the list, fills the combo box, selects the profile
    // the list names and shows the tabs of the kind.
    void SetKind(int kind);
    void SetFolders(const std::filesystem::path& deviceFolder,
                    const std::filesystem::path& defaultDocument);
    void LoadList();

    // The combo box chooses `index`; the switch starts only when `notify` is set.
    void SelectProfile(int index, bool notify);
    // The combo box's choice; -1 when none.
    int GetSelection() const;
    QString GetNameText() const;
    void SetNameText(const QString& text);
    void ShowMenu(bool shown);
    bool IsMenuShown() const;
    // The profile the device uses.
    std::string GetCurrentProfileId() const { return m_list.GetCurrentProfileId(); }
    int GetProfileCount() { return m_list.GetProfileCount(); }
    std::filesystem::path GetProfileFilePath(int index) const {
        return m_list.GetProfileFilePath(index);
    }
    const CProfileList& List() const { return m_list; }
    // Tab 1 … 9 selected alone, without notifications; any other number selects none.
    void SelectTab(int tab);

    // The end of a switch to `index`: it becomes the current profile, also for the next start.
    // When `switched` is false the mouse did not take it: the control goes back to the profile
    // the device kept, and the list file is not touched.
    void FinishSwitch(int index, bool switched);
    // Whether a choice waits for its switch.
    bool IsSwitchPending() const;
    // The open or save dialog while it is open (for tests).
    QFileDialog* FileDialog() const { return m_fileDialog; }

    bool HandleNotify(TNotifyUI& msg) override;

  signals:
    // Load the profile at `index` into the device, show it and write it to the mouse; ends
    // with FinishSwitch. A reset asks for it too, on the current profile.
    void SwitchRequested(int index);
    // Restore the default settings into the current profile and write them to the mouse.
    void DefaultsRequested();

  private:
    void OnComboSelect(TNotifyUI& msg, int);
    void OnSpread(TNotifyUI& msg, int);
    void OnAdd(TNotifyUI& msg, int);
    void OnDelete(TNotifyUI& msg, int);
    void OnCopy(TNotifyUI& msg, int);
    void OnImport(TNotifyUI& msg, int);
    void OnExport(TNotifyUI& msg, int);
    void OnRename(TNotifyUI& msg, int);
    void OnReset(TNotifyUI& msg, int);
    void OnDefaults(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CDeviceProfileUI>> HandlerTable();

  private:
    static const PageHandler<CDeviceProfileUI> kHandlers[];

    // The combo box again from the list, choosing `selectId` (the current profile when empty).
    void Refill(const std::string& selectId = {});
    void StartSwitch();
    void RunSwitch();
    void Message(const char* key, const QString& argument = {});
    void Ask(const char* key, std::function<void()> confirmed);
    // A message for a failed change that the Part's messages do not cover.
    void ReportFailure(ProfileResult result, const QString& file = {});
    void OpenFileDialog(bool save, std::function<void(const QString&)> chosen);
    void Export(const QString& file);
    QComboBox* Combo() const;

    CProfileList m_list;
    CPageMessages* m_messages = nullptr;
    QTimer* m_switchTimer = nullptr;
    QPointer<QFileDialog> m_fileDialog;
};
