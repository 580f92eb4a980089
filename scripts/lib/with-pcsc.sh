#!/usr/bin/env bash
# Runs a command with a pcscd, a vpcd reader and a virtual token of its own, in a private mount
# namespace, so that two runs on one host never see each other's card.
# Usage: with-pcsc.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail

# The marker holds the process that made the namespace (unshare execs in place, so it is this
# one): a run nested in another run's namespace makes one of its own instead of covering the
# outer run's socket folder with its own.
if [ "${ORVELA_PCSC_PRIVATE:-}" != "$$" ]; then
  if ! command -v unshare >/dev/null || ! unshare -m true 2>/dev/null; then
    echo "with-pcsc: a private mount namespace needs unshare (util-linux) and root" >&2
    exit 1
  fi
  # Mounts made inside must not reach the host's namespace.
  ORVELA_PCSC_PRIVATE=$$ exec unshare -m --propagation private -- "$0" "$@"
fi

# shellcheck source=scripts/lib/pcsc.sh
source "$(dirname "$0")/pcsc.sh"
build="$1"
shift
pcsc_isolate
pcsc_start "$build"
status=0
"$@" || status=$?
exit "$status"
