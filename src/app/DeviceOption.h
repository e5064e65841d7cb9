// SPDX-License-Identifier: GPL-2.0-or-later
// A device's entry in the device list (element "DeviceOption", built from the type's list-item
// layout): its option button, name and images, and the device's connection life. The timers
// are Qt timers on the UI thread; the device work they start runs on the entry's device worker,
// and what it asks of the entry (a timer, a show or hide) comes back to the UI thread.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <atomic>
#include <map>
#include <memory>

#include "app/DeviceChange.h"
#include "app/DeviceWorker.h"
#include "device/ConnectionLife.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "ui/Page.h"
#include "ui/PageRoad.h"

class CMpDevicePowerUI;
class QAbstractButton;
class QFileSystemWatcher;
class QLabel;
class QTimer;

// The image set and tool-tip key of an entry by device class and kind; nothing for class 3 with
// a kind other than 0 or 1 (the images stay as they are).
struct EntryImageSet {
    const char* set;
    const char* tipKey;
};
bool EntryImageSetFor(int deviceClass, int kind, EntryImageSet& out);

// The owner of its mouse: events and light frames from the mouse's threads come back here.
class CDeviceOptionUI : public QWidget, public IEntryHost, public IMouseOwner {
    Q_OBJECT
  public:
    static constexpr const char* kSelect = "device_select";
    static constexpr const char* kSynchroSelect = "synchro_device_select";
    static constexpr const char* kNameLabel = "device_select_name";
    static constexpr const char* kStateLabel = "device_select_state";
    static constexpr PageControl kControls[] = {
        {kSelect}, {kSynchroSelect}, {kNameLabel}, {kStateLabel}};
    // How long the device worker waits while another program changes the mouse: a poll looks
    // again later, a change the user made waits longer.
    static constexpr std::chrono::milliseconds kTimerChangeWait{1000};
    static constexpr int kBusyRetryMs = 250;

    // The four images of "device_select": normal, selected, synchronised normal and selected.
    enum Image { kNormal, kSelected, kSynchroNormal, kSynchroSelected };

    explicit CDeviceOptionUI(QWidget* parent = nullptr);
    // Stops the device worker (the work in progress runs to its end).
    ~CDeviceOptionUI() override;

    // How the device's changes are made (the lock shared with other programs); before SetDevice.
    void SetChanges(std::shared_ptr<const CDeviceChanges> changes) {
        m_changes = std::move(changes);
    }
    // Links the entry to its device (and owns a mouse); starts its device worker.
    void SetDevice(CQuillonUSBDevice* device);
    // The page road's poster (ui/PageRoad.h): runs `work` on the device worker as one change
    // of the device (see CDeviceChanges), then what it returns on the UI thread. `notRan`
    // learns on the UI thread that another program kept the mouse busy (the page is shown the
    // profile again) or that the device has no worker.
    void PostWork(DeviceWork work, std::function<void(CommitState)> notRan = {});
    // PostWork as a WorkPoster that outlives the entry (the work then never runs).
    WorkPoster Poster();
    // Another program changed the simulated mouse: the running polls look again now.
    void RefreshNow();
    CQuillonUSBDevice* Device() const { return m_device; }
    // The device's picture control, repainted with the light frame.
    void SetPictureControl(QWidget* picture) { m_picture = picture; }
    QWidget* PictureControl() const { return m_picture; }
    // The page the light frames are painted on.
    void SetPage(CDevicePageUI* page) { m_page = page; }

    void SetSynchroSelected(bool selected);
    bool IsSynchronised() const;
    void SetSynchroVisible(bool visible);

    // "device_select": its group and the tab layout (with the index) it selects when chosen.
    void SetGroup(const QString& group);
    const QString& Group() const { return m_group; }
    void BindTab(const QString& tabLayout, int index);
    const QString& BoundTab() const { return m_boundTab; }
    int BoundIndex() const { return m_boundIndex; }

    // The container of the device's power item and the item's index there (-1: none).
    void SetPowerItem(const QString& container, int index, CMpDevicePowerUI* item);
    const QString& PowerContainer() const { return m_powerContainer; }
    int PowerIndex() const { return m_powerIndex; }
    CMpDevicePowerUI* PowerItem() const { return m_power; }

    // Chooses the images and the tool tip.
    void SetClassAndKind(int deviceClass, int kind);
    int DeviceClass() const { return m_class; }
    int Kind() const { return m_kind; }
    QString ImagePath(Image image) const { return m_images[image]; }

    void SetNameText(const QString& text);
    // The connection line under the name ("by cable", "through the receiver").
    void SetStateText(const QString& text);

    void SetEntryVisible(bool visible);
    bool IsEntryVisible() const { return m_visible; }
    bool IsSelected() const;
    // Without a notification unless `notify`.
    void SetSelected(bool selected, bool notify = false);
    QAbstractButton* SelectButton();

    // Right after a connection; and the link poll, only while the configuration channel is
    // present.
    void StartFirstContact(int delayMs);
    void StartLinkPoll(int delayMs);

    // IEntryHost: from any thread.
    void StartTimer(int timerId, int delayMs) override;
    void ShowEntry(bool show) override;

    // IMouseOwner, from the mouse's threads; none of them blocks.
    void ScheduleSettingsReload(CQuillonMouseDevice& mouse, int delayMs) override;
    void ScheduleProfileRefresh(CQuillonMouseDevice& mouse, const MouseEvent& event) override;
    // Hands the profile to the page on the UI thread.
    void OnProfileApplied(CQuillonMouseDevice& mouse, const MouseProfileSnapshot& profile) override;
    // Queues one paint; frames that come before it is done are painted together.
    void OnLightFrame(CQuillonMouseDevice& mouse) override;
    // Paints the current frame now (the light timer and the queued frames do).
    void PaintLightFrame();

    bool IsTimerActive(int timerId) const;
    CConnectionLife* Life() const { return m_life.get(); }
    CDeviceWorker* Worker() const { return m_worker.get(); }
    // Ends the device work for good: no new work starts, a command in progress is cut short,
    // and the entry lets go of its device.
    void StopDeviceWork();

  signals:
    // The connection life wants the entry shown or hidden.
    void ShowRequested(CDeviceOptionUI* entry, bool show);
    // A new battery reading was shown.
    void BatteryRead(CDeviceOptionUI* entry, int percent, bool charging);

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    template <class T = QWidget>
    T* Sub(const char* name) const;
    void StartTimerNow(int timerId, int delayMs);
    void OnTimerFired(int timerId);
    void ApplyImages();
    void ShowStatus();
    void RunOnUi(std::function<void()> work);
    void OnLightFrameQueued();
    void ReleaseMouse();
    void WatchProfileFolder();
    // On the worker; false when the device stayed busy with another program.
    bool RunChange(std::chrono::milliseconds wait, const std::function<void()>& change);

    CQuillonUSBDevice* m_device = nullptr;
    std::shared_ptr<const CDeviceChanges> m_changes;
    // The profile files, followed once the profile was first shown.
    QFileSystemWatcher* m_profileWatch = nullptr;
    QTimer* m_profileReload = nullptr;
    // The same device's mouse facade; null for the other families.
    CQuillonMouseDevice* m_mouse = nullptr;
    QPointer<QWidget> m_picture;
    QPointer<CDevicePageUI> m_page;
    // A frame waits for its paint; set on the light thread, cleared by the paint.
    std::atomic<bool> m_framePending{false};
    QString m_group;
    QString m_boundTab;
    int m_boundIndex = -1;
    QString m_powerContainer;
    int m_powerIndex = -1;
    QPointer<CMpDevicePowerUI> m_power;
    int m_class = 0;
    int m_kind = 0;
    std::array<QString, 4> m_images;
    bool m_visible = true;

    std::map<int, QTimer*> m_timers;
    std::array<uint8_t, 6> m_shownStatus{};
    // Destroyed in this order: the worker stops before the life it runs goes.
    std::unique_ptr<CConnectionLife> m_life;
    std::unique_ptr<CDeviceWorker> m_worker;
};
