// vl9738k-scenarios: seeded scenarios over the packaged module in the
// kernel layer's deterministic mode.
//
//   vl9738k-scenarios [--seeds A[-B]] [--steps N] [--only s,s,...] [--describe]
//                     [--replay-check] [--no-shrink] [--quiet]
//                     [--module PATH] [--expect-failure]
//                     [--digest] [--expect HEX]
//
// A failing seed prints the seed, the step and a shortened replay: the
// fewest steps (each still drawn from its own (seed, step)) that still fail,
// found by re-running this program on subsets of the steps.
//
// --module loads another build of the module (one made for tests with a
// fault left in). --expect-failure turns the verdict round: the run
// succeeds only when some seed fails and its shortened replay, run twice,
// fails both times with the same failure and the same trace hash, while
// the packaged module keeps every invariant of that replay (a seed the
// packaged module fails as well is passed over).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "sim/host/PeakMemory.h"
#include "sim/kernel/Kernel.h"
#include "sim/kernel/Scheduler.h"
#include "tools/vl9738k-sim/WholeNumber.h"

extern char** environ;

namespace {

using vlscenario::Scenario;

struct Arguments {
  uint64_t firstSeed = 1;
  uint64_t lastSeed = 1;
  uint32_t steps = 200;
  std::set<uint32_t> only;
  bool describe = false;
  bool replayCheck = false;
  bool shrink = true;
  bool quiet = false;
  bool expectFailure = false;
  bool digest = false;
  std::optional<uint64_t> expectedDigest;
};

// Why a value of an option is refused: the option, what it takes, the value.
std::string refusal(const std::string& option, const char* takes, const std::string& value) {
  return option + " takes " + takes + ", not '" + value + "'";
}

// A run's seeds go one past the last (the search for an expected failure
// goes on from the next seed), and a step's number is a 32-bit one.
constexpr uint64_t kLastSeed = UINT64_MAX - 1;

// Comma-separated step numbers, each whole; false at an empty one.
bool parseSteps(const std::string& value, std::set<uint32_t>& steps) {
  for (size_t at = 0; at <= value.size();) {
    const size_t comma = std::min(value.find(',', at), value.size());
    const std::optional<uint64_t> step = vlcli::wholeNumber(value.substr(at, comma - at), 10, 0, UINT32_MAX - 1);
    if (!step) return false;
    steps.insert(static_cast<uint32_t>(*step));
    at = comma + 1;
  }
  return true;
}

// Empty when the command line can run; otherwise why not, in one line.
std::string parse(int argc, char** argv, Arguments& arguments) {
  static const char* const kValued[] = {"--seeds", "--steps", "--only", "--module", "--expect"};
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool valued = std::find_if(std::begin(kValued), std::end(kValued),
                                     [&](const char* name) { return option == name; }) != std::end(kValued);
    if (valued && i + 1 == argc) return option + " needs a value";
    const std::string value = valued ? argv[++i] : "";
    if (option == "--seeds") {
      const size_t dash = value.find('-');
      const auto first = vlcli::wholeNumber(value.substr(0, dash), 10, 0, kLastSeed);
      const auto last =
          dash == std::string::npos ? first : vlcli::wholeNumber(value.substr(dash + 1), 10, 0, kLastSeed);
      if (!first || !last || *first > *last) {
        return refusal(option, "a seed or seeds A-B, A <= B, from 0 to 18446744073709551614", value);
      }
      arguments.firstSeed = *first;
      arguments.lastSeed = *last;
    } else if (option == "--steps") {
      const auto steps = vlcli::wholeNumber(value, 10, 1, UINT32_MAX);
      if (!steps) return refusal(option, "a number from 1 to 4294967295", value);
      arguments.steps = static_cast<uint32_t>(*steps);
    } else if (option == "--only") {
      if (!parseSteps(value, arguments.only)) return refusal(option, "step numbers separated by commas", value);
    } else if (option == "--describe") {
      arguments.describe = true;
    } else if (option == "--replay-check") {
      arguments.replayCheck = true;
    } else if (option == "--no-shrink") {
      arguments.shrink = false;
    } else if (option == "--quiet") {
      arguments.quiet = true;
    } else if (option == "--module") {
      // Read by the kernel layer's module loader, here and in the replays.
      setenv("VL9738K_MODULE", value.c_str(), 1);
    } else if (option == "--expect-failure") {
      arguments.expectFailure = true;
    } else if (option == "--digest") {
      arguments.digest = true;
    } else if (option == "--expect") {
      arguments.expectedDigest = vlcli::wholeNumber(value, 16);
      if (!arguments.expectedDigest) return refusal(option, "a digest of up to 16 hexadecimal digits", value);
    } else {
      return "unknown option " + option;
    }
  }
  if (!arguments.only.empty() && *arguments.only.rbegin() >= arguments.steps) {
    return "--only names step " + std::to_string(*arguments.only.rbegin()) + ", past the last of --steps " +
           std::to_string(arguments.steps);
  }
  if (arguments.expectedDigest && arguments.firstSeed != arguments.lastSeed) {
    return "--expect names what one seed draws; give --seeds one seed";
  }
  return "";
}

Scenario::Options optionsFor(const Arguments& arguments, uint64_t seed, bool record) {
  Scenario::Options options;
  options.seed = seed;
  options.steps = arguments.steps;
  options.only = arguments.only;
  options.describe = arguments.describe;
  options.recordTrace = record;
  return options;
}

std::string joined(const std::vector<uint32_t>& steps) {
  std::string text;
  for (uint32_t step : steps) text += (text.empty() ? "" : ",") + std::to_string(step);
  return text;
}

// Runs this program on `steps` of `seed` alone, keeping what it prints in
// `output` (when given); true when that fails.
// With `packaged`, on the module built beside this program whatever
// --module said.
bool stillFails(uint64_t seed, uint32_t stepCount, const std::vector<uint32_t>& steps, std::string* output = nullptr,
                bool packaged = false) {
  const std::string seedText = std::to_string(seed);
  const std::string stepText = std::to_string(stepCount);
  const std::string onlyText = joined(steps);
  const char* argv[] = {"vl9738k-scenarios", "--seeds",     seedText.c_str(), "--steps", stepText.c_str(), "--only",
                        onlyText.c_str(),    "--no-shrink", "--quiet",        nullptr};
  int pipeEnds[2] = {-1, -1};
  if (output != nullptr && pipe(pipeEnds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output != nullptr) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  std::vector<char*> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!packaged || std::string(*entry).rfind("VL9738K_MODULE=", 0) != 0) environment.push_back(*entry);
  }
  environment.push_back(nullptr);
  const int spawned =
      posix_spawn(&child, "/proc/self/exe", &actions, nullptr, const_cast<char**>(argv), environment.data());
  posix_spawn_file_actions_destroy(&actions);
  if (output != nullptr) {
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got = 0;
    while (spawned == 0 && (got = read(pipeEnds[0], buffer, sizeof(buffer))) > 0) output->append(buffer, got);
    close(pipeEnds[0]);
  }
  if (spawned != 0) return false;
  int status = 0;
  waitpid(child, &status, 0);
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The shortened replay of an expected failure, run twice: both runs must
// fail and print the same failure and trace hash.
bool replaysAlike(uint64_t seed, uint32_t stepCount, const std::vector<uint32_t>& kept) {
  std::string first;
  std::string second;
  const bool failed = stillFails(seed, stepCount, kept, &first) && stillFails(seed, stepCount, kept, &second);
  const bool alike = failed && first == second && first.find("trace hash") != std::string::npos;
  std::printf("the shortened replay, run twice, %s:\n%s", alike ? "failed alike" : "did not fail alike", first.c_str());
  if (!alike) std::printf("then:\n%s", second.c_str());
  return alike;
}

// Drops chunks of the kept steps, halving the chunk, while the seed still
// fails.
std::vector<uint32_t> shorten(uint64_t seed, uint32_t failedStep, std::vector<uint32_t> kept) {
  constexpr int kMaxRuns = 120;
  int runs = 0;
  for (size_t chunk = std::max<size_t>(kept.size() / 2, 1); chunk >= 1 && runs < kMaxRuns; chunk /= 2) {
    for (size_t at = 0; at < kept.size() && runs < kMaxRuns;) {
      std::vector<uint32_t> candidate(kept.begin(), kept.begin() + static_cast<ptrdiff_t>(at));
      candidate.insert(candidate.end(), kept.begin() + static_cast<ptrdiff_t>(std::min(at + chunk, kept.size())),
                       kept.end());
      ++runs;
      if (!candidate.empty() && stillFails(seed, failedStep + 1, candidate)) {
        kept = candidate;
      } else {
        at += chunk;
      }
    }
    if (chunk == 1) break;
  }
  return kept;
}

// An expected failure that the packaged module shows as well is not the
// other module's: the search goes on from the next seed, in a process of
// its own (this one may have tasks that can never go on).
[[noreturn]] void searchOn(const Arguments& arguments, uint64_t seed) {
  if (seed >= arguments.lastSeed) {
    std::printf("no seed failed on the other module alone, though a failure was expected\n");
    std::fflush(stdout);
    _exit(1);
  }
  const std::string seeds = std::to_string(seed + 1) + "-" + std::to_string(arguments.lastSeed);
  const std::string steps = std::to_string(arguments.steps);
  const char* argv[] = {"vl9738k-scenarios",
                        "--seeds",
                        seeds.c_str(),
                        "--steps",
                        steps.c_str(),
                        "--expect-failure",
                        arguments.shrink ? "--quiet" : "--no-shrink",
                        nullptr};
  std::fflush(stdout);
  execv("/proc/self/exe", const_cast<char**>(argv));
  _exit(1);
}

[[noreturn]] void reportFailure(const Arguments& arguments, uint64_t seed, const Scenario& scenario) {
  std::printf("FAILED seed %llu at step %u (of %u): %s\ntrace hash %016llx\n", static_cast<unsigned long long>(seed),
              scenario.failedStep(), arguments.steps, scenario.failure().c_str(),
              static_cast<unsigned long long>(sim::Scheduler::traceHash()));
  // What the steps up to the failure drew: a replay that draws alike once
  // the fault is mended meets the same steps up to there.
  if (arguments.digest) {
    std::printf("digest %llu %016llx\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(scenario.drawDigest()));
  }
  std::fflush(stdout);
  std::vector<uint32_t> kept;
  for (uint32_t step = 0; step <= scenario.failedStep(); ++step) {
    if (arguments.only.empty() || arguments.only.count(step) != 0) kept.push_back(step);
  }
  if (arguments.expectFailure && stillFails(seed, scenario.failedStep() + 1, kept, nullptr, true)) {
    std::printf("the packaged module fails seed %llu as well: searching on\n", static_cast<unsigned long long>(seed));
    searchOn(arguments, seed);
  }
  if (arguments.shrink) {
    kept = shorten(seed, scenario.failedStep(), kept);
    std::printf(
        "shortened replay (%zu of %u steps):\n  vl9738k-scenarios --seeds %llu --steps %u --only %s --describe\n",
        kept.size(), scenario.failedStep() + 1, static_cast<unsigned long long>(seed), scenario.failedStep() + 1,
        joined(kept).c_str());
  }
  std::fflush(stdout);
  if (arguments.expectFailure) {
    if (stillFails(seed, scenario.failedStep() + 1, kept, nullptr, true)) {
      std::printf("the packaged module fails the shortened replay as well\n");
      std::fflush(stdout);
      _exit(1);
    }
    const bool alike = replaysAlike(seed, scenario.failedStep() + 1, kept);
    std::fflush(stdout);
    _exit(alike ? 0 : 1);
  }
  // Tasks of a deadlocked step still wait; nothing may unwind under them.
  _exit(1);
}

// What the no-progress report needs: it comes from inside a task.
const Arguments* gArguments = nullptr;
uint64_t gSeed = 0;
Scenario* gScenario = nullptr;
// Far above the longest run of calls made while the clock stands still
// (see the summary without --quiet): the flash family's 65,536 queries of
// unknown ids, about 460,000 calls; a bring-up makes far fewer.
constexpr uint64_t kNoProgressCalls = 4'000'000;

void watchProgress(const Arguments& arguments, uint64_t seed, Scenario& scenario) {
  gArguments = &arguments;
  gSeed = seed;
  gScenario = &scenario;
  sim::Scheduler::onNoProgress(kNoProgressCalls, [](const std::string& tasks) {
    gScenario->fail("no progress: " + std::to_string(kNoProgressCalls) +
                    " kernel-layer calls while the virtual clock stood still:" + tasks);
    reportFailure(*gArguments, gSeed, *gScenario);
  });
}

// Runs one seed twice with the trace kept and reports where the two part.
bool checkReplay(const Arguments& arguments, uint64_t seed) {
  std::vector<sim::Scheduler::TraceEntry> first;
  std::vector<size_t> starts;
  for (int run = 0; run < 2; ++run) {
    sim::resetKernel();
    sim::Scheduler::enable(seed);
    Scenario scenario(optionsFor(arguments, seed, true));
    watchProgress(arguments, seed, scenario);
    if (!scenario.run()) reportFailure(arguments, seed, scenario);
    std::vector<sim::Scheduler::TraceEntry> trace = sim::Scheduler::trace();
    if (run == 0) {
      first = std::move(trace);
      starts = scenario.stepStarts();
    } else {
      const size_t common = std::min(first.size(), trace.size());
      size_t at = 0;
      while (at < common && first[at].call == trace[at].call && first[at].task == trace[at].task &&
             first[at].detail == trace[at].detail) {
        ++at;
      }
      sim::Scheduler::disable();
      if (at == common && first.size() == trace.size()) {
        std::printf("replay of seed %llu: %zu kernel-layer calls, identical\n", static_cast<unsigned long long>(seed),
                    first.size());
        return true;
      }
      const auto step = std::upper_bound(starts.begin(), starts.end(), at) - starts.begin() - 1;
      std::printf("replay of seed %llu parts at call %zu (step %td):", static_cast<unsigned long long>(seed), at, step);
      if (at < common) {
        std::printf(" %s by %s, then %s by %s\n", sim::Scheduler::callName(first[at].call),
                    sim::Scheduler::taskName(first[at].task).c_str(), sim::Scheduler::callName(trace[at].call),
                    sim::Scheduler::taskName(trace[at].task).c_str());
      } else {
        std::printf(" one run is longer (%zu against %zu calls)\n", first.size(), trace.size());
      }
      return false;
    }
    sim::Scheduler::disable();
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A run that a sanitizer ends keeps every line it described up to there.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Arguments arguments;
  const std::string refused = parse(argc, argv, arguments);
  if (!refused.empty()) {
    // A bad value is its one line; an unknown option shows the usage too.
    std::fprintf(stderr, "vl9738k-scenarios: %s\n", refused.c_str());
    if (refused.rfind("unknown option", 0) != 0) return 2;
    std::fprintf(stderr,
                 "usage: vl9738k-scenarios [--seeds A[-B]] [--steps N] [--only s,s,...] [--describe]\n"
                 "                         [--replay-check] [--no-shrink] [--quiet]\n"
                 "                         [--module PATH] [--expect-failure] [--digest] [--expect HEX]\n");
    return 2;
  }
  std::string error;
  if (!Scenario::learnGuardedRequests(error)) {
    std::fprintf(stderr, "vl9738k-scenarios: %s\n", error.c_str());
    return 1;
  }
  if (arguments.replayCheck && !checkReplay(arguments, arguments.firstSeed)) return 1;

  const auto wallStart = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  uint64_t steps = 0;
  uint64_t switches = 0;
  // Over every seed's trace: equal in two processes when they replayed
  // alike.
  uint64_t traceHash = 0;
  for (uint64_t seed = arguments.firstSeed; seed <= arguments.lastSeed; ++seed) {
    sim::resetKernel();
    sim::Scheduler::enable(seed);
    Scenario scenario(optionsFor(arguments, seed, false));
    watchProgress(arguments, seed, scenario);
    if (arguments.describe) std::printf("seed %llu\n", static_cast<unsigned long long>(seed));
    if (!scenario.run()) reportFailure(arguments, seed, scenario);
    if (arguments.digest) {
      std::printf("digest %llu %016llx\n", static_cast<unsigned long long>(seed),
                  static_cast<unsigned long long>(scenario.drawDigest()));
    }
    if (arguments.expectedDigest && *arguments.expectedDigest != scenario.drawDigest()) {
      std::printf(
          "seed %llu: the kept steps draw other operations than this replay expects (expected %016llx, drew "
          "%016llx): the replay no longer reproduces what it was made for; find the fault again with its mend "
          "taken out (see docs/scenarios.md), do not just update the expectation\n",
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(*arguments.expectedDigest),
          static_cast<unsigned long long>(scenario.drawDigest()));
      return 1;
    }
    steps += scenario.stepsRun();
    switches += scenario.switches();
    traceHash = traceHash * 31 + sim::Scheduler::traceHash();
    sim::Scheduler::disable();
  }
  if (arguments.expectFailure) {
    std::printf("no seed failed, though a failure was expected\n");
    return 1;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  if (!arguments.quiet) {
    std::printf(
        "%llu seeds, %llu steps, %llu task switches, trace hash %016llx: %.1f s wall, %.1f s CPU, %.0f steps per CPU "
        "second; at most %llu calls while the clock stood still\n",
        static_cast<unsigned long long>(arguments.lastSeed - arguments.firstSeed + 1),
        static_cast<unsigned long long>(steps), static_cast<unsigned long long>(switches),
        static_cast<unsigned long long>(traceHash), wall, cpu, cpu > 0 ? static_cast<double>(steps) / cpu : 0.0,
        static_cast<unsigned long long>(sim::Scheduler::longestStillRun()));
  }
  const std::string run = "vl9738k-scenarios --seeds " + std::to_string(arguments.firstSeed) + "-" +
                          std::to_string(arguments.lastSeed) + " --steps " + std::to_string(arguments.steps);
  return sim::checkPeakMemory(run) ? 0 : 1;
}
