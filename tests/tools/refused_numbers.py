#!/usr/bin/env python3
"""Numbers the tools must refuse: each command line, run as a person would,
must exit with status 2, print nothing on standard output, and print one
line on standard error naming the option and the value it refuses (a value
read in part, or wrapped round, would run something else instead).

  refused_numbers.py <vl9738k-scenarios>
"""
import os
import signal
import subprocess
import sys

SCRIPTS = os.path.join(os.path.dirname(__file__), "..", "..", "scripts")
RUNNER = sys.argv[1] if len(sys.argv) > 1 else "vl9738k-scenarios"
REPLAY = [sys.executable, os.path.join(SCRIPTS, "build-replay.py"), RUNNER]
LONG = ["bash", os.path.join(SCRIPTS, "scenarios-long.sh"), RUNNER]
STRESS = os.path.join(os.path.dirname(RUNNER), "vl9738k-stress")

# (command line, environment, the option named, the value named)
CASES = [
    ([RUNNER, "--expect", "zz"], {}, "--expect", "zz"),
    ([RUNNER, "--expect", "12zz"], {}, "--expect", "12zz"),
    ([RUNNER, "--expect", "1" * 17], {}, "--expect", "1" * 17),
    ([RUNNER, "--seeds", "5-x"], {}, "--seeds", "5-x"),
    ([RUNNER, "--seeds", "-5"], {}, "--seeds", "-5"),
    ([RUNNER, "--seeds", "9-3"], {}, "--seeds", "9-3"),
    ([RUNNER, "--seeds", "18446744073709551615"], {}, "--seeds", "18446744073709551615"),
    ([RUNNER, "--steps", "abc"], {}, "--steps", "abc"),
    ([RUNNER, "--steps", "-1"], {}, "--steps", "-1"),
    ([RUNNER, "--steps", "5000000000"], {}, "--steps", "5000000000"),
    ([RUNNER, "--steps", "0"], {}, "--steps", "0"),
    ([RUNNER, "--steps", " 7"], {}, "--steps", " 7"),
    ([RUNNER, "--only", "1,,2"], {}, "--only", "1,,2"),
    ([RUNNER, "--only", "1,2,"], {}, "--only", "1,2,"),
    ([RUNNER, "--only", "+1"], {}, "--only", "+1"),
    ([RUNNER, "--steps", "5", "--only", "2,5"], {}, "--only", "5"),
    ([RUNNER, "--steps"], {}, "--steps", ""),
    (REPLAY + ["x", "FAIL"], {}, "SEED", "x"),
    (REPLAY + ["-3", "FAIL"], {}, "SEED", "-3"),
    (REPLAY + ["1_000", "FAIL"], {}, "SEED", "1_000"),
    (REPLAY + ["5", "FAIL", "--from", "-1"], {}, "--from", "-1"),
    (REPLAY + ["5", "FAIL", "--kept", "1,,2"], {}, "--kept", "1,,2"),
    (REPLAY + ["5", "FAIL"], {"REPLAY_JOBS": "0"}, "REPLAY_JOBS", "0"),
    (REPLAY + ["5", "FAIL"], {"REPLAY_TRIES": "2e4"}, "REPLAY_TRIES", "2e4"),
    (LONG + ["x"], {}, "first-seed", "x"),
    (LONG + ["1", "0"], {}, "seeds", "0"),
    (LONG + ["1", "1", "-1"], {}, "steps", "-1"),
    (LONG, {"VL_SCENARIO_STEPS": "1e3"}, "VL_SCENARIO_STEPS", "1e3"),
    (LONG, {"VL_SCENARIO_JOBS": "x[0]"}, "VL_SCENARIO_JOBS", "x[0]"),
    (LONG, {"VL_SCENARIO_CHUNK": "0"}, "VL_SCENARIO_CHUNK", "0"),
    ([STRESS, "--seed", "-1"], {}, "--seed", "-1"),
    ([STRESS, "--seeds", "9-3"], {}, "--seeds", "9-3"),
    ([STRESS, "--threads", "0"], {}, "--threads", "0"),
    ([STRESS, "--rounds", "+5"], {}, "--rounds", "+5"),
]


def refusal(argv, environment):
    """The run of `argv`; one still going after 20 s (a refused number never
    gets as far as a run) is stopped with whatever it started."""
    with subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=environment,
                          start_new_session=True) as process:
        try:
            out, err = process.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            err += "still running after 20 s"
    return subprocess.CompletedProcess(argv, process.returncode, out, err)


def main():
    failures = 0
    for argv, environment, option, value in CASES:
        run = refusal(argv, {**os.environ, **environment})
        lines = run.stderr.splitlines()
        named = len(lines) == 1 and option in lines[0] and (not value or f"'{value}'" in lines[0] or
                                                            f" {value}," in lines[0])
        if run.returncode != 2 or run.stdout or not named:
            failures += 1
            shown = " ".join(f"{key}={text}" for key, text in environment.items())
            print(f"{shown} {' '.join(argv)}: exit status {run.returncode}, not 2 with one line naming {option} "
                  f"and '{value}':\n{run.stdout}{run.stderr}", end="\n")
    print(f"{len(CASES) - failures} of {len(CASES)} bad numbers refused in one line, exit status 2")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
