#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...] -- [ninja targets...]
# Configures (once) and builds one flavour of the tree.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"
shift
options=()
while (($#)) && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
if (($#)); then shift; fi
cmake -S "$root" -B "$root/$dir" -G Ninja "${options[@]}" >/dev/null
ninja -C "$root/$dir" "$@"
