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
DEMO_DEB="$SCRATCH/out/orvela-desktop-demo_${VERSION}_amd64.deb"
for deb in "$DEB" "$DEMO_DEB"; do
  [ -f "$deb" ] || fail "cpack made no $(basename "$deb")"
  echo "package-check: built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
  echo "package-check: lintian $(basename "$deb")"
  lintian_status=0
  verdict="$(lintian --pedantic --fail-on error,warning "$deb" 2>&1)" || lintian_status=$?
  grep -v 'root privileges is not recommended' <<<"$verdict" || true
  [ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings"
  if grep -q 'hardening-' <<<"$verdict"; then fail "lintian finds binaries built without hardening"; fi
done

ROOT="$SCRATCH/root"
dpkg-deb -x "$DEB" "$ROOT"
DEMO_ROOT="$SCRATCH/demo-root"
dpkg-deb -x "$DEB" "$DEMO_ROOT"
dpkg-deb -x "$DEMO_DEB" "$DEMO_ROOT"
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
for program in orvela-vcard orvela-backend-sim orvela-desktop-first-paint orvela-docgen; do
  [ ! -e "$ROOT/usr/bin/$program" ] || fail "the package carries the development program $program"
done
# The simulator and the virtual token live in the demo's package alone; neither program carries
# a development hook of its own.
[ -z "$(find "$ROOT" -name 'orvela-desktop-demo.so')" ] || fail "the main package carries the demo plugin"
[ -f "$DEMO_ROOT/usr/lib/orvela-desktop/plugins/orvela-desktop-demo.so" ] ||
  fail "the demo package lacks its plugin"
for word in __generate-docs exit-after-first-paint VirtualToken BackendSim; do
  ! grep -qa -- "$word" "$ROOT/usr/bin/orvela" "$ROOT/usr/bin/orvela-desktop" ||
    fail "an installed program carries development code ($word)"
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
      fail "${file#"$DEMO_ROOT"}: $line is not yes"
  done
  elves=$((elves + 1))
done < <(find "$DEMO_ROOT/usr" -type f -print0)
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

echo "package-check: demo mode with and without its package"
home="$SCRATCH/home"
mkdir -p "$home"
without="$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" \
           XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen \
           "$ROOT/usr/bin/orvela-desktop" --demo 2>&1)" && fail "--demo started without its package"
grep -q 'orvela-desktop-demo' <<<"$without" || fail "--demo without its package does not name it: $without"
without="$(HOME="$home" XDG_CONFIG_HOME="$home/config" ORVELA_VIRTUAL_TOKEN=aes \
           "$ROOT/usr/bin/orvela" token readers 2>&1)" && fail "the virtual token came without its package"
grep -q 'orvela-desktop-demo' <<<"$without" || fail "orvela without the demo package does not name it: $without"
with="$(HOME="$home" XDG_CONFIG_HOME="$home/config" ORVELA_VIRTUAL_TOKEN=aes \
        "$DEMO_ROOT/usr/bin/orvela" --lang en token readers 2>&1)" ||
  fail "orvela with the demo package cannot reach the virtual token: $with"
echo "  $with"
