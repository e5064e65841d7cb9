// SPDX-License-Identifier: GPL-2.0-or-later
// When the tool tells the desktop something: the battery running low (at 15 % and at 5 %, each
// once per discharge), the mouse coming and going while the window is hidden, firmware too old
// for the tool. Texts come from the language file by key.
#pragma once

#include <QString>
#include <functional>
#include <map>

#include "ui/DesktopNotifier.h"

class CNotificationRules {
  public:
    static constexpr int kLowPercent = 15;
    static constexpr int kCriticalPercent = 5;
    // A level this far above a threshold means a charge was missed (charged while away):
    // the warning comes again on the next discharge. Readings that wobble by a point do not.
    static constexpr int kRearmMargin = 5;

    using TextOf = std::function<QString(const QString& key)>;
    CNotificationRules(IDesktopNotifier& notifier, TextOf text);

    // A battery reading; charging (or full on the cable) ends the discharge.
    void OnBattery(const QString& device, int percent, bool charging);
    // The device came or went. Said only while the window is hidden and only on a change.
    void OnConnection(const QString& device, bool connected, bool windowHidden);
    // Once per device while the tool runs.
    void OnFirmwareTooOld(const QString& device, const QString& current, const QString& required);

  private:
    struct Battery {
        bool lowSent = false;
        bool criticalSent = false;
    };
    IDesktopNotifier& m_notifier;
    TextOf m_text;
    std::map<QString, Battery> m_battery;
    std::map<QString, bool> m_connected;
    std::map<QString, bool> m_firmwareSaid;
};
