#!/usr/bin/env bash
# Runs a command with a desktop keyring of its own: a private session bus
# (dbus-run-session) with gnome-keyring's Secret Service on it, unlocked,
# keeping its keyrings in a throw-away folder. With KIV_KEYRING_START=activate
# the keyring is not running at first: the bus starts it when asked, as a
# desktop's session bus does.
set -euo pipefail
if [ -z "${KIV_IN_KEYRING:-}" ]; then
  PRIVATE="$(mktemp -d)"
  trap 'rm -rf "$PRIVATE"' EXIT
  export HOME="$PRIVATE" XDG_DATA_HOME="$PRIVATE/data" XDG_RUNTIME_DIR="$PRIVATE/run"
  mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$PRIVATE/services"
  chmod 700 "$XDG_RUNTIME_DIR"
  cat >"$PRIVATE/start-keyring" <<'START'
#!/bin/sh
printf 'kiv-test-keyring' | exec gnome-keyring-daemon --foreground --unlock --components=secrets
START
  chmod +x "$PRIVATE/start-keyring"
  status=0
  if [ "${KIV_KEYRING_START:-}" = activate ]; then
    printf '[D-BUS Service]\nName=org.freedesktop.secrets\nExec=%s\n' "$PRIVATE/start-keyring" \
      >"$PRIVATE/services/org.freedesktop.secrets.service"
    KIV_IN_KEYRING=activate "$(dirname "$0")/with-private-bus.sh" \
      "$PRIVATE/services/org.freedesktop.secrets.service" -- "$0" "$@" || status=$?
  else
    KIV_IN_KEYRING=1 "$(dirname "$0")/with-private-bus.sh" -- "$0" "$@" || status=$?
  fi
  exit "$status"
fi
if [ "$KIV_IN_KEYRING" = 1 ]; then
  "$HOME/start-keyring" >"$HOME/keyring.log" 2>&1 &
  KEYRING=$!
  # The keyring ends by the signal; its status is not the test's.
  trap 'kill $KEYRING 2>/dev/null; wait $KEYRING 2>/dev/null || true' EXIT
  for _ in $(seq 1 100); do
    if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
      grep -q 'boolean true'; then
      break
    fi
    sleep 0.1
  done
fi
status=0
"$@" || status=$?
exit "$status"
