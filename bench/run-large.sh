#!/usr/bin/env bash
# Large data in the window and the fit on every thread: builds the benchmark
# programs (Release, GUI on), writes the test files and prints every figure of
# bench/README.md's "Large data" table.
#
#   bash bench/run-large.sh [build-folder]     (default build-large)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-large}
data=${KURVEX_BENCH_DATA:-$build/bench-data}
repeats=${KURVEX_BENCH_REPEATS:-3}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKURVEX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kurvex-cli gui_large_bench fit_threads_bench test_regression

mkdir -p "$data"
# 2,000,000 lines: y, x and three more columns; y = 1.5 + 0.7x + noise.
if [ ! -s "$data/large2m.csv" ]; then
  awk 'BEGIN { srand(7); print "y,x,a,b,c";
               for (i = 0; i < 2000000; i++) { x = 10 * rand(); n = rand() + rand() + rand() - 1.5;
                 printf "%.6f,%.6f,%.4f,%d,%.3f\n", 1.5 + 0.7 * x + 0.3 * n, x, rand(), i, 2 * x } }' > "$data/large2m.csv"
fi

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "== the window, offscreen (best of $repeats): open -> 読込み -> chart, redraw, resize, click, fit model 0, leave"
best_gui=""
for r in $(seq "$repeats"); do
  out=$(QT_QPA_PLATFORM=offscreen "$build/bench/gui_large_bench" "$data/large2m.csv" 2>/dev/null)
  echo "$out" | tr '\n' ';' | sed 's/;/; /g'; echo
  ms=$(echo "$out" | awk '$1 == "open_to_chart" { print $2 }')
  if [ -z "$best_gui" ] || awk "BEGIN { exit !($ms < $best_gui) }"; then best_gui=$ms; fi
done

echo "== kurvex-cli fit --model 0 of the same file (best of $repeats)"
best_cli=""
for r in $(seq "$repeats"); do
  start=$(date +%s%N)
  "$build/cli/kurvex-cli" fit "$data/large2m.csv" --model 0 --y 1 --x 2 >/dev/null 2>&1 || true
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "cli $ms ms"
  if [ -z "$best_cli" ] || [ "$ms" -lt "$best_cli" ]; then best_cli=$ms; fi
done
awk -v g="$best_gui" -v c="$best_cli" 'BEGIN { printf "window open->chart %s ms / cli fit %s ms = %.2f (goal <= 1.5)\n", g, c, g / c }'

echo "== peak memory of the window (goal < 1024 MB)"
QT_QPA_PLATFORM=offscreen /usr/bin/time -f "max RSS %M KB" "$build/bench/gui_large_bench" "$data/large2m.csv" 2>&1 >/dev/null | grep "max RSS"

echo "== the fit on all threads against one thread (goal <= 0.6), identical bits"
"$build/bench/fit_threads_bench" 1000000 "$repeats"

echo "== long differential check: threaded and one-thread fits on generated problems"
KURVEX_DIFFERENTIAL_FITS=${KURVEX_DIFFERENTIAL_FITS:-200} \
  "$build/tests/test_regression" --gtest_filter='ParallelFit.SplitSweeps*'

echo "== the chart alone with 10,000,000 points (goal: draw and resize < 100 ms)"
QT_QPA_PLATFORM=offscreen "$build/bench/gui_large_bench" --chart-points 10000000 2>/dev/null
