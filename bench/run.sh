#!/usr/bin/env bash
# Builds the benchmark in build-bench/ and runs it under a private Xvfb, printing
# Markdown tables. Arguments go to the per-frame run, such as
# --benchmark_filter='^frame/(10|11)/'. REPETITIONS (30), START_ROUNDS (8),
# START_RUNS (5), GALLERY_ROUNDS (5) and GALLERY_SIZES ("250 1000 4096") set how
# much is run; BASELINE (8accdfc) is the commit whose gallery it is timed against.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev xvfb hyperfine jq time git
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DVARENTHE_BUILD_TESTS=OFF -DVARENTHE_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target varenthe varenthe-bench varenthe-first-frame-floor varenthe-exit-after-first-frame \
    varenthe-gallery varenthe-gallery-floor >/dev/null

source scripts/xvfb.sh
bench=build-bench/bench
out=$(mktemp -d)
trap 'stop_xvfb; rm -r "$out"' EXIT
start_xvfb

# hyperfine runs all starts of one command before the next, so the two programs
# take turns in rounds of START_RUNS starts, and a burst of load from elsewhere
# lands on both.
echo "### Start-up to the first frame, ${START_ROUNDS:=8} rounds of ${START_RUNS:=5} starts each"
preload="LD_PRELOAD=$PWD/$bench/libvarenthe-exit-after-first-frame.so"
starts=()
for _ in $(seq "$START_ROUNDS"); do
    starts+=(-n viewer "env $preload build-bench/varenthe" -n floor "env $preload $bench/varenthe-first-frame-floor")
done
hyperfine -N --style none --warmup 1 --runs "$START_RUNS" --export-json "$out/startup.json" "${starts[@]}"
jq -r 'def ms(x): x * 1e4 | round / 10; def ratio(a; b): a / b * 1000 | round / 1000; def median: .[length / 2 | floor];
    [.results | group_by(.command)[]
    | {command: .[0].command, times: ([.[].times[]] | sort), cpu: ([.[] | .user + .system] | add / length)}] | reverse
    | "| program | wall, median, ms | wall, fastest, ms | CPU (user + system), mean, ms |", "|---|---:|---:|---:|",
    (.[] | "| \(.command) | \(ms(.times | median)) | \(ms(.times[0])) | \(ms(.cpu)) |"), "",
    "viewer/floor: wall medians \(ratio(.[0].times | median; .[1].times | median)), CPU means \(ratio(.[0].cpu; .[1].cpu))"' "$out/startup.json"

echo "### CPU time per frame, µs, fastest of ${REPETITIONS:=30} repetitions"
"$bench/varenthe-bench" --benchmark_filter='^frame/' --benchmark_repetitions="$REPETITIONS" \
    --benchmark_min_time=0.03 --benchmark_min_warmup_time=0.01 --benchmark_enable_random_interleaving=true \
    --benchmark_out="$out/frames.json" "$@" >/dev/null
jq -r '[.benchmarks[] | select(.aggregate_name)] | INDEX(.name) as $m | def r(x; n): x * n | round / n;
    def cpu($run; $side): $m[$run | sub("/viewer/"; "/\($side)/") + "_min"].cpu_time;
    "| id | shape | counts | viewer | floor | viewer/floor | control/floor |", "|---:|---|---:|---:|---:|---:|---:|",
    ([.[] | select(.name | test("/viewer/.*_min$"))]
    | sort_by(.run_name | split("/") | [(.[3], .[1]) | tonumber]) | .[] | .run_name as $run | ($run | split("/")) as [$kind, $id, $side, $count]
    | "| \($id) | \(.label) | \($count) | \(r(.cpu_time; 10)) | \(r(cpu($run; "floor"); 10)) | \(r(.cpu_time / cpu($run; "floor"); 1000))"
      + " | \(r(cpu($run; "control") / cpu($run; "floor"); 1000)) |")' "$out/frames.json"

echo "### Memory over 10 000 frames of the closed cylinder, counts 10"
# Each in a process of its own, for its own peak resident size.
for run in 10/viewer 10/floor 11/viewer 11/floor; do "$bench/varenthe-bench" --benchmark_filter="^memory/$run/" --benchmark_format=json 2>/dev/null; done \
    | jq -rs '"| id | program | heap growth, bytes/frame | peak RSS, MiB |", "|---:|---|---:|---:|",
    (.[].benchmarks[] | (.name | split("/")) as [$kind, $id, $side]
    | "| \($id) | \($side) | \(.heap_growth_B_per_frame * 10 | round / 10) | \(.peak_RSS_MiB | round) |")'

echo "### The gallery against ${BASELINE:=8accdfc}'s and against its floor, all 28 shapes, ${GALLERY_ROUNDS:=5} rounds"
# The baseline's gallery, built from git once per commit; the floor draws, reads
# back and places the same pictures on the sheet through the gallery's own code,
# and encodes and writes nothing. The three take turns, one run each a round,
# so that load from elsewhere lands on all three alike.
baseline=build-bench/baseline-$(git rev-parse --short "$BASELINE")
[ -d "$baseline" ] || { mkdir -p "$baseline.new" && git archive "$BASELINE" | tar -x -C "$baseline.new" && mv "$baseline.new" "$baseline"; }
cmake -S "$baseline" -B "$baseline/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARENTHE_BUILD_TESTS=OFF >/dev/null
cmake --build "$baseline/build" -j2 --target varenthe-gallery >/dev/null
printf '%s\n' "| size | gallery, median, s | baseline, median, s | floor, median, s | gallery/baseline | gallery/floor \
| CPU, gallery/baseline | bytes written | bytes/baseline | gallery's peak RSS, MiB |" "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for size in ${GALLERY_SIZES:-250 1000 4096}; do
    commands=(-n gallery "build-bench/varenthe-gallery --size $size $out/gallery-$size"
        -n baseline "$baseline/build/varenthe-gallery --size $size $out/baseline-$size"
        -n floor "$bench/varenthe-gallery-floor --size $size")
    # A run first, untimed, which also reads the gallery's peak resident size.
    peak=$(command time -f %M build-bench/varenthe-gallery --size "$size" "$out/gallery-$size" 2>&1 >/dev/null)
    rounds=()
    for _ in $(seq "$GALLERY_ROUNDS"); do rounds+=("${commands[@]}"); done
    hyperfine -N --style none --runs 1 --export-json "$out/gallery-$size.json" "${rounds[@]}" >/dev/null
    jq -r --arg size "$size" --arg peak "$peak" --arg bytes "$(cat "$out/gallery-$size"/*.png | wc -c)" \
        --arg old "$(cat "$out/baseline-$size"/*.png | wc -c)" 'def r(x): x * 100 | round / 100; def median: sort | .[length / 2 | floor];
        [.results | group_by(.command)[] | {key: .[0].command, value: [([.[].times[]] | median), ([.[] | .user + .system] | median)]}]
        | from_entries as {gallery: [$wall, $cpu], baseline: [$oldWall, $oldCpu], floor: [$floor]}
        | "| \($size) | \(r($wall)) | \(r($oldWall)) | \(r($floor)) | \(r($wall / $oldWall)) | \(r($wall / $floor)) | \(r($cpu / $oldCpu))"
          + " | \($bytes) | \(r($bytes | tonumber / ($old | tonumber))) | \($peak | tonumber / 1024 | round) |"' "$out/gallery-$size.json"
done
