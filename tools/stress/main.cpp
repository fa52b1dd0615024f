// vl9738k-stress: the stress over the packaged module, seed by seed.
//
//   vl9738k-stress [--seed N | --seeds A-B] [--threads N] [--rounds N]
//                  [--watchdog SECONDS]
//
// Each seed runs its client threads (--threads, each --rounds operations)
// and the chaos thread, then the final checks. A seed that fails is named
// with its reasons; a crash names the seed it ran; a run that stops moving
// for --watchdog seconds aborts naming the seed. Exit 0 when every seed
// passed, 1 when one failed, 2 on a bad command line.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Stress.h"
#include "tools/vl9738k-sim/WholeNumber.h"

namespace {

std::atomic<uint64_t> gSeed{0};
struct sigaction gPrevious[32];

// Names the seed, then puts the earlier handler back (a sanitizer's, or
// the default) and returns: the fault happens again and that one reports.
void onCrash(int signal) {
  char line[96];
  const int length = std::snprintf(line, sizeof line, "stress: seed %llu crashed (signal %d)\n",
                                   static_cast<unsigned long long>(gSeed.load()), signal);
  if (length > 0) (void)!write(STDERR_FILENO, line, static_cast<size_t>(length));
  sigaction(signal, &gPrevious[signal], nullptr);
  if (signal == SIGABRT) raise(signal);
}

void watchCrashes() {
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) {
    struct sigaction action {};
    action.sa_handler = onCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    sigaction(signal, &action, &gPrevious[signal]);
  }
}

[[noreturn]] void badValue(const char* option, const char* value) {
  std::fprintf(stderr, "vl9738k-stress: bad value for %s: '%s'\n", option, value);
  std::exit(2);
}

// The whole text must be the number.
uint64_t number(const char* option, const char* text, uint64_t least, uint64_t most) {
  const std::optional<uint64_t> value = vlcli::wholeNumber(text, 10, least, most);
  if (!value) badValue(option, text);
  return *value;
}

}  // namespace

int main(int argc, char** argv) {
  vlstress::Options options;
  uint64_t first = 1, last = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "vl9738k-stress: %s needs a value (or is unknown)\n", option.c_str());
      return 2;
    }
    const char* value = argv[++i];
    if (option == "--seed") {
      first = last = number("--seed", value, 0, UINT64_MAX);
    } else if (option == "--seeds") {
      const char* dash = std::strchr(value, '-');
      if (dash == nullptr) badValue("--seeds", value);
      first = number("--seeds", std::string(value, dash).c_str(), 0, UINT64_MAX);
      last = number("--seeds", dash + 1, 0, UINT64_MAX);
      if (last < first) badValue("--seeds", value);
    } else if (option == "--threads") {
      options.threads = static_cast<uint32_t>(number("--threads", value, 1, 64));
    } else if (option == "--rounds") {
      options.rounds = static_cast<uint32_t>(number("--rounds", value, 1, 100'000'000));
    } else if (option == "--watchdog") {
      options.watchdogSeconds = static_cast<uint32_t>(number("--watchdog", value, 1, 86'400));
    } else {
      std::fprintf(stderr, "vl9738k-stress: unknown option %s\n", option.c_str());
      return 2;
    }
  }
  watchCrashes();
  vlstress::loadCorpora();
  std::vector<uint64_t> failed;
  for (uint64_t seed = first;; ++seed) {
    gSeed = seed;
    options.seed = seed;
    vlstress::Stress stress(options);
    if (stress.run()) {
      std::printf("stress: seed %llu passed (%s)\n", static_cast<unsigned long long>(seed), stress.summary().c_str());
    } else {
      failed.push_back(seed);
      std::printf("stress: seed %llu FAILED\n", static_cast<unsigned long long>(seed));
      for (const std::string& failure : stress.failures()) std::printf("  %s\n", failure.c_str());
    }
    std::fflush(stdout);
    if (seed == last) break;
  }
  if (failed.empty()) return 0;
  std::printf("stress: failing seeds:");
  for (uint64_t seed : failed) std::printf(" %llu", static_cast<unsigned long long>(seed));
  std::printf("\n");
  return 1;
}
