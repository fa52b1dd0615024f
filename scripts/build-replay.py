#!/usr/bin/env python3
"""build-replay.py RUNNER SEED [--kept a,b,...] [--from N] PHASE...

Builds a shortened scenario replay up one step at a time, for a fault that
seed ranges no longer meet. A run given `--only` runs its kept steps in
order, each drawing from the seed and its own index, so any later step of
a seed may follow the steps kept so far. For each PHASE, in order, this
runs the kept steps and then one candidate step after the last, for
candidates N, N+1, ..., and keeps the first candidate whose step matches:
a PHASE is a regular expression searched in the candidate step's lines
(its `--describe` lines and whatever the runner prints to stderr for that
step, as temporary prints on a scratch branch may), or FAIL for a run that
fails. Prints each step kept and, at the end, the replay's options.

  scripts/build-replay.py scratch/vl9738k-scenarios 11 \\
      'attach session [0-9]+ to a new client' 'attach session [0-9]+ to client' FAIL

Environment: REPLAY_JOBS (runs side by side, default the processors),
REPLAY_TRIES (candidates per phase, default 20000).
"""
import argparse
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor


def run_candidate(runner, seed, kept, step):
    only = ",".join(str(s) for s in kept + [step])
    done = subprocess.run([runner, "--seeds", str(seed), "--steps", str(step + 1), "--only", only, "--describe",
                           "--no-shrink"], capture_output=True, text=True)
    mine = re.compile(r"\bstep %d\b" % step)
    lines = [line for line in (done.stdout + done.stderr).splitlines() if mine.search(line)]
    return step, done.returncode != 0, "\n".join(lines)


def find(runner, seed, kept, first, phase, jobs, tries):
    pattern = None if phase == "FAIL" else re.compile(phase, re.M)
    with ThreadPoolExecutor(jobs) as pool:
        for base in range(first, first + tries, jobs * 4):
            batch = range(base, min(base + jobs * 4, first + tries))
            for step, failed, text in pool.map(lambda s: run_candidate(runner, seed, kept, s), batch):
                if (failed if pattern is None else pattern.search(text) is not None):
                    return step, text
    return None, None


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("runner")
    parser.add_argument("seed", type=int)
    parser.add_argument("phases", nargs="+")
    parser.add_argument("--kept", default="")
    parser.add_argument("--from", dest="first", type=int, default=None)
    options = parser.parse_args()
    kept = [int(s) for s in options.kept.split(",") if s]
    first = options.first if options.first is not None else (kept[-1] + 1 if kept else 0)
    jobs = int(os.environ.get("REPLAY_JOBS", os.cpu_count() or 1))
    tries = int(os.environ.get("REPLAY_TRIES", 20000))
    for phase in options.phases:
        step, text = find(options.runner, options.seed, kept, first, phase, jobs, tries)
        if step is None:
            print("no step from %d to %d matches %r" % (first, first + tries - 1, phase))
            return 1
        kept.append(step)
        first = step + 1
        print(text)
    print("--seeds %d --steps %d --only %s" % (options.seed, kept[-1] + 1, ",".join(str(s) for s in kept)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
