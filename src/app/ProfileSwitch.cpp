#include "app/ProfileSwitch.h"

#include <memory>

#include "app/DeviceOption.h"
#include "app/MpDevicePower.h"
#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "profile/ui/DeviceProfile.h"
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
    // What the button editor held belonged to the profile as it was.
    if (auto* page = qobject_cast<CDevicePageUI*>(parent()); page && busy)
        if (auto* buttons = page->findChild<CButtonsTabUI*>())
            buttons->EndEdit();
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
    struct Outcome {
        MouseResult result = MouseResult::Failed(MouseStep::kSettings, kResultNoReply);
        bool lost = true;
    };
    auto outcome = std::make_shared<Outcome>();
    QPointer<CProfileSwitch> self(this);
    m_entry->PostChange(
        [mouse = m_mouse, id = entries[static_cast<size_t>(index)].id,
         previous = m_control->GetCurrentProfileId(), outcome] {
            mouse->SetCurrentProfileId(id);
            outcome->result = mouse->LoadAndWriteProfile();
            outcome->lost = CQuillonMouseDevice::LostTheMouse(outcome->result);
            if (outcome->lost) {
                // Back to the profile the device had, read again, nothing saved.
                mouse->SetCurrentProfileId(previous);
                mouse->LoadProfile();
                mouse->FixMacroAssignments();
                mouse->ApplyProfile();
            }
        },
        // A change dropped because another program kept the mouse busy did not switch.
        [self, index, outcome](bool) {
            if (self)
                self->SwitchDone(index, outcome->result, outcome->lost);
        });
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
    // The button editor's size message would send the user to a button; this one names the
    // profile.
    if (result.overLimit > 0)
        Tell(QStringLiteral("profile_macros_too_long_text"), QString::number(result.overLimit));
    else if (result.failed == MouseStep::kMacros)
        Tell(QStringLiteral("message_text_7"));
}

void CProfileSwitch::RestoreDefaults() {
    ExpectUiThread("CProfileSwitch::RestoreDefaults");
    if (m_busy || !m_entry || !m_entry->Worker())
        return;
    SetBusy(true);
    auto result =
        std::make_shared<MouseResult>(MouseResult::Failed(MouseStep::kSettings, kResultNoReply));
    QPointer<CProfileSwitch> self(this);
    m_entry->PostChange([mouse = m_mouse, result] { *result = mouse->RestoreDefaults(); },
                        [self, result](bool) {
                            if (self)
                                self->DefaultsDone(*result);
                        });
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
