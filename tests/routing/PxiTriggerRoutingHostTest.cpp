// The PXI trigger routing host over the routing-matrix block model, found
// through the register port's subsystem tree: the block checks at
// construction, break-before-make and the route cache, as the block's
// access log shows them.
#include <algorithm>
#include <optional>

#include "driver/ifw/SubsystemMap.h"
#include "driver/routing/pxi/PxiRouteProgrammer.h"
#include "sim/board/PxiRoutingMatrixModel.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/regport/RegisterPortFixture.h"

namespace {

using namespace vltest;
using Entry = sim::InstructionBlockModel::Entry;
using Host = vlpxiroutingmatrix::PxiTriggerRoutingHost;
namespace codes = vlpxiroutingmatrix::codes;

Entry w(uint32_t address, uint32_t value) { return Entry{false, address, value}; }
Entry readBack() { return Entry{true, 0, 0}; }

class RoutingMatrixHost : public RegisterPortOnBoard {
 protected:
  // Builds the host once the test has shaped the block.
  Host& make(uint16_t contextVersion = 4, bool expect = true) {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1}});
    matrix.place(model, 5, contextVersion, std::min<uint16_t>(contextVersion, 3));
    openPort();
    tree.emplace(&*driverPort, status);
    const vlifw::ContextInterface* parent = tree->getSubsystem(0, status)->findChild(2406, 0, status);
    host.emplace(&*driverPort, parent->findChild(Host::kUid, 0, status), true, status);
    EXPECT_EQ(status.getCode(), 0);
    if (expect) host->setExpectedVersion(Host::kVersion200);
    matrix.clearLog();
    return *host;
  }
  std::vector<Entry> program(uint32_t index, uint32_t value, int64_t code = 0) {
    matrix.clearLog();
    EXPECT_EQ(codeAfter([&](tStatus& s) { host->programRoute(index, value, s); }), code) << index;
    return matrix.log();
  }

  sim::PxiRoutingMatrixModel matrix;
  std::optional<vlifw::SubsystemMap> tree;
  std::optional<Host> host;
};

TEST_F(RoutingMatrixHost, RoutesAreBrokenBeforeTheyAreMadeAndUnchangedRoutesAreNotRewritten) {
  make();
  EXPECT_EQ(host->getBlockVersion(), 200u);
  EXPECT_EQ(program(512, 0x80000005), (std::vector{w(512, 5), w(512, 0x80000005), readBack()}));
  EXPECT_EQ(program(512, 0x80000005), (std::vector{readBack()}));
  EXPECT_EQ(program(512, 0x00000007), (std::vector{w(512, 5), w(512, 7), readBack()}));
  EXPECT_EQ(program(799, 0x80000001), (std::vector{w(799, 1), w(799, 0x80000001), readBack()}));
  EXPECT_EQ(program(799, 0x80000002), (std::vector{w(799, 0x80000002), readBack()}));
  EXPECT_EQ(program(2050, 0x80000003), (std::vector{w(2050, 0x80000003), readBack()}));
  EXPECT_EQ(program(2051, 0x80000003, codes::kRouteIndexOutOfRange), std::vector<Entry>{});
}

// A failed make leaves the route unknown to the cache: the same request
// later reads the register, then breaks and makes the route instead of
// finding it "done".
TEST_F(RoutingMatrixHost, AFailedWriteIsNotRememberedAsTheRoutesValue) {
  make();
  matrix.failAt(768, sim::SubsystemModel::kGenericFailure);
  program(768, 0x80000009, vlifw::codes::kInstructionFailed);
  driverPort->flush(status);
  EXPECT_EQ(program(768, 0x80000009), (std::vector{Entry{true, 768, 0}, w(768, 9), w(768, 0x80000009), readBack()}));
}

// Slots an engine's recordings wrote before this host was built, carried in
// by the device: the host no longer vouches for them, a run's start forgets
// them again, and until the run's end a program of one is not remembered.
TEST_F(RoutingMatrixHost, CarriedRecordedSlotsAreReadAgainWhileARunMayRewriteThem) {
  make();
  program(512, 0x80000005);
  vlpxiroutingmatrix::RecordedRouteSlots record{-1, ~0u, ~0u, 1};
  host->carryRecord(record, 7);
  EXPECT_EQ(record.running, 0) << "the bring-up ended any run";
  const std::vector<Entry> read{Entry{true, 512, 0x80000005}, readBack()};
  EXPECT_EQ(program(512, 0x80000005), read);
  EXPECT_EQ(program(512, 0x80000005), std::vector{readBack()});
  host->forgetRecorded(7);
  host->setRunning(7, true);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(program(512, 0x80000005), read) << i;
  host->forgetRecorded(7);
  host->setRunning(7, false);
  EXPECT_EQ(program(512, 0x80000005), read);
  EXPECT_EQ(program(512, 0x80000005), std::vector{readBack()});
}

// Slots past the cache take the route's value from its register, with the
// same order of writes.
TEST_F(RoutingMatrixHost, RoutesPastTheCacheAreReadFromTheirRegister) {
  make();
  matrix.setValue(544, 0x80000004);
  EXPECT_EQ(program(544, 0x00000006), (std::vector{Entry{true, 544, 0x80000004}, w(544, 4), w(544, 6), readBack()}));
  EXPECT_EQ(program(600, 0x80000001), (std::vector{Entry{true, 600, 0}, w(600, 1), w(600, 0x80000001), readBack()}));
  EXPECT_EQ(program(823, 6), (std::vector{Entry{true, 823, 0}, w(823, 6), readBack()}));
}

struct StickyCase {
  const char* what;
  uint32_t address;
  uint32_t value;
  uint16_t contextVersion;
  int64_t code;
};

class RoutingMatrixRefusal : public RoutingMatrixHost, public testing::WithParamInterface<StickyCase> {};

TEST_P(RoutingMatrixRefusal, EveryProgrammingAnswersWhatTheBlockCheckFound) {
  const StickyCase& c = GetParam();
  matrix.setValue(c.address, c.value);
  make(c.contextVersion);
  for (uint32_t index : {512u, 2050u}) EXPECT_EQ(program(index, 0x80000001, c.code), std::vector<Entry>{});
}

INSTANTIATE_TEST_SUITE_P(Blocks, RoutingMatrixRefusal,
                         testing::Values(StickyCase{"size word 1 of 33", 6, 33, 4, codes::kSizeOutOfRange},
                                         StickyCase{"block version 300", 11, 300, 4, codes::kVersionMismatch},
                                         StickyCase{"matrix range inverted", 10, 2, 4,
                                                    nVLAPALS100::kStatusValueOutOfRange},
                                         StickyCase{"context version 2", 11, 200, 2, codes::kContextTooOld}));

TEST_F(RoutingMatrixHost, WithoutAnExpectedVersionNothingIsProgrammed) {
  make(3, false);
  EXPECT_EQ(host->getBlockVersion(), 0u) << "a version-3 context has no version words";
  EXPECT_EQ(program(512, 0x80000001, codes::kVersionMismatch), std::vector<Entry>{});
  vlpxiroutingmatrix::PxiRouteProgrammer orphan(nullptr);
  EXPECT_EQ(codeAfter([&](tStatus& s) { orphan.programRoute(1, 512, 0x80000001, s); }), codes::kNoHost);
}

// The host's own map: nothing is dirty after a reset, and register 32's
// eight bits are one field each.
TEST_F(RoutingMatrixHost, TheMapFlushesOnlyWhenForcedAndDescribesItsStatusBits) {
  auto& map = make().getRegMap();
  map.flushRegMap(false, status);
  EXPECT_EQ(matrix.writes(), std::vector<Entry>{});
  map.flushRegMap(true, status);
  EXPECT_EQ(matrix.writes(), (std::vector{w(3, 0), w(4, 0)}));
  EXPECT_EQ(formatOf(map, 0xC0000020, 7).code, nVLAPALS100::kStatusLookupFailure);
  EXPECT_EQ(formatOf(map, 0xC0000020, 8).masks, (std::vector<uint64_t>{1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80}));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
