#!/bin/sh
# Restarts Velmora. The tray menu runs it from the program home with the executable's path and
# the running process id: the running instance is asked to end, and once it has, the program
# starts again with the same environment (so the single-instance guard lets it in).
# Without an argument: the executable beside the script (a build folder), or the one of the
# install whose share/velmora holds the script.
here=$(dirname "$0")
exe=$1
[ -z "$exe" ] && [ -x "$here/velmora" ] && exe="$here/velmora"
[ -z "$exe" ] && exe="$here/../../bin/velmora"
pid=$2
if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null
    tries=0
    while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
fi
exec "$exe" >/dev/null 2>&1
