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

# The runner's seeds and steps: a seed is 64-bit, a step's number 32-bit.
LAST_SEED = 2**64 - 2
LAST_STEP = 2**32 - 2


def run_candidate(runner, seed, kept, step):
    only = ",".join(str(s) for s in kept + [step])
    done = subprocess.run([runner, "--seeds", str(seed), "--steps", str(step + 1), "--only", only, "--describe",
                           "--no-shrink"], capture_output=True, text=True)
    mine = re.compile(r"\bstep %d\b" % step)
    lines = [line for line in (done.stdout + done.stderr).splitlines() if mine.search(line)]
    return step, done.returncode != 0, "\n".join(lines)


def find(runner, seed, kept, first, phase, jobs, tries):
    pattern = None if phase == "FAIL" else re.compile(phase, re.M)
    # A candidate past the runner's last step would be refused, not run.
    end = min(first + tries, LAST_STEP + 1)
    with ThreadPoolExecutor(jobs) as pool:
        for base in range(first, end, jobs * 4):
            batch = range(base, min(base + jobs * 4, end))
            for step, failed, text in pool.map(lambda s: run_candidate(runner, seed, kept, s), batch):
                if (failed if pattern is None else pattern.search(text) is not None):
                    return step, text
    return None, None


def whole(text, lowest, highest):
    """The number that is the whole of `text` (decimal digits only: int()
    would take a sign, spaces and underscores), or None outside the range."""
    if not re.fullmatch(r"[0-9]+", text, re.ASCII) or not lowest <= int(text) <= highest:
        return None
    return int(text)


def refuse(name, takes, value):
    """A bad value is one line and exit status 2, as the runner's are."""
    print("build-replay.py: %s takes %s, not '%s'" % (name, takes, value), file=sys.stderr)
    sys.exit(2)


def number(name, value, lowest, highest):
    found = whole(value, lowest, highest)
    if found is None:
        refuse(name, "a number from %d to %d" % (lowest, highest), value)
    return found


class Parser(argparse.ArgumentParser):
    def error(self, message):
        print("build-replay.py: %s (the usage is at the top of the script)" % message, file=sys.stderr)
        sys.exit(2)


def main():
    parser = Parser(usage=__doc__)
    parser.add_argument("runner")
    parser.add_argument("seed")
    parser.add_argument("phases", nargs="+")
    parser.add_argument("--kept", default="")
    parser.add_argument("--from", dest="first", default=None)
    options = parser.parse_args()
    seed = number("SEED", options.seed, 0, LAST_SEED)
    kept = [whole(s, 0, LAST_STEP) for s in options.kept.split(",")] if options.kept else []
    if None in kept:
        refuse("--kept", "step numbers separated by commas", options.kept)
    first = number("--from", options.first, 0, LAST_STEP) if options.first is not None else (
        kept[-1] + 1 if kept else 0)
    jobs = number("REPLAY_JOBS", os.environ.get("REPLAY_JOBS", str(os.cpu_count() or 1)), 1, 4096)
    tries = number("REPLAY_TRIES", os.environ.get("REPLAY_TRIES", "20000"), 1, LAST_STEP)
    for phase in options.phases:
        step, text = find(options.runner, seed, kept, first, phase, jobs, tries)
        if step is None:
            print("no step from %d to %d matches %r" % (first, min(first + tries, LAST_STEP + 1) - 1, phase))
            return 1
        kept.append(step)
        first = step + 1
        print(text)
    print("--seeds %d --steps %d --only %s" % (seed, kept[-1] + 1, ",".join(str(s) for s in kept)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
