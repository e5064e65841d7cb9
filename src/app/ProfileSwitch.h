// SPDX-License-Identifier: GPL-2.0-or-later
// The profile control of a mouse page wired to its mouse. A switch (and a reset, which writes
// its profile the same way) loads the profile on the device worker, shows it on every tab and
// writes the settings image, the macros and the key table; restoring the defaults writes the
// key table and the settings image. Meanwhile the device list and the profile control are
// disabled. A mouse that stops answering midway leaves the profile files as they were: the
// device goes back to the profile it had, and the user is told. Both go by the page's road.
#pragma once

#include <QObject>
#include <QPointer>

#include "mouse/ui/MouseRoad.h"

class CDevicePageUI;
class CDeviceProfileUI;
class QWidget;

class CProfileSwitch : public QObject {
    Q_OBJECT
  public:
    // Lives as long as the page (its parent), whose road it takes (set it first).
    // `deviceList` is disabled while the mouse is busy.
    CProfileSwitch(CDevicePageUI& page, QWidget* deviceList);

    // Whether a write to the mouse is under way.
    bool IsBusy() const { return m_busy; }

  private:
    void SwitchTo(int index);
    void RestoreDefaults();
    void SetBusy(bool busy);
    void SwitchDone(int index, const MouseCommitted& outcome);
    void DefaultsDone(const MouseCommitted& outcome);

    QPointer<CDevicePageUI> m_page;
    QPointer<CDeviceProfileUI> m_control;
    QPointer<QWidget> m_deviceList;
    bool m_busy = false;
};
