#!/bin/sh
# Installs what is missing, builds everything under AddressSanitizer and
# UndefinedBehaviorSanitizer with warnings as errors, checks the format and
# runs cppcheck, then runs every test headless through CTest. Arguments are
# passed on to ctest (for example -R tst_entries).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLIVRO_WERROR=ON -DLIVRO_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
# After the build: cppcheck reads the generated sources (moc, uic) the
# compile commands name.
"$root/scripts/check-code.sh" "$build"
export QT_QPA_PLATFORM=offscreen
# Leaks are reported too; the suppressions name what belongs to the libraries
# the program uses, not to its own code.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
