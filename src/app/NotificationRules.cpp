// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/NotificationRules.h"

#include <utility>

CNotificationRules::CNotificationRules(IDesktopNotifier& notifier, TextOf text)
    : m_notifier(notifier), m_text(std::move(text)) {}

void CNotificationRules::OnBattery(const QString& device, int percent, bool charging) {
    Battery& battery = m_battery[device];
    if (charging) {
        battery = {};
        return;
    }
    if (percent > kLowPercent + kRearmMargin)
        battery.lowSent = false;
    if (percent > kCriticalPercent + kRearmMargin)
        battery.criticalSent = false;
    const QString level = QString::number(percent);
    if (percent <= kCriticalPercent && !battery.criticalSent) {
        // A drop straight past 15 % says only the more urgent of the two.
        battery.criticalSent = battery.lowSent = true;
        m_notifier.Notify(
            QStringLiteral("battery"), m_text(QStringLiteral("notify_battery_critical_title")),
            m_text(QStringLiteral("notify_battery_critical_text")).arg(device, level));
    } else if (percent <= kLowPercent && !battery.lowSent) {
        battery.lowSent = true;
        m_notifier.Notify(QStringLiteral("battery"),
                          m_text(QStringLiteral("notify_battery_low_title")),
                          m_text(QStringLiteral("notify_battery_low_text")).arg(device, level));
    }
}

void CNotificationRules::OnConnection(const QString& device, bool connected, bool windowHidden) {
    const auto known = m_connected.find(device);
    const bool changed = known == m_connected.end() ? connected : known->second != connected;
    m_connected[device] = connected;
    if (!changed || !windowHidden)
        return;
    m_notifier.Notify(QStringLiteral("connection"),
                      m_text(connected ? QStringLiteral("notify_connected_title")
                                       : QStringLiteral("notify_disconnected_title")),
                      m_text(connected ? QStringLiteral("notify_connected_text")
                                       : QStringLiteral("notify_disconnected_text"))
                          .arg(device));
}

void CNotificationRules::OnFirmwareTooOld(const QString& device, const QString& current,
                                          const QString& required) {
    if (std::exchange(m_firmwareSaid[device], true))
        return;
    m_notifier.Notify(
        QStringLiteral("firmware"), m_text(QStringLiteral("notify_firmware_old_title")),
        m_text(QStringLiteral("notify_firmware_old_text")).arg(device, current, required));
}
