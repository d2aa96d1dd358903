#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs into a temporary program folder, checks its desktop entry, files a file with the
# installed program, and opens several files at once through the desktop entry as a file manager
# does (gio launch, one instance per file, on Xvfb): every file must be filed under its own name.
# usage: install_and_launch.sh build-folder
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/My Programs/Tallyport"   # a blank in the path must survive the Exec line
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" || fail "install: $(cat "$work/install.log")"
for file in tallyport tallyport.desktop tallyport.png tallyport.svg \
            icons/hicolor/32x32/apps/tallyport.png icons/hicolor/scalable/apps/tallyport.svg; do
    [ -e "$prefix/$file" ] || fail "$file was not installed"
done
desktop-file-validate "$prefix/tallyport.desktop" || fail "desktop entry does not validate"
grep -qF "Exec=\"$prefix/tallyport\" %f" "$prefix/tallyport.desktop" || fail "Exec line: $(grep Exec "$prefix/tallyport.desktop")"

# The installed program files a file; a name that looks like an option is still a file.
mkdir "$work/in"
printf 'first' > "$work/in/--help"
QT_QPA_PLATFORM=offscreen timeout 30 "$prefix/tallyport" "$work/in/--help" || fail "filing exited $?"
[ "$(cat "$prefix/scimg_000.jpg")" = first ] || fail "installed program did not file"
[ -f "$prefix/tallyport.INI" ] || fail "settings file not beside the installed program"

# Many files opened at once through the desktop entry.
count=8
files=""
for i in $(seq 1 $count); do
    printf 'image %s' "$i" > "$work/in/photo $i.png"
    files="$files \"$work/in/photo $i.png\""
done
unset QT_QPA_PLATFORM
eval "set -- $files"
timeout 60 xvfb-run -a sh -c '
    entry=$1; shift
    gio launch "$entry" "$@"
    # gio returns once the instances are started; wait for them to finish filing.
    for i in $(seq 300); do
        ls "$(dirname "$entry")"/scimg_*.jpg 2>/dev/null | wc -l | grep -qx '"$((count + 1))"' && break
        sleep 0.1
    done
    sleep 0.5' sh "$prefix/tallyport.desktop" "$@" || fail "launch under Xvfb failed"

filed=$(ls "$prefix"/scimg_*.jpg | wc -l)
[ "$filed" -eq $((count + 1)) ] || fail "$filed files filed, expected $((count + 1))"
for i in $(seq 1 $count); do
    [ ! -e "$work/in/photo $i.png" ] || fail "photo $i.png was not filed"
    grep -lx "image $i" "$prefix"/scimg_*.jpg > /dev/null || fail "contents of photo $i.png lost"
done
grep -q '^Degit=3$' "$prefix/tallyport.INI" || fail "settings file damaged"
echo "install: program folder complete; launch: $count files opened at once, $count filed"
