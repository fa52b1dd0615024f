#!/usr/bin/env bash
# The main job: build the driver module and drive it on a simulated board.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
bash "$root/scripts/build.sh" build/release -DCMAKE_BUILD_TYPE=Release -- vl9738k-sim vl9738k_module >/dev/null
exec "$root/build/release/tools/vl9738k-sim" "$@"
