// SPDX-License-Identifier: GPL-2.0-or-later
// The main window: title bar, device list column and page area; the tray icon and its menu;
// the thread slots with discovery in slot 0. Hidden until discovery's first pass (or in the tray
// throughout when started hidden); closing it hides it to the tray, or ends the tool where there
// is no tray to bring it back from; the menu's "exit" ends the tool.
// Each device type gets a page in "device_switch", an entry in "device_select_layout" and a
// power item in "device_power_switch"; an entry index is its position in the list.
#pragma once

#include <QPointer>
#include <QSet>
#include <array>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include "app/AboutWnd.h"
#include "app/DeviceChange.h"
#include "app/FirmwarePromptUI.h"
#include "app/NotificationRules.h"
#include "app/ThreadSlots.h"
#include "device/DeviceDiscovery.h"
#include "lighting/LightSync.h"
#include "ui/Page.h"
#include "ui/PageRoad.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class CDeviceOptionUI;
class CDevicePageUI;
class CMenuWnd;
class CMpDevicePowerUI;
class CQtDispatcher;
class CQuillonMouseDevice;
class CSimulatedMouse;
class CSimulatedMouseFollowThread;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QStackedWidget;

struct MainWndOptions {
    // Null: no discovery (tests drive the window themselves).
    std::shared_ptr<CCompositeHidBackend> backend;
    DeviceFactory factory;
    // The simulated mouse shared with kestrunectl, when it is seen beside the real devices.
    std::shared_ptr<CSimulatedMouse> simulated;
    // Language file of the skin ("lan_en.xml").
    QString languageFile = QStringLiteral("lan_en.xml");
    // Stays in the tray, also when devices arrive, until the user opens it (the session's
    // autostart). Where there is no tray it shows as usual.
    bool startHidden = false;
    // Where notifications go; null: nowhere.
    std::shared_ptr<IDesktopNotifier> notifier;
    // How long a change the user made waits while another program holds the mouse's lock.
    std::chrono::milliseconds changeWait{5000};
};

class CMainWnd : public CSkinWindow, public IDeviceDiscoveryOwner {
    Q_OBJECT
  public:
    static constexpr const char* kLayout = "XML_MAIN";
    static constexpr const char* kNoDeviceLink = "No_device_Link";
    static constexpr const char* kNoDeviceOk = "nodevice_ok_btn";
    static constexpr const char* kSelectLayout = "device_select_layout";
    static constexpr const char* kListEmpty = "device_list_empty";
    static constexpr const char* kDeviceSwitch = "device_switch";
    static constexpr const char* kPowerSwitch = "device_power_switch";
    static constexpr const char* kSelectPrevious = "device_select_prev";
    static constexpr const char* kSelectNext = "device_select_next";
    // Close, max, restore, min, skin, game mode, cloud, smart eyes, settings.
    static constexpr const char* kTitleButtons[] = {kCloseButton, kMaxButton,     kRestoreButton,
                                                    kMinButton,   "skinbtn",      "gamemodebtn",
                                                    "cloudbtn",   "smarteyesbtn", "setbtn"};
    static constexpr PageControl kControls[] = {
        {kCloseButton},    {kMaxButton},    {kRestoreButton}, {kMinButton},    {"skinbtn"},
        {"gamemodebtn"},   {"cloudbtn"},    {"smarteyesbtn"}, {"setbtn"},      {kNoDeviceLink},
        {kNoDeviceOk},     {kSelectLayout}, {kListEmpty},     {kDeviceSwitch}, {kPowerSwitch},
        {kSelectPrevious}, {kSelectNext}};

    static constexpr int kBaseWidth = 1000;
    static constexpr int kBaseHeight = 640;
    enum Timer : int { kTimerMonitorSize = 1011, kTimerTrayMenu = 1032 };

    explicit CMainWnd(MainWndOptions options = {});
    ~CMainWnd() override;

    // Builds the window from "XML_MAIN"; false when the skin is unusable.
    bool Init();

    void Notify(TNotifyUI& msg) override;

    // Shows the window, in front, with "No_device_Link" as the devices stand.
    void BringUp();
    // The tray icon's left click: hides a shown window, shows a hidden or minimised one.
    void ToggleFromTray();
    // The close button: to the tray, or the tool ends where no tray exists.
    void CloseToTray();
    // Menu commands by item name ("exit", "about_menu", "autostart_menu" to turn the session
    // start on or off).
    void OnMenuCommand(const QString& itemName);
    // Sizes the window for a monitor of that many pixels (DPI 144 or 96), smaller where the
    // monitor's free area (without panels) is smaller than that, and centres it.
    void ApplyMonitorSize(QSize monitor, QSize available = {});
    // Ends the tool: pop-ups closed, tray icon removed, window hidden, threads stopped in slot
    // order, quit posted. Runs once.
    void Shutdown();

    bool IsShownToUser() const { return isVisible() && !isMinimized(); }
    bool IsShutDown() const { return m_shutDown; }
    bool IsPointerInside() const { return m_pointerInside; }
    CTrayIcon& Tray() { return m_tray; }
    CMenuWnd* TrayMenu() const { return m_menu; }
    CThreadSlots& ThreadSlots() { return m_slots; }
    CAboutWnd* AboutWindow() const { return m_about; }
    CDeviceDiscovery* Discovery() const { return m_discovery.get(); }
    // The one message channel of the window's pages.
    CPageMessages& Messages() { return m_messages; }
    // The synchronised lighting of the mice (thread slot 8).
    CLightSync& LightSync() { return *m_lightSync; }
    // Asks about old mouse firmware; declining ends the program as "exit" does.
    CFirmwarePromptUI& FirmwarePrompt() { return *m_firmwarePrompt; }
    // Each mouse computes its preview only while its LEDs can be seen: its light picture is
    // on screen and the window neither hidden nor minimised.
    void UpdateLightPreview();

    // ---- the device list ----
    // Builds the device's power item, entry and page (hidden); null when a layout cannot be
    // built (the device then stays unlisted) or the device has one already.
    CDeviceOptionUI* CreateDevicePage(CQuillonUSBDevice& device);
    // Sets the entry's visibility; with select, also shows its page and power item and selects
    // it. Then "No_device_Link" and the synchronised options follow the visible entries.
    void ShowEntry(int index, bool visible, bool select);
    // Hides an entry; a selected one hands the selection to another visible entry.
    void HideEntry(int index);
    // The first visible entry's index (-1 when none) and the number of visible entries.
    std::pair<int, int> FirstVisibleEntry() const;
    // The device of the first visible, selected entry, or null.
    CQuillonUSBDevice* SelectedDevice() const;
    // "device_select_prev" / "device_select_next": the nearest visible entry before or after
    // the selected one; nothing at either end.
    void SelectPrevious();
    void SelectNext();
    const std::vector<CDeviceOptionUI*>& Entries() const { return m_entries; }
    int EntryIndex(const CDeviceOptionUI* entry) const;
    CDeviceOptionUI* EntryOf(const CQuillonUSBDevice& device) const;
    CDevicePageUI* PageOf(const CQuillonUSBDevice& device) const;
    int SelectedIndex() const { return m_selectedIndex; }

    // IDeviceDiscoveryOwner, on the UI thread.
    void OnDeviceCreated(CQuillonUSBDevice& device) override;
    void OnShowEntry(CQuillonUSBDevice& device, bool show) override;
    void OnStartFirstContact(CQuillonUSBDevice& device, int delayMs) override;
    void OnStartLinkPoll(CQuillonUSBDevice& device, int delayMs) override;
    void OnTransportSwitched(CQuillonUSBDevice& device, bool throughReceiver) override;
    void OnFirstPassDone() override;
    void OnBringUp() override;

  signals:
    // The window has been brought up for the first time.
    void FirstShown();

  protected:
    QWidget* CreateControl(const QString& element, QWidget* parent) override;
    void InitWindow() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void OnWindowInit();
    void OnClick(const QString& name);
    void SizeForMonitor();
    void OpenAbout();
    // The tray menu, its on/off items as they stand.
    void PopupMenu(const QPoint& globalPosition);
    void ToggleAutostart();
    void OnBatteryRead(CDeviceOptionUI* entry, int percent, bool charging);
    void OnConnectionChanged(CQuillonUSBDevice* device, bool connected);
    void ClosePopups();
    void UpdateNoDeviceLink();
    // An entry's connection life asks to show or hide it.
    void OnEntryShowRequested(CDeviceOptionUI* entry, bool show);
    // An entry's "device_select" became selected.
    void OnEntrySelected(CDeviceOptionUI* entry);
    void ShowPowerItemOf(CDeviceOptionUI* entry);
    void UpdateConnectionTexts(CQuillonUSBDevice& device);
    // Ends the entries' device work before the devices go.
    void StopDeviceWork();
    // The mice leave the synchronised lighting before they are destroyed.
    void ReleaseLightSync();
    void SetPreviewsWanted(bool windowShown);

    MainWndOptions m_options;
    CPageMessages m_messages;
    CTrayIcon m_tray;
    CMenuWnd* m_menu = nullptr;
    QPointer<CAboutWnd> m_about;

    // Title-bar buttons: close, max, restore, min, skin, game mode, cloud, smart eyes, settings.
    std::array<QAbstractButton*, 9> m_titleButtons{};
    QWidget* m_noDeviceLink = nullptr;
    QWidget* m_selectLayout = nullptr;
    QStackedWidget* m_deviceSwitch = nullptr;
    QStackedWidget* m_powerSwitch = nullptr;

    // Outlives the slot that runs it.
    std::unique_ptr<CLightSync> m_lightSync = std::make_unique<CLightSync>();
    std::vector<CQuillonMouseDevice*> m_syncedMice;
    std::unique_ptr<CFirmwarePromptUI> m_firmwarePrompt;
    // In this order: the slots stop discovery before the dispatcher goes.
    std::unique_ptr<CQtDispatcher> m_dispatcher;
    std::unique_ptr<CDeviceDiscovery> m_discovery;
    std::shared_ptr<const CDeviceChanges> m_changes;
    std::unique_ptr<CSimulatedMouseFollowThread> m_simulatedFollower;
    CThreadSlots m_slots;

    std::vector<CDeviceOptionUI*> m_entries;
    std::vector<CDevicePageUI*> m_pages;
    std::vector<CMpDevicePowerUI*> m_powerItems;
    QHash<QString, QButtonGroup*> m_optionGroups;
    // The entry last selected, with its class and kind.
    int m_selectedIndex = -1;
    int m_selectedClass = 0;
    int m_selectedKind = 0;
    bool m_initialised = false;
    bool m_firstShown = false;
    bool m_firstPassDone = false;
    // Devices the first pass found, until they first show as connected.
    QSet<QString> m_foundAtStart;
    std::unique_ptr<CNotificationRules> m_notificationRules;
    bool m_active = false;
    bool m_pointerInside = false;
    bool m_exiting = false;
    bool m_shutDown = false;
};
