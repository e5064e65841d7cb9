// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/DeviceChange.h"

#include "base/Debug.h"
#include "base/ProcessLock.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/SimulatedMouse.h"

CDeviceChanges::CDeviceChanges(std::shared_ptr<CSimulatedMouse> simulated,
                               std::chrono::milliseconds changeWait)
    : m_simulated(std::move(simulated)), m_changeWait(changeWait) {}

bool CDeviceChanges::Run(CQuillonUSBDevice& device, std::chrono::milliseconds wait,
                         const std::function<void()>& change) const {
    CProcessLock lock(MouseLockFile(device.GetTypeKey().empty() ? "device" : device.GetTypeKey()));
    std::string error;
    if (!lock.Acquire(wait, &error)) {
        DebugPrintf(DebugArea::App, "%s: %s", device.GetTypeKey().c_str(),
                    error.empty() ? "busy with another program" : error.c_str());
        // A lock file that cannot be made must not stop the tool: it works as before.
        if (error.empty())
            return false;
    }
    // Only the mouse is simulated.
    CSimulatedMouse* simulated = device.GetTypeIndex() == 0 ? m_simulated.get() : nullptr;
    if (simulated)
        simulated->BeginChange();
    // No change is made on a stale copy; what was read again is shown.
    if (CQuillonMouseDevice* mouse = device.AsMouse(); mouse && mouse->ReloadProfileIfChanged())
        mouse->ApplyProfile();
    change();
    if (simulated)
        simulated->EndChange();
    return true;
}
