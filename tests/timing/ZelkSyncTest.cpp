// Trigger-clock synchronisation over the board's subsystem tree, discovered
// through the register port: the generation engine with synchronizers 0
// and 3 and a timing-measurement block, the acquisition engine with one
// synchronizer and none.
#include <memory>
#include <optional>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SubsystemMap.h"
#include "driver/timing/sync/ZelkSyncResources.h"
#include "sim/board/ZelkSyncSubtree.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using Tree = sim::ZelkSyncSubtree;
namespace st = nVLAPALS100;
using Session = std::unique_ptr<qrtifwprim::ZelkSyncControl>;
using Path = std::vector<qrtifwprim::ZelkSyncPathElement>;

constexpr int64_t kMissing = vlifw::codes::kContextMissing;

class ZelkSyncOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1}});
    generation.place(model, 8);
    acquisition.place(model, 9);
    openPort();
    tree.emplace(&*driverPort, status);
    root = tree->getSubsystem(0, status);
    genBinding.emplace(&*driverPort, root->findChild(2400, 0, status), true);
    acqBinding.emplace(&*driverPort, root->findChild(2401, 0, status), true);
    genMap.emplace(&*genBinding, 0, 0, 0xFFFFFFFF);
    acqMap.emplace(&*acqBinding, 0, 0, 0xFFFFFFFF);
    ASSERT_EQ(status.getCode(), 0);
  }
  std::unique_ptr<qrtifwprim::ZelkSyncResources> build(bool noMeasurement) {
    qrtifwprim::ZelkSyncResourcesFactory factory(&*genMap, &*acqMap);
    return std::unique_ptr<qrtifwprim::ZelkSyncResources>(factory.create(&*driverPort, root, noMeasurement, status));
  }
  Session open(qrtifwprim::ZelkSyncResources& resources, const Path& elements, tStatus& into) {
    vlhtl::Vector<qrtifwprim::ZelkSyncPathElement> path;
    for (const auto& element : elements) path.push_back(element, into);
    return Session(resources.createSession(path, into));
  }
  Session generationSession() {
    resources = build(false);
    return open(*resources, {{2400, 0}}, status);
  }

  Tree generation{{.synchronizers = {0, 3}}};
  Tree acquisition{{.engineUid = 2401, .synchronizers = {1}, .measurementVersion = std::nullopt}};
  std::optional<vlifw::SubsystemMap> tree;
  vlifw::Context* root = nullptr;
  std::optional<vlifw::InstructionTargetMXRM> genBinding, acqBinding;
  std::optional<nQRTGenerationRegisters::tQRTGenerationRegisters> genMap;
  std::optional<nQRTAcquisitionRegisters::tQRTAcquisitionRegisters> acqMap;
  std::unique_ptr<qrtifwprim::ZelkSyncResources> resources;
};

// An engine that cannot be built (no measurement block where one is
// expected) fails only its own sessions.
TEST_F(ZelkSyncOnBoard, WalkBuildsOneSubsystemPerEngineAndPathsLeadToSessions) {
  auto withMeasurement = build(false);
  auto without = build(true);
  EXPECT_EQ(withMeasurement->subsystemCount(), 2u);
  const std::pair<Path, int64_t> paths[] = {{{}, st::kStatusInvalidParameter},
                                            {{{2400, 256}}, kMissing},
                                            {{{2402, 0}}, kMissing},
                                            {{{2400, 0}, {700, 0}}, st::kStatusRequestFailure},
                                            {{{2401, 0}}, kMissing}};
  for (const auto& [path, code] : paths) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(open(*withMeasurement, path, s), nullptr); }), code)
        << path.size() << " steps";
  }
  EXPECT_NE(open(*withMeasurement, {{2400, 0}}, status), nullptr);
  EXPECT_NE(open(*without, {{2401, 0}}, status), nullptr);
  EXPECT_EQ(status.getCode(), 0);
  tStatus local;
  qrtifwprim::ZelkSyncSubsystemFactory factory(&*driverPort, &*genMap, &*acqMap, true);
  std::unique_ptr<qrtifwprim::ZelkSyncSubsystem> notEngine(factory.create(root, local));
  EXPECT_EQ(notEngine->createZelkSyncSession(local), nullptr);
  EXPECT_EQ(local.getCode(), st::kStatusInvalidParameter);
}

TEST_F(ZelkSyncOnBoard, GeneratorRestartsOnlyForNewSettings) {
  Session session = generationSession();
  session->configureGenerator(0x12, 0x34, status);
  session->configureGenerator(0x12, 0x34, status);
  EXPECT_EQ(generation.generator().writes(),
            (std::vector<Entry>{wrote(0, 0), wrote(1, 1), wrote(2, 0x12'00000034), wrote(0, 1)}));
  generation.generator().clearLog();
  session->configureGenerator(0x12, 0x35, status);
  session->fireSyncPulse(status);
  session->fireSyncPulse(status);
  EXPECT_EQ(generation.generator().writes(),
            (std::vector<Entry>{wrote(0, 0), wrote(1, 1), wrote(2, 0x12'00000035), wrote(0, 1)}));
  EXPECT_EQ(generation.syncPulse().writes(), (std::vector<Entry>{wrote(0, 1), wrote(0, 1)}));
  EXPECT_EQ(status.getCode(), 0);
}

// 4'294'968 ms is 704 us once multiplied in 32 bits.
TEST_F(ZelkSyncOnBoard, SynchronisationPollsTheDoneBitWithinItsTimeout) {
  Session session = generationSession();
  struct Case {
    uint32_t value;
    int32_t timeoutMs;
    std::optional<uint64_t> readsBeforeDone;
    int64_t code;
    size_t doneReads;
  };
  const Case cases[] = {{5, 10, 3, 0, 4},          {6, -1, 40, 0, 41},
                        {7, 4'294'968, 40, 0, 41}, {8, 10, std::nullopt, st::kStatusTimeout, 0},
                        {0, 10, 0, 0, 0},          {5, -2, 0, st::kStatusInvalidParameter, 0}};
  for (const Case& c : cases) {
    sim::ZelkGeneratorModel& generator = generation.generator();
    generator.clearLog();
    c.readsBeforeDone ? generator.done().setAfterReads(*c.readsBeforeDone) : generator.done().setNever();
    EXPECT_EQ(codeAfter([&](tStatus& s) { session->synchronizeGenerator(c.value, c.timeoutMs, s); }), c.code);
    if (c.code == st::kStatusTimeout) {
      EXPECT_GT(generator.readsOf(5), 1u) << "bounded by ~10 ms of reads";
      EXPECT_LT(generator.readsOf(5), 200u);
    } else {
      EXPECT_EQ(generator.readsOf(5), c.doneReads) << c.timeoutMs;
    }
    const bool started = c.timeoutMs >= -1 && c.value != 0;
    EXPECT_EQ(generator.writes().size(), started ? 2u : 0u) << c.timeoutMs;
  }
}

TEST_F(ZelkSyncOnBoard, TriggerSynchronisationAndAdjustmentReachTheirEngine) {
  resources = build(true);
  Session session = open(*resources, {{2400, 0}}, status);
  Session other = open(*resources, {{2401, 0}}, status);
  ASSERT_TRUE(session && other);
  session->configureTriggerSynchronization(3, {1, 0, 1, 1}, status);
  other->configureTriggerSynchronization(1, {0, 1, 0, 1}, status);
  EXPECT_EQ(generation.synchronizer(3).writes(), (std::vector<Entry>{wrote(0, 0b010), wrote(0, 0b011)}));
  EXPECT_EQ(acquisition.synchronizer(1).writes(), (std::vector<Entry>{wrote(0, 0b100)}));
  EXPECT_EQ(generation.engine().value(0x50), 1u << 3);
  EXPECT_EQ(acquisition.engine().value(0x50), 1u << 1);
  session->configureTriggerSynchronization(3, {1, 0, 1, 0}, status);
  EXPECT_EQ(generation.engine().value(0x50), 0u);
  session->applyMediumAdjustment(0xFF, status);
  EXPECT_EQ(generation.engine().value(0x51), 0xFFu);
  EXPECT_EQ(status.getCode(), 0);
  generation.engine().clearLog();
  generation.synchronizer(0).clearLog();
  const std::pair<uint32_t, qrtifwprim::zelksync_TriggerConfiguration> refused[] = {
      {7, {1, 0, 0, 1}}, {256, {1, 0, 0, 1}}, {0, {1, 2, 0, 1}}, {0, {1, 0, 9, 1}}};
  for (const auto& [instance, configuration] : refused) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { session->configureTriggerSynchronization(instance, configuration, s); }),
              st::kStatusInvalidParameter);
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->applyMediumAdjustment(256, s); }), st::kStatusInvalidParameter);
  EXPECT_TRUE(generation.engine().writes().empty());
  EXPECT_TRUE(generation.synchronizer(0).writes().empty());
}

TEST_F(ZelkSyncOnBoard, MeasurementPulsesWaitsAndReadsItsResults) {
  sim::TimingMeasurementBlockModel& block = generation.measurement();
  for (uint32_t address : {3u, 4u, 5u}) block.setValue(address, 0xA00000000ull + address);
  Session session = generationSession();
  block.done().setAfterReads(2);
  session->pulseMeasurementCommands(status);
  vlfxptype::Number first, second;
  uint64_t third = 0;
  session->waitForMeasurement(5, first, second, third, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(block.readsOf(2), 3u);
  EXPECT_EQ(block.writes(),
            (std::vector<Entry>{wrote(1, 1), wrote(1, 0), wrote(0, 1), wrote(0, 0), wrote(0, 1), wrote(0, 0)}));
  EXPECT_EQ(first, (vlfxptype::Number{0xA00000003, {0, 36, 7}}));
  EXPECT_EQ(second.raw, 0xA00000004u);
  EXPECT_EQ(third, 0xA00000005u);

  block.clearLog();
  block.done().setNever();
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->waitForMeasurement(0, first, second, third, s); }),
            st::kStatusTimeout);
  EXPECT_EQ(block.readsOf(2), 1u);
  EXPECT_EQ(first.raw + second.raw + third, 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->waitForMeasurement(-1, first, second, third, s); }),
            st::kStatusInvalidParameter);

  Session without = open(*build(true), {{2400, 0}}, status);
  EXPECT_EQ(codeAfter([&](tStatus& s) { without->waitForMeasurement(5, first, second, third, s); }),
            st::kStatusRequestFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { without->reserved12(s); }), st::kStatusNotSupported);
}

// The record's version is looked at before its size.
TEST_F(ZelkSyncOnBoard, TraitsRecordHoldsTheBlocksConstants) {
  sim::TimingMeasurementBlockModel& block = generation.measurement();
  for (uint32_t address = 6; address <= 9; ++address) block.setValue(address, uint64_t{address} << 32 | address * 16);
  Session session = generationSession();
  const std::pair<vlftdc::tTraits, int64_t> records[] = {
      {{48, 2}, st::kStatusNotSupported}, {{47, 1}, st::kStatusLookupFailure}, {{48, 1}, 0}};
  for (auto [record, code] : records) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { session->getMeasurementResults(&record, s); }), code);
    if (code == 0) {
      const vlftdc::tTraits expected{48, 1, 1, 0, 0x9'00000090, 6, 0x60, 7, 0x70, 8, 0x80};
      EXPECT_EQ(0, memcmp(&record, &expected, sizeof record));
    }
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->getMeasurementResults(nullptr, s); }), st::kStatusInvalidParameter);

  vlifw::Context old, wrong;
  old.initialize(8, Tree::kMeasurementOffset, 108, 0, 0, 0, nullptr, 0);
  wrong.initialize(8, Tree::kMeasurementOffset, 109, 0, 1, 0, nullptr, 0);
  block.clearLog();
  vlftdc::CommandControl versionZero(&old, &*driverPort, status);
  const vlftdc::tTraits firstFour{48, 1, 0, 0};
  EXPECT_EQ(0, memcmp(&versionZero.traits(), &firstFour, sizeof firstFour));
  EXPECT_TRUE(block.log().empty()) << "no traits registers on version 0";
  EXPECT_EQ(codeAfter([&](tStatus& s) { vlftdc::CommandControl(&wrong, &*driverPort, s); }), st::kStatusBadSelector);
  uint8_t common[16] = {};
  versionZero.copyCommonTraits(common, 16, status);
  EXPECT_EQ(0, memcmp(common, &firstFour, 16));
  EXPECT_EQ(codeAfter([&](tStatus& s) { versionZero.copyCommonTraits(common, 15, s); }), st::kStatusInvalidParameter);
}

}  // namespace
