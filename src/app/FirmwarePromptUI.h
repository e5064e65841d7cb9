// SPDX-License-Identifier: GPL-2.0-or-later
// The window's side of the firmware hand-off: asks with the message window on the UI thread
// while the device worker that found the old firmware waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "mouse/FirmwareUpgrade.h"

class CFirmwarePromptUI : public QObject, public IFirmwarePrompt {
    Q_OBJECT
  public:
    // Runs on the UI thread; true when the user confirms.
    using Ask = std::function<bool()>;

    // `onDeclined` runs on the UI thread when the user says no (the window ends).
    CFirmwarePromptUI(QWidget* owner, std::function<void()> onDeclined);
    ~CFirmwarePromptUI() override;

    // Any thread. From a device worker it waits for the answer on the UI thread.
    bool ConfirmFirmwareUpgrade(uint16_t current, uint16_t required) override;
    void OnFirmwareUpgradeDeclined(uint16_t current, uint16_t required) override;
    void OnUpgraderFailed(const std::string& error) override;

    // Ends a wait for an answer as "no" without ending the program, and answers "no" from then
    // on: the window is shutting down and joins the workers.
    void Cancel();
    // Replaces the message window (tests).
    void SetAsk(Ask ask) { m_ask = std::move(ask); }
    // Runs on the UI thread before each question (the desktop notification).
    void SetOnAsking(std::function<void(uint16_t current, uint16_t required)> onAsking) {
        m_onAsking = std::move(onAsking);
    }

  private:
    bool AskOnUiThread(uint16_t current, uint16_t required);

    QPointer<QWidget> m_owner;
    std::function<void()> m_onDeclined;
    Ask m_ask;
    std::function<void(uint16_t, uint16_t)> m_onAsking;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_cancelled = false;
};
