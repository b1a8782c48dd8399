#!/usr/bin/env bash
# Runs a command with a desktop keyring of its own: a private session bus
# (dbus-run-session) with gnome-keyring's Secret Service on it, unlocked,
# keeping its keyrings in a throw-away folder.
set -euo pipefail
if [ -z "${KIV_IN_KEYRING:-}" ]; then
  KIV_IN_KEYRING=1 exec dbus-run-session -- "$0" "$@"
fi
PRIVATE="$(mktemp -d)"
export HOME="$PRIVATE" XDG_DATA_HOME="$PRIVATE/data" XDG_RUNTIME_DIR="$PRIVATE/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'kiv-test-keyring' | gnome-keyring-daemon --foreground --unlock --components=secrets \
  >"$PRIVATE/keyring.log" 2>&1 &
KEYRING=$!
trap 'kill $KEYRING 2>/dev/null; wait $KEYRING 2>/dev/null; rm -rf "$PRIVATE"' EXIT
for _ in $(seq 1 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
    grep -q 'boolean true'; then
    break
  fi
  sleep 0.1
done
status=0
"$@" || status=$?
exit "$status"
