#include "app/ProfileSwitch.h"

#include "app/DeviceOption.h"
#include "app/MpDevicePower.h"
#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "profile/ui/DeviceProfile.h"
#include "ui/QueuedCall.h"
#include "ui/SkinResources.h"

CProfileSwitch::CProfileSwitch(CDevicePageUI& page, CDeviceOptionUI& entry,
                               CQuillonMouseDevice& mouse, QWidget* deviceList,
                               MessageAction message)
    : QObject(&page),
      m_control(page.ProfileControl()),
      m_entry(&entry),
      m_mouse(&mouse),
      m_deviceList(deviceList),
      m_message(std::move(message)) {
    if (!m_control)
        return;
    CDeviceProfileUI::Actions actions;
    actions.message = m_message;
    actions.switchTo = [this](int index) { SwitchTo(index); };
    actions.restoreDefaults = [this] { RestoreDefaults(); };
    m_control->SetActions(std::move(actions));
    // The device takes the profile its control names before it first loads one.
    if (CDeviceWorker* worker = entry.Worker())
        worker->Post([mouse = m_mouse, id = m_control->GetCurrentProfileId()] {
            mouse->SetCurrentProfileId(id);
        });
}

void CProfileSwitch::SetBusy(bool busy) {
    m_busy = busy;
    if (m_deviceList)
        m_deviceList->setEnabled(!busy);
    if (m_control)
        m_control->setEnabled(!busy);
}

void CProfileSwitch::Tell(const QString& key, const QString& argument) {
    ::Tell(m_message, key, argument);
}

void CProfileSwitch::SwitchTo(int index) {
    ExpectUiThread("CProfileSwitch::SwitchTo");
    if (!m_control)
        return;
    const std::vector<ProfileEntry>& entries = m_control->List().GetEntries();
    if (m_busy || index < 0 || static_cast<size_t>(index) >= entries.size() || !m_entry ||
        !m_entry->Worker()) {
        m_control->FinishSwitch(index, false);
        return;
    }
    SetBusy(true);
    QPointer<CProfileSwitch> self(this);
    auto done = [self, index](const MouseResult& result, bool lost) {
        QueueOnThreadOf(self, [self, index, result, lost] {
            if (self)
                self->SwitchDone(index, result, lost);
        });
    };
    m_entry->PostChange(
        [mouse = m_mouse, id = entries[static_cast<size_t>(index)].id,
         previous = m_control->GetCurrentProfileId(), done] {
            mouse->SetCurrentProfileId(id);
            const MouseResult result = mouse->LoadAndWriteProfile();
            const bool lost = CQuillonMouseDevice::LostTheMouse(result);
            if (lost) {
                // Back to the profile the device had, read again, nothing saved.
                mouse->SetCurrentProfileId(previous);
                mouse->LoadProfile();
                mouse->FixMacroAssignments();
                mouse->ApplyProfile();
            }
            done(result, lost);
        },
        [done] { done(MouseResult::Failed(MouseStep::kSettings, kResultNoReply), true); });
}

void CProfileSwitch::SwitchDone(int index, const MouseResult& result, bool lost) {
    SetBusy(false);
    if (!m_control)
        return;
    m_control->FinishSwitch(index, !lost);
    if (lost) {
        DebugPrintf(DebugArea::App, "profile switch failed: mouse result %d", result.device);
        Tell(QStringLiteral("profile_switch_failed_text"));
        return;
    }
    if (const char* key = CQuillonMouseDevice::ApplyMacrosMessageKey(result))
        Tell(QString::fromLatin1(key),
             result.overLimit > 0 ? QString::number(result.overLimit) : QString());
}

void CProfileSwitch::RestoreDefaults() {
    ExpectUiThread("CProfileSwitch::RestoreDefaults");
    if (m_busy || !m_entry || !m_entry->Worker())
        return;
    SetBusy(true);
    QPointer<CProfileSwitch> self(this);
    auto done = [self](const MouseResult& result) {
        QueueOnThreadOf(self, [self, result] {
            if (self)
                self->DefaultsDone(result);
        });
    };
    m_entry->PostChange(
        [mouse = m_mouse, done] { done(mouse->RestoreDefaults()); },
        [done] { done(MouseResult::Failed(MouseStep::kSettings, kResultNoReply)); });
}

void CProfileSwitch::DefaultsDone(const MouseResult& result) {
    SetBusy(false);
    if (!result.saved)
        Tell(QStringLiteral("profile_write_failed_text"),
             m_control ? QString::fromStdString(
                             m_control->List().GetListFilePath().parent_path().string())
                       : QString());
    else if (!result.Sent())
        Tell(QStringLiteral("profile_defaults_not_written_text"));
}
