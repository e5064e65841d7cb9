// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/DeviceOption.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <optional>

#include "base/Debug.h"

#include "app/MpDevicePower.h"
#include "mouse/ui/DevicePage.h"
#include "ui/QueuedCall.h"
#include "ui/SkinResources.h"

namespace {

constexpr const char* kImageFolder = "common/device_ico/";

}  // namespace

bool EntryImageSetFor(int deviceClass, int kind, EntryImageSet& out) {
    switch (deviceClass) {
        case 1:
            out = {"kb_device", "kb_device_name_text"};
            return true;
        case 2:
            out = {"ms_device", "ms_device_name_text"};
            return true;
        case 3:
            if (kind == 1) {
                out = {"soft_mp_device", "soft_mp_device_name_text"};
                return true;
            }
            if (kind == 0) {
                out = {"hard_mp_device", "hard_mp_device_name_text"};
                return true;
            }
            return false;
        case 4:
        case 7:
            out = {"hd_device", "hd_device_name_text"};
            return true;
        case 5:
            out = {"hub_device", "hub_device_name_text"};
            return true;
        default:
            out = {"unknow_device", "unknow_device_name_text"};
            return true;
    }
}

CDeviceOptionUI::CDeviceOptionUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground);
    setProperty("selected", false);
    EntryImageSet unknown{};
    EntryImageSetFor(0, 0, unknown);
    const QString set = QString::fromLatin1(kImageFolder) + QString::fromLatin1(unknown.set);
    m_images = {set + QStringLiteral("_normal.png"), set + QStringLiteral("_selected.png"),
                set + QStringLiteral("_synchro_normal.png"),
                set + QStringLiteral("_synchro_selected.png")};
}

CDeviceOptionUI::~CDeviceOptionUI() {
    ReleaseMouse();
    if (m_worker)
        m_worker->Stop();
}

void CDeviceOptionUI::ReleaseMouse() {
    // Returns once no light frame is on its way here.
    if (m_mouse)
        m_mouse->SetOwner(nullptr);
}

template <class T>
T* CDeviceOptionUI::Sub(const char* name) const {
    return findChild<T*>(QString::fromLatin1(name));
}

QAbstractButton* CDeviceOptionUI::SelectButton() {
    auto* button = Sub<QAbstractButton>(kSelect);
    if (button && !button->property("_entry_wired").toBool()) {
        button->setProperty("_entry_wired", true);
        button->setCheckable(true);
        connect(button, &QAbstractButton::toggled, this, [this](bool checked) {
            setProperty("selected", checked);
            style()->unpolish(this);
            style()->polish(this);
        });
    }
    return button;
}

void CDeviceOptionUI::SetDevice(CQuillonUSBDevice* device) {
    ReleaseMouse();
    if (m_worker)
        m_worker->Stop();
    m_worker.reset();
    m_life.reset();
    m_device = device;
    m_mouse = device ? device->AsMouse() : nullptr;
    if (!device)
        return;
    if (m_mouse)
        m_mouse->SetOwner(this);
    m_life = std::make_unique<CConnectionLife>(*device, *this);
    m_life->SetVisible(m_visible);
    m_worker = std::make_unique<CDeviceWorker>();
    // From now on the device's commands are this worker's alone.
    m_worker->Post([device] { device->BindCommandThread(); });
    SelectButton();
    if (auto* synchro = Sub<QAbstractButton>(kSynchroSelect)) {
        synchro->setCheckable(true);
        connect(synchro, &QAbstractButton::toggled, this, [this] { ApplyImages(); });
    }
}

void CDeviceOptionUI::SetSynchroSelected(bool selected) {
    if (auto* synchro = Sub<QAbstractButton>(kSynchroSelect)) {
        QSignalBlocker block(synchro);
        synchro->setChecked(selected);
    }
    ApplyImages();
}

bool CDeviceOptionUI::IsSynchronised() const {
    auto* synchro = Sub<QAbstractButton>(kSynchroSelect);
    return synchro && synchro->isChecked();
}

void CDeviceOptionUI::SetSynchroVisible(bool visible) {
    if (QWidget* synchro = Sub(kSynchroSelect))
        synchro->setVisible(visible);
}

void CDeviceOptionUI::SetGroup(const QString& group) {
    m_group = group;
    if (QAbstractButton* button = SelectButton())
        button->setProperty("group", group);
}

void CDeviceOptionUI::BindTab(const QString& tabLayout, int index) {
    m_boundTab = tabLayout;
    m_boundIndex = index;
}

void CDeviceOptionUI::SetPowerItem(const QString& container, int index, CMpDevicePowerUI* item) {
    m_powerContainer = container;
    m_powerIndex = index;
    m_power = item;
}

void CDeviceOptionUI::SetClassAndKind(int deviceClass, int kind) {
    m_class = deviceClass;
    m_kind = kind;
    EntryImageSet set{};
    if (!EntryImageSetFor(deviceClass, kind, set))
        return;
    const QString base = QString::fromLatin1(kImageFolder) + QString::fromLatin1(set.set);
    m_images = {base + QStringLiteral("_normal.png"), base + QStringLiteral("_selected.png"),
                base + QStringLiteral("_synchro_normal.png"),
                base + QStringLiteral("_synchro_selected.png")};
    if (QAbstractButton* button = SelectButton())
        button->setToolTip(Skin().Text(QString::fromLatin1(set.tipKey)));
    ApplyImages();
}

void CDeviceOptionUI::ApplyImages() {
    QAbstractButton* button = SelectButton();
    if (!button)
        return;
    const bool synchro = IsSynchronised();
    QIcon icon;
    icon.addFile(Skin().FilePath(m_images[synchro ? kSynchroNormal : kNormal]), {}, QIcon::Normal,
                 QIcon::Off);
    icon.addFile(Skin().FilePath(m_images[synchro ? kSynchroSelected : kSelected]), {},
                 QIcon::Normal, QIcon::On);
    button->setIcon(icon);
}

void CDeviceOptionUI::SetNameText(const QString& text) {
    if (auto* name = Sub<QLabel>(kNameLabel))
        name->setText(text);
}

void CDeviceOptionUI::SetStateText(const QString& text) {
    if (auto* state = Sub<QLabel>(kStateLabel))
        state->setText(text);
}

void CDeviceOptionUI::SetEntryVisible(bool visible) {
    m_visible = visible;
    setVisible(visible);
    // Back after a disconnection, the first reading is news again (tray tooltip, warnings).
    if (!visible)
        m_shownStatus = {};
    if (m_life && m_worker) {
        // The life's flag is the worker's to touch.
        CConnectionLife* life = m_life.get();
        m_worker->Post([life, visible] { life->SetVisible(visible); });
    }
}

bool CDeviceOptionUI::IsSelected() const {
    auto* button = Sub<QAbstractButton>(kSelect);
    return button && button->isChecked();
}

void CDeviceOptionUI::SetSelected(bool selected, bool notify) {
    QAbstractButton* button = SelectButton();
    if (!button || button->isChecked() == selected)
        return;
    std::optional<QSignalBlocker> block;
    if (!notify)
        block.emplace(button);
    // An exclusive group keeps its checked button: take it out of the group meanwhile.
    QButtonGroup* group = button->group();
    bool exclusive = group && group->exclusive();
    if (exclusive && !selected)
        group->setExclusive(false);
    button->setChecked(selected);
    if (exclusive && !selected)
        group->setExclusive(true);
    if (!notify) {
        setProperty("selected", selected);
        style()->unpolish(this);
        style()->polish(this);
    }
}

void CDeviceOptionUI::mousePressEvent(QMouseEvent* event) {
    // The whole card chooses the device, not only its picture.
    if (event->button() == Qt::LeftButton) {
        if (QAbstractButton* button = SelectButton(); button && !button->isChecked())
            button->click();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CDeviceOptionUI::StartFirstContact(int delayMs) {
    if (m_life)
        m_life->StartFirstContact(delayMs);
}

void CDeviceOptionUI::StartLinkPoll(int delayMs) {
    if (m_life)
        m_life->StartLinkPoll(delayMs);
}

void CDeviceOptionUI::RunOnUi(std::function<void()> work) {
    if (QThread::currentThread() == thread())
        work();
    else
        // Dropped with the entry when it is gone first.
        QueueOnThreadOf(this, std::move(work));
}

void CDeviceOptionUI::StartTimer(int timerId, int delayMs) {
    RunOnUi([this, timerId, delayMs] { StartTimerNow(timerId, delayMs); });
}

void CDeviceOptionUI::ShowEntry(bool show) {
    RunOnUi([this, show] { emit ShowRequested(this, show); });
}

void CDeviceOptionUI::StartTimerNow(int timerId, int delayMs) {
    if (!m_worker)
        return;
    QTimer*& timer = m_timers[timerId];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, timerId] { OnTimerFired(timerId); });
    }
    timer->start(std::max(0, delayMs));
}

bool CDeviceOptionUI::IsTimerActive(int timerId) const {
    auto it = m_timers.find(timerId);
    return it != m_timers.end() && it->second->isActive();
}

void CDeviceOptionUI::OnTimerFired(int timerId) {
    if (!m_life || !m_worker)
        return;
    if (timerId == kTimerLightFrame) {
        // Paints only; the device is not asked anything. With no new frame the timer stays
        // off, so an unchanging preview costs nothing.
        if (m_framePending.load())
            PaintLightFrame();
        return;
    }
    CConnectionLife* life = m_life.get();
    m_worker->Post([this, life, timerId] {
        if (!RunChange(kTimerChangeWait, [life, timerId] { life->OnTimer(timerId); })) {
            // Another program is changing the mouse: this one looks again in a moment.
            StartTimer(timerId, kBusyRetryMs);
            return;
        }
        RunOnUi([this] { ShowStatus(); });
    });
}

bool CDeviceOptionUI::RunChange(std::chrono::milliseconds wait,
                                const std::function<void()>& change) {
    if (!m_changes) {
        change();
        return true;
    }
    return m_changes->Run(*m_device, wait, change);
}

void CDeviceOptionUI::PostWork(DeviceWork work, std::function<void(CommitState)> notRan) {
    if (!m_worker) {
        if (notRan)
            notRan(CommitState::kGone);
        return;
    }
    const std::chrono::milliseconds wait = m_changes ? m_changes->ChangeWait() : kTimerChangeWait;
    m_worker->Post([this, wait, work = std::move(work), notRan = std::move(notRan)] {
        std::function<void()> then;
        if (!RunChange(wait, [&] { then = work(); })) {
            DebugLine(DebugArea::App, "change dropped: the mouse stayed busy with another program");
            // The page shows the profile as it is, not the change that was not made.
            if (m_mouse)
                m_mouse->ApplyProfile();
            if (notRan)
                RunOnUi([notRan] { notRan(CommitState::kBusy); });
            return;
        }
        if (then)
            RunOnUi(std::move(then));
    });
}

WorkPoster CDeviceOptionUI::Poster() {
    QPointer<CDeviceOptionUI> self(this);
    return [self](DeviceWork work, std::function<void(CommitState)> notRan) {
        if (self)
            self->PostWork(std::move(work), std::move(notRan));
        else if (notRan)
            notRan(CommitState::kGone);
    };
}

void CDeviceOptionUI::RefreshNow() {
    // Only the polls that run: before the first contact there is nothing to look at again.
    for (int timerId : {static_cast<int>(kTimerStatus), static_cast<int>(kTimerLinkPoll)})
        if (IsTimerActive(timerId))
            StartTimerNow(timerId, 0);
}

void CDeviceOptionUI::WatchProfileFolder() {
    if (m_profileWatch || !m_device)
        return;
    const QString folder = QString::fromStdString(m_device->GetUserDeviceFolder().string());
    m_profileWatch = new QFileSystemWatcher(this);
    if (!m_profileWatch->addPath(folder))
        return;
    m_profileReload = new QTimer(this);
    m_profileReload->setSingleShot(true);
    // A save is a new file renamed over the old one: one look after the burst of changes.
    m_profileReload->setInterval(100);
    connect(m_profileWatch, &QFileSystemWatcher::directoryChanged, m_profileReload,
            qOverload<>(&QTimer::start));
    connect(m_profileReload, &QTimer::timeout, this, [this] {
        // Every change reads a profile file saved elsewhere again and shows it: one with
        // nothing else to do is enough. Its own saves are nothing new.
        PostWork([] { return std::function<void()>(); });
    });
}

void CDeviceOptionUI::ScheduleSettingsReload(CQuillonMouseDevice&, int delayMs) {
    StartTimer(kTimerReloadSettings, delayMs);
}

void CDeviceOptionUI::ScheduleProfileRefresh(CQuillonMouseDevice&, const MouseEvent&) {
    RunOnUi([this] {
        if (m_worker && m_device)
            m_worker->Post([device = m_device] { device->ApplyProfile(); });
    });
}

void CDeviceOptionUI::OnProfileApplied(CQuillonMouseDevice&, const MouseProfileSnapshot& profile) {
    RunOnUi([this, profile] {
        if (m_page)
            m_page->ShowProfile(profile);
        WatchProfileFolder();
    });
}

void CDeviceOptionUI::OnLightFrame(CQuillonMouseDevice&) {
    if (!m_framePending.exchange(true))
        QueueOnThreadOf(this, [this] { OnLightFrameQueued(); });
}

void CDeviceOptionUI::OnLightFrameQueued() {
    // The light timer spaces the paints: 5 ms on the cable, 500 ms through the receiver.
    if (IsTimerActive(kTimerLightFrame) || !m_framePending.load())
        return;
    PaintLightFrame();
}

void CDeviceOptionUI::PaintLightFrame() {
    m_framePending.store(false);
    if (!m_mouse || !m_page)
        return;
    m_page->ShowLightFrame(m_mouse->GetLightEngine().Frame().Snapshot());
    StartTimerNow(kTimerLightFrame, m_mouse->IsThroughReceiver() ? 500 : 5);
}

void CDeviceOptionUI::ShowStatus() {
    if (!m_mouse || !m_power)
        return;
    std::array<uint8_t, kPowerStatusSize> status = m_mouse->PowerStatus();
    // Nothing read yet: a level of 0 that is "full" is no reading.
    if ((status[0] == 0 && status[1] == 0) || status == m_shownStatus)
        return;
    m_shownStatus = status;
    m_power->Update(status);
    // Byte 1: 0 full, 1 charging, 2 on battery. Only charging ends a discharge here: a full
    // battery reads high enough to count as charged anyway.
    emit BatteryRead(this, status[0], status[1] == 1);
}

void CDeviceOptionUI::StopDeviceWork() {
    for (auto& [id, timer] : m_timers)
        timer->stop();
    if (m_profileReload)
        m_profileReload->stop();
    ReleaseMouse();
    if (!m_worker)
        return;
    m_worker->RequestStop();
    // A command waiting for a reply ends at once.
    if (m_device)
        m_device->AbortConfiguration();
    m_worker->Stop();
    // The device goes with discovery after this: the entry lets go of it.
    m_worker.reset();
    m_life.reset();
    m_device = nullptr;
    m_mouse = nullptr;
}
