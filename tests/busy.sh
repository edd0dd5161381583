#!/usr/bin/env bash
# tests/busy.sh BUILD_DIR one|busy|both [CTEST_ARGS...]: runs the tests of a
# plain build (the sanitizer build's launcher drops the preload) as on a machine
# with one processor, pinned to the first one with glibc's counts of processors
# made 1 by a preloaded shim; or with every processor busy, four loops beside
# the tests; or both. Exits non-zero if a run fails.
set -euo pipefail
build=$(realpath "$1")
runs=${2:?usage: tests/busy.sh BUILD_DIR one|busy|both [CTEST_ARGS...]}
shift 2
status=0

if [ "$runs" != busy ]; then
    echo "== one processor"
    taskset -c 0 env LD_PRELOAD="$build/tests/libvarenthe_one_processor.so" \
        ctest --test-dir "$build" --output-on-failure "$@" || status=1
fi
if [ "$runs" != one ]; then
    echo "== four busy loops"
    loops=()
    trap 'kill "${loops[@]}" 2>/dev/null || true' EXIT
    for _ in 1 2 3 4; do
        while :; do :; done &
        loops+=($!)
    done
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" || status=1
fi
exit "$status"
