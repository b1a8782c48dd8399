#!/usr/bin/env bash
# with-private-bus.sh [SERVICE ...] -- COMMAND ...
# Runs a command on a private session bus (dbus-run-session) that can start
# only the desktop services named (a system service by its name, or a
# .service file by its path): a keyring or other service the bus started
# on its own would touch the tester's home and outlive the test, keeping the
# test runner waiting on its output.
set -euo pipefail
PRIVATE="$(mktemp -d)"
trap 'rm -rf "$PRIVATE"' EXIT
mkdir -p "$PRIVATE/services" "$PRIVATE/run"
while [ "$#" -gt 0 ] && [ "$1" != -- ]; do
  case "$1" in
    */*) cp "$1" "$PRIVATE/services/" ;;
    *) cp "/usr/share/dbus-1/services/$1.service" "$PRIVATE/services/" ;;
  esac
  shift
done
shift
cat >"$PRIVATE/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$PRIVATE/run</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$PRIVATE/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
status=0
dbus-run-session --config-file="$PRIVATE/bus.conf" -- "$@" || status=$?
exit "$status"
