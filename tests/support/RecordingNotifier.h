// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps the notifications the window sends, for tests to read.
#pragma once

#include <QString>
#include <vector>

#include "ui/DesktopNotifier.h"

class CRecordingNotifier : public IDesktopNotifier {
  public:
    struct Sent {
        QString tag;
        QString summary;
        QString body;
    };
    void Notify(const QString& tag, const QString& summary, const QString& body) override {
        sent.push_back({tag, summary, body});
    }
    std::vector<Sent> sent;
};
