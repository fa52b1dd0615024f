// The host map over the board model's fixed-logic window: a composite of
// blocks with no register of its own, and the CPLD attachment records its
// passes never follow. The engine's tests cover failing children; the
// register-map requests' road test lists its registrations.
#include <gtest/gtest.h>

#include "FixedLogicFixture.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "driver/regmaps/board/tHostRegMap.h"
#include "sim/kernel/Memory.h"

// The LO CPLD composites are built elsewhere; here they are maps that count
// every call, so that the host map's passes can be shown to leave them be.
namespace nVl9738Lo0Cpld {
class tVl9738Lo0Cpld : public vltest::CountingMap {};
}  // namespace nVl9738Lo0Cpld
namespace nVl9738Lo1Cpld {
class tVl9738Lo1Cpld : public vltest::CountingMap {};
}  // namespace nVl9738Lo1Cpld

namespace {

using namespace vltest;
using nHostRegMap::tHostRegMap;

class HostRegMap : public FixedLogicOnBoard {
 protected:
  tHostRegMap host{&fixedLogic};
  uint64_t value = 0;
};

TEST_F(HostRegMap, WholeMapPassesNeverReachTheAttachedCpldComposites) {
  nVl9738RefCpld::tVl9738RefCpld ref{&fixedLogic, 0x4000, 0, 0x4000};
  ref.flushRegMap(false, status);
  startRecording();
  nVl9738Lo0Cpld::tVl9738Lo0Cpld lo0;
  nVl9738Lo1Cpld::tVl9738Lo1Cpld lo1;
  host.RefCpld.map = &ref;
  host.Lo0Cpld.map = &lo0;
  host.Lo1Cpld.map = &lo1;
  host.flushRegMap(true, status);
  host.refreshRegMap(status);
  host.markDirtyRegMap();
  host.reinitialize();
  EXPECT_EQ(lo0.calls + lo1.calls, 0);
  EXPECT_FALSE(ref.OcxoPower.isDirty()) << "neither marked dirty nor reinitialized";
  EXPECT_EQ(writes(), 40u) << "every writable register of the blocks, forced";
  for (const BusAccess& access : board.bar0().traffic()) {
    EXPECT_FALSE(access.offset >= at(0x4000) && access.offset < at(0x10000)) << std::hex << access.offset;
  }
  host.RefCpld.map = nullptr;
  host.Lo0Cpld.map = nullptr;
  host.Lo1Cpld.map = nullptr;
}

// A composite with no register of its own: every id is refused, the
// passes reach its blocks.
TEST_F(HostRegMap, EveryIdIsRefusedWhileMarkingAndFlushingReachTheBlocks) {
  host.flushRegMap(false, status);
  startRecording();
  host.markDirtyRegMap();
  host.flushRegMap(false, status);
  EXPECT_EQ(writes(), 40u);
  for (uint32_t id : {0x804A86A1u, 0x0000001Cu, 0xC000002Cu}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.get(id, value, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
    EXPECT_EQ(formatOf(host, id, 8).code, nVLAPALS100::kStatusNotSupported);
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostRegMap, DestructionReleasesTheAttachmentBuffers) {
  const int64_t before = sim::Memory::outstandingBlocks();
  auto* owned = new tHostRegMap(&fixedLogic);
  owned->RefCpld.buffer = new uint8_t[32];
  owned->Lo1Cpld.buffer = new uint8_t[8];
  ASSERT_EQ(sim::Memory::outstandingBlocks(), before + 3);
  EXPECT_EQ(owned->Lo0Cpld.buffer, nullptr);
  delete owned;
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

}  // namespace
