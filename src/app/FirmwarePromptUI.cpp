// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/FirmwarePromptUI.h"

#include <QThread>
#include <memory>

#include "app/MsgWnd.h"
#include "ui/QueuedCall.h"
#include "ui/SkinResources.h"
#include "ui/SkinWindow.h"

namespace {

int OwnerDpi(QWidget* owner) {
    if (auto* window = qobject_cast<CSkinWindow*>(owner))
        return window->Dpi();
    return 96;
}

}  // namespace

CFirmwarePromptUI::CFirmwarePromptUI(QWidget* owner, std::function<void()> onDeclined)
    : m_owner(owner), m_onDeclined(std::move(onDeclined)) {}

CFirmwarePromptUI::~CFirmwarePromptUI() {
    Cancel();
}

bool CFirmwarePromptUI::AskOnUiThread(uint16_t current, uint16_t required) {
    if (m_onAsking)
        m_onAsking(current, required);
    if (m_ask)
        return m_ask();
    return ShowMessage(m_owner, QString(), QStringLiteral("message_text_24"), OwnerDpi(m_owner),
                       true, kMessageConfirmCancel) == 1;
}

bool CFirmwarePromptUI::ConfirmFirmwareUpgrade(uint16_t current, uint16_t required) {
    if (QThread::currentThread() == thread())
        return AskOnUiThread(current, required);
    struct Answer {
        bool given = false;
        bool yes = false;
    };
    auto answer = std::make_shared<Answer>();
    // Dropped by Qt if this object is gone before the UI thread gets to it; Cancel ends the wait.
    QueueOnThreadOf(this, [this, answer, current, required] {
        {
            std::lock_guard lock(m_mutex);
            if (m_cancelled)
                return;
        }
        const bool yes = AskOnUiThread(current, required);
        std::lock_guard lock(m_mutex);
        answer->yes = yes;
        answer->given = true;
        m_answered.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return answer->given || m_cancelled; });
    return answer->given && answer->yes && !m_cancelled;
}

void CFirmwarePromptUI::OnFirmwareUpgradeDeclined(uint16_t /*current*/, uint16_t /*required*/) {
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return;
    }
    QueueOnThreadOf(this, [this] {
        if (m_onDeclined)
            m_onDeclined();
    });
}

void CFirmwarePromptUI::OnUpgraderFailed(const std::string& error) {
    const QString reason = QString::fromStdString(error);
    QueueOnThreadOf(this, [this, reason] {
        ShowMessage(m_owner, QString(),
                    Skin().Text(QStringLiteral("message_upgrader_failed")).arg(reason),
                    OwnerDpi(m_owner), false, kMessageConfirmOnly);
    });
}

void CFirmwarePromptUI::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_answered.notify_all();
}
