#!/usr/bin/env bash
# The main job: build the driver module and its command-line front end,
# then run a short scripted session on a simulated board
# (scripts/main-session.txt). Arguments go to the front end instead:
#   bash scripts/run-main.sh --help
#   bash scripts/run-main.sh --serial 0x1234 --fault ref-not-ready properties selftest
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# The build is quiet when it succeeds; when it fails, its errors are the report.
if ! bash "$root/scripts/build.sh" build/release -DCMAKE_BUILD_TYPE=Release -- vl9738k-sim vl9738k_module \
  >"$log" 2>&1; then
  cat "$log" >&2
  echo "run-main.sh: the build failed; the compiler's output is above" >&2
  exit 1
fi
if (($#)); then
  exec "$root/build/release/tools/vl9738k-sim" "$@"
fi
exec "$root/build/release/tools/vl9738k-sim" --script "$root/scripts/main-session.txt"
