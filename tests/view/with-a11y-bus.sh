#!/usr/bin/env bash
# Runs a command with the accessibility bus of its own, switched on as a
# screen reader switches it on: a private session bus on which at-spi's bus
# launcher starts, with org.a11y.Status IsEnabled set.
set -euo pipefail
if [ -z "${KIV_IN_A11Y_BUS:-}" ]; then
  KIV_IN_A11Y_BUS=1 exec "$(dirname "$0")/with-private-bus.sh" org.a11y.Bus -- "$0" "$@"
fi
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
  variant:boolean:true >/dev/null
exec "$@"
