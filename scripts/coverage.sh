#!/usr/bin/env bash
# coverage.sh: how much of driver/ the tests reach. A gcc --coverage build
# (build/coverage) runs the unit tests, the module tests through the
# coverage-only packaging of the module, the bounded scenario ranges and
# each fuzzer's committed seeds (replayed by a plain program, no libFuzzer);
# then prints one summary line for driver/ (lines, branches, functions) and
# a table per folder. Needs gcovr, which it installs when it is missing
# (only this script uses it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${VL_COVERAGE_JOBS:-$(nproc)}"
bash "$root/scripts/deps.sh"
if ! command -v gcovr >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gcovr
fi
build="$root/build/coverage"
bash "$root/scripts/build.sh" build/coverage -DCMAKE_BUILD_TYPE=Debug -DVL_COVERAGE=ON -- -j "$jobs" \
  vl_tests vl_module_tests vl9738k_module vl9738k-scenarios vl_request_fuzzer vl_fpga_request_fuzzer
# Counters from an earlier run would add to these.
find "$build" -name '*.gcda' -delete
# The search for the reopened module's fault runs another module's objects.
(cd "$build" && ctest -j "$jobs" --output-on-failure -E scenarios_find_reopened_fault) || true
"$build/fuzz/vl_request_fuzzer" "$root/fuzz/seeds/main"
"$build/fuzz/vl_fpga_request_fuzzer" "$root/fuzz/seeds/fpga"
json="$build/coverage.json"
(cd "$build" && gcovr --root "$root" --filter "$root/driver/" --exclude-unreachable-branches \
  --exclude-throw-branches --json "$json" -j "$jobs" . >/dev/null)
python3 - "$json" <<'PY'
import collections, json, sys
files = json.load(open(sys.argv[1]))["files"]
folders = collections.defaultdict(lambda: [0] * 6)
for f in files:
    name = f["file"]
    if not name.startswith("driver/"):
        continue
    parts = name.split("/")
    folder = "/".join(parts[:3]) if len(parts) > 3 else "/".join(parts[:2])
    lines = [l for l in f["lines"] if not l.get("gcovr/noncode")]
    branches = [b for l in lines for b in l["branches"]]
    functions = f.get("functions", [])
    t = folders[folder]
    t[0] += sum(1 for l in lines if l["count"] > 0); t[1] += len(lines)
    t[2] += sum(1 for b in branches if b["count"] > 0); t[3] += len(branches)
    t[4] += sum(1 for fn in functions if fn["execution_count"] > 0); t[5] += len(functions)
def pct(a, b): return 100.0 * a / b if b else 100.0
total = [sum(t[i] for t in folders.values()) for i in range(6)]
print("driver/: lines %.1f%% (%d of %d), branches %.1f%% (%d of %d), functions %.1f%% (%d of %d)" % (
    pct(total[0], total[1]), total[0], total[1], pct(total[2], total[3]), total[2], total[3],
    pct(total[4], total[5]), total[4], total[5]))
print("| folder | lines | branches | functions |")
print("|---|---|---|---|")
for folder in sorted(folders):
    t = folders[folder]
    print("| %s | %.1f%% of %d | %.1f%% of %d | %.1f%% of %d |" % (folder, pct(t[0], t[1]), t[1], pct(t[2], t[3]), t[3], pct(t[4], t[5]), t[5]))
PY
