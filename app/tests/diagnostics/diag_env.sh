#!/usr/bin/env bash
# Runs one diagnostics row's program in a mount namespace of its own, shaped as the row asks:
#   --modules DIR   p11-kit sees only the module files in DIR (system and package folders are
#                   covered; p11-kit reads no user folder when run as root)
#   --no-reader     a pcscd of its own with no reader driver at all
# Usage: diag_env.sh [--modules DIR] [--no-reader] -- PROGRAM [ARGS...]
set -euo pipefail

if [ -z "${ORVELA_DIAG_PRIVATE:-}" ]; then
  ORVELA_DIAG_PRIVATE=1 exec unshare -m --propagation private -- "$0" "$@"
fi

modules=""
no_reader=""
while [ "$1" != "--" ]; do
  case "$1" in
    --modules) modules="$2"; shift 2 ;;
    --no-reader) no_reader=1; shift ;;
    *) echo "diag_env: unknown option $1" >&2; exit 2 ;;
  esac
done
shift

if [ -n "$modules" ]; then
  for dir in /usr/share/p11-kit/modules /etc/pkcs11; do
    mkdir -p "$dir"
    mount -t tmpfs -o mode=0755 tmpfs "$dir"
  done
  mkdir -p /etc/pkcs11/modules
  cp "$modules"/*.module /etc/pkcs11/modules/ 2>/dev/null || true
fi

if [ -n "$no_reader" ]; then
  mkdir -p /run/pcscd
  mount -t tmpfs -o mode=0755 tmpfs /run/pcscd
  empty="$(mktemp -d)"
  pcscd -f -c "$empty" >/dev/null 2>&1 &
  pcscd_pid=$!
  trap 'kill "$pcscd_pid" 2>/dev/null; wait "$pcscd_pid" 2>/dev/null; rm -rf "$empty"' EXIT
  for _ in $(seq 100); do
    [ -S /run/pcscd/pcscd.comm ] && break
    sleep 0.05
  done
fi

status=0
"$@" || status=$?
exit "$status"
