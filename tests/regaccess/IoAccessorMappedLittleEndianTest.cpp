// The mapped accessors over the board model's BAR 0: what reaches the bus,
// what stays off it, and what a bad offset or element size does.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "driver/regaccess/IoAccessorMappedLittleEndian.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "sim/board/Board.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using sim::BusAccess;
using vltest::codeAfter;

constexpr uint64_t kBusAddress = 0xF7E00000;
constexpr int64_t kInvalid = nVLAPALS100::kStatusInvalidParameter;

class MappedAccessor : public testing::Test {
 protected:
  MappedAccessor() { board.bar0().startRecording(); }
  // A 0x100-byte window at BAR offset 0x500 (the configuration-port block).
  static constexpr uint64_t kWindowOffset = 0x500;
  static constexpr uint64_t kWindowSize = 0x100;

  uint64_t windowBase() { return board.bar0().mappedAddress() + kWindowOffset; }
  sim::RegisterFile& block() { return board.bridge().configPort(); }
  uint64_t blockOffset(uint64_t windowOffset) { return kWindowOffset - 0x400 + windowOffset; }

  sim::Board board;
  vllym::IoAccessorMappedPci accessor{kWindowSize, kBusAddress + kWindowOffset, windowBase(), 0};
  tStatus status{tStatus::kFullSize};
};

TEST_F(MappedAccessor, SingleAccessesAreOneBusAccessOfTheirWidthAtTheirOffset) {
  accessor.write32(0x10, 0xCAFEF00D, status);
  accessor.write16(0x20, 0xBEEF, status);
  accessor.write8(0x23, 0x5A, status);
  EXPECT_EQ(accessor.read32(0x10, status), 0xCAFEF00Du);
  EXPECT_EQ(accessor.read16(0x20, status), 0xBEEF);
  EXPECT_EQ(accessor.read8(0x23, status), 0x5A);
  EXPECT_EQ(status.getCode(), 0);

  const std::vector<BusAccess> expected = {
      {BusAccess::Kind::Write, 0x510, 4, 0xCAFEF00Du}, {BusAccess::Kind::Write, 0x520, 2, 0xBEEF},
      {BusAccess::Kind::Write, 0x523, 1, 0x5A},        {BusAccess::Kind::Read, 0x510, 4, 0xCAFEF00Du},
      {BusAccess::Kind::Read, 0x520, 2, 0xBEEF},       {BusAccess::Kind::Read, 0x523, 1, 0x5A},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  EXPECT_EQ(block().written(blockOffset(0x10), 4), 0xCAFEF00Du);
}

TEST_F(MappedAccessor, SixtyFourBitsAreOnePlainLoadOrStoreOffTheBus) {
  accessor.write64(0x40, 0x1122334455667788ull, status);
  EXPECT_EQ(board.bar0().peek64(kWindowOffset + 0x40), 0x1122334455667788ull);
  block().setReadable(blockOffset(0x48), 4, 0xDDCCBBAA);
  block().setReadable(blockOffset(0x4C), 4, 0x44332211);
  EXPECT_EQ(accessor.read64(0x48, status), 0x44332211DDCCBBAAull);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(board.bar0().traffic().empty());
}

// The register must fit entirely: its upper bytes would otherwise lie past
// the end of the mapping.
TEST_F(MappedAccessor, RegisterAtOrReachingPastTheWindowEndFailsAndTouchesNothing) {
  EXPECT_EQ(accessor.read32(kWindowSize, status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), kInvalid);
  EXPECT_STREQ(status.getFile(), "IoAccessorMappedLittleEndian");
  EXPECT_STREQ(status.getComponent(), "vl9738k");
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(accessor.read32(kWindowSize - 2, s), 0xFFFFFFFFu); }), kInvalid);
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.write64(kWindowSize - 4, 1, s); }), kInvalid);
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.write16(kWindowSize - 1, 1, s); }), kInvalid);
  EXPECT_EQ(board.bar0().peek64(kWindowOffset + kWindowSize - 4), 0u);
  EXPECT_TRUE(board.bar0().traffic().empty());

  block().setReadable(blockOffset(kWindowSize - 4), 4, 0x600D600D);
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(accessor.read32(kWindowSize - 4, s), 0x600D600Du); }), 0);
}

// A warning does not stop an access.
TEST_F(MappedAccessor, AnErrorAlreadyHeldReadsAllOnesAndWritesNothing) {
  tStatus warned;
  warned.setCode(52001, VL_SITE);
  accessor.write32(0x30, 0x77, warned);
  EXPECT_EQ(block().written(blockOffset(0x30), 4), 0x77u);
  board.bar0().startRecording();
  status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
  EXPECT_EQ(accessor.read64(0, status), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(accessor.read32(0, status), 0xFFFFFFFFu);
  EXPECT_EQ(accessor.read16(0, status), 0xFFFF);
  EXPECT_EQ(accessor.read8(0, status), 0xFF);
  accessor.write32(0, 1, status);
  accessor.write64(8, 1, status);
  uint8_t buffer[4] = {1, 2, 3, 4};
  accessor.writeBlock(0, buffer, 4, 1, 1, status);
  accessor.readBlock(0, buffer, 4, 1, 1, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusTimeout);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_TRUE(board.bar0().traffic().empty());
  EXPECT_EQ(board.bar0().peek64(kWindowOffset + 8), 0u);
}

TEST_F(MappedAccessor, StrideZeroReadsOneFifoRegisterRepeatedly) {
  block().setReadable(blockOffset(0x60), 4, 0xABCD0123);
  std::array<uint32_t, 4> words{};
  accessor.readBlock(0x60, reinterpret_cast<uint8_t*>(words.data()), 16, 4, 0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(words, (std::array<uint32_t, 4>{0xABCD0123u, 0xABCD0123u, 0xABCD0123u, 0xABCD0123u}));
  EXPECT_EQ(board.bar0().traffic(), std::vector<BusAccess>(4, BusAccess{BusAccess::Kind::Read, 0x560, 4, 0xABCD0123u}));
}

TEST_F(MappedAccessor, BlocksWalkConsecutiveRegistersInEveryElementSize) {
  const uint8_t bytes[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  accessor.writeBlock(0x00, bytes, 8, 1, 1, status);
  accessor.writeBlock(0x10, bytes, 8, 2, 2, status);
  accessor.writeBlock(0x20, bytes, 8, 4, 4, status);
  accessor.writeBlock(0x30, bytes, 8, 8, 8, status);
  EXPECT_EQ(status.getCode(), 0);
  for (uint64_t base : {0x00, 0x10, 0x20, 0x30}) {
    EXPECT_EQ(board.bar0().peek64(kWindowOffset + base), 0x8877665544332211ull) << base;
  }
  // 8 byte writes, 4 half-word writes, 2 word writes; the 64-bit elements stay off the bus.
  EXPECT_EQ(board.bar0().writeCount(), 14u);

  uint8_t back[8] = {};
  accessor.readBlock(0x10, back, 8, 2, 2, status);
  EXPECT_EQ(0, std::memcmp(back, bytes, 8));
}

// A block must stay inside the window and move whole elements of a known
// size only: a wrong count must reach neither past the mapping nor past
// the buffer.
TEST_F(MappedAccessor, BlockLeavingTheWindowOrBufferIsRefused) {
  uint8_t buffer[16] = {};
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.readBlock(kWindowSize - 8, buffer, 16, 4, 4, s); }), kInvalid);
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.writeBlock(kWindowSize - 2, buffer, 16, 4, 0, s); }), kInvalid)
      << "a FIFO past the end";
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.readBlock(0, buffer, 6, 4, 4, s); }), kInvalid) << "half an element";
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.writeBlock(0, buffer, 0xFFFFFFF0u, 8, 0xFFFFFFFFu, s); }), kInvalid);
  EXPECT_EQ(codeAfter([&](tStatus& s) { accessor.writeBlock(0, buffer, 6, 3, 3, s); }),
            nVLAPALS100::kStatusBadSelector);
  EXPECT_TRUE(board.bar0().traffic().empty());

  accessor.readBlock(0, nullptr, 0, 4, 4, status);
  accessor.readBlock(kWindowSize - 16, buffer, 16, 4, 4, status);
  EXPECT_EQ(status.getCode(), 0) << "the last block that fits";
  EXPECT_EQ(board.bar0().readCount(), 4u);
}

}  // namespace
