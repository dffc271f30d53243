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
fonts-liberation2 xvfb xauth poppler-utils unzip librsvg2-bin
libqt6sql6-psql libpq-dev postgresql-15
"
for option in "$@"; do
    case "$option" in
        # For developers who look at the windows under Xvfb: screenshots, a window
        # manager (title bars, closing a window) and simulated clicks and keys.
        --screenshots) PACKAGES="$PACKAGES imagemagick x11-utils xdotool twm" ;;
        # For scripts/package.sh and scripts/package-check.sh: dpkg-shlibdeps and
        # file for CPack, the validators of the desktop file and the metainfo,
        # man, sqlite3 for the test book and debootstrap for the fresh root.
        --package) PACKAGES="$PACKAGES dpkg-dev file desktop-file-utils appstream man-db sqlite3 debootstrap" ;;
        *) echo "install-deps: unknown option $option (use --screenshots or --package)" >&2; exit 1 ;;
    esac
done

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
