#pragma once

// Qt's event queues lock with code built without the thread sanitizer, so the order a queue
// gives between the thread that posts an event and the thread that handles it is invisible to
// the sanitizer: it would take every field of a posted event for a race. A sanitized build
// states that order instead: the poster marks the event once it is complete and before it is
// queued, the handling thread marks it again before it looks at it. Other builds compile these
// marks to nothing.

#if defined(__SANITIZE_THREAD__)
#define VELMORA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_THREAD_SANITIZER 1
#endif
#endif

#ifdef VELMORA_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

// Everything this thread wrote before is visible to whoever takes the item over.
inline void MarkHandedOver(const void* item) {
#ifdef VELMORA_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(item));
#else
    (void)item;
#endif
}

// Pairs with MarkHandedOver on the same item.
inline void MarkTakenOver(const void* item) {
#ifdef VELMORA_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(item));
#else
    (void)item;
#endif
}

} // namespace platform
