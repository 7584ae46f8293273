#!/usr/bin/env bash
# Runs every test of a build folder (or, with ctest arguments after the folder, such as
# "-R device", only those). Starts the services the tests need (an X server for the
# window and typing tests, a PulseAudio daemon for capture) and stops them afterwards.
set -uo pipefail
build=${1:-build}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

work=$(mktemp -d /tmp/velmora-tests.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Sanitizer settings: our own leaks fail the run; reviewed system-library leaks are suppressed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:detect_odr_violation=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Thread sanitizer: the first race ends the program with its own exit code, so a race fails
# the test; both stacks of a lock-order inversion are shown; reviewed races inside system
# libraries are suppressed. Interceptors called from libraries built without the sanitizer
# (Qt, glib, PulseAudio) do not count as accesses: their own locking is invisible to it.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp:print_suppressions=0:ignore_noninstrumented_modules=1}

# X server for tests that type into real windows.
for n in $(seq 90 120); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export VELMORA_TEST_DISPLAY="$display"

# A private PulseAudio daemon; tests that need capture load their own pipe sources into it.
export XDG_RUNTIME_DIR="$work/runtime"; mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
  --load="module-native-protocol-unix" --load="module-null-sink" \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

cd "$build" && ctest --output-on-failure --timeout 600 -j 2 "$@"
