#!/usr/bin/env bash
# The generated manual page renders without warnings and names every command; the completion
# scripts load in their shells (bash always, zsh and fish when installed) and offer every
# command word.
# Usage: docs_check.sh DOC_DIR ORVELA
set -euo pipefail
DOC="$1"
ORVELA="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

warnings="$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$DOC/orvela.1" 2>&1)"
[ -z "$warnings" ] || fail "groff warns: $warnings"
page="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$DOC/orvela.1" 2>/dev/null | col -b)"
for section in NAME SYNOPSIS DESCRIPTION COMMANDS "GLOBAL OPTIONS" "EXIT STATUS" ENVIRONMENT \
  FILES "JSON OUTPUT" EXAMPLES; do
  grep -q "^$section" <<<"$page" || fail "no $section section"
done

# Required options read as required; a group of which one is given reads as such.
for synopsis in "token objects delete --id HEX --kind KIND [--library PATH]" \
  "token csr --cn REGISTRY_NUMBER" "token sign [--reader N] (--hash HEX | --file PATH)" \
  "login (--register NUMBER | --qr)"; do
  grep -qF -- "$synopsis" <<<"$page" || fail "the page lacks '$synopsis'"
  grep -qF -- "$synopsis" <<<"$("$ORVELA" --lang en ${synopsis%% [(\[-]*} --help)" ||
    fail "the help lacks '$synopsis'"
done

# The settings file the page names is the one the tool makes (every run makes it private).
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
settings="$(sed -n '/^FILES/,/^[A-Z]/p' <<<"$page" | grep -o '~/[^ ]*\.conf\>' | head -n 1 || true)"
[ -n "$settings" ] || fail "the FILES section names no settings file"
env -u XDG_CONFIG_HOME HOME="$home" "$ORVELA" --version >/dev/null
[ -f "$home/${settings#\~/}" ] || fail "the page names $settings, which the tool does not use"

bash -n "$DOC/completions/orvela.bash" || fail "bash -n"
[ "$(bash -c "source '$DOC/completions/orvela.bash' && complete -p orvela" 2>&1)" = \
  "complete -F _orvela orvela" ] || fail "the bash completion does not register"
if command -v zsh >/dev/null; then zsh -n "$DOC/completions/_orvela" || fail "zsh -n"; fi
if command -v fish >/dev/null; then fish -n "$DOC/completions/orvela.fish" || fail "fish -n"; fi

# Every command of the tool's own help is in the page and completed after its group.
complete_after() {
  bash -c "source '$DOC/completions/orvela.bash'
           COMP_WORDS=(orvela $1 ''); COMP_CWORD=\${#COMP_WORDS[@]}; ((COMP_CWORD--))
           _orvela; printf '%s\n' \"\${COMPREPLY[@]}\""
}
help="$("$ORVELA" --lang en --help)"
commands="$(sed -n 's/^  \([a-z][a-z -]*[a-z]\)\( \[road [a-z0-9]*\]\)\{0,1\}  .*$/\1/p;s/^  \([a-z][a-z -]*[a-z]\)\( \[road [a-z0-9]*\]\)\{0,1\}$/\1/p' <<<"$help")"
[ -n "$commands" ] || fail "no commands in the help"
while read -r command; do
  grep -qF -- "$command" <<<"$page" || fail "the page lacks '$command'"
  group="${command% *}"
  [ "$group" = "$command" ] && group=""
  offered="$(complete_after "$group")"
  grep -qx -- "${command##* }" <<<"$offered" || fail "no completion of '$command'"
done <<<"$commands"
echo "docs: manual page and completions check out"
