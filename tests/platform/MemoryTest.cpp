#include <gtest/gtest.h>

#include <string>

#include "driver/platform/memory/Memory.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tBlockHeader;
using nVLAPALS100::tStatus;
using vltest::Site;
using vltest::siteOf;

const tBlockHeader& headerOf(const void* block) { return *(static_cast<const tBlockHeader*>(block) - 1); }

TEST(Allocation, BlocksCarryTheirSizeAndKind) {
  tStatus status;
  void* plain = nVLAPAL000::operatorNew(40);
  void* kinded = nVLAPAL000::operatorNewWithStatus(8, status, 7);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(kinded, nullptr);
  EXPECT_EQ(headerOf(plain).totalSize, 56u);
  EXPECT_EQ(headerOf(plain).kind, 1u);
  EXPECT_EQ(headerOf(kinded).totalSize, 24u);
  EXPECT_EQ(headerOf(kinded).kind, 7u);
  nVLAPAL000::operatorDelete(plain);
  nVLAPAL000::operatorDelete(kinded);
  nVLAPAL000::operatorDelete(nullptr);
  EXPECT_EQ(status.getCode(), 0);
}

TEST(Allocation, OverflowingSizeFailsWithoutAllocating) {
  tStatus status(tStatus::kFullSize);
  const int64_t before = sim::Memory::outstandingBlocks();
  EXPECT_EQ(nVLAPAL000::operatorNewWithStatus(UINT64_MAX - 7, status, 1), nullptr);
  EXPECT_EQ(siteOf(status),
            (Site{-52000, "dep_mirror/deps/vlapal/includes/vlapal/protons/cppNewDelete/memoryAllocation", 46}));
  EXPECT_EQ(nVLAPAL000::operatorNew(UINT64_MAX - 15), nullptr);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

TEST(Allocation, KernelRefusalIsRecordedAtThePublishedSite) {
  const auto refused = [](auto allocate) {
    sim::Memory::allocationFaults().failNth(1, 0);
    return siteOf(vltest::statusAfter([&](tStatus& s) { EXPECT_EQ(allocate(s), nullptr); }));
  };
  const std::string memory = "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory";
  EXPECT_EQ(refused([](tStatus& s) { return nVLAPAL000::operatorNewWithStatus(16, s, 1); }),
            (Site{-52000, memory, 520}));
  EXPECT_EQ(refused([](tStatus& s) { return nVLAPAL000::operatorNewWithStatus(16, s, 0); }),
            (Site{-52000, memory, 393}));
  EXPECT_EQ(refused([](tStatus& s) { return nVLAPAL000::allocateWithStatus(16, s); }), (Site{-52000, memory, 520}));
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(nVLAPAL000::apalMalloc(32), nullptr);
}

}  // namespace
