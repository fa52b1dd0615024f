#!/usr/bin/env bash
# stress.sh [release|asan|tsan] [options]: builds the stress in one flavour
# (the flags run-tests.sh uses) and runs a range of seeds side by side, one
# process per seed; prints each failing seed and exits 1 if any failed.
#   --seeds A-B     the seeds (default 1-24)
#   --jobs N        processes at once (default 3)
#   --threads N     client threads of each seed (default 4)
#   --rounds N      operations of each client (default 40000 in the release
#                   build, 3-10 s a seed; 20000 under AddressSanitizer, about
#                   12 s; 4000 under ThreadSanitizer, about a minute)
#   --watchdog S    seconds without progress before a seed aborts (default 120)
# Each seed's output goes to build/<flavour>/stress-logs/<seed>.log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-release}"
shift || true
seeds=1-24 jobs=3 threads=4 rounds="" watchdog=120
while (($#)); do
  case "$1" in
    --seeds) seeds="$2" ;;
    --jobs) jobs="$2" ;;
    --threads) threads="$2" ;;
    --rounds) rounds="$2" ;;
    --watchdog) watchdog="$2" ;;
    *) echo "stress.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
sanitized=(-DCMAKE_BUILD_TYPE=Debug -DVL_DEBUG_INFO=-g1)
case "$flavour" in
  release) options=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) options=("${sanitized[@]}" -DVL_SANITIZE=address,undefined) ;;
  tsan) options=("${sanitized[@]}" -DVL_SANITIZE=thread) ;;
  *) echo "stress.sh: the flavour is release, asan or tsan, not $flavour" >&2; exit 2 ;;
esac
if [ -z "$rounds" ]; then
  case "$flavour" in
    release) rounds=40000 ;;
    asan) rounds=20000 ;;
    tsan) rounds=4000 ;;
  esac
fi
if ! [[ "$seeds" =~ ^[0-9]+-[0-9]+$ && "$jobs" =~ ^[1-9][0-9]*$ ]]; then
  echo "stress.sh: bad --seeds '$seeds' or --jobs '$jobs'" >&2
  exit 2
fi
bash "$root/scripts/deps.sh"
bash "$root/scripts/build.sh" "build/$flavour" "${options[@]}" -- -j3 vl9738k-stress vl9738k_module
logs="$root/build/$flavour/stress-logs"
mkdir -p "$logs"
rm -f "$logs"/*.log
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
runOne() {
  if "$1" --seed "$2" --threads "$3" --rounds "$4" --watchdog "$5" >"$6/$2.log" 2>&1; then
    echo "seed $2 passed"
  else
    echo "seed $2 FAILED (exit $?): $6/$2.log"
  fi
}
export -f runOne
first="${seeds%-*}" last="${seeds#*-}"
results="$(seq "$first" "$last" | xargs -P "$jobs" -I{} bash -c \
  'runOne "$@"' _ "$root/build/$flavour/tools/vl9738k-stress" {} "$threads" "$rounds" "$watchdog" "$logs")"
echo "$results" | sort -k2,2n
failing="$(echo "$results" | awk '$3 == "FAILED" {print $2}' | sort -n | tr '\n' ' ')"
echo "$(echo "$results" | grep -c passed) passed, $(echo "$results" | grep -c FAILED) failed"
if [ -n "$failing" ]; then
  echo "failing seeds: $failing"
  exit 1
fi
