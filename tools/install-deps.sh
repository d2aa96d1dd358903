#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages Tallyport needs, only when some are missing.
#   tools/install-deps.sh run    what building and running the program needs
#   tools/install-deps.sh test   that, plus what the test suite needs
#   tools/install-deps.sh fuzz   clang and its libFuzzer, for make fuzz
#   tools/install-deps.sh bench  that, plus what bench/run.sh needs
set -eu

run_packages="cmake ninja-build g++ make qt6-base-dev qt6-base-dev-tools libgl-dev fonts-ipafont-gothic"
test_packages="xvfb xauth x11-utils desktop-file-utils libglib2.0-bin xdg-utils"

case "${1:-run}" in
    run) wanted="$run_packages" ;;
    test) wanted="$run_packages $test_packages" ;;
    fuzz) wanted="make clang libclang-rt-14-dev" ;;
    bench) wanted="$run_packages $test_packages libbenchmark-dev hyperfine time" ;;
    *) echo "usage: $0 run|test|fuzz|bench" >&2; exit 2 ;;
esac

missing=""
for package in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
