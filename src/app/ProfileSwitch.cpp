// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/ProfileSwitch.h"

#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "profile/ui/DeviceProfile.h"

CProfileSwitch::CProfileSwitch(CDevicePageUI& page, QWidget* deviceList)
    : QObject(&page), m_page(&page), m_control(page.ProfileControl()), m_deviceList(deviceList) {
    if (!m_control)
        return;
    connect(m_control, &CDeviceProfileUI::SwitchRequested, this, &CProfileSwitch::SwitchTo);
    connect(m_control, &CDeviceProfileUI::DefaultsRequested, this,
            &CProfileSwitch::RestoreDefaults);
    // The device takes the profile its control names before it first loads one.
    page.Road().Commit<MouseResult>(
        this, mouse_commits::kQuiet,
        [id = m_control->GetCurrentProfileId()](CQuillonMouseDevice& mouse) {
            mouse.SetCurrentProfileId(id);
            return MouseResult{};
        });
}

void CProfileSwitch::SetBusy(bool busy) {
    m_busy = busy;
    // What the tabs held belonged to the profile as it was.
    if (m_page && busy)
        m_page->EndEdits();
    if (m_deviceList)
        m_deviceList->setEnabled(!busy);
    if (m_control)
        m_control->setEnabled(!busy);
}

void CProfileSwitch::SwitchTo(int index) {
    ExpectUiThread("CProfileSwitch::SwitchTo");
    if (!m_control)
        return;
    const std::vector<ProfileEntry>& entries = m_control->List().GetEntries();
    if (m_busy || index < 0 || static_cast<size_t>(index) >= entries.size() || !m_page ||
        !m_page->Road().IsBound()) {
        m_control->FinishSwitch(index, false);
        return;
    }
    SetBusy(true);
    QPointer<CProfileSwitch> self(this);
    m_page->Road().Commit<MouseResult>(
        this, mouse_commits::kSwitch,
        [id = entries[static_cast<size_t>(index)].id,
         previous = m_control->GetCurrentProfileId()](CQuillonMouseDevice& mouse) {
            mouse.SetCurrentProfileId(id);
            const MouseResult result = mouse.LoadAndWriteProfile();
            if (CQuillonMouseDevice::LostTheMouse(result)) {
                // Back to the profile the device had, read again, nothing saved.
                mouse.SetCurrentProfileId(previous);
                mouse.LoadProfile();
                mouse.FixMacroAssignments();
                mouse.ApplyProfile();
            }
            return result;
        },
        [self, index](const MouseCommitted& outcome) {
            if (self)
                self->SwitchDone(index, outcome);
        });
}

void CProfileSwitch::SwitchDone(int index, const MouseCommitted& outcome) {
    SetBusy(false);
    if (!m_control)
        return;
    // Dropped because another program kept the mouse busy, or lost midway: not switched.
    const bool switched = outcome.Ran() && !CQuillonMouseDevice::LostTheMouse(outcome.result);
    if (!switched)
        DebugPrintf(DebugArea::App, "profile switch failed: mouse result %d",
                    outcome.result.device);
    m_control->FinishSwitch(index, switched);
}

void CProfileSwitch::RestoreDefaults() {
    ExpectUiThread("CProfileSwitch::RestoreDefaults");
    if (m_busy || !m_page || !m_page->Road().IsBound())
        return;
    SetBusy(true);
    QPointer<CProfileSwitch> self(this);
    m_page->Road().Commit<MouseResult>(
        this, mouse_commits::kDefaults,
        [](CQuillonMouseDevice& mouse) { return mouse.RestoreDefaults(); },
        [self](const MouseCommitted& outcome) {
            if (self)
                self->DefaultsDone(outcome);
        });
}

void CProfileSwitch::DefaultsDone(const MouseCommitted& outcome) {
    SetBusy(false);
    // The file that could not be written is named by its folder.
    if (outcome.Ran() && !outcome.result.saved && m_page && m_page->Road().Messages())
        m_page->Road().Messages()->Tell(
            "profile_write_failed_text",
            m_control
                ? QString::fromStdString(m_control->List().GetListFilePath().parent_path().string())
                : QString());
}
