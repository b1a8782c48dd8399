#!/usr/bin/env bash
# scripts/run makes its certificate once and points the client at the server
# over TLS; a TLS client we did not write (openssl s_client) verifies the
# real server against that certificate and gets the answer to a hand-made
# ConnectCheck record.
set -euo pipefail
SOURCE_DIR="$1"
SERVER_BINARY="$2"
WORK="$(mktemp -d)"
SERVER=""
trap '[ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "$*"; exit 1; }

mkdir -p "$WORK/build/bin" "$WORK/build/data/Config"
printf '[base]\nipaddr=10.0.0.1\ntls=0\n' >"$WORK/build/data/Config/config.ini"
cat >"$WORK/build/bin/kivDevServer" <<'STANDIN'
#!/usr/bin/env bash
echo "$@" >"$KIV_STATE_DIR/server-args"
echo "kivDevServer: tcp 127.0.0.1"
exec sleep 60
STANDIN
printf '#!/usr/bin/env bash\nexit 0\n' >"$WORK/build/bin/kivClient"
chmod +x "$WORK/build/bin/kivDevServer" "$WORK/build/bin/kivClient"
run() {
  DISPLAY="${DISPLAY:-:99}" KIV_STATE_DIR="$WORK/state" KIV_PORT=1 KIV_HTTP_PORT=2 \
    "$SOURCE_DIR/scripts/run" "$WORK/build" >"$WORK/out" 2>&1 || fail "run failed: $(cat "$WORK/out")"
}
export KIV_STATE_DIR="$WORK/state"

run
CONFIG="$WORK/build/data/Config/config.ini"
CERT="$WORK/state/tls.crt"
[ -s "$CERT" ] && [ -s "$WORK/state/tls.key" ] || fail "no certificate in the state folder"
PIN="$(openssl x509 -in "$CERT" -pubkey -noout | openssl pkey -pubin -outform der |
  openssl dgst -sha256 -r | cut -d' ' -f1)"
grep -qx 'tls=1' "$CONFIG" || fail "tls is not on: $(cat "$CONFIG")"
grep -qx "tlspin=$PIN" "$CONFIG" || fail "the pin is not the certificate's: $(cat "$CONFIG")"
grep -qx "tlscafile=$CERT" "$CONFIG" || fail "tlscafile is not the certificate"
grep -qx 'fileHostscheme=https' "$CONFIG" || fail "head pictures are not over HTTPS"
grep -q -- "--tls-cert $CERT --tls-key $WORK/state/tls.key" "$WORK/state/server-args" ||
  fail "the server was not given the certificate: $(cat "$WORK/state/server-args")"
# The next run keeps the certificate, so the pin stays valid.
run
grep -qx "tlspin=$PIN" "$CONFIG" || fail "a second run changed the pin"
[ "$(grep -c '^tls=' "$CONFIG")" = 1 ] || fail "tls written twice"

# The real server with that certificate, and a hand-made ConnectCheck record
# (532 bytes: length, command 11, magic, length, 0, "test", zeros).
"$SERVER_BINARY" --port 0 --http-port 0 --media-port 0 --db "$WORK/dev.db" \
  --tls-cert "$CERT" --tls-key "$WORK/state/tls.key" >"$WORK/server.log" 2>&1 &
SERVER=$!
for _ in $(seq 1 100); do
  grep -q '^kivDevServer: tcp' "$WORK/server.log" && break
  sleep 0.1
done
PORT="$(sed -n 's/^kivDevServer: tcp 127\.0\.0\.1:\([0-9]*\) .* tls$/\1/p' "$WORK/server.log")"
[ -n "$PORT" ] || fail "the server did not start with TLS: $(cat "$WORK/server.log")"
# s_client hangs up when its input ends, which is once the 24 bytes of the
# answer are in (or after 10 s without them).
{
  printf '\x14\x02\x00\x00\x0b\x00\x00\x00\x1c\x1f\x1e\x1d\x14\x02\x00\x00\x00\x00\x00\x00test'
  head -c 508 /dev/zero
  for _ in $(seq 1 100); do
    [ "$(stat -c %s "$WORK/answer" 2>/dev/null || echo 0)" -ge 24 ] && break
    sleep 0.1
  done
} | timeout 10 openssl s_client -connect "127.0.0.1:$PORT" -CAfile "$CERT" -verify_ip 127.0.0.1 \
  -verify_return_error -quiet -no_ign_eof >"$WORK/answer" 2>"$WORK/s_client.err" || true
grep -q 'verify return:1' "$WORK/s_client.err" || fail "s_client did not verify: $(cat "$WORK/s_client.err")"
ANSWER="$(od -An -tx1 -N24 "$WORK/answer" | tr -d ' \n')"
[ "$ANSWER" = "180000000b0000001c1f1e1d180000000000000000000000" ] ||
  fail "no ConnectCheck answer with result 0: '$ANSWER' $(cat "$WORK/s_client.err")"
# A certificate the client does not trust is refused by s_client too.
OTHER="$WORK/other"
"$SOURCE_DIR/scripts/dev-cert" "$OTHER" >/dev/null
if echo | timeout 10 openssl s_client -connect "127.0.0.1:$PORT" -CAfile "$OTHER/tls.crt" \
  -verify_return_error >/dev/null 2>&1; then
  fail "s_client accepted the server with another certificate as authority"
fi
echo "run speaks TLS"
