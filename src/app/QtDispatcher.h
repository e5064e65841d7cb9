// SPDX-License-Identifier: GPL-2.0-or-later
// Runs work posted from any thread on the Qt event loop of the thread that created it.
#pragma once

#include <QObject>

#include "device/CallbackDispatcher.h"

class CQtDispatcher : public IDispatcher {
  public:
    CQtDispatcher();
    ~CQtDispatcher() override;
    CQtDispatcher(const CQtDispatcher&) = delete;
    CQtDispatcher& operator=(const CQtDispatcher&) = delete;

    // Work still queued when the dispatcher is destroyed is dropped with its receiver.
    void Post(std::function<void()> work) override;

  private:
    QObject* m_receiver;
};
