#!/usr/bin/env bash
# Every test, three ways: the plain build (with the module symbol check and a
# short benchmark run), AddressSanitizer + UndefinedBehaviorSanitizer, and
# ThreadSanitizer over the suites that run real threads (their own target).
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
  vl_tests vl_module_tests vl9738k_module
(cd "$root/build/asan" && ctest -j "$jobs" --output-on-failure)

echo "== ThreadSanitizer"
bash "$root/scripts/build.sh" build/tsan -DCMAKE_BUILD_TYPE=Debug -DVL_SANITIZE=thread -- vl_thread_tests
(cd "$root/build/tsan" && ctest -j "$jobs" --output-on-failure -R Threads)
