#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what the desktop reads: the desktop entry
# and the metainfo pass their validators, the icon is there at every size, the manual page
# renders cleanly and covers every option, and the help and the service unit are in place.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail

build=$1
id=org.quillmor.Quillmor
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share

[ -x "$prefix/bin/quillmor" ] || fail "no binary"
# The window is a library that the program loads only to open it.
[ -n "$(find "$prefix/lib" -path '*/quillmor/libquillmor-window.so')" ] || fail "no window library"
ldd "$prefix/bin/quillmor" | grep -q libQt && fail "the program itself links Qt"
desktop-file-validate "$share/applications/$id.desktop" || fail "desktop entry"
grep -qx 'Categories=Utility;Archiving;' "$share/applications/$id.desktop" || fail "categories"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "metainfo"

for size in 16 22 24 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$icon" ] || fail "no icon $icon"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "icon size $icon"
done

[ -s "$share/doc/quillmor/Quillmor.html" ] || fail "no help"
grep -q 'id="restore"' "$share/doc/quillmor/Quillmor.html" || fail "help without restore"

man=$share/man/man1/quillmor.1
[ -s "$man" ] || fail "no manual page"
warnings=$(groff -man -Tutf8 -ww -z "$man" 2>&1)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
text=$(groff -man -Tascii -P-cbou "$man" 2>/dev/null)
for word in /B --list --run --run-all --dry-run --background --store -v --verbose -q --quiet \
  -h --help -V --version -- 130 143 QUILLMOR_STORE QUILLMOR_CONFIG_DIR XDG_DATA_HOME \
  XDG_CONFIG_HOME Quillmor.log Quillmor.dat; do
  grep -qF -- "$word" <<<"$text" || fail "manual page does not mention $word"
done

unit=$prefix/lib/systemd/user/quillmor.service
[ -s "$unit" ] || fail "no service unit"
grep -qx "ExecStart=$prefix/bin/quillmor --background" "$unit" || fail "service ExecStart"
# A start that cannot succeed must not be retried in a loop.
grep -Eq '^RestartPreventExitStatus=1 2$' "$unit" || fail "service restarts after a refused start"
echo "installed files are valid"
