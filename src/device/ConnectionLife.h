// SPDX-License-Identifier: GPL-2.0-or-later
// The connection life of a device's list entry: first contact after a connection, the battery
// poll and the link poll through the receiver. Toolkit-free: the host runs the one-shot timers
// (QTimers in the window, a dispatcher in kestrunectl) and shows or hides the entry; OnTimer
// runs a timer's step, which may do device I/O, so the host calls it where that may block.
#pragma once

#include "device/QuillonUSBDevice.h"

enum EntryTimer : int {
    kTimerLightFrame = 1000,
    kTimerFirstContact = 1001,
    kTimerReloadSettings = 1002,
    kTimerStatus = 1005,
    kTimerLinkPoll = 1007,
};

class IEntryHost {
  public:
    virtual ~IEntryHost() = default;
    // One-shot; starting a running timer restarts it.
    virtual void StartTimer(int timerId, int delayMs) = 0;
    // Show the entry (selected when none is visible) or hide it.
    virtual void ShowEntry(bool show) = 0;
};

class CConnectionLife {
  public:
    static constexpr int kFirstContactRetryMs = 5000;
    static constexpr int kStatusPollMs = 10000;
    static constexpr int kLinkPollMs = 3000;
    static constexpr int kLinkFailureWrap = 20;

    CConnectionLife(CQuillonUSBDevice& device, IEntryHost& host) : m_device(device), m_host(host) {}

    CQuillonUSBDevice& Device() { return m_device; }
    // Right after a connection (500 ms in the window).
    void StartFirstContact(int delayMs);
    // Only while the configuration channel is present.
    void StartLinkPoll(int delayMs);
    void OnTimer(int timerId);

    // The entry's visible flag; the host reports shows and hides made elsewhere.
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }
    int LinkFailures() const { return m_linkFailures; }

  private:
    void Show(bool show);
    void FirstContact();
    void LinkPoll();

    CQuillonUSBDevice& m_device;
    IEntryHost& m_host;
    bool m_visible = false;
    int m_linkFailures = 0;
};
