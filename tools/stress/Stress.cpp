#include "Stress.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "sim/host/KernelHoldings.h"
#include "sim/kernel/Kernel.h"
#include "sim/kernel/Memory.h"

namespace vlstress {
namespace {

constexpr auto kWatchdogTick = std::chrono::milliseconds(100);
constexpr auto kBackOff = std::chrono::microseconds(50);

}  // namespace

Random::Random(uint64_t seed, uint64_t stream)
    : state_(seed * 0xD1B54A32D192ED03ull ^ (stream + 1) * 0x8CB92BA72F3D8DD7ull) {}

uint64_t Random::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void backOff() { std::this_thread::sleep_for(kBackOff); }

Stress::Stress(const Options& options) : options_(options), doing_(options.threads + 1, "not started") {}

Stress::~Stress() = default;

void Stress::fail(const std::string& text) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (failures_.size() < 20) failures_.push_back(text);
}

void Stress::noteProgress(size_t thread, const char* what) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    doing_[thread] = what;
  }
  ++progress_;
}

std::string Stress::whereThreadsAre() {
  std::lock_guard<std::mutex> guard(mutex_);
  std::string lines;
  for (size_t thread = 0; thread < doing_.size(); ++thread) {
    lines += "  " + (thread < options_.threads ? "client " + std::to_string(thread) : std::string("chaos")) + ": " +
             doing_[thread] + "\n";
  }
  return lines;
}

std::string Stress::summary() const {
  static const char* const kNames[kCounts] = {"opens",     "refused opens", "commits", "resets",
                                              "downloads", "shutdowns",     "removals"};
  std::string text;
  for (int what = 0; what < kCounts; ++what)
    text += (what == 0 ? "" : ", ") + std::to_string(counts_[what].load()) + " " + kNames[what];
  return text;
}

std::unique_ptr<sim::DeviceFile> Stress::open(const char* interface, int32_t* code) {
  ++liveFiles_;
  int32_t result = 0;
  auto file = sim::DeviceFile::open(*module_, interface, &result);
  count(file ? kOpens : kRefusedOpens);
  if (!file) --liveFiles_;
  if (code != nullptr) *code = result;
  return file;
}

void Stress::close(std::unique_ptr<sim::DeviceFile>& file) {
  if (!file) return;
  file->close();
  file.reset();
  --liveFiles_;
}

// The kernel layer removes the board at once, then deletes it once its
// last session has closed; an open that overlapped the removal either has
// its session (counted) or found no interface.
void Stress::removeAndAddAgain(Random& random) {
  removing_ = true;
  count(kRemovals);
  module_->record().removeDevice(device_);
  while (liveFiles_.load() != 0) backOff();
  module_->record().deleteDevice(device_);
  device_ = nullptr;
  const std::vector<std::string> held = sim::kernelHoldingsOf(board_->pciHandle());
  for (const std::string& line : held) fail("the deleted board still holds " + line);
  if (sim::Memory::outstandingBlocks() != blocksBeforeAdd_) {
    fail("the deleted board left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeAdd_) +
         " blocks allocated");
  }
  // Now and then the board stays away for a while.
  for (uint32_t spins = random.below(200); spins != 0; --spins) std::this_thread::yield();
  if (!addDevice()) fail("the board does not come up again after its removal");
  removing_ = false;
}

bool Stress::addDevice() {
  const nVLZUK_tPCIDeviceDescription description = board_->description();
  void* device = nullptr;
  if (module_->record().addDevice(&description, nullptr, &device) != 0) return false;
  device_ = device;
  return true;
}

bool Stress::load() {
  sim::resetKernel();
  blocksBeforeLoad_ = sim::Memory::outstandingBlocks();
  board_ = std::make_unique<sim::Board>();
  module_ = sim::Module::load();
  if (!module_ || !module_->registered()) {
    fail(std::string("the module does not load: ") + (sim::Module::lastError() ? sim::Module::lastError() : ""));
    return false;
  }
  blocksBeforeAdd_ = sim::Memory::outstandingBlocks();
  if (!addDevice()) {
    fail("the board does not come up");
    return false;
  }
  return true;
}

// With every thread gone: a reset brings the board up whatever the chaos
// left (a shutdown, a download), and then no client is locked out.
void Stress::finalChecks() {
  if (device_ == nullptr && !addDevice()) return fail("the board does not come up for the final checks");
  if (const int32_t reset = resetBoard(*this); reset != 0) fail("the final reset answered " + std::to_string(reset));
  for (uint32_t client = 0; client < options_.threads; ++client) {
    const std::string failed = reserveCommitRelease(*this, client);
    if (!failed.empty()) fail("afterwards client " + std::to_string(client) + " is locked out: " + failed);
  }
  if (liveFiles_.load() != 0) fail(std::to_string(liveFiles_.load()) + " sessions are still open at the end");
}

void Stress::unload() {
  if (module_ && device_ != nullptr) {
    module_->record().removeDevice(device_);
    module_->record().deleteDevice(device_);
    device_ = nullptr;
    if (sim::Memory::outstandingBlocks() != blocksBeforeAdd_) {
      fail("the board left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeAdd_) +
           " blocks allocated");
    }
  }
  if (module_) module_->unload();
  module_.reset();
  if (sim::Memory::outstandingBlocks() != blocksBeforeLoad_) {
    fail("the unloaded module left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeLoad_) +
         " blocks allocated");
  }
  board_.reset();
}

bool Stress::run() {
  if (!load()) return false;
  std::mutex watchMutex;
  std::condition_variable watchWake;
  bool finished = false;
  // A deadlocked run cannot be ended from inside: the watchdog names the
  // seed and what each thread was doing, and aborts.
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(watchMutex);
    uint64_t seen = progress();
    auto still = std::chrono::steady_clock::now();
    while (!watchWake.wait_for(lock, kWatchdogTick, [&] { return finished; })) {
      const auto now = std::chrono::steady_clock::now();
      if (progress() != seen) {
        seen = progress();
        still = now;
      } else if (now - still > std::chrono::seconds(options_.watchdogSeconds)) {
        std::fprintf(stderr, "stress: seed %llu: no operation ended for %u s (deadlock?)\n%s",
                     static_cast<unsigned long long>(options_.seed), options_.watchdogSeconds,
                     whereThreadsAre().c_str());
        std::fflush(stderr);
        std::abort();
      }
    }
  });
  clientsRunning_ = options_.threads;
  std::vector<std::thread> threads;
  for (size_t thread = 0; thread < options_.threads; ++thread) {
    threads.emplace_back([this, thread] {
      runClient(*this, thread, options_.seed, options_.rounds);
      noteProgress(thread, "ended");
      --clientsRunning_;
    });
  }
  threads.emplace_back([this] {
    runChaos(*this, options_.threads, options_.seed);
    noteProgress(options_.threads, "ended");
  });
  for (std::thread& thread : threads) thread.join();
  finalChecks();
  unload();
  {
    std::lock_guard<std::mutex> guard(watchMutex);
    finished = true;
  }
  watchWake.notify_all();
  watchdog.join();
  return failures_.empty();
}

}  // namespace vlstress
