#!/bin/bash
# Takes the pictures of the guide for the shop owner (docs/guia/imagens)
# again from the program's real windows, on a sample book and without a
# display (Qt's offscreen platform). Run it after changing a window the
# guide shows, and commit the pictures with the change.
#
#   scripts/guide-screenshots.sh [BUILD_DIR]     (default: build-dev)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-dev}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
nice cmake --build "$build" -j2 --target guide_screenshots
QT_QPA_PLATFORM=offscreen "$build/docs/guide_screenshots" "$root/docs/guia/imagens"
