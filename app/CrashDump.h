#pragma once

#include <cstddef>

// Fatal-signal handling: on SIGSEGV, SIGABRT, SIGBUS, SIGFPE or SIGILL the process writes
// "v1.0-YYYYMMDD-HHMMSS-PID-TID.dmp" into the current directory (local time of the crash,
// process id, id of the crashing thread), names the file on standard error and then ends by
// the same signal. The dump is text: a header, the raw return addresses of the crashing
// thread, the process's memory map so the addresses can be resolved later, and a closing
// "end of dump" line. Only the first crashing thread writes; a fatal signal in another thread
// meanwhile waits for that dump to be complete (the process then ends by the first signal).
// Nothing is written while a debugger is attached; the debugger sees the signal instead.

// Installs the handlers (once; later calls do nothing). Call early at start-up, from the main
// thread, whose stack overflows are then caught on an alternate signal stack.
void InstallCrashHandler();

struct DumpTime {
    int year;
    int month; // 1..12
    int day;   // 1..31
    int hour;
    int minute;
    int second;
};

// Civil date and time of a moment given as seconds since the epoch plus the local offset
// from UTC. Pure arithmetic, usable inside a signal handler.
DumpTime DumpTimeFromEpoch(long long secondsSinceEpoch, long utcOffsetSeconds);

// Writes the dump file name for the time, process and thread into `out`, NUL-terminated, and
// returns its length; returns 0 and leaves `out` empty when it does not fit. Usable inside a
// signal handler.
std::size_t FormatDumpFileName(const DumpTime& time, long processId, long threadId, char* out,
                               std::size_t outSize);
