#!/usr/bin/env bash
# scenarios-long.sh <vl9738k-scenarios> [first-seed] [seeds] [steps]
# A million scenario steps by default (1,000 seeds of 1,000 steps), split
# into one seed range per processor; each range stops at its first failing
# seed and prints its shortened replay. Ends with the summed figures.
# The size may also come from the environment, so that the build target
# runs a longer set without a change:
#   VL_SCENARIO_SEEDS=10000 VL_SCENARIO_STEPS=1000 ninja -C build/release scenarios_long
# (VL_SCENARIO_FIRST_SEED, VL_SCENARIO_JOBS likewise; arguments win.)
set -euo pipefail
runner="$1"
first="${2:-${VL_SCENARIO_FIRST_SEED:-1000}}"
seeds="${3:-${VL_SCENARIO_SEEDS:-1000}}"
steps="${4:-${VL_SCENARIO_STEPS:-1000}}"
jobs="${VL_SCENARIO_JOBS:-$(nproc)}"
echo "scenarios: seeds $first-$((first + seeds - 1)), $steps steps each, $jobs ranges side by side"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
per=$(((seeds + jobs - 1) / jobs))
pids=()
for ((job = 0; job < jobs; ++job)); do
  from=$((first + job * per))
  to=$((from + per - 1))
  last=$((first + seeds - 1))
  ((from <= last)) || break
  ((to <= last)) || to=$last
  "$runner" --seeds "$from-$to" --steps "$steps" >"$out/$job" 2>&1 &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
cat "$out"/*
awk '/ seeds, / { seeds += $1; steps += $3; cpu += $14 } END {
  if (cpu > 0) printf "total: %d seeds, %d steps, %.0f s CPU, %.0f steps per CPU second\n", seeds, steps, cpu, steps / cpu }' "$out"/*
exit $status
