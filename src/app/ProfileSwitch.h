// The profile control of a mouse page wired to its mouse. A switch (and a reset, which writes
// its profile the same way) loads the profile on the device worker, shows it on every tab and
// writes the settings image, the macros and the key table; restoring the defaults writes the
// key table and the settings image. Meanwhile the device list and the profile control are
// disabled. A mouse that stops answering midway leaves the profile files as they were: the
// device goes back to the profile it had, and the user is told.
#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "mouse/MouseResult.h"
#include "ui/FileChooser.h"

class CDeviceOptionUI;
class CDevicePageUI;
class CDeviceProfileUI;
class CQuillonMouseDevice;
class QWidget;

class CProfileSwitch : public QObject {
    Q_OBJECT
  public:
    // Lives as long as the page (its parent). `deviceList` is disabled while the mouse is busy.
    CProfileSwitch(CDevicePageUI& page, CDeviceOptionUI& entry, CQuillonMouseDevice& mouse,
                   QWidget* deviceList, MessageAction message);

    // Whether a write to the mouse is under way.
    bool IsBusy() const { return m_busy; }

  private:
    void SwitchTo(int index);
    void RestoreDefaults();
    void SetBusy(bool busy);
    void SwitchDone(int index, const MouseResult& result, bool lost);
    void DefaultsDone(const MouseResult& result);
    void Tell(const QString& key, const QString& argument = {});

    QPointer<CDeviceProfileUI> m_control;
    QPointer<CDeviceOptionUI> m_entry;
    CQuillonMouseDevice* m_mouse;
    QPointer<QWidget> m_deviceList;
    MessageAction m_message;
    bool m_busy = false;
};
