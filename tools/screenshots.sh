#!/usr/bin/env bash
# Screenshots of the console as an operator sees it: every page and Qt's file and print
# dialogs, at the window's design size (760 x 537), under Xvfb with a window manager, against
# the simulated "КВИР-510v2" with its small sample notebook. Writes docs/<name>.png.
#   tools/screenshots.sh [BUILD_DIR] [OUT_DIR]      (needs xvfb, openbox, xdotool, imagemagick)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-docs}")
mkdir -p "$out"
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
"$build/sim/kvir-sim" --model 510 --link "$work/port" --notebook sim/samples/510-small.txt \
    >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -e $work/port ]] && break; sleep 0.1; done
printf '[Port]\r\nport=%s\r\n[StartPage]\r\nStartPage=1\r\n[ShowCol]\r\nShowColPapka=255\r\nShowColDate=255\r\nStartEkran=0\r\n[NetAdres]\r\nNetAdres=1\r\n[Connect]\r\nConnect=1\r\n[Pribor]\r\nPribor=\xca\xc2\xc8\xd0-510v2\r\n[Users]\r\nUserCount=2\r\n \r\n\xc8\xe2\xe0\xed\xee\xe2\xe0 \xc0\xed\xed\xe0 \xcf\xe5\xf2\xf0\xee\xe2\xed\xe0\r\n' \
    "$work/port" >"$work/KVIR-Wpad.ini"
(cd "$work" && LANG=ru_RU.UTF-8 LC_ALL= ASAN_OPTIONS=detect_leaks=0 \
    KVIR_WINDOW_SETTINGS= "$build/console/kvir-console" >/dev/null 2>&1) &
pids+=($!)
sleep 10  # the automatic connection reads the notebook

named() {  # the first window of the console with this title
    local id
    for id in $(xdotool search --class kvir-console); do
        [[ $(xdotool getwindowname "$id") == "$1" ]] && { echo "$id"; return; }
    done
}
window=$(named 'КВИР-510v2')
xdotool windowsize "$window" 760 537 windowmove "$window" 40 40 windowactivate --sync "$window"
sleep 1
shot() {  # name [window]: the window with its frame
    sleep 1.5
    import -frame -window "${2:-$window}" "$out/$1.png"
    echo "$out/$1.png"
}
key() { xdotool key --window "$window" --clearmodifiers "$@"; sleep 1; }

key ctrl+2 && shot page-by-date
key ctrl+1 && shot page-by-folder
key ctrl+3 && shot page-folders
key ctrl+4 && shot page-settings
xdotool mousemove --window "$window" 340 34 click 1 && shot page-protocol
key ctrl+5 && shot page-archive
key ctrl+6 && shot page-chart

# The Файл menu opened from the keyboard: F10, then Down.
key ctrl+1
xdotool key F10
sleep 0.5
xdotool key Down
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "764x562+$((X - 2))+$((Y - 24))" "$out/menu-file.png"
echo "$out/menu-file.png"
xdotool key Escape Escape
sleep 0.5

# The file dialog of "Открыть резервную копию…".
key ctrl+o
sleep 1
dialog=$(named 'Открыть резервную копию')
shot dialog-open-backup "$dialog"
xdotool key Escape
sleep 1

# The print dialog: the first record tagged for printing, then "Выполнить".
key ctrl+2
xdotool mousemove --window "$window" 300 80 click 1
sleep 0.5
xdotool mousemove --window "$window" 300 80 click 3
sleep 0.5
xdotool key Down Down Down Down Return
sleep 0.5
xdotool mousemove --window "$window" 218 490 click 1
sleep 2
dialog=$(named 'Печать')
shot dialog-print "$dialog"
xdotool key Escape
