// Simulated user blocks reuse their pages: each block still reads as fresh
// pages would, zero beyond its bytes up to its pages' ends, whatever the
// block before it in those pages wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"

namespace {

// More rounds than the pool keeps of one page count (with its quarantine
// under AddressSanitizer), so that the blocks land on reused pages.
constexpr int kRounds = 600;

TEST(UserBlockPages, ReusedPagesReadZeroWhereverTheBlockBeforeWrote) {
  for (const bool pagesLocked : {false, true}) {
    SCOPED_TRACE(pagesLocked ? "pages locked: the driver may write anywhere in them" : "only the block's bytes");
    for (int round = 0; round < kRounds; ++round) {
      sim::UserBlock block(40 + round % 3);
      uint8_t* page = block.data() - block.address() % sim::Memory::kPageSize;
      ASSERT_TRUE(std::all_of(page, page + sim::Memory::kPageSize, [](uint8_t byte) { return byte == 0; })) << round;
      std::memset(block.data(), 0xA5, block.size());
      if (pagesLocked) {
        sim::UserMemory::notePagesLocked();
        std::memset(page, 0x5A, sim::Memory::kPageSize);
      }
    }
  }
}

#if defined(__SANITIZE_ADDRESS__)
// Pages given back stay poisoned while they wait: a driver that touches a
// block after its request gave it up is reported, as a freed block was.
TEST(UserBlockPagesDeathTest, TouchingABlockGivenBackIsReported) {
  EXPECT_DEATH(
      {
        const uint8_t* stale = nullptr;
        {
          sim::UserBlock block(64);
          stale = block.data();
        }
        std::printf("%d\n", *static_cast<const volatile uint8_t*>(stale));
      },
      "use-after-poison");
}
#endif

}  // namespace
