#!/bin/sh
# Runs CHECK (a Python script over pyatspi) against the desktop program in demo mode, reading
# it as a screen reader does: through the accessibility bus of the private session bus that
# with-keyring.sh made, with the X server xvfb-run made (Qt's offscreen platform has no
# accessibility bridge). Exits 77 (skipped) only when no accessibility bus can be started.
# Usage: run-with-atspi.sh DESKTOP CHECK
set -u
desktop=$1
check=$2

launcher=/usr/libexec/at-spi-bus-launcher
if [ ! -x "$launcher" ]; then
    echo "run-with-atspi: $launcher is missing (Debian package at-spi2-core)"
    exit 77
fi
"$launcher" --launch-immediately &
launcher_pid=$!
tries=0
until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
        echo "run-with-atspi: the accessibility bus did not start"
        kill "$launcher_pid" 2>/dev/null
        exit 77
    fi
    sleep 0.05
done

log=$(mktemp)
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$desktop" --demo >"$log" 2>&1 &
app_pid=$!
timeout 90 /usr/bin/python3 "$check"
status=$?
kill "$app_pid" "$launcher_pid" 2>/dev/null
wait "$app_pid" 2>/dev/null
if [ "$status" -ne 0 ]; then
    echo "run-with-atspi: the program said:"
    cat "$log"
fi
rm -f "$log"
exit "$status"
