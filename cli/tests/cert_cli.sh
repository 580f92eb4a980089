#!/usr/bin/env bash
# orvela cert against certificates made here with the openssl command.
set -euo pipefail
ORVELA="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/config"

fail() { echo "FAIL: $*" >&2; exit 1; }

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 30 \
  -subj "/C=MN/O=Orvela/CN=Test Citizen" -addext "subjectAltName=DNS:eid.example.mn" \
  -keyout "$WORK/key.pem" -out "$WORK/cert.pem" 2>/dev/null
openssl x509 -in "$WORK/cert.pem" -outform der -out "$WORK/cert.der"

json="$("$ORVELA" --json cert "$WORK/cert.der")"
want_sha256="$(openssl x509 -in "$WORK/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2 | tr -d : | tr A-F a-f)"
echo "$json" | grep -q "\"thumbprintSha256Hex\": \"$want_sha256\"" || fail "sha256 in $json"
echo "$json" | grep -q '"subject": "Test Citizen"' || fail "subject"
echo "$json" | grep -q '"DNS:eid.example.mn"' || fail "SAN"

# The same certificate from standard input, as PEM, in English: same digest, English report.
report="$("$ORVELA" --lang en cert - < "$WORK/cert.pem")"
[ "${report%%$'\n'*}" = "Valid" ] || fail "status line: $report"
echo "$report" | grep -q "SHA-256: $want_sha256" || fail "report digest"
echo "$report" | grep -q "SAN — Subject Alternative Names" || fail "SAN section"

# Mongolian by default.
mongolian="$("$ORVELA" cert "$WORK/cert.pem")"
[ "${mongolian%%$'\n'*}" = "Хүчинтэй" ] || fail "Mongolian status: $mongolian"

# A subject that would clear the screen and forge a line of its own prints inert.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 30 -utf8 \
  -subj $'/O=Orvela/CN=Evil\x1b[2J\nNational ID: XX00000000' \
  -keyout "$WORK/evil-key.pem" -out "$WORK/evil.pem" 2>/dev/null
evil="$("$ORVELA" --lang en cert "$WORK/evil.pem")"
echo "$evil" | grep -qF '  Subject: Evil\e[2J\nNational ID: XX00000000' || fail "escaped subject: $evil"
if printf '%s' "$evil" | grep -q $'\x1b'; then fail "an escape character reached the terminal"; fi
if echo "$evil" | grep -q '^National ID'; then fail "the subject forged a line"; fi

# Failures: exit status 1 and the error's own message.
if out="$("$ORVELA" cert "$WORK/missing.pem" 2>&1)"; then fail "missing file succeeded"; fi
[ "$out" = "Файл олдсонгүй: $WORK/missing.pem" ] || fail "missing-file message: $out"
printf 'not a certificate' > "$WORK/junk.pem"
if out="$("$ORVELA" cert "$WORK/junk.pem" 2>&1)"; then fail "junk succeeded"; fi
[ "$out" = "Файлыг X.509 болгож parse хийж чадсангүй." ] || fail "junk message: $out"
# The parser's errors in English with --lang en; an unknown language is a usage error (2).
out="$("$ORVELA" --lang en cert "$WORK/junk.pem" 2>&1 || true)"
[ "$out" = "The file could not be read as an X.509 certificate." ] || fail "English junk: $out"
out="$("$ORVELA" --lang en cert "$WORK/missing.pem" 2>&1 || true)"
[ "$out" = "File not found: $WORK/missing.pem" ] || fail "English missing file: $out"
status=0
"$ORVELA" --lang fr cert "$WORK/cert.pem" >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || fail "--lang fr: exit status $status"
echo "cert cli: all checks passed"
