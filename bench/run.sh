#!/usr/bin/env bash
# Builds the benchmark in build-bench/ and runs it, printing its tables. It
# starts a private Xvfb of its own, so it needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" xvfb libx11-dev libxdamage-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DVARENTHE_BUILD_TESTS=OFF -DVARENTHE_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 >/dev/null
exec build-bench/bench/varenthe-bench "$@"
