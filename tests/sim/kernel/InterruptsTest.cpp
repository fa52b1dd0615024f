// Interrupt delivery of the simulated kernel layer: a raised interrupt
// runs the reserved routine in interrupt context, waits while its thread
// runs with interrupts off, never nests and never runs twice at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "driver/platform/zuk/ZukPci.h"
#include "driver/platform/zuk/ZukSync.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Interrupts.h"
#include "sim/kernel/Pci.h"

namespace {

class NoConfigSpace : public sim::PciFunction {
 public:
  bool configRead(uint32_t, unsigned, uint32_t&) override { return false; }
  bool configWrite(uint32_t, unsigned, uint32_t) override { return false; }
};

struct Routine {
  std::atomic<int> calls{0};
  std::atomic<bool> sawInterruptContext{false};
  int (*body)(Routine&) = nullptr;
  uint64_t handle = 0;
  uint64_t lock = 0;
};

int32_t routine(void* context) {
  auto& self = *static_cast<Routine*>(context);
  ++self.calls;
  self.sawInterruptContext = sim::Interrupts::inInterruptContext();
  return self.body != nullptr ? self.body(self) : 1;
}

class KernelInterrupts : public testing::Test {
 protected:
  void SetUp() override {
    handle = sim::Pci::plug(function, placement);
    routineState.handle = handle;
    record = nVLZUK_tInterruptRecord{&routine, &routineState};
  }
  uint64_t line() const { return placement.interruptNumber | uint64_t{NVLZUK_INTERRUPT_KIND_LINE} << 32; }
  int32_t reserve() { return nVLZUK1400_reserveInterrupt(handle, &record, line(), NVLZUK_INTERRUPT_SHARED); }

  NoConfigSpace function;
  sim::PciPlacement placement;
  uint64_t handle = 0;
  Routine routineState;
  nVLZUK_tInterruptRecord record{};
};

TEST_F(KernelInterrupts, ReservationChecksTheLineItWasDescribedWith) {
  EXPECT_EQ(nVLZUK1400_reserveInterrupt(handle, &record, line() + 1, 1), sim::Interrupts::kWrongLine);
  EXPECT_EQ(nVLZUK1400_reserveInterrupt(handle, &record, placement.interruptNumber, 1), sim::Interrupts::kWrongLine);
  EXPECT_EQ(nVLZUK1400_reserveInterrupt(handle + 1, &record, line(), 1), sim::Interrupts::kNoInterrupt);
  ASSERT_EQ(reserve(), 0);
  EXPECT_EQ(reserve(), sim::Interrupts::kAlreadyReserved);
  sim::Interrupts::reservationFaults().failNth(1, -51352);
  nVLZUK100_relinquishInterrupt(handle, &record);
  EXPECT_EQ(reserve(), -51352);
  EXPECT_FALSE(sim::Interrupts::isReserved(handle));
}

TEST_F(KernelInterrupts, RaisedUnderAnInterruptLockItWaitsForTheLastRelease) {
  ASSERT_EQ(reserve(), 0);
  const uint64_t outer = nVLZUK100_createSpinLock();
  const uint64_t inner = nVLZUK100_createSpinLock();
  const uint64_t outerState = nVLZUK110_acquireSpinLockInterrupt(outer);
  const uint64_t innerState = nVLZUK110_acquireSpinLockInterrupt(inner);
  sim::Interrupts::raise(handle);
  nVLZUK110_releaseSpinLockInterrupt(inner, innerState);
  EXPECT_EQ(routineState.calls, 0) << "interrupts are still off";
  nVLZUK110_releaseSpinLockInterrupt(outer, outerState);
  EXPECT_EQ(routineState.calls, 1);
  EXPECT_EQ(sim::Interrupts::counts(handle).deferred, 1u);
  nVLZUK100_destroySpinLock(inner);
  nVLZUK100_destroySpinLock(outer);
}

// The routine takes an interrupt-level lock and raises again while it runs
// (a device that interrupts once more as it is serviced): the second call
// comes after the first returned, not inside it.
TEST_F(KernelInterrupts, InterruptRaisedByTheRoutineRunsAfterItReturns) {
  routineState.lock = nVLZUK100_createSpinLock();
  routineState.body = [](Routine& self) {
    static thread_local int depth = 0;
    EXPECT_EQ(depth, 0) << "no nesting";
    ++depth;
    const uint64_t saved = nVLZUK110_acquireSpinLockInterrupt(self.lock);
    if (self.calls == 1) sim::Interrupts::raise(self.handle);
    nVLZUK110_releaseSpinLockInterrupt(self.lock, saved);
    --depth;
    return 1;
  };
  ASSERT_EQ(reserve(), 0);
  sim::Interrupts::raise(handle);
  EXPECT_EQ(routineState.calls, 2);
  nVLZUK100_destroySpinLock(routineState.lock);
}

TEST(KernelInterruptsThreads, RelinquishWaitsForARunningRoutine) {
  sim::Clock::instance().setMode(sim::Clock::Mode::Real);
  NoConfigSpace function;
  const sim::PciPlacement placement;
  const uint64_t handle = sim::Pci::plug(function, placement);
  static std::atomic<bool> entered{false};
  static std::atomic<bool> release{false};
  static std::atomic<bool> finished{false};
  entered = release = finished = false;
  nVLZUK_tInterruptRecord record{[](void*) -> int32_t {
                                   entered = true;
                                   while (!release) std::this_thread::yield();
                                   finished = true;
                                   return 1;
                                 },
                                 nullptr};
  const uint64_t line = placement.interruptNumber | uint64_t{NVLZUK_INTERRUPT_KIND_LINE} << 32;
  ASSERT_EQ(nVLZUK1400_reserveInterrupt(handle, &record, line, 1), 0);
  std::thread raiser([handle] { sim::Interrupts::raise(handle); });
  while (!entered) std::this_thread::yield();
  std::atomic<bool> relinquished{false};
  std::thread relinquisher([&] {
    nVLZUK100_relinquishInterrupt(handle, &record);
    relinquished = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(relinquished) << "the routine still runs";
  release = true;
  relinquisher.join();
  raiser.join();
  EXPECT_TRUE(finished);
  EXPECT_FALSE(sim::Interrupts::isReserved(handle));
}

TEST(KernelInterruptsThreads, RaiseWhileTheRoutineRunsElsewhereRunsItOnceMoreThere) {
  sim::Clock::instance().setMode(sim::Clock::Mode::Real);
  NoConfigSpace function;
  const sim::PciPlacement placement;
  const uint64_t handle = sim::Pci::plug(function, placement);
  static std::atomic<int> calls{0};
  static std::atomic<bool> release{false};
  static std::atomic<int> concurrent{0};
  static std::atomic<int> maxConcurrent{0};
  calls = concurrent = maxConcurrent = 0;
  release = false;
  nVLZUK_tInterruptRecord record{[](void*) -> int32_t {
                                   maxConcurrent = std::max(maxConcurrent.load(), ++concurrent);
                                   if (++calls == 1) {
                                     while (!release) std::this_thread::yield();
                                   }
                                   --concurrent;
                                   return 1;
                                 },
                                 nullptr};
  const uint64_t line = placement.interruptNumber | uint64_t{NVLZUK_INTERRUPT_KIND_LINE} << 32;
  ASSERT_EQ(nVLZUK1400_reserveInterrupt(handle, &record, line, 1), 0);
  std::thread first([handle] { sim::Interrupts::raise(handle); });
  while (calls == 0) std::this_thread::yield();
  sim::Interrupts::raise(handle);
  EXPECT_EQ(calls, 1) << "the second raise does not run the routine beside the first";
  release = true;
  first.join();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(maxConcurrent, 1);
  nVLZUK100_relinquishInterrupt(handle, &record);
}

}  // namespace
