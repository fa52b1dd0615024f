// One seed of the stress over the packaged module: several client threads
// send requests of every kind through both interfaces and close their
// sessions at random points, while a chaos thread resets the board,
// downloads FPGA images, shuts it down over temperature (and resets it
// after) and removes and adds it again. Host threads run freely (the
// deterministic mode is off): the seed fixes what each thread does, not
// how the threads interleave. Afterwards every client must be able to
// open, reserve, commit and release, and the module must unload leaving
// nothing allocated.
#ifndef VL9738K_TOOLS_STRESS_STRESS_H
#define VL9738K_TOOLS_STRESS_STRESS_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"

namespace vlstress {

// The interfaces the module publishes: main requests, FPGA sessions.
inline constexpr char kMainInterface[] = "vl9738_vl9738k";
inline constexpr char kFpgaInterface[] = "vl9738_atomiclymddkqrt";

struct Options {
  uint64_t seed = 1;
  uint32_t threads = 4;
  // Operations each client thread runs.
  uint32_t rounds = 400;
  // Seconds without any thread finishing an operation before the watchdog
  // takes the run for deadlocked.
  uint32_t watchdogSeconds = 60;
};

// The seed's draws: one generator per thread, from (seed, thread) alone.
class Random {
 public:
  Random(uint64_t seed, uint64_t stream);
  uint64_t next();
  uint32_t below(uint32_t bound) { return bound == 0 ? 0 : static_cast<uint32_t>(next() % bound); }

 private:
  uint64_t state_;
};

class Stress {
 public:
  explicit Stress(const Options& options);
  ~Stress();
  Stress(const Stress&) = delete;
  Stress& operator=(const Stress&) = delete;

  // True when the seed kept every check; otherwise failures() says why.
  bool run();
  const std::vector<std::string>& failures() const { return failures_; }
  // Operations finished by every thread so far (the watchdog's progress).
  uint64_t progress() const { return progress_.load(); }
  // What each thread is doing now, one line each.
  std::string whereThreadsAre();

  // ---- For the client and chaos threads.
  sim::Module& module() { return *module_; }
  sim::Board& board() { return *board_; }
  void fail(const std::string& text);
  void noteProgress(size_t thread, const char* what);
  // A removal under way: clients open nothing new and close what they hold.
  bool removing() const { return removing_.load(); }
  // Opens `interface`, counted among the sessions that must close before a
  // removed board is deleted (an open under way counts too).
  std::unique_ptr<sim::DeviceFile> open(const char* interface, int32_t* code = nullptr);
  void close(std::unique_ptr<sim::DeviceFile>& file);
  // The chaos thread's side of a board leaving and coming back.
  void removeAndAddAgain(Random& random);
  bool clientsDone() const { return clientsRunning_.load() == 0; }
  // What the seed did, counted for its summary line.
  enum Count { kOpens, kRefusedOpens, kCommits, kResets, kDownloads, kShutdowns, kRemovals, kCounts };
  void count(Count what) { ++counts_[what]; }
  std::string summary() const;

 private:
  bool load();
  bool addDevice();
  void finalChecks();
  void unload();

  Options options_;
  std::unique_ptr<sim::Board> board_;
  std::unique_ptr<sim::Module> module_;
  void* device_ = nullptr;
  int64_t blocksBeforeLoad_ = 0;
  int64_t blocksBeforeAdd_ = 0;
  std::atomic<bool> removing_{false};
  std::atomic<int> liveFiles_{0};
  std::atomic<uint32_t> clientsRunning_{0};
  std::atomic<uint64_t> progress_{0};
  std::atomic<uint64_t> counts_[kCounts] = {};
  std::mutex mutex_;
  std::vector<std::string> failures_;
  std::vector<const char*> doing_;
};

// The client threads' and the chaos thread's loops (Clients.cpp, Chaos.cpp).
void runClient(Stress& stress, size_t thread, uint64_t seed, uint32_t rounds);
void runChaos(Stress& stress, size_t thread, uint64_t seed);

// A wait with nothing to do (for a removal to end, for the sessions it
// waits for, after a refused open) sleeps briefly instead of spinning on
// yields: on a loaded machine spinning threads take the processor from
// the ones they wait for.
void backOff();

// Reads the request corpus once, before any thread draws from it.
void loadCorpora();
// What every client must still be able to do afterwards: open a main
// session, reserve both shared settings, commit and release them. Empty
// when it could; else the step that failed.
std::string reserveCommitRelease(Stress& stress, uint32_t client);
// A reset through a session of its own; the answer (0: success).
int32_t resetBoard(Stress& stress);

}  // namespace vlstress

#endif
