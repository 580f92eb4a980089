#!/usr/bin/env bash
# Usage: package-check.sh BUILD_DIR
# Builds the Debian package from an already built tree, has lintian (pedantic), hardening-check,
# desktop-file-validate and appstreamcli judge it, unpacks it into a scratch root and runs the
# unpacked programs there without a display. Exits non-zero on the first complaint.
set -euo pipefail

BUILD="$(cd "$1" && pwd)"
VERSION="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
fail() { echo "package-check: $*" >&2; exit 1; }

cpack_log="$(cd "$BUILD" && cpack -G DEB -B "$SCRATCH/out" 2>&1)" || fail "cpack failed: $cpack_log"
DEB="$SCRATCH/out/orvela-desktop_${VERSION}_amd64.deb"
[ -f "$DEB" ] || fail "cpack made no $(basename "$DEB")"
echo "package-check: built $(basename "$DEB") ($(du -k "$DEB" | cut -f1) KiB)"

echo "package-check: lintian"
lintian_status=0
verdict="$(lintian --pedantic --fail-on error,warning "$DEB" 2>&1)" || lintian_status=$?
grep -v 'root privileges is not recommended' <<<"$verdict" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings"
if grep -q 'hardening-' <<<"$verdict"; then fail "lintian finds binaries built without hardening"; fi

ROOT="$SCRATCH/root"
dpkg-deb -x "$DEB" "$ROOT"
share="$ROOT/usr/share"

# What users get is there; what only developers need is not.
for file in usr/bin/orvela-desktop usr/bin/orvela \
            usr/share/man/man1/orvela-desktop.1.gz usr/share/man/man1/orvela.1.gz \
            usr/share/bash-completion/completions/orvela \
            usr/share/zsh/vendor-completions/_orvela \
            usr/share/fish/vendor_completions.d/orvela.fish \
            usr/share/icons/hicolor/scalable/apps/mn.orvela.Desktop.svg \
            usr/share/icons/hicolor/48x48/apps/mn.orvela.Desktop.png; do
  [ -f "$ROOT/$file" ] || fail "the package lacks /$file"
done
for program in orvela-vcard orvela-backend-sim; do
  [ ! -e "$ROOT/usr/bin/$program" ] || fail "the package carries the development program $program"
done

# Every program and plugin carries the distribution's hardening. A plugin is a plain shared
# library, which hardening-check does not judge as an executable.
echo "package-check: hardening-check"
elves=0
while IFS= read -r -d '' file; do
  [ "$(od -An -tx1 -N4 "$file" | tr -d ' \n')" = 7f454c46 ] || continue
  report="$(hardening-check "$file" 2>&1)" || true
  sed 's/^/  /' <<<"$report"
  for line in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
              "Read-only relocations" "Immediate binding"; do
    grep -Eq "^ $line: (yes|no, regular shared library \(ignored\))" <<<"$report" ||
      fail "${file#"$ROOT"}: $line is not yes"
  done
  elves=$((elves + 1))
done < <(find "$ROOT/usr" -type f -print0)
[ "$elves" -ge 3 ] || fail "hardening-check found only $elves binaries to judge"

echo "package-check: desktop-file-validate"
desktop="$(desktop-file-validate "$share"/applications/*.desktop 2>&1)" || fail "$desktop"
if grep -E ': (error|warning):' <<<"$desktop"; then fail "the menu entry is not clean"; fi
# The file manager opens a PDF with the program; the menu hides an entry whose TryExec names no
# program, which the validator does not check.
entry="$(cat "$share"/applications/*.desktop)"
grep -qx 'Exec=orvela-desktop %f' <<<"$entry" || fail "the menu entry does not take a file"
grep -qx 'TryExec=orvela-desktop' <<<"$entry" || fail "the menu entry's TryExec is not the program"
grep -Eq '^MimeType=(.*;)?application/pdf;' <<<"$entry" || fail "the menu entry does not open PDFs"

echo "package-check: appstreamcli validate"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml

echo "package-check: the unpacked programs, without a display"
for program in orvela orvela-desktop; do
  answer="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
            "$ROOT/usr/bin/$program" --version)" || fail "$program --version failed"
  echo "  $answer"
  grep -q -- "$VERSION" <<<"$answer" || fail "$program --version does not say $VERSION"
done
