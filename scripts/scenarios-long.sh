#!/usr/bin/env bash
# scenarios-long.sh <vl9738k-scenarios> [first-seed] [seeds] [steps]
# A million scenario steps by default (1,000 seeds of 1,000 steps), split
# into one seed range per processor; each range stops at its first failing
# seed and prints its shortened replay. Ends with the summed figures.
set -euo pipefail
runner="$1"
first="${2:-1000}"
seeds="${3:-1000}"
steps="${4:-1000}"
jobs="$(nproc)"
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
