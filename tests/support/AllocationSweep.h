// Allocation-failure sweeps: run a scenario once with the 1st kernel-layer
// allocation failing, once with the 2nd, and so on, until a run no longer
// reaches the armed allocation. Each run must leave no block behind.
//
// The driver's global `new` is linked into the tests, so host allocations
// made by the test itself count too: a scenario allocates nothing on the
// test side (fixed arrays only) and reports a failed check as a non-zero
// number, which the sweep reports once the fault is disarmed.
#ifndef VL9738K_TESTS_SUPPORT_ALLOCATION_SWEEP_H
#define VL9738K_TESTS_SUPPORT_ALLOCATION_SWEEP_H

#include <gtest/gtest.h>

#include <cstdint>

#include "sim/kernel/Memory.h"

namespace vltest {

// Returns the number of runs; `scenario()` returns 0 when all its checks held.
template <typename tScenario>
uint64_t sweepAllocationFailures(tScenario&& scenario) {
  for (uint64_t n = 1;; ++n) {
    const int64_t before = sim::Memory::outstandingBlocks();
    sim::Memory::allocationFaults().failNth(n, 0);
    const int failedCheck = scenario();
    const bool injected = sim::Memory::allocationFaults().injected();
    sim::Memory::allocationFaults().clear();
    EXPECT_EQ(failedCheck, 0) << "with allocation " << n << " failing";
    EXPECT_EQ(sim::Memory::outstandingBlocks(), before) << "blocks left with allocation " << n << " failing";
    if (failedCheck != 0 || n > 100000) return n;
    if (!injected) {
      EXPECT_GT(n, 1u) << "the scenario made no allocation to fail";
      return n;
    }
  }
}

}  // namespace vltest

#endif
