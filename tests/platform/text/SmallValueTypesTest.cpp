#include <gtest/gtest.h>

#include "driver/platform/runtime/iInterfaceBase.h"
#include "driver/platform/text/FixedPointNumber.h"
#include "driver/platform/text/tVersionCompatibility.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPAL000::checkVersionCompatibility;
using nVLAPAL000::tVersionCompatibility;

constexpr int32_t kTooOld = -1001;
constexpr int32_t kTooNew = -1002;
constexpr int32_t kOurRange = -1003;
constexpr int32_t kPeerRange = -1004;

tVersionCompatibility verdict(uint64_t ourCurrent, uint64_t ourOldest, uint64_t peerCurrent, uint64_t peerOldest,
                              int32_t tooOld = kTooOld) {
  tVersionCompatibility result;
  checkVersionCompatibility(result, ourCurrent, ourOldest, peerCurrent, peerOldest, tooOld, kTooNew, kOurRange,
                            kPeerRange);
  return result;
}

TEST(VersionCompatibility, PeerBelowOurOldestIsTooOld) {
  const tVersionCompatibility result = verdict(10, 5, 4, 1);
  EXPECT_TRUE(result.isPeerTooOld());
  EXPECT_FALSE(result.isPeerTooNew());
  EXPECT_EQ(result.getCode(), kTooOld);
}

TEST(VersionCompatibility, PeerWhoseOldestIsAboveOursIsTooNew) {
  const tVersionCompatibility result = verdict(10, 5, 20, 11);
  EXPECT_FALSE(result.isPeerTooOld());
  EXPECT_TRUE(result.isPeerTooNew());
  EXPECT_EQ(result.getCode(), kTooNew);
}

TEST(VersionCompatibility, OverlappingRangesAreCompatible) {
  const tVersionCompatibility result = verdict(10, 5, 12, 10);
  EXPECT_FALSE(result.isPeerTooOld());
  EXPECT_FALSE(result.isPeerTooNew());
  EXPECT_EQ(result.getCode(), 0);
}

TEST(VersionCompatibility, MalformedRangesOverrideEarlierCodes) {
  // The peer's range runs backwards and the peer is also too old.
  EXPECT_EQ(verdict(10, 5, 4, 6).getCode(), kPeerRange);
  // Our own range runs backwards: that is named last of all.
  EXPECT_EQ(verdict(4, 6, 4, 7).getCode(), kOurRange);
  // A zero code sets the flag but leaves the code alone.
  const tVersionCompatibility silent = verdict(10, 5, 4, 1, 0);
  EXPECT_TRUE(silent.isPeerTooOld());
  EXPECT_EQ(silent.getCode(), 0);
}

TEST(FixedPointNumber, ConfigurationsCompareEveryField) {
  const vlfxptype::Configuration standard;
  EXPECT_EQ(standard.signedness, 0);
  EXPECT_EQ(standard.wordLength, 1);
  EXPECT_EQ(standard.integerWordLength, 1);
  EXPECT_EQ(standard, (vlfxptype::Configuration{0, 1, 1}));
  EXPECT_NE(standard, (vlfxptype::Configuration{1, 1, 1}));
  EXPECT_NE(standard, (vlfxptype::Configuration{0, 2, 1}));
  EXPECT_NE(standard, (vlfxptype::Configuration{0, 1, 2}));
}

TEST(FixedPointNumber, NumbersOrderBySignedRawValueOnly) {
  const vlfxptype::Number minusOne{UINT64_MAX, {1, 16, 8}};
  const vlfxptype::Number one{1, {0, 1, 1}};
  EXPECT_TRUE(minusOne < one);
  EXPECT_FALSE(one < minusOne);
  EXPECT_NE(one, (vlfxptype::Number{1, {0, 2, 1}}));
  EXPECT_EQ(one, (vlfxptype::Number{1, {}}));
}

struct Derived : nVLAPAL000::iInterfaceBase {
  explicit Derived(int* destroyed) : destroyed_(destroyed) {}
  ~Derived() override { ++*destroyed_; }
  int* destroyed_;
  char payload[100] = {};
};

TEST(InterfaceBase, DeletingThroughTheBaseDestroysAndFreesTheObject) {
  int destroyed = 0;
  const int64_t before = sim::Memory::outstandingBlocks();
  nVLAPAL000::iInterfaceBase* object = new Derived(&destroyed);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before + 1);
  delete object;
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

}  // namespace
