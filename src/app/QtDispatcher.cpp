// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/QtDispatcher.h"
#include "ui/QueuedCall.h"

CQtDispatcher::CQtDispatcher() : m_receiver(new QObject) {}

CQtDispatcher::~CQtDispatcher() {
    delete m_receiver;
}

void CQtDispatcher::Post(std::function<void()> work) {
    QueueOnThreadOf(m_receiver, std::move(work));
}
