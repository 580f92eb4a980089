#!/usr/bin/env bash
# The APDU road's commands end to end through the real stack: orvela -> pcscd -> vpcd ->
# orvela-vcard. Provisions the virtual token, generates its key and signs a digest; that the
# signature verifies against the token's key is app-token-manager-pcsc-tests' part.
#
# Usage: token_pcsc_e2e.sh ORVELA ORVELA_VCARD
# Under scripts/lib/with-pcsc.sh, orvela-vcard already serves reader "Virtual PCD 00 00" of a
# private pcscd, and ORVELA_VCARD_PUBKEY and ORVELA_VCARD_LABEL name its key file and label;
# otherwise this script starts one itself, and skips (exit 77) when no pcscd is running. Either
# way the token must answer the label its starter gave it before anything is written to it.
set -euo pipefail

ORVELA="$1"
VCARD="$2"
WORK="$(mktemp -d)"
VCARD_PID=""
cleanup() {
  if [ -n "$VCARD_PID" ]; then kill "$VCARD_PID" 2>/dev/null || true; wait "$VCARD_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

USER_PIN=246810
SO_PIN=13579135

KEY_FILE="${ORVELA_VCARD_PUBKEY:-}"
LABEL="${ORVELA_VCARD_LABEL:-}"
if [ -z "$KEY_FILE" ]; then
  if ! timeout 5 pcsc_scan -r >/dev/null 2>&1; then
    echo "SKIP: pcscd is not running (scripts/test starts it)"
    exit 77
  fi
  KEY_FILE="$WORK/token-key.pem"
  LABEL="e2e-$$-$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
  "$VCARD" --port "${ORVELA_VPCD_PORT:-35963}" --label "$LABEL" --public-key-out "$KEY_FILE" \
    >"$WORK/vcard.log" 2>&1 &
  VCARD_PID=$!
fi

# The card may take a moment to appear after orvela-vcard connects.
for _ in $(seq 50); do
  if "$ORVELA" token info >"$WORK/info.txt" 2>&1; then break; fi
  sleep 0.2
done
"$ORVELA" token info >"$WORK/info.txt" 2>&1 || { cat "$WORK/info.txt" >&2; fail "orvela token info"; }
SEEN="$(sed -n 's/^Label:[[:space:]]*//p' "$WORK/info.txt")"
[ -z "$LABEL" ] || [ "$SEEN" = "$LABEL" ] ||
  fail "the reader holds another run's token (label \"$SEEN\", this run started \"$LABEL\")"
echo "token info: ok, label $SEEN"

# vpcd's second reader holds no card: the tool says so, and what to do, in one line.
EMPTY="$("$ORVELA" token readers | sed -n 's/^\([0-9]*\): Virtual PCD 00 01$/\1/p')"
if [ -n "$EMPTY" ]; then
  if "$ORVELA" --lang en --json token info --reader "$EMPTY" >"$WORK/empty.json" 2>&1; then
    fail "token info on the empty reader succeeded"
  fi
  grep -q '"reason": "no-card"' "$WORK/empty.json" || { cat "$WORK/empty.json" >&2; fail "empty reader"; }
  "$ORVELA" --lang en token info --reader "$EMPTY" >/dev/null 2>"$WORK/empty.err" || true
  [ "$(wc -l <"$WORK/empty.err")" = 1 ] &&
    grep -qx 'No token found. Plug in the token, or put the card in the reader, and try again.' \
      "$WORK/empty.err" ||
    { cat "$WORK/empty.err" >&2; fail "empty reader message"; }
  echo "token info on the empty reader: no-card"
fi

printf '%s\n%s\n%s\n' "$USER_PIN" "$USER_PIN" "$SO_PIN" |
  "$ORVELA" --pin-stdin token provision >"$WORK/provision.txt" 2>&1 ||
  { cat "$WORK/provision.txt" >&2; fail "orvela token provision"; }
echo "token provision: ok"

# A wrong PIN reaches the card, which counts the try and says how many are left.
if printf '000000\n' | "$ORVELA" --lang en --pin-stdin token keygen >/dev/null 2>"$WORK/wrong.err"; then
  fail "keygen with a wrong PIN succeeded"
fi
grep -qx 'Wrong PIN. 9 tries left. Check the PIN and try again.' "$WORK/wrong.err" ||
  { cat "$WORK/wrong.err" >&2; fail "wrong PIN message"; }
echo "token keygen with a wrong PIN: tries left said"

printf '%s\n' "$USER_PIN" | "$ORVELA" --pin-stdin token keygen >"$WORK/keygen.txt" 2>&1 ||
  { cat "$WORK/keygen.txt" >&2; fail "orvela token keygen"; }
echo "token keygen: ok"

printf 'Orvela end-to-end signing test' >"$WORK/data.txt"
openssl dgst -sha256 -binary "$WORK/data.txt" >"$WORK/hash.bin"
HASH="$(od -An -v -tx1 "$WORK/hash.bin" | tr -d ' \n' | tr 'a-f' 'A-F')"

printf '%s\n' "$USER_PIN" |
  "$ORVELA" --pin-stdin --json token sign --hash "$HASH" >"$WORK/sign.json" 2>"$WORK/sign.err" ||
  { cat "$WORK/sign.err" "$WORK/sign.json" >&2; fail "orvela token sign"; }
SIG="$(sed -n 's/.*"signature"[[:space:]]*:[[:space:]]*"\([0-9A-F]*\)".*/\1/p' "$WORK/sign.json")"
[ ${#SIG} -eq 128 ] || { cat "$WORK/sign.json" >&2; fail "expected 64 bytes r||s in upper-case hex"; }

echo "token sign: 64-byte signature"

# A card in the second reader whose answer to the signature command is given: only a P-256
# signature (r||s or DER) is printed; anything else fails and prints nothing as one.
[ -n "$EMPTY" ] || exit 0
openssl ecparam -name prime256v1 -genkey -noout -out "$WORK/other-key.pem"
DER="$(openssl dgst -sha256 -sign "$WORK/other-key.pem" "$WORK/data.txt" | od -An -v -tx1 | tr -d ' \n')"
ZEROS="$(printf '%0200d' 0)"
for case in "010203:refused" "$ZEROS:refused" "$(printf '%0128d' 0):refused" "$DER:accepted"; do
  reply="${case%%:*}"
  "$VCARD" --port $((${ORVELA_VPCD_PORT:-35963} + 1)) --reply-on "2A:${reply}9000" \
    >"$WORK/odd-card.log" 2>&1 &
  ODD_PID=$!
  for _ in $(seq 50); do
    if "$ORVELA" token info --reader "$EMPTY" >/dev/null 2>&1; then break; fi
    sleep 0.2
  done
  status=0
  "$ORVELA" --lang en --json token sign --hash "$HASH" --reader "$EMPTY" >"$WORK/odd.json" \
    2>/dev/null || status=$?
  kill "$ODD_PID"; wait "$ODD_PID" 2>/dev/null || true
  if [ "${case##*:}" = accepted ]; then
    [ "$status" = 0 ] && grep -qi "\"signature\": \"$DER\"" "$WORK/odd.json" ||
      { cat "$WORK/odd.json" >&2; fail "a DER signature was not taken"; }
  else
    [ "$status" = 1 ] && ! grep -q '"signature"' "$WORK/odd.json" &&
      grep -q 'not a P-256 signature' "$WORK/odd.json" ||
      { cat "$WORK/odd.json" >&2; fail "a ${#reply}-digit reply was taken for a signature"; }
  fi
  # The next card must not be mistaken for this one, and vpcd takes a moment to take another.
  for _ in $(seq 50); do
    if ! "$ORVELA" token info --reader "$EMPTY" >/dev/null 2>&1; then break; fi
    sleep 0.2
  done
  sleep 1
done
echo "token sign: replies that are no signature are refused"
