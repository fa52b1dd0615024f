#!/usr/bin/env bash
# Every test, three ways: the plain build (with the module symbol check and a
# short benchmark run), AddressSanitizer + UndefinedBehaviorSanitizer, and
# ThreadSanitizer over the suites that run real threads (their own target);
# and the request fuzzer for a bounded time from its committed seeds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
bash "$root/scripts/deps.sh"

echo "== plain build"
bash "$root/scripts/build.sh" build/release -DCMAKE_BUILD_TYPE=Release
(cd "$root/build/release" && ctest -j "$jobs" --output-on-failure)
"$root/build/release/bench/vl_bench" --benchmark_min_time=0.01

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
bash "$root/scripts/build.sh" build/asan -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=address,undefined -- \
  vl_tests vl_module_tests vl9738k_module vl9738k-scenarios
(cd "$root/build/asan" && ctest -j "$jobs" --output-on-failure)

echo "== request fuzzers (clang libFuzzer, ASan + UBSan): a fixed seed and a bounded number of runs"
CC=clang CXX=clang++ bash "$root/scripts/build.sh" build/fuzz -DCMAKE_BUILD_TYPE=Release -DVL_FUZZ=ON \
  -DVL_SANITIZE=address,undefined -- vl_request_fuzzer vl_fpga_request_fuzzer
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
log="$corpus/fuzzer.log"
if ! ASAN_OPTIONS=detect_leaks=1 "$root/build/fuzz/fuzz/vl_request_fuzzer" \
  -seed=1 -runs="${VL_FUZZ_RUNS:-6000}" -max_total_time=120 -print_final_stats=1 "$corpus" "$root/fuzz/seeds/main" \
  >"$log" 2>&1; then
  # The report from its first line: the stacks of the access, the free and the allocation.
  sed -n '/ERROR: /,$p' "$log" | head -n 200
  tail -n 20 "$log"
  exit 1
fi
grep -E "INITED|DONE|^stat::" "$log" || true
fpgaCorpus="$corpus/fpga"
mkdir -p "$fpgaCorpus"
if ! ASAN_OPTIONS=detect_leaks=1 "$root/build/fuzz/fuzz/vl_fpga_request_fuzzer" \
  -seed=1 -runs="${VL_FUZZ_RUNS:-50000}" -max_total_time=120 -print_final_stats=1 "$fpgaCorpus" \
  "$root/fuzz/seeds/fpga" >"$log" 2>&1; then
  # The report from its first line: the stacks of the access, the free and the allocation.
  sed -n '/ERROR: /,$p' "$log" | head -n 200
  tail -n 20 "$log"
  exit 1
fi
grep -E "INITED|DONE|^stat::" "$log" || true

echo "== ThreadSanitizer"
bash "$root/scripts/build.sh" build/tsan -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=thread -- vl_thread_tests
(cd "$root/build/tsan" && ctest -j "$jobs" --output-on-failure -R Threads)
