#include "Interrupts.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "../../driver/platform/zuk/ZukPci.h"
#include "Pci.h"
#include "Scheduler.h"
#include "Sync.h"

namespace sim {
namespace {

struct Line {
  nVLZUK_tInterruptRecord* record = nullptr;
  uint32_t flags = 0;
  bool running = false;
  bool replay = false;
  Interrupts::Counts counts;
};

std::mutex gMutex;
std::condition_variable gIdle;
std::map<uint64_t, Line> gLines;
constinit FaultSite gReservationFaults("nVLZUK1400_reserveInterrupt");

thread_local bool tInInterrupt = false;
thread_local std::vector<uint64_t> tPending;

// Runs the routine until no raise arrived meanwhile from another thread.
void deliver(uint64_t handle) {
  std::unique_lock<std::mutex> lock(gMutex);
  Line& line = gLines[handle];
  if (line.record == nullptr) {
    ++line.counts.lost;
    return;
  }
  if (line.running) {
    line.replay = true;
    return;
  }
  line.running = true;
  do {
    line.replay = false;
    const nVLZUK_tInterruptRecord record = *line.record;
    ++line.counts.delivered;
    lock.unlock();
    Scheduler::point(Scheduler::Call::kInterrupt);
    bool claimed = false;
    {
      DriverScope driver;
      tInInterrupt = true;
      claimed = record.routine(record.context) != 0;
      tInInterrupt = false;
    }
    lock.lock();
    if (claimed) ++line.counts.claimed;
  } while (line.replay && line.record != nullptr);
  line.running = false;
  gIdle.notify_all();
}

void deliverPending() {
  while (!tPending.empty()) {
    const uint64_t handle = tPending.front();
    tPending.erase(tPending.begin());
    deliver(handle);
  }
}

bool interruptsOff() { return tInInterrupt || Sync::interruptLockDepth() > 0; }

void onInterruptsEnabled() {
  if (!interruptsOff()) deliverPending();
}

struct HookInstaller {
  HookInstaller() { Sync::setInterruptsEnabledHook(&onInterruptsEnabled); }
} gHookInstaller;

}  // namespace

FaultSite& Interrupts::reservationFaults() { return gReservationFaults; }

void Interrupts::raise(uint64_t handle) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    Line& line = gLines[handle];
    ++line.counts.raised;
    if (interruptsOff()) ++line.counts.deferred;
  }
  tPending.push_back(handle);
  if (!interruptsOff()) deliverPending();
}

bool Interrupts::isReserved(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gLines.find(handle);
  return found != gLines.end() && found->second.record != nullptr;
}

uint32_t Interrupts::reservationFlags(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gLines.find(handle);
  return found != gLines.end() && found->second.record != nullptr ? found->second.flags : 0;
}

bool Interrupts::inInterruptContext() { return tInInterrupt; }

Interrupts::Counts Interrupts::counts(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gLines.find(handle);
  return found != gLines.end() ? found->second.counts : Counts{};
}

void Interrupts::reset() {
  gReservationFaults.clear();
  Sync::setInterruptsEnabledHook(&onInterruptsEnabled);
  tPending.clear();
  std::lock_guard<std::mutex> lock(gMutex);
  gLines.clear();
}

}  // namespace sim

extern "C" {

int32_t nVLZUK1400_reserveInterrupt(uint64_t handle, nVLZUK_tInterruptRecord* record, uint64_t interruptLine,
                                    uint32_t flags) {
  int32_t code = 0;
  if (sim::gReservationFaults.hit(&code)) return code;
  sim::SimScope scope;
  const std::optional<sim::PciPlacement> placement = sim::Pci::placement(handle);
  if (!placement || !placement->interruptPresent) return sim::Interrupts::kNoInterrupt;
  const auto number = static_cast<uint32_t>(interruptLine);
  const auto kind = static_cast<uint16_t>(interruptLine >> 32);
  if (record == nullptr || record->routine == nullptr || number != placement->interruptNumber ||
      kind != NVLZUK_INTERRUPT_KIND_LINE) {
    return sim::Interrupts::kWrongLine;
  }
  std::lock_guard<std::mutex> lock(sim::gMutex);
  sim::Line& line = sim::gLines[handle];
  if (line.record != nullptr) return sim::Interrupts::kAlreadyReserved;
  line.record = record;
  line.flags = flags;
  return 0;
}

void nVLZUK100_relinquishInterrupt(uint64_t handle, nVLZUK_tInterruptRecord* record) {
  sim::SimScope scope;
  std::unique_lock<std::mutex> lock(sim::gMutex);
  auto found = sim::gLines.find(handle);
  if (found == sim::gLines.end() || found->second.record != record) return;
  sim::Line& line = found->second;
  line.record = nullptr;
  line.flags = 0;
  // A routine running on another thread finishes before the driver may
  // free what it uses (a routine giving up its own reservation cannot wait
  // for itself).
  if (sim::tInInterrupt) return;
  if (sim::Scheduler::active()) {
    lock.unlock();
    sim::Scheduler::blockUntil(sim::Scheduler::Call::kInterrupt, [&line] { return !line.running; });
  } else {
    sim::gIdle.wait(lock, [&line] { return !line.running; });
  }
}

}  // extern "C"
