#include "ui/QueuedCall.h"

#include <memory>

#if defined(__SANITIZE_THREAD__)
#define KESTRUNE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRUNE_TSAN 1
#endif
#endif

#ifdef KESTRUNE_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

void QueueOnThreadOf(QObject* receiver, std::function<void()> work) {
#ifdef KESTRUNE_TSAN
    // What the poster wrote before the call happens before the call runs.
    auto token = std::make_shared<char>();
    __tsan_release(token.get());
    QMetaObject::invokeMethod(
        receiver,
        [token, work = std::move(work)] {
            __tsan_acquire(token.get());
            work();
        },
        Qt::QueuedConnection);
#else
    QMetaObject::invokeMethod(receiver, std::move(work), Qt::QueuedConnection);
#endif
}
