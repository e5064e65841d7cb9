// The main window: title bar, device list column and page area; the tray icon and its menu;
// the thread slots with discovery in slot 0. Hidden until discovery's first pass; closing it
// hides it to the tray (minimises it where there is no tray); the menu's "exit" ends the tool.
#pragma once

#include <QPointer>
#include <array>
#include <memory>
#include <set>

#include "app/AboutWnd.h"
#include "app/ThreadSlots.h"
#include "device/DeviceDiscovery.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class CMenuWnd;
class CQtDispatcher;
class QAbstractButton;
class QLabel;
class QStackedWidget;

struct MainWndOptions {
    // Null: no discovery (tests drive the window themselves).
    std::shared_ptr<CCompositeHidBackend> backend;
    DeviceFactory factory;
    // Language file of the skin ("lan_en.xml").
    QString languageFile = QStringLiteral("lan_en.xml");
};

class CMainWnd : public CSkinWindow, public IDeviceDiscoveryOwner {
    Q_OBJECT
  public:
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
    // The close button: to the tray, or minimised where no tray exists.
    void CloseToTray();
    // Menu commands by item name ("exit", "about_menu").
    void OnMenuCommand(const QString& itemName);
    // Sizes the window for a monitor of that many pixels (DPI 144 or 96) and centres it.
    void ApplyMonitorSize(QSize monitor);
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

    // IDeviceDiscoveryOwner, on the UI thread.
    void OnShowEntry(CQuillonUSBDevice& device, bool show) override;
    void OnTransportSwitched(CQuillonUSBDevice& device, bool throughReceiver) override;
    void OnFirstPassDone() override;
    void OnBringUp() override;

  signals:
    // The window has been brought up for the first time.
    void FirstShown();

  protected:
    void InitWindow() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void OnWindowInit();
    void OnClick(const QString& name);
    void SizeForMonitor();
    void OpenAbout();
    void ClosePopups();
    void UpdateNoDeviceLink();
    void TellDevicesHidden(bool hidden);
    void TellDevicesPointerInside();

    MainWndOptions m_options;
    CTrayIcon m_tray;
    CMenuWnd* m_menu = nullptr;
    QPointer<CAboutWnd> m_about;

    // Title-bar buttons: close, max, restore, min, skin, game mode, cloud, smart eyes, settings.
    std::array<QAbstractButton*, 9> m_titleButtons{};
    QWidget* m_noDeviceLink = nullptr;
    QWidget* m_deviceReady = nullptr;
    QLabel* m_deviceReadyConnection = nullptr;
    QStackedWidget* m_deviceSwitch = nullptr;
    QStackedWidget* m_powerSwitch = nullptr;

    // In this order: the slots stop discovery before the dispatcher goes.
    std::unique_ptr<CQtDispatcher> m_dispatcher;
    std::unique_ptr<CDeviceDiscovery> m_discovery;
    CThreadSlots m_slots;

    std::set<CQuillonUSBDevice*> m_visibleDevices;
    std::set<CQuillonUSBDevice*> m_throughReceiver;
    bool m_initialised = false;
    bool m_firstShown = false;
    bool m_active = false;
    bool m_pointerInside = false;
    bool m_exiting = false;
    bool m_shutDown = false;
};
