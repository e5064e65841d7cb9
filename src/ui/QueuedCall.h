// SPDX-License-Identifier: GPL-2.0-or-later
// The one road from a worker thread to a QObject's thread: a queued call, dropped when the
// receiver is gone first. Every cross-thread hand-over of the window goes through it, so the
// ThreadSanitizer build can see the hand-over (Qt's own locks are invisible to it).
#pragma once

#include <QObject>
#include <functional>

void QueueOnThreadOf(QObject* receiver, std::function<void()> work);
