#!/usr/bin/env bash
# Builds and runs every test: once on a GCC build, once on a Clang build with
# AddressSanitizer and UBSan; checks the formatting and clang-tidy on the way.
# Exits with the tests' and the checks' status.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

# The benchmark is built too, the install test makes a Debian package and checks
# it and its desktop entry, and the style check needs clang-format and clang-tidy.
ensure_packages "${BUILD_PACKAGES[@]}" libgtest-dev xvfb libx11-dev libxdo-dev man-db groff-base libbenchmark-dev \
    dpkg-dev file lintian desktop-file-utils clang libclang-rt-14-dev clang-format clang-tidy

jobs=$(nproc)
status=0
# Each build has a folder of its own compiler: CMake drops a cache, with its
# options, whose compiler changes.
for variant in gcc clang-asan; do
    dir=build-test-$variant
    # The benchmark is only built here, so that it keeps compiling; bench/run.sh runs it.
    options=(-DCMAKE_CXX_COMPILER=g++ -DVARENTHE_BUILD_BENCH=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
    [ "$variant" = clang-asan ] && options=(-DCMAKE_CXX_COMPILER=clang++ -DVARENTHE_SANITIZE=ON)
    echo "== $variant build"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "${options[@]}" >/dev/null
    cmake --build "$dir" -j"$jobs"
    # The formatting and clang-tidy are checked once, with the GCC build's
    # compile database, beside the rest: much of the tests' time is spent
    # waiting for windows and pixels, not computing.
    [ "$variant" = gcc ] && { scripts/check-style.sh "$dir" & style=$!; }
    # The package is made once, from the plain build: the sanitizers change
    # nothing in what it holds.
    exclude=()
    [ "$variant" = clang-asan ] && exclude=(-LE install)
    (cd "$dir" && ctest --output-on-failure -j"$jobs" "${exclude[@]}") || status=1
done
wait "$style" || status=1
exit "$status"
