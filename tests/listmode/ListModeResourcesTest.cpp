// List-mode resources over the board's subsystem tree, discovered through
// the register port, with a list engine under each timing engine.
#include <memory>
#include <optional>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SubsystemMap.h"
#include "driver/listmode/ListModeResources.h"
#include "sim/board/ListEngineLeaf.h"
#include "tests/listmode/FakeListener.h"
#include "tests/regport/RegisterPortFixture.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Element = vlifw::PathElement;
namespace st = nVLAPALS100;

using SessionPtr = std::unique_ptr<listmodek::Session>;

class ListModeResourcesOnBoard : public RegisterPortOnBoard {
 protected:
  void SetUp() override {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1}});
    for (L* engine : {&generation, &acquisition}) engine->setCapabilities(0x28'00'01'32'01);
    sim::ListEngineLeaf{.subsystem = 8}.place(model, generation);
    sim::ListEngineLeaf{.subsystem = 9, .parentUid = 2401, .uid = 110}.place(model, acquisition);
    openPort();
    tree.emplace(&*driverPort, status);
    resources.emplace(&*driverPort, tree->getSubsystem(0, status));
  }
  SessionPtr create(std::vector<Element> elements, tStatus& into) {
    vlhtl::Vector<Element> path;
    for (const Element& element : elements) path.push_back(element, into);
    return SessionPtr(resources->createSession(path, into));
  }

  L generation{0x40};
  L acquisition{0};
  std::optional<vlifw::SubsystemMap> tree;
  std::optional<listmodek::ListModeResources> resources;
};

// A failed capability read keeps no record, so the next session tries
// again; later sessions of the engine share the record.
TEST_F(ListModeResourcesOnBoard, PathsResolveToSessionsThatShareTheirEnginesRecord) {
  generation.failAt(generation.address(L::kCapabilities), sim::SubsystemModel::kGenericFailure);
  tStatus failed;
  EXPECT_EQ(create({{2400, 0}, {2404, 0}}, failed), nullptr);
  EXPECT_EQ(failed.getCode(), vlifw::codes::kInstructionFailed);
  driverPort->flush(status);  // the port keeps a failure until it is reset
  SessionPtr first = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr second = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr other = create({{2401, 0}, {110, 0}}, status);
  ASSERT_TRUE(first && second && other);
  EXPECT_EQ(first->getCommandControl(), second->getCommandControl());
  EXPECT_NE(first->getCommandControl(), other->getCommandControl());
  EXPECT_EQ((std::pair<int, int>(first->getSubsystem(), other->getSubsystem())), std::pair(8, 9));
  EXPECT_EQ(generation.readsOf(generation.address(L::kCapabilities)), 1u);
  // The last step is checked before the walk; a walk that finds nothing
  // is no error.
  const std::pair<std::vector<Element>, int64_t> refused[] = {{{}, st::kStatusInvalidParameter},
                                                              {{{7777, 0}, {2403, 0}}, st::kStatusInvalidParameter},
                                                              {{{7777, 0}, {2404, 0}}, 0}};
  for (const auto& [path, code] : refused) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(create(path, s), nullptr); }), code) << path.size() << " steps";
  }
}

// A records a list while B, on the same engine and sharing A's primitive,
// tries to start a commit and to add a trigger wait: nothing of A's
// changes, the list A ends is the one A alone compiles, and the engine
// runs it.
TEST_F(ListModeResourcesOnBoard, ASecondSessionCannotTouchTheListAnotherRecords) {
  SessionPtr recorder = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr intruder = create({{2400, 0}, {2404, 0}}, status);
  std::vector<std::string> log;
  FakeListener primitive{"a", log};
  for (listmodek::Session* session : {recorder.get(), intruder.get()}) {
    session->addStateListener(&primitive, status);
    session->addSnoopingListener(&primitive, status);
  }
  auto record = [&](bool interfere) {
    primitive.requested = 3;
    recorder->beginCommit(status);
    recorder->setListStepUnderCompile(1, status);
    recorder->waitForListTrigger(0x102, status);
    if (interfere) {
      primitive.requested = 5;
      tStatus refused, noList;
      intruder->beginCommit(refused);
      intruder->waitForListTrigger(1, noList);
      EXPECT_EQ(refused.getCode(), st::kStatusListModeFailure);
      EXPECT_EQ(noList.getCode(), st::kStatusAssemblyFailure);
      EXPECT_EQ(primitive.saved, 3);
    }
    recorder->generateListEvent(0x301, status);
    recorder->readyForListTrigger(0x100, status);
    recorder->endCommit(status);
    const uint64_t* data = recorder->getBuffer(status);
    return std::vector<uint64_t>(data, data + recorder->getWordCount(status));
  };
  const std::vector<uint64_t> alone = record(false);
  EXPECT_EQ(record(true), alone);
  EXPECT_EQ(log,
            (std::vector<std::string>{"a.save", "a.start", "a.stop", "a.end", "a.save", "a.start", "a.stop", "a.end"}));

  generation.loadProgram(0x2000, alone);
  recorder->deployListSettings({0x2000, 0}, status);
  recorder->commit(status);
  recorder->initiate(status);
  EXPECT_TRUE(generation.sendTrigger()) << "the list holds at its trigger wait";
  recorder->abortIfRunning(status);
  EXPECT_EQ(generation.events(), (std::vector<L::Event>{{4, 2}, {5, 1}, {7, 0}}));
  EXPECT_TRUE(resources->allIdle(status)) << "the one engine with a record was stopped";
}

// Every register reads as the capabilities of a list engine.
class CapabilitiesTarget final : public vlifw::InstructionTarget {
 public:
  void read(const vlifw::ReadInstruction&, uint64_t* value, tStatus&, uint32_t) override { *value = 0x28'00'01'32'01; }
  void readMany(const vlifw::ReadInstruction*, uint64_t, uint64_t*, tStatus&, uint32_t) override {}
  void write(const vlifw::WriteInstruction&, bool, tStatus&, uint32_t) override {}
  void writeMany(const vlifw::WriteInstruction*, uint64_t, bool, tStatus&, uint32_t) override {}
  void flush(tStatus&) override {}
};

TEST(ListModeResources, AnAllocationFailureAnywhereGivesNoSessionAndLeavesNoBlock) {
  vlifw::Context root, engine, leaf;
  leaf.initialize(8, 0x40, 2404, 0, 1, 1, nullptr, 0);
  engine.initialize(
      8, 0, 2400, 0, 1, 1, new vlifw::Context* [1] { &leaf }, 1);
  root.initialize(
      0, 0, 1, 0, 1, 1, new vlifw::Context* [1] { &engine }, 1);
  CapabilitiesTarget target;
  const uint64_t runs = sweepAllocationFailures([&] {
    tStatus status;
    listmodek::ListModeResources resources(&target, &root);
    vlhtl::Vector<Element> path;
    path.push_back({2400, 0}, status);
    path.push_back({2404, 0}, status);
    std::unique_ptr<listmodek::Session> session(resources.createSession(path, status));
    return status.getCode() == (session != nullptr ? int64_t{0} : int64_t{st::kStatusOutOfMemory}) ? 0 : 1;
  });
  EXPECT_GT(runs, 8u) << "path, record, its four parts, the list's buffer, the session";
}

}  // namespace
