// SPDX-License-Identifier: GPL-2.0-or-later
// Desktop notifications: a summary and a body shown by the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Where the desktop has none, nothing shows.
#pragma once

#include <QString>
#include <memory>
#include <vector>

class IDesktopNotifier {
  public:
    virtual ~IDesktopNotifier() = default;
    // A notification replacing this tool's earlier one with the same tag ("battery": the
    // critical warning takes the low one's place rather than stacking beside it).
    virtual void Notify(const QString& tag, const QString& summary, const QString& body) = 0;
};

// Sends without waiting for the answer: a slow or missing service never holds up the window.
class CDBusNotifier : public IDesktopNotifier {
  public:
    void Notify(const QString& tag, const QString& summary, const QString& body) override;

  private:
    struct Sent {
        QString tag;
        unsigned id = 0;
    };
    std::shared_ptr<std::vector<Sent>> m_sent = std::make_shared<std::vector<Sent>>();
};
