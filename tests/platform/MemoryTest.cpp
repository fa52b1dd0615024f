#include <gtest/gtest.h>

#include <string>

#include "driver/platform/memory/Memory.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPAL000::tBlockHeader;
using nVLAPALS100::tStatus;

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
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(std::string(status.getFile()),
            "dep_mirror/deps/vlapal/includes/vlapal/protons/cppNewDelete/memoryAllocation");
  EXPECT_EQ(status.getLine(), 46u);
  EXPECT_EQ(nVLAPAL000::operatorNew(UINT64_MAX - 15), nullptr);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

TEST(Allocation, KernelRefusalIsRecordedAtThePublishedSite) {
  tStatus kinded(tStatus::kFullSize);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(nVLAPAL000::operatorNewWithStatus(16, kinded, 1), nullptr);
  EXPECT_EQ(kinded.getLine(), 520u);
  EXPECT_EQ(std::string(kinded.getFile()), "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory");

  tStatus kindZero(tStatus::kFullSize);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(nVLAPAL000::operatorNewWithStatus(16, kindZero, 0), nullptr);
  EXPECT_EQ(kindZero.getLine(), 393u);

  tStatus headerless(tStatus::kFullSize);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(nVLAPAL000::allocateWithStatus(16, headerless), nullptr);
  EXPECT_EQ(headerless.getCode(), -52000);
  EXPECT_EQ(headerless.getLine(), 520u);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(nVLAPAL000::apalMalloc(32), nullptr);
}

}  // namespace
