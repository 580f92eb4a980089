# PC/SC services for the card tests, sourced by scripts/test: pcscd with the vsmartcard-vpcd
# reader driver, and orvela-vcard, the virtual token in reader "Virtual PCD 00 00".
#
#   pcsc_start BUILD_DIR   starts both (an already running pcscd is reused, never stopped) and
#                          exports ORVELA_VPCD=1 and ORVELA_VCARD_PUBKEY (the PEM of the token's
#                          key 1, rewritten by orvela-vcard after each key generation)
#   pcsc_stop              stops what pcsc_start started; runs on exit by itself

PCSC_VPCD_PORT=35963

pcsc_wait_for() { # CONDITION-COMMAND...: up to 10 s
  local i
  for i in $(seq 100); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

pcsc_service_up() { timeout 5 pcsc_scan -r >/dev/null 2>&1; }

pcsc_port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$PCSC_VPCD_PORT") 2>/dev/null; }

pcsc_start() {
  local build="$1"
  PCSC_WORK="$(mktemp -d)"
  PCSC_PCSCD_PID=""
  PCSC_VCARD_PID=""
  # Chain onto whatever exit trap the caller already has.
  local previous
  previous="$(trap -p EXIT | sed -e "s/^trap -- '//" -e "s/' EXIT\$//")"
  # shellcheck disable=SC2064
  trap "pcsc_stop; ${previous:-:}" EXIT

  # Only one pcscd per host: share one that answers (or is just starting), never a second.
  if pcsc_service_up || pgrep -x -r S,R,D pcscd >/dev/null; then
    echo "pcsc: reusing the pcscd already running"
  else
    pcscd -f >"$PCSC_WORK/pcscd.log" 2>&1 &
    PCSC_PCSCD_PID=$!
    echo "pcsc: started pcscd ($PCSC_PCSCD_PID)"
  fi
  if ! pcsc_wait_for pcsc_service_up || ! pcsc_wait_for pcsc_port_open; then
    echo "pcsc: pcscd or its vpcd reader did not come up" >&2
    if [ -f "$PCSC_WORK/pcscd.log" ]; then cat "$PCSC_WORK/pcscd.log" >&2; fi
    return 1
  fi

  "$build/tokenkit/sim/vcard/orvela-vcard" --port "$PCSC_VPCD_PORT" \
    --public-key-out "$PCSC_WORK/token-key.pem" >"$PCSC_WORK/vcard.log" 2>&1 &
  PCSC_VCARD_PID=$!
  echo "pcsc: started orvela-vcard ($PCSC_VCARD_PID) on port $PCSC_VPCD_PORT"
  export ORVELA_VPCD=1
  export ORVELA_VCARD_PUBKEY="$PCSC_WORK/token-key.pem"
}

pcsc_stop() {
  local pid
  for pid in "${PCSC_VCARD_PID:-}" "${PCSC_PCSCD_PID:-}"; do
    if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
      wait "$pid" 2>/dev/null || true
    fi
  done
  PCSC_VCARD_PID=""
  PCSC_PCSCD_PID=""
  if [ -n "${PCSC_WORK:-}" ]; then
    rm -rf "$PCSC_WORK"
    PCSC_WORK=""
  fi
}
