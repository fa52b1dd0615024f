// Copies into and out of the calling process's memory.
#include <gtest/gtest.h>

#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/IoctlCodegen.h"
#include "driver/platform/device/tUserBuffer.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tUserBuffer;
using nVLAPALS100::tStatus;
using vltest::codeAfter;
using vltest::Site;
using vltest::siteOf;

class UserBuffer : public testing::Test {
 protected:
  tStatus status;
  UserBuffer() {
    for (size_t i = 0; i < block.size(); ++i) block.data()[i] = static_cast<uint8_t>(0x10 + i);
  }

  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  sim::UserBlock block{16};
  tStatus construction;
  tUserBuffer buffer{descriptor, block.address(), block.size(), construction};
};

TEST_F(UserBuffer, CopiesOnAnErrorStatusTouchNothing) {
  status.setCode(-52010, VL_SITE);
  uint8_t read[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  buffer.readFromBuffer(0, read, sizeof read, status);
  buffer.writeToBuffer(0, read, sizeof read, status);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 0u);
  EXPECT_EQ(sim::UserMemory::outboundCopies(), 0u);
  EXPECT_EQ(read[0], 0xEE);
  EXPECT_EQ(status.getCode(), -52010);
}

TEST_F(UserBuffer, MemoryTheCallerDoesNotOwnFaultsAsInvalidParameterAtItsSite) {
  tStatus construction;
  tUserBuffer stray(descriptor, uint64_t{0x1000}, 8, construction);
  uint8_t bytes[8] = {};
  struct Case {
    bool read;
    uint64_t line;
  };
  for (const Case& copy : {Case{true, 44}, Case{false, 57}}) {
    const tStatus status = vltest::statusAfter([&](tStatus& s) {
      copy.read ? stray.readFromBuffer(0, bytes, sizeof bytes, s) : stray.writeToBuffer(0, bytes, sizeof bytes, s);
    });
    EXPECT_EQ(siteOf(status), (Site{nVLAPALS100::kStatusInvalidParameter, nVLAPAL000::sites::kUserBuffer, copy.line}));
  }
}

// Offsets and sizes arrive from user mode: nothing outside the block the
// caller named may be copied, however the sum wraps.
TEST_F(UserBuffer, RangesOutsideTheBlockAreRefusedBeforeAnyCopy) {
  const std::pair<uint64_t, uint64_t> ranges[] = {
      {0, 17}, {16, 1}, {17, 0}, {8, UINT64_MAX - 4}, {UINT64_MAX, 2},
  };
  uint8_t scratch[32] = {};
  for (const auto& [offset, size] : ranges) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { buffer.readFromBuffer(offset, scratch, size, s); }),
              nVLAPALS100::kStatusInvalidParameter)
        << offset << "+" << size;
    EXPECT_EQ(codeAfter([&](tStatus& s) { buffer.writeToBuffer(offset, scratch, size, s); }),
              nVLAPALS100::kStatusInvalidParameter)
        << offset << "+" << size;
  }
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 0u);
  EXPECT_EQ(sim::UserMemory::outboundCopies(), 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { buffer.readFromBuffer(16, scratch, 0, s); }), 0)
      << "an empty copy at the end stays inside";
}

TEST_F(UserBuffer, BlockBeyondOneKernelCopyIsRefusedRatherThanCutShort) {
  tStatus construction;
  tUserBuffer huge(descriptor, block.address(), uint64_t{1} << 33, construction);
  uint8_t byte = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { huge.readFromBuffer(0, &byte, (uint64_t{1} << 32) + 1, s); }),
            nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 0u);
}

TEST(IoctlCopyOut, RefusedCopyIsInvalidParameterAtItsSite) {
  const uint8_t source[8] = {};
  tStatus status(tStatus::kFullSize);
  EXPECT_EQ(nVLAPAL200_copyIoctlOutBufferForCodegen(reinterpret_cast<void*>(0x2000), source, 8, &status),
            sim::UserMemory::kCopyFault);
  EXPECT_EQ(siteOf(status), (Site{nVLAPALS100::kStatusInvalidParameter, nVLAPAL000::sites::kIoctl, 171}));
  sim::UserMemory::outboundCopyFaults().failNth(1, -51400);
  sim::UserBlock out(8);
  tStatus injected;
  EXPECT_EQ(nVLAPAL200_copyIoctlOutBufferForCodegen(reinterpret_cast<void*>(out.address()), source, 8, &injected),
            -51400);
  EXPECT_EQ(injected.getCode(), nVLAPALS100::kStatusInvalidParameter) << "any refusal is an invalid parameter";
}

}  // namespace
