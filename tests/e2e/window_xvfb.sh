#!/bin/sh
# SPDX-License-Identifier: MIT
# End to end on a real X server (Xvfb, no window manager): the program copied alone into a
# folder files a file and exits by itself; started without arguments it shows its window.
# usage: window_xvfb.sh path/to/tallyport
set -eu
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/tallyport"
unset QT_QPA_PLATFORM   # the real X platform, not the offscreen one the other tests use
fail() { echo "FAIL: $*" >&2; exit 1; }

# Filing: the window flashes, the file is filed and the program exits 0.
printf 'pixels' > "$work/photo.png"
timeout 30 xvfb-run -a "$work/tallyport" "$work/photo.png" || fail "filing run exited $?"
[ "$(cat "$work/scimg_000.jpg")" = pixels ] || fail "scimg_000.jpg missing or wrong"
[ ! -e "$work/photo.png" ] || fail "source was not deleted"
grep -q '^Fix=scimg_$' "$work/tallyport.INI" || fail "settings not saved"

# Settings mode: a window titled Tallyport with a 249 x 177 client area stays open.
timeout 30 xvfb-run -a sh -c '
    "$1/tallyport" & pid=$!
    for i in $(seq 50); do
        xwininfo -name Tallyport > "$1/info" 2>/dev/null && break
        sleep 0.1
    done
    kill $pid' sh "$work" || true
grep -q 'Width: 249' "$work/info" || fail "window width: $(grep Width "$work/info" || echo none)"
grep -q 'Height: 177' "$work/info" || fail "window height: $(grep Height "$work/info" || echo none)"
echo "e2e: filed under X and showed a 249 x 177 window"
