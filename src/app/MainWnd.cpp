#include "app/MainWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QWindow>

#include "app/AboutWnd.h"
#include "app/QtDispatcher.h"
#include "base/Debug.h"
#include "base/Paths.h"
#include "mouse/QuillonMouseDevice.h"
#include "ui/DpiRule.h"
#include "ui/MenuWnd.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

namespace {

const char* const kTitleButtonNames[] = {"closebtn", "maxbtn",       "restorebtn",
                                         "minbtn",   "skinbtn",      "gamemodebtn",
                                         "cloudbtn", "smarteyesbtn", "setbtn"};

}  // namespace

CMainWnd::CMainWnd(MainWndOptions options) : m_options(std::move(options)) {
    setObjectName(QStringLiteral("MainWnd"));
    setWindowTitle(QString::fromUtf8(kProductName));
    connect(&m_tray, &CTrayIcon::LeftClicked, this, &CMainWnd::ToggleFromTray);
    connect(&m_tray, &CTrayIcon::RightClicked, this,
            [this] { SetTimer(this, kTimerTrayMenu, 10); });
}

CMainWnd::~CMainWnd() {
    m_slots.StopAll();
    m_discovery.reset();
}

bool CMainWnd::Init() {
    // Texts are set as the layout is built.
    Skin().LoadLanguage(m_options.languageFile);
    return Create(QStringLiteral("XML_MAIN"));
}

void CMainWnd::InitWindow() {
    DebugLine(DebugArea::App, "InitWindow");
    for (size_t i = 0; i < m_titleButtons.size(); ++i)
        m_titleButtons[i] = FindControl<QAbstractButton>(QString::fromLatin1(kTitleButtonNames[i]));
    m_noDeviceLink = FindControl(QStringLiteral("No_device_Link"));
    m_deviceReady = FindControl(QStringLiteral("device_ready_panel"));
    m_deviceReadyConnection = FindControl<QLabel>(QStringLiteral("device_ready_connection"));
    m_deviceSwitch = FindControl<QStackedWidget>(QStringLiteral("device_switch"));
    m_powerSwitch = FindControl<QStackedWidget>(QStringLiteral("device_power_switch"));

    QIcon icon(Skin().AppIconFile());
    setWindowIcon(icon);
    m_menu = new CMenuWnd([this](const QString& item) { OnMenuCommand(item); }, this);
    m_menu->Load(QStringLiteral("menu.xml"));
    m_tray.Create(icon, QString::fromUtf8(kProductName));
    UpdateNoDeviceLink();
}

void CMainWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != NotifyType::kTimer)
        DebugPrintf(DebugArea::App, "%s %s", qPrintable(msg.sType), qPrintable(msg.SenderName()));
    if (msg.sType == NotifyType::kWindowInit) {
        OnWindowInit();
    } else if (msg.sType == NotifyType::kClick) {
        OnClick(msg.SenderName());
    } else if (msg.sType == NotifyType::kTimer && msg.pSender == this) {
        KillTimer(this, msg.wParam);
        if (msg.wParam == kTimerMonitorSize) {
            SizeForMonitor();
        } else if (msg.wParam == kTimerTrayMenu && m_menu && m_menu->Menu()) {
            m_menu->Popup(QCursor::pos());
        }
    }
}

void CMainWnd::OnWindowInit() {
    if (m_initialised)
        return;
    hide();
    // The window system's screen moves and mode changes resize the window for its monitor.
    winId();
    if (QWindow* handle = windowHandle()) {
        connect(handle, &QWindow::screenChanged, this, [this](QScreen*) {
            DebugLine(DebugArea::App, "界面 DPI 发生变化");
            SizeForMonitor();
        });
    }
    for (QScreen* each : QGuiApplication::screens())
        connect(each, &QScreen::geometryChanged, this, [this] { SizeForMonitor(); });
    if (m_options.backend) {
        m_dispatcher = std::make_unique<CQtDispatcher>();
        DeviceFactory factory = m_options.factory ? m_options.factory : MakeQuillonDevice;
        m_discovery = std::make_unique<CDeviceDiscovery>(m_options.backend, *m_dispatcher, *this,
                                                         std::move(factory));
        m_discovery->Start();
        CDeviceDiscovery* discovery = m_discovery.get();
        m_slots.Adopt(
            0, [] {},
            [discovery](std::chrono::milliseconds) {
                discovery->Stop();
                return true;
            });
    }
    SetTimer(this, kTimerMonitorSize, 100);
    m_initialised = true;
}

void CMainWnd::OnClick(const QString& name) {
    if (name == QLatin1String("closebtn") || name == QLatin1String("nodevice_ok_btn")) {
        CloseToTray();
    } else if (name == QLatin1String("minbtn")) {
        showMinimized();
    } else if (name == QLatin1String("maxbtn")) {
        showMaximized();
    } else if (name == QLatin1String("restorebtn")) {
        showNormal();
    }
}

void CMainWnd::BringUp() {
    UpdateNoDeviceLink();
    TellDevicesHidden(false);
    SizeForMonitor();
    showNormal();
    raise();
    activateWindow();
    if (!m_firstShown) {
        m_firstShown = true;
        emit FirstShown();
    }
}

void CMainWnd::ToggleFromTray() {
    UpdateNoDeviceLink();
    ClosePopups();
    if (IsShownToUser()) {
        hide();
        TellDevicesHidden(true);
    } else {
        BringUp();
    }
}

void CMainWnd::CloseToTray() {
    ClosePopups();
    if (CTrayIcon::IsAvailable()) {
        hide();
        TellDevicesHidden(true);
    } else {
        // With nothing to bring a hidden window back from, it stays on the task bar.
        showMinimized();
    }
}

void CMainWnd::OnMenuCommand(const QString& itemName) {
    if (itemName == QLatin1String("exit")) {
        ClosePopups();
        m_exiting = true;
        close();
    } else if (itemName == QLatin1String("about_menu")) {
        OpenAbout();
    }
}

void CMainWnd::OpenAbout() {
    if (m_about)
        return;
    auto* about = new CAboutWnd(this);
    m_about = about;
    if (!about->Init()) {
        delete about;
        return;
    }
    about->SetDpi(Dpi(), "MAIN_WND DPI SET ERROR");
    about->resize(static_cast<int>(800 * Scale()), static_cast<int>(572 * Scale()));
    about->CenterWindow();
    about->ShowModal();
    delete m_about.data();
}

void CMainWnd::ClosePopups() {
    if (m_about)
        m_about->Close(0);
    if (m_menu)
        m_menu->Close();
}

void CMainWnd::SizeForMonitor() {
    QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (where)
        ApplyMonitorSize(where->geometry().size());
}

void CMainWnd::ApplyMonitorSize(QSize monitor) {
    SetDpi(DpiForMonitor(monitor.width(), monitor.height()), "MAIN_WND DPI SET ERROR");
    resize(static_cast<int>(kBaseWidth * Scale()), static_cast<int>(kBaseHeight * Scale()));
    if (QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect area = where->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (!m_exiting) {
        // The window manager's close (Alt+F4) keeps the tool running, as the close button does.
        event->ignore();
        CloseToTray();
        return;
    }
    Shutdown();
    event->accept();
}

void CMainWnd::Shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_exiting = true;
    ClosePopups();
    KillTimer(this, kTimerMonitorSize);
    KillTimer(this, kTimerTrayMenu);
    m_tray.Remove();
    DebugLine(DebugArea::App, "退出测试");
    hide();
    m_slots.StopAll();
    m_discovery.reset();
    QCoreApplication::quit();
}

void CMainWnd::changeEvent(QEvent* event) {
    CSkinWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        m_active = isActiveWindow();
        m_pointerInside = m_active;
        TellDevicesPointerInside();
    }
}

void CMainWnd::enterEvent(QEnterEvent* event) {
    CSkinWindow::enterEvent(event);
    DebugLine(DebugArea::App, "鼠标移入");
    if (!m_active) {
        m_pointerInside = true;
        TellDevicesPointerInside();
    }
}

void CMainWnd::leaveEvent(QEvent* event) {
    CSkinWindow::leaveEvent(event);
    DebugLine(DebugArea::App, "鼠标移出");
    if (!m_active) {
        m_pointerInside = false;
        TellDevicesPointerInside();
    }
}

void CMainWnd::TellDevicesHidden(bool hidden) {
    if (m_discovery)
        for (CQuillonUSBDevice* device : m_discovery->Devices())
            device->SetWindowHidden(hidden ? 1 : 0);
}

void CMainWnd::TellDevicesPointerInside() {
    if (m_discovery)
        for (CQuillonUSBDevice* device : m_discovery->Devices())
            device->SetPointerInside(m_pointerInside ? 1 : 0);
}

void CMainWnd::UpdateNoDeviceLink() {
    bool none = m_visibleDevices.empty();
    if (m_noDeviceLink)
        m_noDeviceLink->setVisible(none);
    if (m_deviceReady)
        m_deviceReady->setVisible(!none);
    if (QWidget* hint = FindControl(QStringLiteral("device_list_empty")))
        hint->setVisible(none);
    // Stepping between devices needs two of them.
    for (const char* name : {"device_select_prev", "device_select_next"})
        if (QWidget* button = FindControl(QString::fromLatin1(name)))
            button->setEnabled(m_visibleDevices.size() > 1);
    if (m_deviceReadyConnection && !none) {
        bool receiver = m_throughReceiver.count(*m_visibleDevices.begin()) != 0;
        m_deviceReadyConnection->setText(
            Skin().Text(receiver ? QStringLiteral("device_link_receiver_text")
                                 : QStringLiteral("device_link_cable_text")));
    }
    if (none) {
        if (m_deviceSwitch)
            m_deviceSwitch->setCurrentIndex(0);
        if (m_powerSwitch)
            m_powerSwitch->setCurrentIndex(0);
    }
}

void CMainWnd::OnShowEntry(CQuillonUSBDevice& device, bool show) {
    if (show)
        m_visibleDevices.insert(&device);
    else
        m_visibleDevices.erase(&device);
    UpdateNoDeviceLink();
}

void CMainWnd::OnTransportSwitched(CQuillonUSBDevice& device, bool throughReceiver) {
    if (throughReceiver)
        m_throughReceiver.insert(&device);
    else
        m_throughReceiver.erase(&device);
    UpdateNoDeviceLink();
}

void CMainWnd::OnFirstPassDone() {
    BringUp();
}

void CMainWnd::OnBringUp() {
    BringUp();
}
