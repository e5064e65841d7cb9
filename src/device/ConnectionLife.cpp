// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/ConnectionLife.h"

#include "base/Debug.h"

void CConnectionLife::StartFirstContact(int delayMs) {
    m_host.StartTimer(kTimerFirstContact, delayMs);
}

void CConnectionLife::StartLinkPoll(int delayMs) {
    if (m_device.IsConfigPresent())
        m_host.StartTimer(kTimerLinkPoll, delayMs);
}

void CConnectionLife::Show(bool show) {
    m_visible = show;
    m_host.ShowEntry(show);
}

void CConnectionLife::OnTimer(int timerId) {
    switch (timerId) {
        case kTimerLightFrame:
            m_device.OutputLightFrame();
            if (m_device.IsConfigPresent())
                m_host.StartTimer(kTimerLightFrame, m_device.IsThroughReceiver() ? 500 : 5);
            break;
        case kTimerFirstContact:
            FirstContact();
            break;
        case kTimerReloadSettings:
            m_device.ReloadSettings();
            break;
        case kTimerStatus:
            m_device.RefreshStatus();
            if (m_device.IsWirelessCapable() && m_device.IsConfigPresent())
                m_host.StartTimer(kTimerStatus, kStatusPollMs);
            break;
        case kTimerLinkPoll:
            LinkPoll();
            break;
        default:
            break;
    }
}

void CConnectionLife::FirstContact() {
    const bool present = m_device.IsConfigPresent();
    const bool receiver = m_device.IsThroughReceiver();
    if (receiver && present) {
        if (!m_device.IsReachable()) {
            if (++m_linkFailures >= kLinkFailureWrap)
                m_linkFailures = 0;
            if (m_visible)
                Show(false);
            m_host.StartTimer(kTimerFirstContact, kFirstContactRetryMs);
            return;
        }
        Show(true);
    }
    m_device.InitialSync();
    m_linkFailures = 0;
    m_host.StartTimer(kTimerLightFrame, 5);
    if (m_device.IsWirelessCapable() && m_device.IsConfigPresent())
        m_host.StartTimer(kTimerStatus, 50);
    if (receiver)
        StartLinkPoll(2000);
}

void CConnectionLife::LinkPoll() {
    if (!m_device.IsConfigPresent())
        return;
    if (!m_device.IsThroughReceiver()) {
        DebugLine(DebugArea::Device, "2.4gcesvdfherhue  12312423");
        return;
    }
    const bool reachable = m_device.IsReachable();
    if (reachable && !m_visible) {
        Show(true);
        if (m_device.IsWirelessCapable())
            m_device.RefreshStatus();
        DebugLine(DebugArea::Device, "2.4gcesvdfherhue  12312423 123342341");
    } else if (!reachable && m_visible) {
        Show(false);
        DebugLine(DebugArea::Device, "2.4gcesvdfherhue");
    }
    m_host.StartTimer(kTimerLinkPoll, kLinkPollMs);
}
