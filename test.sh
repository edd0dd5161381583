#!/usr/bin/env bash
# Builds and runs every test: once on a normal build, once with AddressSanitizer
# and UBSan. Exits with the tests' status.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

# The benchmark is built too, and the install test makes a Debian package.
ensure_packages "${BUILD_PACKAGES[@]}" libgtest-dev xvfb libx11-dev libxdo-dev man-db groff-base libbenchmark-dev \
    dpkg-dev file

jobs=$(nproc)
status=0
for variant in plain asan; do
    dir=build-test-$variant
    sanitize=OFF
    bench=ON
    # The benchmark is only built here, so that it keeps compiling; bench/run.sh runs it.
    [ "$variant" = asan ] && sanitize=ON && bench=OFF
    echo "== $variant build"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
        -DVARENTHE_SANITIZE="$sanitize" -DVARENTHE_BUILD_BENCH="$bench" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs") || status=1
done
exit "$status"
