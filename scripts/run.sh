#!/bin/sh
# Installs what is missing, builds a release build and starts Livro de Caixa.
# Arguments are passed on to the program (for example --data-dir DIR).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DLIVRO_BUILD_TESTS=OFF -DLIVRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target livro-caixa --parallel "$(nproc)"
exec "$build/livro-caixa" "$@"
