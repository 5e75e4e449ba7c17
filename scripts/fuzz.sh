#!/usr/bin/env bash
# Builds the libFuzzer targets (clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Targets: formula condition data_file ini equation_list read_settings main_settings text_decode.
# New inputs go to <build>/fuzz-work/<target>/corpus, findings to .../artifacts;
# the seed corpus in tests/fuzz/corpus is only read. Exit status 1 when any
# target found a crash, a leak, undefined behaviour or a hang.
# Environment: KURVEX_FUZZ_BUILD (default build-fuzz), KURVEX_FUZZ_JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if [ $# -gt 0 ]; then shift; fi
all_targets=(formula condition data_file ini equation_list read_settings main_settings text_decode)
targets=("${@:-${all_targets[@]}}")
build=${KURVEX_FUZZ_BUILD:-build-fuzz}
jobs=${KURVEX_FUZZ_JOBS:-2}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (Debian: clang libclang-rt-14-dev)" >&2
  exit 2
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  -DKURVEX_BUILD_GUI=OFF -DKURVEX_BUILD_CLI=OFF -DKURVEX_FUZZ=ON >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
summary=()
for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  status=0
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "tests/fuzz/corpus/$target" >"$work/log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
  if [ "$status" -eq 0 ]; then
    summary+=("$(printf '%-14s %12s executions, no finding' "$target" "${runs:-?}")")
  else
    failed=1
    # The end of the log names the fault and the reproducer's file.
    tail -n 30 "$work/log" >&2
    summary+=("$(printf '%-14s FINDING (exit %s), see %s' "$target" "$status" "$work/log")")
  fi
done
printf '%s\n' "${summary[@]}"
exit "$failed"
