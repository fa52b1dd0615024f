#!/usr/bin/env bash
# scenarios-long.sh <vl9738k-scenarios> [first-seed] [seeds] [steps]
# A million scenario steps by default (1,000 seeds of 1,000 steps), in
# chunks of 50 seeds run one per processor. Each chunk prints its summary
# line as it ends, so a long run shows its progress; a chunk stops at its
# first failing seed and prints that seed's shortened replay, the others
# go on. Ends with the summed figures.
# The size may also come from the environment, so that the build target
# runs a longer set without a change:
#   VL_SCENARIO_SEEDS=10000 VL_SCENARIO_STEPS=1000 ninja -C build/release scenarios_long
# (VL_SCENARIO_FIRST_SEED, VL_SCENARIO_JOBS, VL_SCENARIO_CHUNK likewise; arguments win.)
set -euo pipefail
# whole NAME VALUE LOWEST: the value must be decimal digits only, from
# LOWEST, and small enough for the shell's arithmetic and the runner's
# 32-bit step counts (bash would take a name or an expression for a
# number, and a sign).
whole() {
  if ! [[ "$2" =~ ^[0-9]{1,9}$ ]] || ((10#$2 < $3)); then
    echo "scenarios-long.sh: $1 takes a number from $3 to 999999999, not '$2'" >&2
    exit 2
  fi
}
runner="$1"
first="${2:-${VL_SCENARIO_FIRST_SEED:-1000}}"
seeds="${3:-${VL_SCENARIO_SEEDS:-1000}}"
steps="${4:-${VL_SCENARIO_STEPS:-1000}}"
jobs="${VL_SCENARIO_JOBS:-$(nproc)}"
chunk="${VL_SCENARIO_CHUNK:-50}"
whole "first-seed (or VL_SCENARIO_FIRST_SEED)" "$first" 0
whole "seeds (or VL_SCENARIO_SEEDS)" "$seeds" 1
whole "steps (or VL_SCENARIO_STEPS)" "$steps" 1
whole VL_SCENARIO_JOBS "$jobs" 1
whole VL_SCENARIO_CHUNK "$chunk" 1
first=$((10#$first)) seeds=$((10#$seeds)) steps=$((10#$steps)) jobs=$((10#$jobs)) chunk=$((10#$chunk))
last=$((first + seeds - 1))
echo "scenarios: seeds $first-$last, $steps steps each, chunks of $chunk seeds, $jobs side by side"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export runner steps chunk last out
# shellcheck disable=SC2016 # expanded by the inner shell
seq "$first" "$chunk" "$last" | xargs -P "$jobs" -I{} bash -c '
  from={}; to=$((from + chunk - 1)); ((to <= last)) || to=$last
  if "$runner" --seeds "$from-$to" --steps "$steps" >"$out/$from" 2>&1; then
    echo "seeds $from-$to: $(tail -n 1 "$out/$from")"
  else
    echo "seeds $from-$to: FAILED"; cat "$out/$from"; touch "$out/failed"
  fi' || true
awk '/ seeds, / { seeds += $1; steps += $3; cpu += $14 } END {
  if (cpu > 0) printf "total: %d seeds, %d steps, %.0f s CPU, %.0f steps per CPU second\n", seeds, steps, cpu, steps / cpu }' "$out"/*
[ ! -e "$out/failed" ]
