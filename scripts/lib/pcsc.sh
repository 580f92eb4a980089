# shellcheck shell=bash
# PC/SC services for the card tests, sourced by scripts/lib/with-pcsc.sh: pcscd with the
# vsmartcard-vpcd reader driver, and orvela-vcard, the virtual token in reader "Virtual PCD 00 00".
#
# pcscd's socket path is fixed and vpcd's ports come from /etc/reader.conf.d, so two runs on one
# host would share one daemon and one reader, and the second could provision the first one's
# token. Inside a private mount namespace each run gets its own: a tmpfs over /run/pcscd for the
# socket, and a tmpfs over /etc/reader.conf.d holding a vpcd entry with free ports.
#
#   pcsc_isolate           (in a private mount namespace only) gives this run its own socket
#                          directory and vpcd ports; sets PCSC_VPCD_PORT
#   pcsc_start BUILD_DIR   starts pcscd and orvela-vcard with a label no other run uses, and
#                          exports ORVELA_VPCD=1, ORVELA_VPCD_PORT, ORVELA_VCARD_LABEL and
#                          ORVELA_VCARD_PUBKEY (the PEM of the token's key 1, rewritten by
#                          orvela-vcard after each key generation)
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

pcsc_listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

pcsc_port_open() { pcsc_listening "$PCSC_VPCD_PORT"; }

# The network is shared with the host, so the two ports of the vpcd entry (one per reader) must
# be free there; the card's label catches the rare run that picks the same pair at the same time.
pcsc_free_port_pair() {
  local port _
  for _ in $(seq 50); do
    port=$((40000 + (RANDOM % 10000) * 2))
    if ! pcsc_listening "$port" && ! pcsc_listening $((port + 1)); then
      echo "$port"
      return 0
    fi
  done
  return 1
}

pcsc_isolate() {
  PCSC_VPCD_PORT="$(pcsc_free_port_pair)" || { echo "pcsc: no free port pair" >&2; return 1; }
  mkdir -p /run/pcscd /etc/reader.conf.d
  mount -t tmpfs -o mode=0755 tmpfs /run/pcscd
  mount -t tmpfs -o mode=0755 tmpfs /etc/reader.conf.d
  printf 'FRIENDLYNAME "Virtual PCD"\nDEVICENAME   /dev/null:0x%X\nLIBPATH      %s\nCHANNELID    0x%X\n' \
    "$PCSC_VPCD_PORT" /usr/lib/pcsc/drivers/serial/libifdvpcd.so "$PCSC_VPCD_PORT" \
    >/etc/reader.conf.d/vpcd
  echo "pcsc: private pcscd, vpcd ports $PCSC_VPCD_PORT and $((PCSC_VPCD_PORT + 1))"
}

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

  if pcsc_service_up; then
    echo "pcsc: a pcscd already answers here; run through scripts/lib/with-pcsc.sh" >&2
    return 1
  fi
  pcscd -f >"$PCSC_WORK/pcscd.log" 2>&1 &
  PCSC_PCSCD_PID=$!
  echo "pcsc: started pcscd ($PCSC_PCSCD_PID)"
  if ! pcsc_wait_for pcsc_service_up || ! pcsc_wait_for pcsc_port_open; then
    echo "pcsc: pcscd or its vpcd reader did not come up" >&2
    cat "$PCSC_WORK/pcscd.log" >&2
    return 1
  fi

  ORVELA_VCARD_LABEL="run-$$-$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
  export ORVELA_VCARD_LABEL
  "$build/tokenkit/sim/vcard/orvela-vcard" --port "$PCSC_VPCD_PORT" --label "$ORVELA_VCARD_LABEL" \
    --public-key-out "$PCSC_WORK/token-key.pem" >"$PCSC_WORK/vcard.log" 2>&1 &
  PCSC_VCARD_PID=$!
  echo "pcsc: started orvela-vcard ($PCSC_VCARD_PID) labelled $ORVELA_VCARD_LABEL"
  export ORVELA_VPCD=1
  export ORVELA_VPCD_PORT="$PCSC_VPCD_PORT"
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
