#!/usr/bin/env bash
# Builds the workbook fuzzer with clang and the sanitizers and runs it for SECONDS (default 900),
# seeded with the writers' fixtures and, when present, the shared public corpus (read in place).
# New inputs go to build-fuzz/corpus; crashes to build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-900}
shared=${PEDIVAR_SHARED_DIR:-../shared}
CXX=clang++ cmake -S . -B build-fuzz -DPEDIVAR_FUZZ=ON -DPEDIVAR_SANITIZE=ON -DPEDIVAR_TESTS=OFF \
  -DPEDIVAR_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target workbook_fuzz
mkdir -p build-fuzz/corpus build-fuzz/artifacts
seeds=(tests/fixtures/xls/*/)
[ -d "$shared/corpus/public" ] && seeds+=("$shared"/corpus/public/*/)
build-fuzz/fuzz/workbook_fuzz -max_len=200000 -rss_limit_mb=2048 -max_total_time="$seconds" \
  -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus "${seeds[@]}"
