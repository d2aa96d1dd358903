#!/bin/sh
# SPDX-License-Identifier: MIT
# Every performance figure of docs/PERFORMANCE.md, in one run on this machine:
#   bench/run.sh [scratch-folder]     (default: a new folder under /var/tmp)
# 1. Google Benchmark: next-name search (metadata calls, time at 1 ms per call), filing, and a
#    keystroke in the real window updating the preview.
# 2. Whole processes with hyperfine and /usr/bin/time: 1 GiB moved and copied, peak memory,
#    launch to exit (offscreen and on Xvfb) against a minimal Qt program.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build-bench > /dev/null
bench=$(pwd)/build-bench
scratch=$(mktemp -d "${1:-/var/tmp}/tallyport-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(df -T "$scratch" | awk 'NR==2 {print $2}') at $scratch"

echo "== Google Benchmark"
"$bench/bench/bench_filing"
"$bench/bench/bench_keystroke"

# A program folder whose settings file the runs edit.
prog="$scratch/prog"
mkdir -p "$prog" "$scratch/out"
cp "$bench/tallyport" "$prog/"
settings() { printf '[Mode]\nDelete=%s\n[Path]\nOutput=%s/out/\n' "$1" "$scratch" > "$prog/tallyport.INI"; }
head -c 1G /dev/urandom > "$scratch/big.bin"
export QT_QPA_PLATFORM=offscreen
cd "$scratch"

echo "== 1 GiB, delete on, same file system: tallyport against mv"
settings 1
hyperfine -N -w 1 -r 5 --prepare 'sh -c "rm -f out/*; cp --reflink=never big.bin src.bin"' \
    "$prog/tallyport src.bin" "mv src.bin out/moved.bin"

echo "== 1 GiB, delete off: tallyport against cp + sync of that file"
settings 0
hyperfine -w 1 -r 5 --prepare 'sh -c "rm -f out/*; sync"' \
    "$prog/tallyport big.bin" "cp big.bin out/copy.bin && sync out/copy.bin"

echo "== peak memory (max RSS, KiB): filing 1 GiB (delete off) against no file work"
rm -f out/*
/usr/bin/time -f "filing 1 GiB: %M KiB" "$prog/tallyport" big.bin
/usr/bin/time -f "no file work: %M KiB" "$prog/tallyport" "$scratch/missing.jpg" 2>&1 | tail -n 1

echo "== launch to exit, 1 MB image, offscreen"
settings 1
head -c 1M /dev/urandom > img.bin
launch() { # $1: what to run hyperfine under ("" or xvfb-run -a)
    $1 hyperfine -N -w 3 -r 30 --prepare 'sh -c "rm -f out/*; cp img.bin src.bin"' \
        "$prog/tallyport src.bin" "$bench/bench/bench_floor" "$bench/bench/bench_floor text" \
        "sh -c '$bench/bench/bench_floor && cp img.bin out/copy.bin'"
}
launch ""
echo "== launch to exit, 1 MB image, Xvfb"
unset QT_QPA_PLATFORM
launch "xvfb-run -a"
