#!/bin/sh
# The habits the test command keeps: every C++ file formatted with the
# project's .clang-format, and cppcheck with no finding. Usage:
#   scripts/check-code.sh BUILD_DIR     (a configured build, for its compile commands)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: check-code.sh BUILD_DIR}
cd "$root"

echo "check-code: clang-format"
unformatted=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
bad=""
for f in $unformatted; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "check-code: these files differ from .clang-format (run clang-format -i on them):$bad" >&2
    exit 1
fi

echo "check-code: cppcheck"
# Checks left out, each for a reason:
# - shadowFunction: a local named like a member function (units, find, zoom)
#   cannot be mistaken by the compiler, and -Wshadow already guards variables.
# - useStlAlgorithm: a taste, not a fault; plain loops stay where they read better.
# - constParameter: a DbConnection& says that a routine works on the book's
#   connection, even where cppcheck sees that the object itself is not changed.
# - invalidPrintfArgType_sint: cppcheck's Qt model takes qint64 for long; Qt
#   defines it as long long, which %lld prints.
# - the build's generated files (moc, uic, rcc) are Qt's, not ours.
[ -f "$build/compile_commands.json" ] || { echo "check-code: $build has no compile_commands.json" >&2; exit 1; }
out=$(mktemp)
trap 'rm -f "$out" "$out.mine" "$out.checked"' EXIT
cppcheck --project="$build/compile_commands.json" -i"$build" \
    --enable=warning,style,performance,portability --std=c++20 --library=qt \
    --inline-suppr -j "$(nproc)" --error-exitcode=0 \
    --suppress=missingIncludeSystem --suppress='*:/usr/*' \
    --suppress=shadowFunction --suppress=useStlAlgorithm --suppress=constParameter \
    --suppress=invalidPrintfArgType_sint \
    --template='{file}:{line}: {severity}: {message} [{id}]' 2>"$out" >"$out.checked" || true
# A run that checked nothing (sources missing, a broken project) is no pass.
checked=$(grep -c '^Checking ' "$out.checked" || true)
if [ "$checked" -eq 0 ]; then
    cat "$out" >&2
    echo "check-code: cppcheck checked no file" >&2
    exit 1
fi
grep -v -e "^$build/" -e "^$root/$build/" "$out" > "$out.mine" || true
if [ -s "$out.mine" ]; then
    cat "$out.mine" >&2
    echo "check-code: cppcheck found the problems above" >&2
    rm -f "$out.mine"
    exit 1
fi
rm -f "$out.mine"
echo "check-code: clean"
