// Linked into every program of a thread sanitizer build, and only there.
//
// Qt starts a child process with a vfork-like clone (CLONE_VM | CLONE_VFORK): the child shares
// the parent's memory until it execs. The thread sanitizer runtime of GCC 12 handles every
// clone as a fork and, in that child, marks the runtime state it shares with the parent as
// "after a multi-threaded fork" and the cloning thread as ignored. The parent then dies at its
// next new thread, or, with die_after_fork=0, silently stops seeing races on that thread.
//
// A clone that shares memory therefore goes straight to the C library: its child runs only
// Qt's exec code, no sanitized code, and a real fork still goes through the sanitizer.

#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

namespace {

using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);

CloneFunction LibcClone() {
    static const CloneFunction libc = [] {
        void* handle = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
        return handle ? reinterpret_cast<CloneFunction>(dlsym(handle, "clone")) : nullptr;
    }();
    return libc;
}

CloneFunction SanitizerClone() {
    static const CloneFunction next = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
    return next;
}

} // namespace

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) noexcept {
    // The C library reads the optional arguments whatever the flags; so do we.
    va_list optional;
    va_start(optional, arg);
    pid_t* parentTid = va_arg(optional, pid_t*);
    void* tls = va_arg(optional, void*);
    pid_t* childTid = va_arg(optional, pid_t*);
    va_end(optional);
    CloneFunction target = (flags & CLONE_VM) ? LibcClone() : SanitizerClone();
    if (target == nullptr)
        target = LibcClone();
    return target(fn, stack, flags, arg, parentTid, tls, childTid);
}
