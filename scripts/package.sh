#!/bin/sh
# Builds the Debian package of Livro de Caixa: installs what is missing, makes
# a release build in build-package/ (no tests, no benchmarks) and runs CPack.
# The last line printed is the path of the .deb.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --package
build="$root/build-package"
# Debian's hardening flags (fortify, stack protector, full relro), as a
# Debian build of the package would get them; no -g, the binaries are
# stripped anyway.
cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags=$(echo "$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" | sed 's/\(^\| \)-g\( \|$\)/ /')
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DLIVRO_BUILD_TESTS=OFF -DLIVRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/livro-caixa_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/livro-caixa_*.deb)
# The PNG icons are skipped (with a warning) when rsvg-convert is missing;
# a package must have them.
if ! dpkg-deb -c "$deb" | grep 'hicolor/256x256/apps/' >/dev/null; then
    echo "package: $deb has no PNG icons (is rsvg-convert installed?)" >&2
    exit 1
fi
echo "$deb"
