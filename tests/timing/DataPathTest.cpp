// The engines' data paths over their register blocks on the board: the
// register resources discover the blocks through the register port, the
// controls drive them, and trigger resources and power regulation sit
// beside them.
#include <optional>
#include <tuple>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SubsystemMap.h"
#include "driver/listmode/snooping/StatusRegisterCheckPool.h"
#include "driver/timing/datapath/AcqRegsResources.h"
#include "driver/timing/datapath/PowerRegulation.h"
#include "driver/timing/datapath/TriggerResources.h"
#include "sim/board/DataPathEngineModel.h"
#include "sim/board/PrimitiveBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"
#include "tests/support/RecordingInserter.h"

namespace {

using namespace vltest;
using qrtifwprim::AcqDataPathControl;
using qrtifwprim::GenDataPathControl;
using Engine = sim::DataPathEngineModel;
using Number = vlfxptype::Number;
namespace st = nVLAPALS100;
using Path = std::vector<qrtifwprim::ZelkSyncPathElement>;

constexpr uint8_t kGen = 8, kAcq = 9, kAcq2 = 10;

class DataPathOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1, .instance = 1}});
    gen.place(model, kGen, 0, 2, 2);
    acq.place(model, kAcq, 0, 3, 2);
    gen.setValue(0x26, 3);  // coarse steps 0..3 of 8 fine steps
    for (uint8_t subsystem : {kGen, kAcq, kAcq2}) pools.setPool(subsystem, &pool, status);
    rebuild(&manager);
    ASSERT_EQ(status.getCode(), 0);
  }
  // Over the board's subsystem tree as it now stands.
  void rebuild(rfyulreserve_impl::DeviceActivityAccessManager* names) {
    acqRegs.reset();
    genRegs.reset();
    tree.reset();
    openPort();
    tree.emplace(&*driverPort, status);
    root = tree->getSubsystem(0, status);
    build(names);
  }
  // Each engine kind takes its name from the root: a second block of a kind
  // would collide with the first in the manager.
  void build(rfyulreserve_impl::DeviceActivityAccessManager* names) {
    const qrtifwprim::internal::DataPathServices services{&pollers, &pools, names};
    genRegs.emplace(&*driverPort, root, services, status);
    acqRegs.emplace(&*driverPort, root, services, status);
  }
  vlhtl::Vector<qrtifwprim::ZelkSyncPathElement> path(const Path& elements) {
    vlhtl::Vector<qrtifwprim::ZelkSyncPathElement> out;
    for (const auto& element : elements) out.push_back(element, status);
    return out;
  }
  GenDataPathControl& genControl() { return *genRegs->getDataPathControl(path({{2402, 0}}), status); }
  AcqDataPathControl& acqControl() { return *acqRegs->getDataPathControl(path({{2403, 0}}), status); }
  void run(listmodek::iListInstructionInserter* inserter, std::initializer_list<uint32_t> commands, bool acquisition) {
    const std::vector<uint32_t> list(commands);
    datapathki::DataPathControlInterface& control =
        acquisition ? static_cast<datapathki::DataPathControlInterface&>(acqControl()) : genControl();
    poller.onStartCommitSnooping(inserter, status);
    pollers.setPoller(acquisition ? kAcq : kGen, &poller, status);
    control.executeCommands(list.data(), static_cast<uint32_t>(list.size()), status);
    poller.onStopCommitSnooping(status);
  }

  Engine gen{Engine::Block::kGeneration}, acq{Engine::Block::kAcquisition}, acq2{Engine::Block::kAcquisition};
  std::optional<vlifw::SubsystemMap> tree;
  vlifw::Context* root = nullptr;
  RegisterPoller::PollerStore pollers;
  RegisterPoller::PollerWithRedirection poller;
  StatusRegisterCheck::StatusRegisterCheckPool pool{status};
  StatusRegisterCheck::StatusRegisterCheckPoolStore pools;
  rfyulreserve_impl::DeviceActivityAccessManager manager{-50001, -50002, -50003, -50004};
  std::optional<qrtifwprim::GenRegsResources> genRegs;
  std::optional<qrtifwprim::AcqRegsResources> acqRegs;
};

TEST_F(DataPathOnBoard, GenerationSlotsWriteTheirRegistersUnderTheShadowRule) {
  using Call = std::tuple<std::function<void(tStatus&)>, std::vector<Entry>, int64_t>;
  GenDataPathControl& c = genControl();
  const Number marker{5, {1, 32, 16}}, otherMarker{6, {0, 32, 16}}, frontEnd{9, {0, 64, 32}},
      narrowFrontEnd{9, {0, 32, 16}}, postRoute{7, {0, 32, 16}};
  const Call calls[] = {
      {[&](tStatus& s) { c.programDynamicDelay(1000, s); }, {wrote(0x27, 0x307)}, 0},  // clamped to 31
      {[&](tStatus& s) { c.programDynamicDelay(-5, s); }, {wrote(0x27, 0)}, 0},
      {[&](tStatus& s) { c.programDynamicDelay(0, s); }, {}, 0},
      {[&](tStatus& s) { c.clearDSPStatus(true, false, false, s); }, {wrote(0x23, 1), wrote(0x23, 0)}, 0},
      {[&](tStatus& s) { c.forceIdleVectorIntoSignalPath(s); }, {wrote(0x2C, 0), wrote(0x2C, 1), wrote(0x2C, 0)}, 0},
      {[&](tStatus& s) { c.programMarkerOffset(marker, s); }, {wrote(0x48, 5), wrote(0x4A, 1)}, 0},
      {[&](tStatus& s) { c.programMarkerOffset(marker, s); }, {}, 0},
      {[&](tStatus& s) { c.programMarkerOffset(otherMarker, s); }, {}, st::kStatusInvalidParameter},
      {[&](tStatus& s) { c.programAnalogFrontEndDelay(frontEnd, s); }, {wrote(0x32, 9)}, 0},
      {[&](tStatus& s) { c.programAnalogFrontEndDelay(narrowFrontEnd, s); }, {}, st::kStatusInvalidParameter},
      {[&](tStatus& s) { c.programPostRouteEventDelay(postRoute, s); }, {wrote(0x49, 7)}, 0},
      {[&](tStatus& s) { c.programEqBypass(true, s); }, {wrote(0x29, 1)}, 0},
      {[&](tStatus& s) { c.programDSPBypass(true, s); }, {wrote(0x28, 1)}, 0},
      {[&](tStatus& s) { c.programTxBufferPathDelay(3, s); }, {wrote(0x33, 3)}, 0},
      {[&](tStatus& s) { c.unsupportedOperation(s); }, {}, st::kStatusNotSupported},
      {[&](tStatus& s) { c.programRxBufferPathDelay(3, s); }, {}, 0},
      {[&](tStatus& s) { c.markDirty(s); }, {}, 0},
      {[&](tStatus& s) { c.programDynamicDelay(0, s); }, {wrote(0x27, 0)}, 0},
  };
  for (const auto& [call, writes, code] : calls) {
    gen.clearLog();
    EXPECT_EQ(codeAfter(call), code);
    EXPECT_EQ(gen.writes(), writes);
  }
  int32_t low = -1, high = -1;
  c.getDynamicDelayRange(low, high, status);
  EXPECT_EQ(std::make_pair(low, high), std::make_pair(0, 31));
  gen.setValue(0x24, 100);
  gen.setValue(0x2A, 0x00030002);
  EXPECT_EQ(c.readDSPPipelineDelay(status), 105u);
}

TEST_F(DataPathOnBoard, AcquisitionSlotsWriteTheirRegistersOrRefuse) {
  using Call = std::tuple<std::function<void(tStatus&)>, std::vector<Entry>, int64_t>;
  AcqDataPathControl& c = acqControl();
  const Number offset{0xFFFF0000, {1, 32, 16}}, preRoute{4, {0, 32, 16}}, frontEnd{2, {0, 64, 32}};
  const Call calls[] = {
      {[&](tStatus& s) { c.programPreRouteTriggerDelay(preRoute, s); }, {wrote(31, 4)}, 0},
      {[&](tStatus& s) { c.programPreRouteTriggerDelay(offset, s); }, {}, st::kStatusInvalidParameter},
      {[&](tStatus& s) { c.programStartTriggerOffset(offset, s); }, {wrote(32, 0xFFFF0000)}, 0},
      {[&](tStatus& s) { c.programAdvanceTriggerOffset(offset, s); }, {wrote(33, 0xFFFF0000)}, 0},
      {[&](tStatus& s) { c.programReferenceTriggerOffset(offset, s); }, {wrote(34, 0xFFFF0000)}, 0},
      {[&](tStatus& s) { c.programAsyncReferenceTimestampOffset(offset, s); }, {wrote(35, 0xFFFF0000)}, 0},
      {[&](tStatus& s) { c.programTimestampPrecision(3, s); }, {wrote(50, 3)}, 0},
      {[&](tStatus& s) { c.programReportAyncReferenceTimestamp(true, s); }, {wrote(39, 1)}, 0},
      {[&](tStatus& s) { c.programRxBufferPathDelay(8, s); }, {wrote(52, 8)}, 0},
      {[&](tStatus& s) { c.programAnalogFrontEndDelay(frontEnd, s); }, {wrote(51, 2)}, 0},
      {[&](tStatus& s) { c.clearDSPStatus(false, true, false, s); }, {wrote(66, 2), wrote(66, 0)}, 0},
      {[&](tStatus& s) { c.clearDSPStatus(false, false, false, s); }, {}, 0},
      {[&](tStatus& s) { c.programTxBufferPathDelay(1, s); }, {}, 0},
      {[&](tStatus& s) { c.programDynamicDelay(1, s); }, {}, st::kStatusNotSupported},
      {[&](tStatus& s) { c.programDSPBypass(true, s); }, {}, st::kStatusInvalidParameter},
      {[&](tStatus& s) { c.markDirty(s); }, {}, 0},
      {[&](tStatus& s) { c.programAnalogFrontEndDelay(frontEnd, s); }, {wrote(51, 2)}, 0},
  };
  for (const auto& [call, writes, code] : calls) {
    acq.clearLog();
    EXPECT_EQ(codeAfter(call), code);
    EXPECT_EQ(acq.writes(), writes);
  }
  uint32_t precisionClass = 0;
  vlfxptype::Configuration configuration;
  c.getTimestampTraits(precisionClass, configuration, status);
  EXPECT_EQ(precisionClass, 2u);
}

TEST_F(DataPathOnBoard, CommandsPostTheirPulsesWaitForDoneBitsAndRestoreTheDynamicDelay) {
  // Each write's register, and whether the binding waited for it.
  std::vector<uint32_t> written;
  std::vector<bool> waited;
  gen.observer = [&](uint32_t address, uint64_t) {
    written.push_back(address);
    waited.push_back(genRegs->entries().begin()->second->target->getWaitForWrites());
  };
  genControl().programDynamicDelay(9, status);
  run(nullptr, {1, 2, 3, 4, 5, 6, 7}, false);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(written, (std::vector<uint32_t>{0x27, 0x20, 0x20, 0x20, 0x23, 0x23, 0x27, 0x30, 0x30, 0x30, 0x27}));
  EXPECT_EQ(waited, (std::vector<bool>{1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 1}));
  EXPECT_EQ(gen.value(0x27), 0x101u) << "command 7 puts back the delay command 6 zeroed";
  acq.observer = [&](uint32_t address, uint64_t) { written.push_back(address); };
  written.clear();
  run(nullptr, {1, 3, 4, 5, 6, 7, 8, 9}, true);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(written.size(), 2u + 2u + 3u + 3u + 3u);
  for (uint32_t bad : {8u, 10u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { genControl().executeCommands(&bad, 1, s); }), st::kStatusInvalidParameter)
        << bad;
  }
  gen.setValue(0x21, 0);
  gen.setHung(true);
  run(nullptr, {1, 3}, false);
  EXPECT_EQ(status.getCode(), st::kStatusTimeout);
}

TEST_F(DataPathOnBoard, SnoopedWaitsBecomeAnnouncedBitWaitsWithoutPolling) {
  Log log;
  RecordingInserter inserter{log};  // the reads still reach the block
  gen.setHung(true);
  run(&inserter, {3, 7}, false);
  acq.setHung(true);
  run(&inserter, {3, 7}, true);
  EXPECT_EQ(status.getCode(), 0);
  const std::string wait = entry("wait", 1000, 0x101, 0);
  EXPECT_EQ(log, (Log{wait, "clear", wait, "clear", wait, "clear", wait, "clear"}));
  EXPECT_EQ(gen.readsOf(0x21) + gen.readsOf(0x31) + acq.readsOf(71) + acq.readsOf(49), 4u);
}

TEST_F(DataPathOnBoard, StatusChecksTestClearBitsThroughPooledChecksReturnedWithTheControl) {
  datapathki::DataPathStatus found;
  genControl().checkStatus(found, status);
  EXPECT_FALSE(found.problem);
  acq.setValue(72, 4);
  acqControl().checkStatus(found, status);
  EXPECT_TRUE(found.problem);
  acq.setValue(72, 0);
  acqControl().checkStatus(found, status);
  EXPECT_FALSE(found.problem);
  EXPECT_EQ(status.getCode(), 0);
  uint32_t held = 0;
  for (; held < StatusRegisterCheck::StatusRegisterCheckPool::kCheckCount; ++held) {
    tStatus s;
    if (pool.acquireCheck(s) == nullptr) break;
  }
  EXPECT_EQ(held, StatusRegisterCheck::StatusRegisterCheckPool::kCheckCount - 4);
  acqRegs.reset();
  genRegs.reset();
  tStatus s;
  for (uint32_t i = 0; i < 4; ++i) EXPECT_NE(pool.acquireCheck(s), nullptr);
}

TEST_F(DataPathOnBoard, EnginesRegisterTheirNamesByRootInstanceAndUnregisterOnDestruction) {
  auto lookUp = [&](const char* name) {
    return codeAfter([&](tStatus& s) { manager.findToken(vlhtl::String(name, s), s); });
  };
  EXPECT_EQ(lookUp("Generation Engine:1"), 0);
  EXPECT_EQ(lookUp("Acquisition Engine:1"), 0);
  EXPECT_NE(lookUp("Generation Engine"), 0);
  const auto& activity = genControl().getDeviceActivity();
  gen.setValue(0x46, 1);
  EXPECT_TRUE(activity.isIdle(rfyulreserve::ReservationClientID{1}, status));
  EXPECT_TRUE(activity.isIdle(rfyulreserve::ReservationClientID{2}, status));
  genRegs.reset();
  EXPECT_NE(lookUp("Generation Engine:1"), 0);
  model.subsystemMap().clear();
  model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1, .instance = 2}});
  gen.place(model, kGen, 0, 2, 2);
  rebuild(&manager);
  EXPECT_EQ(status.getCode(), 0) << "a bad instance stays with the block";
  EXPECT_EQ(codeAfter([&](tStatus& s) { genRegs->getDataPathControl(path({{2402, 0}}), s); }), st::kStatusBadSelector);
}

TEST_F(DataPathOnBoard, ResourcesKeepOneEntryPerBlockAndMarkOnlyTheirSubsystemDirty) {
  acq2.place(model, kAcq2, 1, 4, 3);
  rebuild(nullptr);
  EXPECT_EQ(acqRegs->entries().size(), 2u) << "a version-4 block that still accepts 3 is served";
  acqRegs->markDirty(kAcq2, status);
  EXPECT_FALSE(acqRegs->getRegisterMap(path({{2403, 0}}), status)->AnalogFrontEndDelay.isDirty());
  auto* second = acqRegs->getRegisterMap(path({{2403, 1}}), status);
  EXPECT_TRUE(second->AnalogFrontEndDelay.isDirty() && second->WritableLowerBit68.isDirty());
  EXPECT_EQ(acqControl().getVersion(), 3u);
  EXPECT_EQ(status.getCode(), 0);
  using Lookup = std::pair<Path, int64_t>;
  for (const auto& [elements, code] :
       {Lookup{{}, st::kStatusInvalidParameter}, Lookup{{{2403, 0x100}}, vlifw::codes::kContextMissing},
        Lookup{{{2402, 0}}, st::kStatusNotAccessible}}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { acqRegs->getDataPathControl(path(elements), s); }), code);
  }
}

TEST_F(DataPathOnBoard, TriggerControlsOnlyForBlocksOnTheirEnginesSubsystem) {
  qrtifwprim::TriggerResources triggers(kAcq, &*acqRegs, kAcq, &*genRegs, nullptr, root);
  vlhtl::Vector<vlifw::PathElement> to;
  to.push_back({2403, 0}, status);
  EXPECT_NE(triggers.getTriggerControl(to, status), nullptr);
  to[0] = {2402, 0};
  EXPECT_EQ(codeAfter([&](tStatus& s) { triggers.getTriggerControl(to, s); }), st::kStatusNotAccessible);
  to[0] = {2403, 1};
  EXPECT_EQ(codeAfter([&](tStatus& s) { triggers.getTriggerControl(to, s); }), vlifw::codes::kContextMissing);
  qrtifwprim::TriggerResources onGen(kAcq, &*acqRegs, kGen, &*genRegs, nullptr, root);
  auto* genMap = genRegs->getRegisterMap(genRegs->entries().begin()->first, status);
  onGen.markDirty(kAcq, status);
  EXPECT_FALSE(genMap->TriggerControl16.isDirty());
  onGen.markDirty(kGen, status);
  EXPECT_TRUE(genMap->TriggerControl16.isDirty());
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(DataPathOnBoard, PowerRegulationWritesEveryCallDisablingCommandWordFirst) {
  sim::PrimitiveBlockModel block(sim::PrimitiveBlockModel::Block::kPowerRegulation);
  model.attachSubsystem(12, block);
  vlifw::Context context;
  context.initialize(12, 0, 2420, 0, 1, 1, nullptr, 0);
  qrtifwprim::PowerRegulation power(&*driverPort, &context, status);
  power.enable(false, status);
  power.enable(false, status);
  power.setControlByte(0xAB, status);
  power.setValue(7, status);
  block.setValue(6, 0x1234);
  EXPECT_EQ(power.readValue(status), 0x1234u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(1, 0), wrote(2, 0), wrote(1, 0), wrote(2, 0),
                                                wrote(2, 0xAB0000000000), wrote(3, 7)}));
}

}  // namespace
