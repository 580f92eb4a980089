#!/bin/sh
# Runs a command inside a private D-Bus session with its own unlocked gnome-keyring (the Secret
# Service) and a throw-away HOME, so credential-store tests never touch a real keyring and can
# run side by side. Usage: with-keyring.sh COMMAND [ARGS...]
set -eu

if ! command -v dbus-run-session >/dev/null 2>&1 ||
    ! command -v gnome-keyring-daemon >/dev/null 2>&1; then
    echo "with-keyring: dbus-run-session and gnome-keyring-daemon are required" >&2
    exit 1
fi

home="$(mktemp -d "${TMPDIR:-/tmp}/orvela-keyring.XXXXXX")"
trap 'rm -rf "$home"' EXIT INT TERM
mkdir -m 700 "$home/run"

# The password is this keyring's alone; tests may use it to unlock it again after locking it.
export ORVELA_TEST_KEYRING_PASSWORD=test-pass
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

status=0
dbus-run-session -- sh -c '
    printf %s "$ORVELA_TEST_KEYRING_PASSWORD" |
        gnome-keyring-daemon --unlock --components=secrets >/dev/null
    # The daemon takes its bus name a moment after it forks; a client that came first would
    # start a second, locked keyring through bus activation.
    tries=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q "boolean true"; do
        tries=$((tries + 1))
        if [ "$tries" -ge 100 ]; then
            echo "with-keyring: the Secret Service did not start" >&2
            exit 1
        fi
        sleep 0.05
    done
    exec "$@"' with-keyring "$@" || status=$?
exit "$status"
