// A commit recorded through a session on the board's list engine, the LO
// maps registered with the manager and the primitives attached as the
// device attaches them, against the same commit made directly elsewhere.
#include <optional>

#include "driver/listmode/snooping/CommitSnoopingAttachment.h"
#include "driver/rf/primitives/lo/FrequencyPrimitive.h"
#include "driver/rf/primitives/lo/PowerPrimitive.h"
#include "driver/rf/primitives/refclk/RefClockPrimitive.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"
#include "tests/rf/primitives/LoPathFixture.h"

namespace {

using namespace vltest;
using namespace nVL9738K_24_0;
using Entries = std::vector<Entry>;

constexpr uint8_t kEngine = 10, kOtherEngine = 9;
constexpr uint32_t kSnoopOffset = 0x100000;
constexpr uint64_t kWindow = sim::FixedLogic::kBarOffset;

// One LO0 path with its primitives over a board's fixed logic.
struct LoPath {
  explicit LoPath(sim::Board& board)
      : fixedLogic(sim::FixedLogic::kSize, kBar0BusAddress + kWindow, board.bar0().mappedAddress() + kWindow, 0) {}
  void commit(tStatus& status) {
    frequency.setRequested(vl9738settings::frequencyPreset(3), status);
    frequency.commit(status);
    power.setRequested(vl9738settings::PowerSettings(0, 5, 6, 20000, 40), status);
    power.commit(status);
  }
  vllym::IoAccessorMappedPci fixedLogic;
  nVl9738Lo0Cpld::tVl9738Lo0Cpld lo{&fixedLogic, 0x8000, 0, 0x4000};
  nVl9738RefCpld::tVl9738RefCpld ref{&fixedLogic, 0x4000, 0, 0x4000};
  nBoardControl::tBoardControl boardControl{&fixedLogic, 0, 0, 0x100};
  nKMR4::tTICDCE18005RegMap clockBuffer{nullptr, 0, 0, 0xFFFFFFFF};
  RecordingControl control0, control1;
  cbak::SettlingTimerHandler settling{&control0, &control1};
  tStatus status;
  ListModeRegisterReadResources readResources{status};
  FrequencyPrimitive frequency{&ref.Lo0RefClkToLoRegMap, &lo.Ad9162RegMap, &lo.BoardCtrlRegMap, &settling,
                               readResources.getWaitWithRedirection()};
  PowerPrimitive power{&lo.BoardCtrlRegMap, &lo.Ad9162RegMap, &settling};
  RefClockPrimitive refClock{ref, boardControl, clockBuffer, &readResources, status};
};

// Parameter: the engine is the generation engine (else acquisition).
class CommitSnoopingOnBoard : public ListEngineOnBoard, public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    build(0x28'00'01'32'01);
    session.emplace(&*control, &assembler, kEngine, status);
    snoopContext.initialize(kEngine, kSnoopOffset, 1704, 0, 1, 0, nullptr, 0);
    manager.emplace(&*driverPort, status);
    registerLoPathMaps(*manager, snoopContext, path.lo.Ad9162RegMap, path.lo.BoardCtrlRegMap, path.ref, status);
    const bool generation = GetParam();
    path.readResources.configure(generation ? kOtherEngine : kEngine, generation ? kEngine : kOtherEngine, status);
    for (LoPath* p : {&path, &direct}) {
      p->frequency.applyDefaults(status);
      p->power.applyDefaults(status);
    }
    ASSERT_EQ(status.getCode(), 0);
    board.bar0().startRecording();
    other.bar0().startRecording();
  }
  sim::Board other;
  LoPath path{board};
  LoPath direct{other};
  std::optional<listmodek::Session> session;
  vlifw::Context snoopContext;
  std::optional<SnoopingManager::SnoopingManager> manager;
};

// The reference clock records nothing of a commit and a path select as one
// write of its bit alone; the lock query of the engine's path (path 0 for
// generation) becomes the list's wait on the select bit: the run fails
// until the bit is set.
TEST_P(CommitSnoopingOnBoard, ARecordedCommitTouchesNoRegisterAndItsListWritesWhatTheDirectCommitWrites) {
  const bool generation = GetParam();
  const uint32_t select = generation ? RefClockPrimitive::kPath0Select : RefClockPrimitive::kPath1Select;
  const LoPathListListeners lo{&path.frequency, &path.power, &path.refClock}, none{};
  attachCommitSnooping(*session,
                       {&path.readResources, &*manager, generation ? kOtherEngine : kEngine,
                        generation ? kEngine : kOtherEngine, generation ? lo : none, generation ? none : lo},
                       status);
  session->beginCommit(status);
  path.commit(status);
  EXPECT_FALSE(path.refClock.commit(generation ? 0 : 1, status)) << "only recorded";
  vl9738settings::RefClockLockReport report{};
  EXPECT_EQ(path.refClock.queryLockStatus(generation ? 0 : 1, report, status), 0u);
  path.refClock.selectReferencePath(generation ? 0 : 1, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_TRUE(board.bar0().traffic().empty()) << "no register access while recording";
  session->endCommit(status);
  EXPECT_EQ(std::tuple(path.lo.Ad9162RegMap.getAccessor(), path.ref.Hmc703RegMap.getAccessor()),
            std::tuple(&path.fixedLogic, &path.fixedLogic));

  direct.commit(direct.status);
  sim::InstructionBlockModel snooped;
  Entries expected;
  for (const BusAccess& access : writesIn(other.bar0().traffic())) {
    const uint32_t address = kSnoopOffset + static_cast<uint32_t>(access.offset - kWindow);
    snooped.define(address, sim::InstructionBlockModel::kReadWrite, false);
    expected.push_back(wrote(address, access.value));
  }
  ASSERT_FALSE(expected.empty());
  constexpr uint32_t kPllHmc703 = kSnoopOffset + 0x412C;
  expected.push_back(wrote(kPllHmc703, select));
  snooped.define(kPllHmc703, sim::InstructionBlockModel::kReadWrite, false);
  engine.attachTarget(kEngine, snooped);
  const listmodek::pcode::Assembler::Buffer buffer = assembler.getBuffer();
  const std::vector<uint64_t> words(buffer.data, buffer.data + buffer.count);
  EXPECT_FALSE(engine.run(words));
  snooped.setValue(kPllHmc703, select);
  snooped.clearLog();
  EXPECT_TRUE(engine.run(words));
  EXPECT_EQ(snooped.writes(), expected);
  ASSERT_FALSE(engine.events().empty()) << "the 50 us waits are delays of the list";
  for (const auto& event : engine.events()) EXPECT_EQ(event, engine.events().front());
}

INSTANTIATE_TEST_SUITE_P(Engines, CommitSnoopingOnBoard, testing::Bool());

}  // namespace
