#!/usr/bin/env bash
# The PKCS#11 token commands of the orvela binary end to end against SoftHSM2, in a private
# token directory: provision, list, sign, request, PIN change, import and delete.
set -euo pipefail

ORVELA="$1"
LIBRARY=/usr/lib/softhsm/libsofthsm2.so
[ -e "$LIBRARY" ] || { echo "SoftHSM2 is not installed"; exit 77; }

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
    "$WORK/tokens" >"$WORK/softhsm2.conf"
export SOFTHSM2_CONF="$WORK/softhsm2.conf"
unset ORVELA_PKCS11_LIBRARY

failures=0
check() { # description, then the command that must succeed
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
orvela() { "$ORVELA" "$@" --library "$LIBRARY" 2>>"$WORK/stderr"; }

check "slot test" grep -qx 'Слот олдлоо: 1' <(orvela token slots)

# With no library named the last default, p11-kit's proxy, reaches the SoftHSM2 module the
# system registered: provisioning adds one slot to what it lists.
defaultSlots() { "$ORVELA" token slots 2>/dev/null | sed -n 's/^Слот олдлоо: //p'; }
PROXY="$(ls /usr/lib/*/p11-kit-proxy.so 2>/dev/null | head -n 1)"
PROXY_SLOTS=
if [ -n "$PROXY" ] && [ -e /usr/share/p11-kit/modules/softhsm2.module ]; then
    PROXY_SLOTS="$(defaultSlots)"
    check "the defaults load p11-kit's proxy" test -n "$PROXY_SLOTS"
fi

# SO PIN, user PIN, its repetition.
check "PIN rules refuse a short user PIN" \
    bash -c "! printf '12345678\n12345\n12345\n' | \"$ORVELA\" --pin-stdin token provision \
        --road pkcs11 --library $LIBRARY >/dev/null 2>&1"
check "provision" orvela --pin-stdin token provision --road pkcs11 \
    < <(printf '12345678\n123456\n123456\n')
[ -z "$PROXY_SLOTS" ] || check "the proxy sees the new token's free slot" \
    test "$(defaultSlots)" = "$((PROXY_SLOTS + 1))"

orvela --pin-stdin --json token objects list <<<123456 >"$WORK/objects.json"
count() { grep -c -- "$1" "$WORK/objects.json" || true; }
check "objects list shows the key pair" test "$(count '"idHex": "01"')$(count '"label": "orvela-sign"')$(count '"keyType": "EC"')$(count '"kind": "privateKey"')$(count '"kind": "publicKey"')" = 22211

# The signature verifies with the public key taken from a request for the same key.
printf 'signed text' >"$WORK/data"
HASH="$(openssl dgst -sha256 -r "$WORK/data" | cut -c1-64)"
SIG="$(orvela --pin-stdin token sign --road pkcs11 --hash "$HASH" <<<123456)"
check "signature has 64 bytes" test "${#SIG}" -eq 128
orvela --pin-stdin token csr --cn AB12345678 --out "$WORK/req.pem" <<<123456 >"$WORK/req.stdout"
check "csr printed equals the file" cmp -s "$WORK/req.pem" "$WORK/req.stdout"
check "csr verifies" openssl req -in "$WORK/req.pem" -verify -noout
check "csr subject" grep -qx 'subject=C = MN, O = AB12345678, CN = AB12345678' \
    <(openssl req -in "$WORK/req.pem" -noout -subject)
openssl req -in "$WORK/req.pem" -noout -pubkey >"$WORK/pub.pem"
derInteger() { # unsigned big-endian hex to a DER INTEGER in hex
    local v="$1"
    while [ "${#v}" -gt 2 ] && [ "${v:0:2}" = 00 ]; do v="${v:2}"; done
    [ $((16#${v:0:2})) -ge 128 ] && v="00$v"
    printf '02%02x%s' $((${#v} / 2)) "$v"
}
BODY="$(derInteger "${SIG:0:64}")$(derInteger "${SIG:64:64}")"
DER="$(printf '30%02x%s' $((${#BODY} / 2)) "$BODY")"
printf "$(sed 's/../\\x&/g' <<<"$DER")" >"$WORK/sig.der"
check "signature verifies" openssl dgst -sha256 -verify "$WORK/pub.pem" \
    -signature "$WORK/sig.der" "$WORK/data"

check "wrong PIN is refused as a wrong PIN" \
    grep -q '^PIN буруу байна. PIN-ээ шалгаад дахин оролдоно уу' \
    <("$ORVELA" --pin-stdin token objects list --library "$LIBRARY" <<<000000 2>&1 || true)
check "the wrong PIN in English with --lang en" \
    grep -q '^Wrong PIN. Check the PIN and try again' \
    <("$ORVELA" --lang en --pin-stdin token objects list --library "$LIBRARY" <<<000000 2>&1 || true)
check "user PIN change" orvela --pin-stdin token pin change \
    < <(printf '123456\n654321\n654321\n')
check "new PIN works" orvela --pin-stdin token objects list <<<654321

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$WORK/k.pem" \
    -subj /CN=test -days 1 -out "$WORK/cert.pem" 2>/dev/null
# Nothing but exactly one certificate reaches the token.
openssl x509 -in "$WORK/cert.pem" -outform DER -out "$WORK/cert.der"
sed '2s/^\(.\{10\}\)./\1*/' "$WORK/cert.pem" >"$WORK/bad-base64.pem"
printf 'subject=CN = test\nnot a certificate\n' >"$WORK/text.txt"
{ cat "$WORK/cert.der"; printf '\0'; } >"$WORK/trailing.der"
cat "$WORK/cert.pem" "$WORK/cert.pem" >"$WORK/two.pem"
orvela --pin-stdin token objects list <<<654321 >"$WORK/before.txt"
for bad in bad-base64.pem text.txt trailing.der two.pem; do
    check "$bad is refused as no single certificate" \
        grep -qx 'Файл нэг X.509 сертификат биш байна; юу ч импортлогдсонгүй.' \
        <("$ORVELA" --pin-stdin token objects import "$WORK/$bad" --library "$LIBRARY" \
            <<<654321 2>&1 || true)
done
check "the refused files left the token as it was" \
    cmp -s "$WORK/before.txt" <(orvela --pin-stdin token objects list <<<654321)

check "import PEM" orvela --pin-stdin token objects import "$WORK/cert.pem" <<<654321
check "import again, as DER" orvela --pin-stdin token objects import "$WORK/cert.der" <<<654321
check "the second import replaced the first" test "$(orvela --pin-stdin token objects list \
    <<<654321 | grep -c $'certificate\tid=01\tlabel=eid-cert')" = 1
check "delete certificate" orvela --pin-stdin token objects delete --id 01 --kind certificate \
    <<<654321
check "deleting it again finds no such object" \
    grep -q '"reason": "no-object"' \
    <("$ORVELA" --pin-stdin --json token objects delete --id 01 --kind certificate \
        --library "$LIBRARY" <<<654321 2>/dev/null || true)
check "no PIN in any log line" bash -c "! grep -E '654321|123456|12345678' \"$WORK/stderr\""

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"; cat "$WORK/stderr"; exit 1
fi
echo "all PKCS#11 command checks passed"
