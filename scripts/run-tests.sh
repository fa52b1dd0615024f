#!/usr/bin/env bash
# Every test, three ways: the plain build (with the module symbol check and a
# short benchmark run), AddressSanitizer + UndefinedBehaviorSanitizer, and
# ThreadSanitizer over the suites that run real threads (their own target);
# and the request fuzzers for a bounded number of runs from their committed
# seeds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
bash "$root/scripts/deps.sh"
# Each stage ends with its wall and CPU time (user + system, its children's
# included), so that a slow stage shows on a two-core machine.
TIMEFORMAT="-- stage time: %R s wall, %U s user, %S s system"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Each test process writes its peak memory to VL_PEAK_LOG and fails above
# 1 GiB; after each build's tests the largest is printed.
peaks() {
  [ -s "$scratch/peak.log" ] || return 0
  sort -n "$scratch/peak.log" | tail -n 1 | awk -v build="$1" \
    '{printf "-- peak memory of the %s tests: %d MiB (%s)\n", build, $1 / 1024, substr($0, index($0, " ") + 1)}'
  rm -f "$scratch/peak.log"
}
export VL_PEAK_LOG="$scratch/peak.log"

# The sanitizer builds keep line tables only (-g1): their reports still
# name each frame's function, file and line, and the compiler spends a
# third less time on the test files.
sanitized=(-DCMAKE_BUILD_TYPE=Debug -DVL_DEBUG_INFO=-g1)

plain() {
  echo "== plain build"
  bash "$root/scripts/build.sh" build/release -DCMAKE_BUILD_TYPE=Release
  (cd "$root/build/release" && ctest -j "$jobs" --output-on-failure)
  peaks plain
  "$root/build/release/bench/vl_bench" --benchmark_min_time=0.01
}

asan() {
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  bash "$root/scripts/build.sh" build/asan "${sanitized[@]}" -DVL_SANITIZE=address,undefined -- \
    vl_tests vl_module_tests vl9738k_module vl9738k-scenarios vl9738k-stress
  # ASan keeps freed blocks in a quarantine, 256 MiB by default, to catch a
  # late use; the scenario runs free that much in a few dozen steps and then
  # sit near 800 MiB. 64 MiB still holds thousands of requests' frees, and
  # leaves each test room under its 1 GiB limit.
  (cd "$root/build/asan" && ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}" ctest -j "$jobs" --output-on-failure)
  peaks "ASan + UBSan"
}

# fuzzOne <fuzzer> <runs> <seeds>: a fixed seed, a bounded number of runs,
# and the memory limit every test run keeps (libFuzzer reports its peak).
fuzzOne() {
  local corpus="$scratch/$1" log="$scratch/$1.log"
  mkdir -p "$corpus"
  if ! ASAN_OPTIONS=detect_leaks=1 "$root/build/fuzz/fuzz/$1" -seed=1 -runs="$2" -max_total_time=120 \
    -rss_limit_mb=1024 -print_final_stats=1 "$corpus" "$root/fuzz/seeds/$3" >"$log" 2>&1; then
    # The report from its first line: the stacks of the access, the free and the allocation.
    sed -n '/ERROR: /,$p' "$log" | head -n 200
    tail -n 20 "$log"
    return 1
  fi
  grep -E "INITED|DONE|^stat::" "$log" || true
  grep -E "^stat::peak_rss_mb" "$log" | awk -v f="$1" '{printf "-- peak memory of %s: %d MiB\n", f, $2}'
}

fuzz() {
  echo "== request fuzzers (clang libFuzzer, ASan + UBSan): a fixed seed and a bounded number of runs"
  CC=clang CXX=clang++ bash "$root/scripts/build.sh" build/fuzz -DCMAKE_BUILD_TYPE=Release -DVL_FUZZ=ON \
    -DVL_SANITIZE=address,undefined -- vl_request_fuzzer vl_fpga_request_fuzzer
  # Sized to under a minute each side by side on one processor under ASan:
  # main, 60,000 inputs at 1,500-3,000 a second (most of its time in resets'
  # FPGA downloads and libFuzzer's leak checks); FPGA-session, 800,000 at
  # about 40,000.
  # Each folder under fuzz/repro holds inputs that once made a fuzzer fail,
  # run in their names' order; an "fpga-" folder is the FPGA-session fuzzer's.
  local folder fuzzer
  for folder in "$root"/fuzz/repro/*/; do
    fuzzer=vl_request_fuzzer
    [[ "$(basename "$folder")" == fpga-* ]] && fuzzer=vl_fpga_request_fuzzer
    if ! "$root/build/fuzz/fuzz/$fuzzer" "$folder"* >"$scratch/repro.log" 2>&1; then
      echo "$folder fails again:"
      sed -n '/ERROR: /,$p' "$scratch/repro.log" | head -n 100
      return 1
    fi
  done
  local main fpga status=0
  fuzzOne vl_request_fuzzer "${VL_FUZZ_RUNS:-60000}" main >"$scratch/main.out" 2>&1 &
  main=$!
  fuzzOne vl_fpga_request_fuzzer "${VL_FUZZ_RUNS:-800000}" fpga >"$scratch/fpga.out" 2>&1 &
  fpga=$!
  wait "$main" || status=1
  wait "$fpga" || status=1
  cat "$scratch/main.out" "$scratch/fpga.out"
  return $status
}

tsan() {
  echo "== ThreadSanitizer"
  bash "$root/scripts/build.sh" build/tsan "${sanitized[@]}" -DVL_SANITIZE=thread -- vl_thread_tests vl9738k_module \
    vl9738k-stress
  (cd "$root/build/tsan" && ctest -j "$jobs" --output-on-failure -R Threads)
  peaks TSan
}

time plain
time asan
time fuzz
time tsan
