#!/usr/bin/env bash
# scripts/run with stand-ins for the server and the client: a client that quits
# normally ends the run with status 0, and the run's output stays quiet.
set -euo pipefail
SOURCE_DIR="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/build/bin" "$WORK/build/data/Config"
printf '[base]\nipaddr=10.0.0.1\n' >"$WORK/build/data/Config/config.ini"
cat >"$WORK/build/bin/kivDevServer" <<'SERVER'
#!/usr/bin/env bash
echo "kivDevServer: tcp 127.0.0.1"
exec sleep 60
SERVER
printf '#!/usr/bin/env bash\nexit "${CLIENT_STATUS:-0}"\n' >"$WORK/build/bin/kivClient"
chmod +x "$WORK/build/bin/kivDevServer" "$WORK/build/bin/kivClient"

status=0
DISPLAY="${DISPLAY:-:99}" KIV_STATE_DIR="$WORK/state" KIV_PORT=1 KIV_HTTP_PORT=2 \
  "$SOURCE_DIR/scripts/run" "$WORK/build" >"$WORK/out" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "run ended with status $status after a normal quit:"; cat "$WORK/out"; exit 1
fi
if grep -v '^run: development server' "$WORK/out" | grep -q .; then
  echo "run printed more than its start line:"; cat "$WORK/out"; exit 1
fi
# A client that fails still reports its own status.
status=0
CLIENT_STATUS=3 DISPLAY="${DISPLAY:-:99}" KIV_STATE_DIR="$WORK/state" KIV_PORT=1 KIV_HTTP_PORT=2 \
  "$SOURCE_DIR/scripts/run" "$WORK/build" >"$WORK/out" 2>&1 || status=$?
if [ "$status" -ne 3 ]; then
  echo "run hid the client's status 3 behind $status"; exit 1
fi
grep -q '^port=1$' "$WORK/build/data/Config/config.ini"
echo "run quits quietly"
