#!/usr/bin/env bash
# Takes docs/screenshot.png: the program under a virtual X server in the middle of a game. It
# loads a short game with captures on both sides through the menu, goes to its end, lifts the
# pause and lets the computer answer, then captures the screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/packages.sh"
ensure_packages xvfb xauth xdotool imagemagick qt6-base-dev fonts-noto-cjk
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j 2 --target kazaguruma >/dev/null

work="$(mktemp -d)"
display=""
program=""
xvfb=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

Xvfb "$display" -screen 0 720x520x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

cp "$root/tests/ui/data/middle_game.kif" "$work/game.kif"

# Started from an empty folder: the pictures come from beside the program or the source tree.
# Settings of its own, so that the picture is taken at 100 % whatever zoom the user chose.
(cd "$work" && XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=xcb exec "$root/build/ui/kazaguruma") \
    >/dev/null 2>&1 &
program=$!
window=""
for _ in $(seq 100); do
    window="$(xdotool search --name '^Kazaguruma$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
xdotool windowmove "$window" 0 0
# No window manager runs: give the window the keyboard focus by hand.
xdotool windowfocus "$window"
sleep 0.5

# The client area is 420 pixels high; the menu bar takes the rest of the window.
eval "$(xdotool getwindowgeometry --shell "$window")"
menu=$((HEIGHT - 420))
click() { xdotool mousemove --window "$window" "$1" $(($2 + menu)) click 1; sleep 0.5; }

# ファイル(&F) → 棋譜を読み込む, then the file name into the open dialog.
xdotool key alt+f
sleep 0.5
xdotool key Return
sleep 1
xdotool type --delay 20 "$work/game.kif"
xdotool key Return
sleep 1
xdotool key Return  # the message that the file was read
sleep 0.5
click 544 189  # ">>": the end of the record, the computer to move, paused
click 480 189  # pause off: the computer thinks and answers
# The think is over when the status line grows to the human's-turn text with the evaluation:
# its white background then reaches x = 330, which the thinking text's does not.
for _ in $(seq 300); do
    sleep 1
    pixel="$(import -window root -crop "1x1+330+$((menu + 398))" txt:- | tail -1)"
    case "$pixel" in *"#FFFFFF"*) break ;; esac
done
sleep 1

mkdir -p "$root/docs"
import -window root -crop "${WIDTH}x${HEIGHT}+0+0" "$root/docs/screenshot.png"
echo "wrote docs/screenshot.png (${WIDTH}x${HEIGHT})"
