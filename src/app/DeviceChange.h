// SPDX-License-Identifier: GPL-2.0-or-later
// One change of a mouse, as the window makes it: every program holds the mouse's lock for a
// whole change, so no two programs interleave their command sequences; the profile a mouse
// holds is read again when another program saved it, and the simulated mouse, when there is
// one, takes in what the others saved first and saves what the change did.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class CQuillonUSBDevice;
class CSimulatedMouse;

class CDeviceChanges {
  public:
    // `changeWait`: how long a change the user made waits while another program holds the lock.
    explicit CDeviceChanges(std::shared_ptr<CSimulatedMouse> simulated = nullptr,
                            std::chrono::milliseconds changeWait = std::chrono::seconds(5));

    // On a device worker: runs `change` under the lock. False, with nothing run, when another
    // program kept the mouse busy for `wait`.
    bool Run(CQuillonUSBDevice& device, std::chrono::milliseconds wait,
             const std::function<void()>& change) const;

    const std::shared_ptr<CSimulatedMouse>& Simulated() const { return m_simulated; }
    std::chrono::milliseconds ChangeWait() const { return m_changeWait; }

  private:
    std::shared_ptr<CSimulatedMouse> m_simulated;
    std::chrono::milliseconds m_changeWait;
};
