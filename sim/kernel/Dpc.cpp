#include "Dpc.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "../../driver/platform/zuk/ZukDevice.h"
#include "FaultSite.h"
#include "Scheduler.h"

namespace sim {
namespace {

struct Record {
  std::function<void()> work;
  bool queued = false;
  uint64_t scheduled = 0;
};

std::mutex gDpcMutex;
std::map<uint64_t, Record> gDpcs;
uint64_t gNextHandle = 0xD000;
// In the deterministic mode queued calls run on a task of their own, as
// they would on another processor soon after; one such task at a time.
bool gRunnerQueued = false;

}  // namespace

uint64_t Dpc::create(std::function<void()> work) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gDpcMutex);
  const uint64_t handle = gNextHandle++;
  gDpcs[handle].work = std::move(work);
  return handle;
}

int Dpc::runPending() {
  std::vector<std::function<void()>> due;
  {
    SimScope scope;
    std::lock_guard<std::mutex> guard(gDpcMutex);
    gRunnerQueued = false;
    for (auto& [handle, record] : gDpcs) {
      if (!record.queued) continue;
      record.queued = false;
      due.push_back(record.work);
    }
  }
  for (auto& work : due) work();
  return static_cast<int>(due.size());
}

uint64_t Dpc::timesScheduled(uint64_t handle) {
  std::lock_guard<std::mutex> guard(gDpcMutex);
  auto found = gDpcs.find(handle);
  return found != gDpcs.end() ? found->second.scheduled : 0;
}

void Dpc::reset() {
  std::lock_guard<std::mutex> guard(gDpcMutex);
  gDpcs.clear();
  gRunnerQueued = false;
}

}  // namespace sim

extern "C" {

void nVLZUK100_scheduleDPC(uint64_t dpc) {
  bool startRunner = false;
  {
    std::lock_guard<std::mutex> guard(sim::gDpcMutex);
    auto found = sim::gDpcs.find(dpc);
    // Scheduling a call the kernel never created would crash a real machine.
    if (found == sim::gDpcs.end()) std::abort();
    found->second.queued = true;
    ++found->second.scheduled;
    startRunner = sim::Scheduler::active() && !sim::gRunnerQueued;
    if (startRunner) sim::gRunnerQueued = true;
  }
  sim::Scheduler::note(sim::Scheduler::Call::kDpc, dpc);
  if (startRunner) sim::Scheduler::spawn("deferred calls", [] { sim::Dpc::runPending(); });
}

}  // extern "C"
