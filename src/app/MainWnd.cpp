// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/MainWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHideEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QWindow>

#include "app/AboutWnd.h"
#include "app/Autostart.h"
#include "app/DeviceOption.h"
#include "app/MpDevicePower.h"
#include "app/MsgWnd.h"
#include "app/ProfileSwitch.h"
#include "app/QtDispatcher.h"
#include "base/Debug.h"
#include "base/Paths.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/SimulatedMouseFollower.h"
#include "ui/DpiRule.h"
#include "ui/MenuWnd.h"
#include "ui/QueuedCall.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

namespace {

const char* const kPowerItemLayout = "XML\\CustomControlXML\\MpDevicePower.xml";

// The root elements of the device page layouts, one per family.
const char* const kDeviceFamilies[] = {"QuillonMouseDevice", "QuillonKeyboardDevice",
                                       "QuillonMousePadDevice", "QuillonHS6533Device"};

// Where notifications are not wanted (tests, no desktop).
class CNoNotifier : public IDesktopNotifier {
  public:
    void Notify(const QString&, const QString&, const QString&) override {}
};

template <class T>
T* AncestorOf(QObject* object) {
    for (; object; object = object->parent())
        if (auto* found = qobject_cast<T*>(object))
            return found;
    return nullptr;
}

}  // namespace

CMainWnd::CMainWnd(MainWndOptions options)
    : m_options(std::move(options)),
      m_changes(std::make_shared<const CDeviceChanges>(m_options.simulated, m_options.changeWait)) {
    setObjectName(QStringLiteral("MainWnd"));
    RegisterMousePageControls();
    setWindowTitle(QString::fromUtf8(kProductName));
    m_firmwarePrompt = std::make_unique<CFirmwarePromptUI>(
        this, [this] { OnMenuCommand(QStringLiteral("exit")); });
    if (!m_options.notifier)
        m_options.notifier = std::make_shared<CNoNotifier>();
    m_notificationRules = std::make_unique<CNotificationRules>(
        *m_options.notifier, [](const QString& key) { return Skin().Text(key); });
    m_firmwarePrompt->SetOnAsking([this](uint16_t current, uint16_t required) {
        m_notificationRules->OnFirmwareTooOld(
            Skin().Text(QStringLiteral("mouse")),
            QString::fromStdString(FirmwareVersionText(current)),
            QString::fromStdString(FirmwareVersionText(required)));
    });
    m_messages.SetOpener([this](const QString& text, bool ask, std::function<void(bool)> answered) {
        OpenMessage(this, text, Dpi(), false, ask ? kMessageConfirmCancel : kMessageConfirmOnly,
                    [answered = std::move(answered)](int result) {
                        if (answered)
                            answered(result == 1);
                    });
    });
    connect(&m_tray, &CTrayIcon::LeftClicked, this, &CMainWnd::ToggleFromTray);
    connect(&m_tray, &CTrayIcon::RightClicked, this,
            [this] { SetTimer(this, kTimerTrayMenu, 10); });
}

CMainWnd::~CMainWnd() {
    m_simulatedFollower.reset();
    StopDeviceWork();
    m_slots.StopAll();
    ReleaseLightSync();
    m_discovery.reset();
}

bool CMainWnd::Init() {
    // Texts are set as the layout is built.
    Skin().LoadLanguage(m_options.languageFile);
    return Create(QString::fromLatin1(kLayout));
}

void CMainWnd::InitWindow() {
    DebugLine(DebugArea::App, "InitWindow");
    for (size_t i = 0; i < m_titleButtons.size(); ++i)
        m_titleButtons[i] = FindControl<QAbstractButton>(QString::fromLatin1(kTitleButtons[i]));
    m_noDeviceLink = FindControl(QString::fromLatin1(kNoDeviceLink));
    m_selectLayout = FindControl(QString::fromLatin1(kSelectLayout));
    m_deviceSwitch = FindControl<QStackedWidget>(QString::fromLatin1(kDeviceSwitch));
    m_powerSwitch = FindControl<QStackedWidget>(QString::fromLatin1(kPowerSwitch));
    if (m_deviceSwitch)
        connect(m_deviceSwitch, &QStackedWidget::currentChanged, this,
                &CMainWnd::UpdateLightPreview);

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
    if (RouteToPages(msg))
        return;
    if (msg.sType == NotifyType::kWindowInit) {
        OnWindowInit();
    } else if (msg.sType == NotifyType::kClick) {
        OnClick(msg.SenderName());
    } else if (msg.sType == NotifyType::kSelectChanged &&
               msg.SenderName() == QLatin1String(CDeviceOptionUI::kSelect)) {
        if (auto* entry = AncestorOf<CDeviceOptionUI>(msg.pSender.data()); entry && msg.wParam)
            OnEntrySelected(entry);
    } else if (msg.sType == NotifyType::kTimer && msg.pSender == this) {
        KillTimer(this, msg.wParam);
        if (msg.wParam == kTimerMonitorSize) {
            SizeForMonitor();
        } else if (msg.wParam == kTimerTrayMenu) {
            PopupMenu(QCursor::pos());
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
    for (QScreen* each : QGuiApplication::screens()) {
        connect(each, &QScreen::geometryChanged, this, [this] { SizeForMonitor(); });
        connect(each, &QScreen::availableGeometryChanged, this, [this] { SizeForMonitor(); });
    }
    if (const std::shared_ptr<CSimulatedMouse>& simulated = m_changes->Simulated()) {
        // What other programs do to the simulated mouse shows here as on the real one.
        m_simulatedFollower = std::make_unique<CSimulatedMouseFollowThread>(*simulated, [this] {
            QueueOnThreadOf(this, [this] {
                for (CDeviceOptionUI* entry : Entries())
                    entry->RefreshNow();
            });
        });
        if (!m_simulatedFollower->Error().empty())
            DebugPrintf(DebugArea::App, "%s", m_simulatedFollower->Error().c_str());
    }
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
    CLightSync* sync = m_lightSync.get();
    // The window synchronises on the UI thread; each mouse stores and writes on its worker.
    sync->SetHandover([this](ILightDevice& device, const LightInfo& record) {
        ExpectUiThread("CMainWnd light hand-over");
        for (CQuillonMouseDevice* mouse : m_syncedMice) {
            if (static_cast<ILightDevice*>(mouse) != &device)
                continue;
            if (CDeviceOptionUI* entry = EntryOf(*mouse))
                entry->PostWork([mouse, record] {
                    mouse->ApplySynchronisedLight(record);
                    return std::function<void()>();
                });
            if (CDevicePageUI* page = PageOf(*mouse); page && page->LightControl())
                page->LightControl()->ShowLight(record);
        }
    });
    sync->Start();
    m_slots.Adopt(
        8, [] {},
        [sync](std::chrono::milliseconds) {
            sync->Stop();
            return true;
        });
    SetTimer(this, kTimerMonitorSize, 100);
    m_initialised = true;
}

void CMainWnd::OnClick(const QString& name) {
    if (name == QLatin1String(kCloseButton) || name == QLatin1String(kNoDeviceOk)) {
        CloseToTray();
    } else if (name == QLatin1String(kMinButton)) {
        showMinimized();
    } else if (name == QLatin1String(kMaxButton)) {
        showMaximized();
    } else if (name == QLatin1String(kRestoreButton)) {
        showNormal();
    } else if (name == QLatin1String(kSelectPrevious)) {
        SelectPrevious();
    } else if (name == QLatin1String(kSelectNext)) {
        SelectNext();
    }
}

void CMainWnd::PopupMenu(const QPoint& globalPosition) {
    if (!m_menu || !m_menu->Menu())
        return;
    m_menu->SetChecked(QStringLiteral("autostart_menu"), IsAutostartEnabled());
    m_menu->Popup(globalPosition);
}

void CMainWnd::ToggleAutostart() {
    std::string error;
    const bool wanted = !IsAutostartEnabled();
    if (!SetAutostartEnabled(wanted, QCoreApplication::applicationFilePath().toStdString(), &error))
        ShowMessage(this, QString(),
                    Skin()
                        .Text(QStringLiteral("message_autostart_failed"))
                        .arg(QString::fromStdString(error)),
                    Dpi(), false, kMessageConfirmOnly);
    if (m_menu)
        m_menu->SetChecked(QStringLiteral("autostart_menu"), IsAutostartEnabled());
}

void CMainWnd::BringUp() {
    UpdateNoDeviceLink();
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
    } else {
        BringUp();
    }
}

void CMainWnd::CloseToTray() {
    ClosePopups();
    if (CTrayIcon::IsAvailable()) {
        hide();
    } else {
        // Nothing could bring a hidden window back: closing ends the tool rather than leave it
        // running unseen.
        OnMenuCommand(QStringLiteral("exit"));
    }
}

void CMainWnd::OnMenuCommand(const QString& itemName) {
    if (itemName == QLatin1String("exit")) {
        ClosePopups();
        m_exiting = true;
        close();
    } else if (itemName == QLatin1String("about_menu")) {
        OpenAbout();
    } else if (itemName == QLatin1String("autostart_menu")) {
        ToggleAutostart();
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
        ApplyMonitorSize(where->geometry().size(), where->availableGeometry().size());
}

void CMainWnd::ApplyMonitorSize(QSize monitor, QSize available) {
    int dpi = DpiForMonitor(monitor.width(), monitor.height());
    // A smaller scale rather than a title bar and close button off the screen.
    if (available.isValid())
        dpi = FittingDpi(dpi, kBaseWidth, kBaseHeight, available.width(), available.height());
    SetDpi(dpi, "MAIN_WND DPI SET ERROR");
    resize(static_cast<int>(kBaseWidth * Scale()), static_cast<int>(kBaseHeight * Scale()));
    if (QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect area = where->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (!m_exiting && CTrayIcon::IsAvailable()) {
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
    StopDeviceWork();
    m_slots.StopAll();
    ReleaseLightSync();
    m_discovery.reset();
    QCoreApplication::quit();
}

void CMainWnd::changeEvent(QEvent* event) {
    CSkinWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        UpdateLightPreview();
    if (event->type() == QEvent::ActivationChange) {
        m_active = isActiveWindow();
        m_pointerInside = m_active;
    }
}

void CMainWnd::enterEvent(QEnterEvent* event) {
    CSkinWindow::enterEvent(event);
    DebugLine(DebugArea::App, "鼠标移入");
    if (!m_active) {
        m_pointerInside = true;
    }
}

void CMainWnd::leaveEvent(QEvent* event) {
    CSkinWindow::leaveEvent(event);
    DebugLine(DebugArea::App, "鼠标移出");
    if (!m_active) {
        m_pointerInside = false;
    }
}

void CMainWnd::showEvent(QShowEvent* event) {
    CSkinWindow::showEvent(event);
    UpdateLightPreview();
}

void CMainWnd::hideEvent(QHideEvent* event) {
    CSkinWindow::hideEvent(event);
    // Hidden to the tray: no preview wakes an idle tool.
    SetPreviewsWanted(false);
}

void CMainWnd::UpdateLightPreview() {
    SetPreviewsWanted(IsShownToUser());
}

void CMainWnd::SetPreviewsWanted(bool windowShown) {
    for (CDevicePageUI* page : m_pages)
        if (auto* mouse = page->Device() ? page->Device()->AsMouse() : nullptr)
            mouse->SetPreviewWanted(windowShown && page->IsLightPreviewShown());
}

void CMainWnd::ReleaseLightSync() {
    for (CQuillonMouseDevice* mouse : m_syncedMice)
        m_lightSync->RemoveDevice(*mouse);
    m_syncedMice.clear();
}

// ---- the device list ----

QWidget* CMainWnd::CreateControl(const QString& element, QWidget* parent) {
    if (element.compare(QLatin1String("DeviceOption"), Qt::CaseInsensitive) == 0)
        return new CDeviceOptionUI(parent);
    if (element.compare(QLatin1String("MpDevicePower"), Qt::CaseInsensitive) == 0)
        return new CMpDevicePowerUI(parent);
    for (const char* family : kDeviceFamilies)
        if (element.compare(QLatin1String(family), Qt::CaseInsensitive) == 0)
            return new CDevicePageUI(QString::fromLatin1(family), parent);
    return CreateMousePageControl(element, parent);
}

CDeviceOptionUI* CMainWnd::CreateDevicePage(CQuillonUSBDevice& device) {
    const int type = device.GetTypeIndex();
    if (EntryOf(device) || type < 0 || static_cast<size_t>(type) >= kDeviceTypeTable.size() ||
        !m_selectLayout || !m_selectLayout->layout() || !m_deviceSwitch)
        return nullptr;
    const DeviceTypeInfo& info = kDeviceTypeTable[static_cast<size_t>(type)];
    auto* powerSwitch = FindControl<QStackedWidget>(QString::fromUtf8(
        info.powerContainer.data(), static_cast<qsizetype>(info.powerContainer.size())));
    CSkinBuilder builder(
        [this](const QString& element, QWidget* parent) { return CreateControl(element, parent); });
    std::unique_ptr<QWidget> powerRoot(builder.Build(QString::fromLatin1(kPowerItemLayout)));
    std::unique_ptr<QWidget> entryRoot(builder.Build(QString::fromUtf8(
        info.listItemLayout.data(), static_cast<qsizetype>(info.listItemLayout.size()))));
    std::unique_ptr<QWidget> pageRoot(
        builder.Build(QString::fromStdString(device.GetPageLayout())));
    auto* power = qobject_cast<CMpDevicePowerUI*>(powerRoot.get());
    auto* entry = qobject_cast<CDeviceOptionUI*>(entryRoot.get());
    auto* page = qobject_cast<CDevicePageUI*>(pageRoot.get());
    if (!power || !entry || !page || !powerSwitch) {
        DebugPrintf(DebugArea::App, "the page of the device \"%s\" cannot be built",
                    device.GetTypeKey().c_str());
        return nullptr;
    }
    powerRoot.release();
    entryRoot.release();
    pageRoot.release();

    power->SetClassAndKind(info.deviceClass, info.collectionKind);
    power->SetWirelessCapable(device.IsWirelessCapable());
    const int powerIndex = powerSwitch->addWidget(power);
    m_powerItems.push_back(power);

    page->SetDevice(&device);
    page->SelectSettingsTab(0);
    const int pageIndex = m_deviceSwitch->addWidget(page);
    m_pages.push_back(page);

    const QString group =
        QString::fromUtf8(info.tabName.data(), static_cast<qsizetype>(info.tabName.size()));
    m_selectLayout->layout()->addWidget(entry);
    entry->SetEntryVisible(false);
    entry->SetSynchroSelected(false);
    entry->SetSynchroVisible(false);
    entry->SetGroup(group);
    QButtonGroup*& buttons = m_optionGroups[group];
    if (!buttons) {
        buttons = new QButtonGroup(this);
        buttons->setExclusive(true);
    }
    if (QAbstractButton* select = entry->SelectButton())
        buttons->addButton(select);
    entry->BindTab(m_deviceSwitch->objectName(), pageIndex);
    entry->SetPowerItem(powerSwitch->objectName(), powerIndex, power);
    entry->SetClassAndKind(info.deviceClass, info.collectionKind);
    // The type key names the device in the languages ("mouse").
    entry->SetNameText(Skin().Text(QString::fromStdString(device.GetTypeKey())));
    entry->SetChanges(m_changes);
    entry->SetDevice(&device);
    if (CQuillonMouseDevice* mouse = device.AsMouse()) {
        page->SetRoad(entry->Poster(), mouse, &m_messages);
        if (auto* keys = page->findChild<CButtonsTabUI*>())
            keys->SetKeyCapture(std::make_unique<CQtKeyCapture>());
        if (CLightControlUI* light = page->LightControl())
            light->SetSameModeAction([this, mouse] {
                ExpectUiThread("CMainWnd same mode");
                return m_lightSync->Synchronise(*mouse);
            });
        new CProfileSwitch(*page, m_selectLayout);
    }
    entry->SetPictureControl(page->PictureControl());
    if (page->BindLightPreview()) {
        entry->SetPage(page);
        if (auto* tabs =
                page->findChild<QStackedWidget*>(QString::fromLatin1(CDevicePageUI::kSettingsTabs)))
            connect(tabs, &QStackedWidget::currentChanged, this, &CMainWnd::UpdateLightPreview);
    }
    connect(entry, &CDeviceOptionUI::ShowRequested, this, &CMainWnd::OnEntryShowRequested);
    connect(entry, &CDeviceOptionUI::BatteryRead, this, &CMainWnd::OnBatteryRead);
    m_entries.push_back(entry);

    AttachControls(entry);
    AttachControls(page);
    AttachControls(power);
    // Sizes and style sheet for the new controls at the window's DPI.
    SetDpi(Dpi(), "MAIN_WND DPI SET ERROR");
    UpdateConnectionTexts(device);
    return entry;
}

int CMainWnd::EntryIndex(const CDeviceOptionUI* entry) const {
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i] == entry)
            return static_cast<int>(i);
    return -1;
}

CDeviceOptionUI* CMainWnd::EntryOf(const CQuillonUSBDevice& device) const {
    for (CDeviceOptionUI* entry : m_entries)
        if (entry->Device() == &device)
            return entry;
    return nullptr;
}

CDevicePageUI* CMainWnd::PageOf(const CQuillonUSBDevice& device) const {
    for (CDevicePageUI* page : m_pages)
        if (page->Device() == &device)
            return page;
    return nullptr;
}

void CMainWnd::ShowPowerItemOf(CDeviceOptionUI* entry) {
    auto* container = FindControl<QStackedWidget>(entry->PowerContainer());
    if (!container)
        return;
    CMpDevicePowerUI* item = entry->PowerItem();
    // A device without a battery has nothing to show there.
    if (item && entry->PowerIndex() >= 0 && item->IsWirelessCapable()) {
        container->setCurrentIndex(entry->PowerIndex());
        container->show();
    } else {
        container->hide();
    }
}

void CMainWnd::ShowEntry(int index, bool visible, bool select) {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return;
    CDeviceOptionUI* entry = m_entries[static_cast<size_t>(index)];
    entry->SetEntryVisible(visible);
    if (select) {
        if (auto* tabs = FindControl<QStackedWidget>(entry->BoundTab());
            tabs && entry->BoundIndex() >= 0)
            tabs->setCurrentIndex(entry->BoundIndex());
        ShowPowerItemOf(entry);
        entry->SetSelected(true);
        m_selectedIndex = index;
        m_selectedClass = entry->DeviceClass();
        m_selectedKind = entry->Kind();
    } else if (!visible) {
        // Showing an entry leaves the selection as it is; a hidden one gives it up.
        entry->SetSelected(false);
    }

    int visibleCount = 0;
    int synchronised = 0;
    for (CDeviceOptionUI* each : m_entries) {
        if (!each->IsEntryVisible())
            continue;
        ++visibleCount;
        if (each->IsSynchronised())
            ++synchronised;
    }
    if (visibleCount == 0)
        m_selectedIndex = -1;
    UpdateNoDeviceLink();
    // Synchronised lighting needs two devices to agree.
    for (CDevicePageUI* page : m_pages)
        if (page->LightControl())
            page->LightControl()->SetSameModeAllowed(visibleCount >= 2);
    if (visibleCount < 2)
        for (CDeviceOptionUI* each : m_entries)
            if (each->Device())
                each->Device()->SetLightingSync(0);
    if (synchronised < 2)
        for (CDeviceOptionUI* each : m_entries)
            each->SetSynchroSelected(false);
}

void CMainWnd::HideEntry(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return;
    CDeviceOptionUI* entry = m_entries[static_cast<size_t>(index)];
    int other = -1;
    if (entry->IsEntryVisible() && entry->IsSelected()) {
        ClosePopups();
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (static_cast<int>(i) != index && m_entries[i]->IsEntryVisible()) {
                other = static_cast<int>(i);
                break;
            }
        }
    }
    ShowEntry(index, false, false);
    if (other >= 0)
        ShowEntry(other, true, true);
}

std::pair<int, int> CMainWnd::FirstVisibleEntry() const {
    int first = -1;
    int count = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i]->IsEntryVisible())
            continue;
        if (first < 0)
            first = static_cast<int>(i);
        ++count;
    }
    return {first, count};
}

CQuillonUSBDevice* CMainWnd::SelectedDevice() const {
    for (CDeviceOptionUI* entry : m_entries)
        if (entry->IsEntryVisible() && entry->IsSelected())
            return entry->Device();
    return nullptr;
}

void CMainWnd::SelectPrevious() {
    int selected = -1;
    for (size_t i = 0; i < m_entries.size() && selected < 0; ++i)
        if (m_entries[i]->IsEntryVisible() && m_entries[i]->IsSelected())
            selected = static_cast<int>(i);
    for (int i = selected - 1; selected > 0 && i >= 0; --i) {
        if (m_entries[static_cast<size_t>(i)]->IsEntryVisible()) {
            ShowEntry(i, true, true);
            return;
        }
    }
}

void CMainWnd::SelectNext() {
    int selected = -1;
    for (size_t i = 0; i < m_entries.size() && selected < 0; ++i)
        if (m_entries[i]->IsEntryVisible() && m_entries[i]->IsSelected())
            selected = static_cast<int>(i);
    if (selected < 0)
        return;
    for (size_t i = static_cast<size_t>(selected) + 1; i < m_entries.size(); ++i) {
        if (m_entries[i]->IsEntryVisible()) {
            ShowEntry(static_cast<int>(i), true, true);
            return;
        }
    }
}

void CMainWnd::OnEntrySelected(CDeviceOptionUI* entry) {
    const int index = EntryIndex(entry);
    if (index < 0)
        return;
    m_selectedIndex = index;
    m_selectedClass = entry->DeviceClass();
    m_selectedKind = entry->Kind();
    if (auto* tabs = FindControl<QStackedWidget>(entry->BoundTab());
        tabs && entry->BoundIndex() >= 0)
        tabs->setCurrentIndex(entry->BoundIndex());
    ShowPowerItemOf(entry);
}

void CMainWnd::OnEntryShowRequested(CDeviceOptionUI* entry, bool show) {
    const int index = EntryIndex(entry);
    if (index < 0)
        return;
    if (show) {
        ShowEntry(index, true, FirstVisibleEntry().second == 0);
        if (entry->Device())
            UpdateConnectionTexts(*entry->Device());
    } else {
        DebugLine(DebugArea::App, "2.4gcesvdfherhue 1");
        HideEntry(index);
    }
    OnConnectionChanged(entry->Device(), show);
}

void CMainWnd::OnConnectionChanged(CQuillonUSBDevice* device, bool connected) {
    if (!device)
        return;
    const QString name = Skin().Text(QString::fromStdString(device->GetTypeKey()));
    if (!connected)
        m_tray.SetToolTip(QString::fromUtf8(kProductName));
    // What the first pass found was plugged in before the tool started: no news.
    const bool news = !(connected && m_foundAtStart.remove(name));
    m_notificationRules->OnConnection(name, connected, news && !IsShownToUser());
}

void CMainWnd::OnBatteryRead(CDeviceOptionUI* entry, int percent, bool charging) {
    // A reading still on its way when the mouse went away is old news.
    if (!entry->IsEntryVisible())
        return;
    m_tray.SetToolTip(Skin()
                          .Text(charging ? QStringLiteral("tray_battery_charging_tooltip")
                                         : QStringLiteral("tray_battery_tooltip"))
                          .arg(percent));
    if (CQuillonUSBDevice* device = entry->Device())
        m_notificationRules->OnBattery(Skin().Text(QString::fromStdString(device->GetTypeKey())),
                                       percent, charging);
}

void CMainWnd::UpdateConnectionTexts(CQuillonUSBDevice& device) {
    const bool receiver = device.IsThroughReceiver();
    if (CDeviceOptionUI* entry = EntryOf(device))
        entry->SetStateText(Skin().Text(receiver ? QStringLiteral("device_state_receiver_text")
                                                 : QStringLiteral("device_state_cable_text")));
    if (CDevicePageUI* page = PageOf(device))
        page->SetConnectionText(Skin().Text(receiver ? QStringLiteral("device_link_receiver_text")
                                                     : QStringLiteral("device_link_cable_text")));
}

void CMainWnd::StopDeviceWork() {
    // A worker waiting for the firmware answer would never be joined.
    m_firmwarePrompt->Cancel();
    for (CDeviceOptionUI* entry : m_entries)
        entry->StopDeviceWork();
}

void CMainWnd::UpdateNoDeviceLink() {
    const int visible = FirstVisibleEntry().second;
    const bool none = visible == 0;
    if (m_noDeviceLink)
        m_noDeviceLink->setVisible(none);
    if (QWidget* hint = FindControl(QString::fromLatin1(kListEmpty)))
        hint->setVisible(none);
    // Stepping between devices needs two of them.
    for (const char* name : {kSelectPrevious, kSelectNext})
        if (QWidget* button = FindControl(QString::fromLatin1(name)))
            button->setEnabled(visible > 1);
    if (none) {
        if (m_deviceSwitch)
            m_deviceSwitch->setCurrentIndex(0);
        if (m_powerSwitch) {
            m_powerSwitch->setCurrentIndex(0);
            m_powerSwitch->hide();
        }
    }
}

void CMainWnd::OnDeviceCreated(CQuillonUSBDevice& device) {
    if (!m_firstPassDone)
        m_foundAtStart.insert(Skin().Text(QString::fromStdString(device.GetTypeKey())));
    CreateDevicePage(device);
    if (auto* mouse = device.AsMouse()) {
        mouse->SetFirmwarePrompt(m_firmwarePrompt.get());
        m_lightSync->AddDevice(*mouse);
        m_syncedMice.push_back(mouse);
    }
    UpdateLightPreview();
}

void CMainWnd::OnShowEntry(CQuillonUSBDevice& device, bool show) {
    CDeviceOptionUI* entry = EntryOf(device);
    if (!entry)
        return;
    const int index = EntryIndex(entry);
    if (show) {
        ShowEntry(index, true, FirstVisibleEntry().second == 0);
        UpdateConnectionTexts(device);
    } else {
        HideEntry(index);
    }
    OnConnectionChanged(&device, show);
}

void CMainWnd::OnStartFirstContact(CQuillonUSBDevice& device, int delayMs) {
    if (CDeviceOptionUI* entry = EntryOf(device))
        entry->StartFirstContact(delayMs);
}

void CMainWnd::OnStartLinkPoll(CQuillonUSBDevice& device, int delayMs) {
    if (CDeviceOptionUI* entry = EntryOf(device))
        entry->StartLinkPoll(delayMs);
}

void CMainWnd::OnTransportSwitched(CQuillonUSBDevice& device, bool) {
    UpdateConnectionTexts(device);
}

void CMainWnd::OnFirstPassDone() {
    m_firstPassDone = true;
    if (m_options.startHidden && CTrayIcon::IsAvailable())
        return;
    BringUp();
}

void CMainWnd::OnBringUp() {
    if (m_options.startHidden && CTrayIcon::IsAvailable())
        return;
    BringUp();
}
