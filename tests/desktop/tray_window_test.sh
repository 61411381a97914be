#!/usr/bin/env bash
# The installed program on a real X server with a notification area (Xvfb and a tint2 panel):
# its icon docks in the panel, F10 hides the window, a right click on the icon opens the menu
# with its green banner, "Show" brings the window back, and F1 hands the installed help to the
# desktop's opener. With SCREENSHOT_DIR set, the three stages are saved there as PNG files.
# Usage: tray_window_test.sh BUILD_DIR [SCREENSHOT_DIR]   installs the build into a scratch prefix
#        tray_window_test.sh --prefix=DIR [SCREENSHOT_DIR] the program already installed in DIR
set -euo pipefail

build=$1
shots=${2:-}
for tool in Xvfb tint2 xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null &&
    [ -n "$shots" ] && cp "$work/failure.png" "$shots/tray-failure.png"
  exit 1
}
# Polls until the command succeeds; the limit only keeps a broken run from hanging.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 1 1200); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for $what"
}
# Does the action, then polls the check for a few seconds, again and again: a click or key that
# reached the server before its window was ready to take it is simply given again.
act_until() {
  local what=$1 action=$2
  shift 2
  for _ in $(seq 1 24); do
    eval "$action" >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do
      if "$@" >/dev/null 2>&1; then return 0; fi
      sleep 0.1
    done
  done
  fail "timed out waiting for $what"
}

if [[ $build == --prefix=* ]]; then
  prefix=${build#--prefix=}
else
  cmake --install "$build" --prefix "$work/prefix" >/dev/null
  prefix=$work/prefix
fi
mkdir -p "$work/home/bin"
# The desktop's opener, recording what it was asked to open.
cat >"$work/home/bin/xdg-open" <<'OPENER'
#!/bin/sh
echo "$1" >>"$HOME/opened"
OPENER
chmod +x "$work/home/bin/xdg-open"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for "the X server" test -s "$work/display"
export DISPLAY=:$(head -n1 "$work/display")

tint2 -c "$(dirname "$0")/tint2rc" >"$work/tint2.log" 2>&1 &
pids+=($!)
wait_for "the panel" xdotool search --onlyvisible --class Tint2

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export PATH=$work/home/bin:$PATH
unset QUILLMOR_STORE QUILLMOR_CONFIG_DIR
# The real X server, whatever the test run chose for the unit tests; leaks of the system's
# libraries at exit are no failure of this test.
export QT_QPA_PLATFORM=xcb ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
"$prefix/bin/quillmor" >"$work/quillmor.log" 2>&1 &
app=$!
pids+=($app)

wait_for "the window" xdotool search --onlyvisible --name '^Quillmor$'
# An empty store first offers the wizard; No.
wait_for "the first-start question" xdotool search --onlyvisible --name '^Confirm$'
question=$(xdotool search --onlyvisible --name '^Confirm$' | head -n1)
act_until "the question to close" 'xdotool windowfocus --sync "$question" key Escape' \
  sh -c '! xdotool search --onlyvisible --name "^Confirm\$"'
window=$(xdotool search --onlyvisible --name '^Quillmor$' | head -n1)

# The icon is a window of ours inside the panel's tree.
icon_line() {
  xwininfo -root -tree | awk '/"tint2"/ { inside = 1; next } inside && /\("quillmor"/ { print; exit }'
}
wait_for "the icon in the panel" sh -c "xwininfo -root -tree | awk '/\"tint2\"/ {i=1; next} i && /\\(\"quillmor\"/ {f=1} END {exit !f}'"
line=$(icon_line)
icon=$(awk '{ print $1 }' <<<"$line")
read -r ix iy < <(sed -E 's/.*\+([0-9]+)\+([0-9]+)$/\1 \2/' <<<"$line")
read -r iw ih < <(sed -E 's/.* ([0-9]+)x([0-9]+)\+.*/\1 \2/' <<<"$line")
[ -n "$shots" ] && import -window root "$shots/tray-1-window.png"

mapped() { xwininfo -id "$1" | grep -q IsViewable; }
act_until "F10 to hide the window" 'xdotool windowfocus --sync "$window" key F10' \
  sh -c "! xwininfo -id $window | grep -q IsViewable"

menu=
find_menu() {
  for w in $(xdotool search --onlyvisible --class quillmor); do
    [ "$w" = "$window" ] || [ "$w" = "$((icon))" ] || { menu=$w; return 0; }
  done
  return 1
}
act_until "the icon's menu" 'xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 3' find_menu
eval "$(xdotool getwindowgeometry --shell "$menu")"
[ -n "$shots" ] && import -window root "$shots/tray-2-menu.png"
import -window root "$work/menu.png"
# The banner fills the menu's left margin: green at the middle of its height.
pixel=$(convert "$work/menu.png" -crop "1x1+$((X + 3))+$((Y + HEIGHT / 2))" -depth 8 txt:- |
  sed -nE 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/p')
read -r r g b <<<"$pixel"
[ "$g" -gt 100 ] && [ "$r" -lt 80 ] && [ "$b" -lt 100 ] || fail "no green banner: $pixel"

# "Show" is the first entry.
act_until "Show to bring the window back" 'xdotool mousemove $((X + WIDTH / 2)) $((Y + 12)) click 1' \
  mapped "$window"
[ -n "$shots" ] && import -window root "$shots/tray-3-shown.png"

act_until "F1 to open the help" 'xdotool windowfocus --sync "$window" key F1' test -s "$HOME/opened"
opened=$(head -n1 "$HOME/opened")
[ "$(realpath "$opened")" = "$(realpath "$prefix/share/doc/quillmor/Quillmor.html")" ] ||
  fail "F1 opened $opened"

kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status"
echo "icon, menu, Show and help work"
