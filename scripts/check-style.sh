#!/usr/bin/env bash
# Checks every tracked C++ file against .clang-format, and every translation
# unit against .clang-tidy through the compile database of BUILD_DIR (configured
# with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON). Names each file with a finding and
# exits non-zero if there is one.
set -euo pipefail
build=$(realpath "${1:?usage: scripts/check-style.sh BUILD_DIR}")
cd "$(dirname "$0")/.."
status=0

if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
    echo "check-style: the files above are not formatted; clang-format -i FILE formats one" >&2
    status=1
fi

# A file built into several targets has one entry per target; one is enough.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 -c 'import json, sys; entries = {e["file"]: e for e in json.load(open(sys.argv[1]))}
json.dump(list(entries.values()), sys.stdout)' "$build/compile_commands.json" >"$scratch/compile_commands.json"
if ! run-clang-tidy -quiet -j"$(nproc)" -p "$scratch" >"$scratch/tidy.log" 2>&1; then
    sed -e 's/\x1b\[[0-9;]*m//g' -e '/^clang-tidy/d' -e '/warnings\? generated\.$/d' "$scratch/tidy.log" >&2
    echo "check-style: clang-tidy found the above" >&2
    status=1
fi
[ "$status" -eq 0 ] && echo "check-style: formatted, and no clang-tidy findings"
exit "$status"
