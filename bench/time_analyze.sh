#!/usr/bin/env bash
# Times `pedivar analyze` on random Model III trials of growing size, and on the smallest also a
# build whose single-row tests go through the restricted refit, so the speed-up is visible.
# Usage: bench/time_analyze.sh   (from the repository root; builds into build-bench*)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPEDIVAR_BENCH=ON -DPEDIVAR_GUI=OFF -DPEDIVAR_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target pedivar make_trial >/dev/null
cmake -S . -B build-bench-refit -DCMAKE_BUILD_TYPE=Release -DPEDIVAR_GUI=OFF -DPEDIVAR_TESTS=OFF \
  -DPEDIVAR_REFIT_HYPOTHESIS_TESTS=ON >/dev/null
cmake --build build-bench-refit -j "$(nproc)" --target pedivar >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {  # binary label males females reps
  local bin=$1 label=$2
  build-bench/bench/make_trial "$3" "$4" "$5" 3 > "$work/trial.csv"
  local start end
  start=$(date +%s.%N)
  "$bin" analyze --report "$work/result.txt" "$work/trial.csv" >/dev/null
  end=$(date +%s.%N)
  printf '%-28s %3d x %3d x %d reps, 3 traits: %8.2f s, %7d report lines\n' "$label" "$3" "$4" "$5" \
    "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$(wc -l < "$work/result.txt")"
}
run build-bench/src/cli/pedivar "closed-form tests" 5 5 2
run build-bench-refit/src/cli/pedivar "restricted refit per test" 5 5 2
run build-bench/src/cli/pedivar "closed-form tests" 10 10 3
run build-bench/src/cli/pedivar "closed-form tests" 20 20 3
