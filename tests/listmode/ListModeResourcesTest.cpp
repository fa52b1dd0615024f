// List-mode resources over the board's subsystem tree, discovered through
// the register port, with a list engine under each timing engine: paths to
// engines, engine records made once and shared, and two sessions of one
// engine of which only one records, down to the list the engine runs.
#include <memory>
#include <optional>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SubsystemMap.h"
#include "driver/listmode/ListModeResources.h"
#include "sim/board/ListEngineLeaf.h"
#include "tests/listmode/FakeListener.h"
#include "tests/regport/RegisterPortFixture.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Event = sim::ListEngineModel::Event;
using Element = vlifw::PathElement;
namespace st = nVLAPALS100;

constexpr uint64_t kCapabilities = 0x28'00'01'32'01;
constexpr uint64_t kListLocation = 0x0000000300002000;

struct SessionDeleter {
  void operator()(listmodek::Session* session) const { delete session; }
};
using SessionPtr = std::unique_ptr<listmodek::Session, SessionDeleter>;

class ListModeResourcesOnBoard : public RegisterPortOnBoard {
 protected:
  void SetUp() override {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = 1}});
    generation.setCapabilities(kCapabilities);
    acquisition.setCapabilities(kCapabilities);
    sim::ListEngineLeaf{.subsystem = 8}.place(model, generation);
    sim::ListEngineLeaf{.subsystem = 9, .parentUid = sim::ListEngineLeaf::kAcquisitionEngineUid, .uid = 110}.place(
        model, acquisition);
    openPort();
    tree.emplace(&*driverPort, status);
    resources.emplace(&*driverPort, tree->getSubsystem(0, status));
    ASSERT_EQ(status.getCode(), 0);
  }

  SessionPtr create(std::initializer_list<Element> elements, tStatus& into) {
    vlhtl::Vector<Element> path;
    for (const Element& element : elements) path.push_back(element, into);
    return SessionPtr(resources->createSession(path, into));
  }

  L generation{0x40};
  L acquisition{0};
  std::optional<vlifw::SubsystemMap> tree;
  std::optional<listmodek::ListModeResources> resources;
};

TEST_F(ListModeResourcesOnBoard, SessionsOfOneEngineShareTheRecordMadeForTheFirst) {
  SessionPtr first = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr second = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr other = create({{2401, 0}, {110, 0}}, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_TRUE(first && second && other);
  EXPECT_EQ(first->getCommandControl(), second->getCommandControl());
  EXPECT_NE(first->getCommandControl(), other->getCommandControl());
  EXPECT_EQ(first->getSubsystem(), 8u);
  EXPECT_EQ(other->getSubsystem(), 9u);
  EXPECT_EQ(generation.readsOf(generation.address(L::kCapabilities)), 1u);
  listmodek::ListTraits traits{};
  second->getCapabilities(traits, status);
  EXPECT_EQ(traits.maxListEvent, 3u);
}

struct RefusedPath {
  std::vector<Element> path;
  int64_t code;
};

// The last step is checked before the tree is walked: a path to no node
// that does not end in a list engine is still the caller's error.
TEST_F(ListModeResourcesOnBoard, PathsThatNameNoListEngineGiveNoSession) {
  const RefusedPath cases[] = {
      {{}, st::kStatusInvalidParameter},
      {{{2400, 0}, {2403, 0}}, st::kStatusInvalidParameter},
      {{{7777, 0}, {2403, 0}}, st::kStatusInvalidParameter},
      {{{7777, 0}, {2404, 0}}, 0},
      {{{2400, 0}, {2404, 1}}, 0},
  };
  for (const RefusedPath& refused : cases) {
    tStatus local{tStatus::kFullSize};
    vlhtl::Vector<Element> path;
    for (const Element& element : refused.path) path.push_back(element, local);
    EXPECT_EQ(resources->createSession(path, local), nullptr);
    EXPECT_EQ(local.getCode(), refused.code) << refused.path.size() << " steps";
  }
  EXPECT_EQ(generation.readsOf(generation.address(L::kCapabilities)), 0u);
}

TEST_F(ListModeResourcesOnBoard, AFailedCapabilityReadKeepsNoRecordSoTheNextSessionTriesAgain) {
  generation.failAt(generation.address(L::kCapabilities), sim::SubsystemModel::kGenericFailure);
  tStatus failed;
  EXPECT_EQ(create({{2400, 0}, {2404, 0}}, failed), nullptr);
  EXPECT_EQ(failed.getCode(), vlifw::codes::kInstructionFailed);
  driverPort->flush(status);  // the port keeps a failure until it is reset
  SessionPtr session = create({{2400, 0}, {2404, 0}}, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_NE(session, nullptr);
  EXPECT_EQ(generation.readsOf(generation.address(L::kCapabilities)), 1u) << "read once more, successfully";
}

// A records a list while B, on the same engine, tries to start a commit
// and to add a trigger wait: B changes nothing of A's, and the list A ends
// is the list A alone would have compiled. The engine then runs it.
TEST_F(ListModeResourcesOnBoard, ASecondSessionCannotTouchTheListAnotherRecords) {
  SessionPtr recorder = create({{2400, 0}, {2404, 0}}, status);
  SessionPtr intruder = create({{2400, 0}, {2404, 0}}, status);
  std::vector<std::string> log;
  FakeListener primitive{"a", log};  // of the LO path both sessions drive
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
      tStatus refused;
      intruder->beginCommit(refused);
      EXPECT_EQ(refused.getCode(), st::kStatusListModeFailure);
      tStatus noList;
      intruder->waitForListTrigger(1, noList);
      EXPECT_EQ(noList.getCode(), st::kStatusAssemblyFailure);
      EXPECT_EQ(primitive.saved, 3);
      EXPECT_NE(primitive.inserter, nullptr) << "A still snoops";
    }
    recorder->generateListEvent(0x301, status);
    recorder->readyForListTrigger(0x100, status);
    recorder->endCommit(status);
    EXPECT_EQ(status.getCode(), 0);
    const uint64_t* data = recorder->getBuffer(status);
    return std::vector<uint64_t>(data, data + recorder->getWordCount(status));
  };
  const std::vector<uint64_t> alone = record(false);
  const std::vector<uint64_t> beside = record(true);
  EXPECT_EQ(beside, alone);
  EXPECT_EQ(log, (std::vector<std::string>{"a.save", "a.start", "a.stop", "a.save", "a.start", "a.stop"}));

  generation.loadProgram(kListLocation, beside);
  recorder->deployListSettings({kListLocation & 0xFFFFFFFF, kListLocation >> 32}, status);
  recorder->commit(status);
  recorder->initiate(status);
  recorder->abortIfRunning(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(generation.events(), (std::vector<Event>{{4, 2}, {5, 1}, {7, 0}}));
  EXPECT_EQ(recorder->readStepInProgress(status), 1u);
  uint32_t errors = 1;
  uint64_t info[2];
  recorder->readDeviceStatus(errors, info[0], info[1], status);
  EXPECT_EQ(errors, 0u);
  EXPECT_TRUE(resources->allIdle(status)) << "the one engine with a record was stopped";
}

}  // namespace
