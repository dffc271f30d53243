#!/bin/sh
# Installs the Debian 12 packages needed to build, run and test Livro de Caixa.
# Safe to run again: packages already present are not touched, and nothing is
# downloaded when everything is installed.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config clang-format cppcheck git
qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-charts-dev qt6-svg-dev libqt6sql6-sqlite
qt6-translations-l10n libgl-dev
libsqlite3-dev libxlsxwriter-dev libsodium-dev mdbtools-dev libglib2.0-dev zlib1g-dev
fonts-liberation2 xvfb xauth poppler-utils unzip
"
# For developers who look at the windows under Xvfb: screenshots, a window
# manager (title bars, closing a window) and simulated clicks and keys.
if [ "${1:-}" = "--screenshots" ]; then
    PACKAGES="$PACKAGES imagemagick x11-utils xdotool twm"
fi

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done

if [ -z "$missing" ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: these packages are missing and this user cannot install them:$missing" >&2
    echo "install-deps: run this script as root." >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
