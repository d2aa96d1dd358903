#!/bin/sh
# SPDX-License-Identifier: MIT
# Takes the README's screenshots of the window (both pages) on Xvfb.
# usage: tools/screenshots.sh [build/tallyport]   (needs xvfb, xdotool and imagemagick)
set -eu
program=$(realpath "${1:-build/tallyport}")
out=$(realpath docs)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/tallyport"
printf "[Path]\nOutput=/home/me/Scans/\n" > "$work/tallyport.INI"
unset QT_QPA_PLATFORM
xvfb-run -a -s '-screen 0 400x300x24' sh -c '
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
    kill $pid' sh "$work" "$out"
echo "wrote $out/window-settings.png and $out/window-about.png"
