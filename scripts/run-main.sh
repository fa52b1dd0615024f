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
# Only the module and the front end, the driver objects compiled in batches
# (VL_UNITY), in a build folder of their own so that the test builds keep
# their settings. Two file-local names that meet in a batch stop that
# build: then the objects are compiled one by one, as in every other build.
# The build is quiet when it succeeds; when it fails, its errors are the
# report.
build() { bash "$root/scripts/build.sh" build/main -DCMAKE_BUILD_TYPE=Release "-DVL_UNITY=$1" -- vl9738k-sim vl9738k_module; }
echo "run-main.sh: building the driver module and its front end vl9738k-sim in build/main" \
  "(45 s to two minutes on two processors the first time, by the machine's load; seconds after)" >&2
if ! build ON >"$log" 2>&1; then
  echo "run-main.sh: the batched build failed (file-local names meet in a batch: see driver/CMakeLists.txt);" \
    "building file by file" >&2
  if ! build OFF >"$log" 2>&1; then
    cat "$log" >&2
    echo "run-main.sh: the build failed; the compiler's output is above" >&2
    exit 1
  fi
fi
if (($#)); then
  exec "$root/build/main/tools/vl9738k-sim" "$@"
fi
exec "$root/build/main/tools/vl9738k-sim" --script "$root/scripts/main-session.txt"
