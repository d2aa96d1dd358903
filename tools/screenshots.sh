#!/bin/sh
# SPDX-License-Identifier: MIT
# Takes the README's screenshots of the window (both pages) and the folder dialog on Xvfb.
# usage: tools/screenshots.sh [build/tallyport]   (needs xvfb, xdotool and imagemagick)
set -eu
program=$(realpath "${1:-build/tallyport}")
out=$(realpath docs)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/tallyport"
printf "[Path]\nOutput=/usr/share/\n" > "$work/tallyport.INI"
unset QT_QPA_PLATFORM
xvfb-run -a -s '-screen 0 640x480x24' sh -c '
    set -e
    "$1/tallyport" & pid=$!
    for i in $(seq 50); do
        id=$(xdotool search --name "^Tallyport$" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        sleep 0.1
    done
    sleep 0.5
    import -window "$id" "$2/window-settings.png"
    xdotool mousemove --window "$id" 60 10 click 1
    sleep 0.3
    import -window "$id" "$2/window-about.png"
    xdotool mousemove --window "$id" 20 10 click 1 sleep 0.3 mousemove --window "$id" 200 100 click 1
    sleep 1
    # Name patterns do not match Japanese in the C locale: compare names instead.
    for w in $(xdotool search --name .); do
        [ "$(xdotool getwindowname "$w")" = "フォルダーの選択" ] && dialog=$w
    done
    import -window "$dialog" "$2/folder-dialog.png"
    kill $pid' sh "$work" "$out"
echo "wrote $out/window-settings.png, $out/window-about.png and $out/folder-dialog.png"
