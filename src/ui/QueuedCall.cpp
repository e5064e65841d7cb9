// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/QueuedCall.h"

#if defined(__SANITIZE_THREAD__)
#define KESTRUNE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRUNE_TSAN 1
#endif
#endif

#ifdef KESTRUNE_TSAN
#include <mutex>

namespace {
// Qt's event queue orders the poster's writes before the call, but the sanitizer does not see
// Qt's locks. Posting under this lock, and taking it before the call reads anything, shows it
// the order: the call's own captures included.
std::mutex g_handoff;
}  // namespace
#endif

void QueueOnThreadOf(QObject* receiver, std::function<void()> work) {
#ifdef KESTRUNE_TSAN
    const std::lock_guard posting(g_handoff);
    QMetaObject::invokeMethod(
        receiver,
        [work = std::move(work)] {
            { const std::lock_guard taken(g_handoff); }
            work();
        },
        Qt::QueuedConnection);
#else
    QMetaObject::invokeMethod(receiver, std::move(work), Qt::QueuedConnection);
#endif
}
