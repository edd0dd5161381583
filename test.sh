#!/usr/bin/env bash
# Builds and runs every test: on a GCC build, again on it as on a machine with
# one processor, and on a Clang build with AddressSanitizer and UBSan; checks
# the formatting and clang-tidy on the way. Exits with the tests' and the
# checks' status.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

# The benchmark is built too, the
# install test makes a Debian package and checks it and its desktop entry, the
# gallery's failure tests run it through taskset and setpriv, the card's test
# opens it in Chromium with the fonts it names and checks it with tidy, and the
# style check needs clang-format, clang-tidy, git for the list of files and
# python3 for the compile database.
ensure_packages "${BUILD_PACKAGES[@]}" libgtest-dev xvfb libx11-dev libxdo-dev man-db groff-base libbenchmark-dev \
    dpkg-dev file lintian desktop-file-utils clang libclang-rt-14-dev clang-format clang-tidy git python3 \
    util-linux chromium fonts-dejavu-core tidy nlohmann-json3-dev

jobs=$(nproc)
status=0
# Each build has a folder of its own compiler: CMake drops a cache, with its
# options, whose compiler changes. The benchmark is only built in the plain
# one, so that it keeps compiling; bench/run.sh runs it.
configure() {
    cmake -S . -B "build-test-$1" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "${@:2}" >/dev/null
}
# Debugging information only where a report needs it: in the sanitizer build.
configure gcc -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DVARENTHE_BUILD_BENCH=ON \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
configure clang-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVARENTHE_SANITIZE=ON
echo "== gcc build"
cmake --build build-test-gcc -j"$jobs"

# The sanitizer build, whose output is shown if it fails, and the formatting
# and clang-tidy share the processors; the tests come after them, on their
# own, so that no test waits for a window or a picture behind a compiler.
echo "== clang-asan build, formatting and clang-tidy"
asan_log=build-test-clang-asan/build.log
cmake --build build-test-clang-asan -j"$jobs" >"$asan_log" 2>&1 &
asan=$!
scripts/check-style.sh build-test-gcc || status=1
asan_built=1
wait "$asan" || { cat "$asan_log"; status=1; asan_built=0; }
echo "== gcc tests"
(cd build-test-gcc && ctest --output-on-failure -j"$jobs") || status=1
# Again as on a machine with one processor, where a test that needs two
# things to happen at once would hang or fail. The run beside busy loops,
# which tells little more here, is tests/busy.sh's for whoever changes a
# timeout or a wait.
tests/busy.sh build-test-gcc one -LE install || status=1
echo "== clang-asan tests"
# The package is made once, from the plain build: the sanitizers change
# nothing in what it holds.
if [ "$asan_built" -eq 1 ]; then
    (cd build-test-clang-asan && ctest --output-on-failure -j"$jobs" -LE install) || status=1
fi
exit "$status"
