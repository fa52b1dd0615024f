// A list-mode session over the board's list engine and a real assembler,
// with listeners that fail on demand.
#include <optional>

#include "driver/listmode/Session.h"
#include "tests/listmode/FakeListener.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Log = std::vector<std::string>;
namespace st = nVLAPALS100;

class SessionOnBoard : public ListEngineOnBoard {
 protected:
  void SetUp() override {
    build(0x28'00'01'32'01);
    session.emplace(&*control, &assembler, 10, status);
    for (FakeListener* listener : {&a, &b, &c}) {
      session->addSnoopingListener(listener, status);
      session->addStateListener(listener, status);
    }
  }
  // One request as the request entry wraps it.
  void request() {
    tStatus local;
    session->resumeSnooping(local);
    if (local.isNotFatal()) session->pauseSnooping();
  }
  uint64_t words() const { return assembler.getBuffer().count; }

  Log log;
  FakeListener a{"a", log}, b{"b", log}, c{"c", log};
  std::optional<listmodek::Session> session;
};

TEST_F(SessionOnBoard, AThirdSnoopingListenerFailingLeavesNoListenerStartedAndTheListClosed) {
  c.failures["start"] = -7;
  session->beginCommit(status);
  EXPECT_EQ(status.getCode(), -7);
  EXPECT_EQ(log, (Log{"a.save", "b.save", "c.save", "a.start", "b.start", "c.start", "a.stop", "b.stop", "a.end",
                      "b.end", "c.end"}));
  EXPECT_FALSE(session->isCommitting() || assembler.isOpen());
}

// Preparing a new commit while recording would empty the live lists.
TEST_F(SessionOnBoard, APauseFailureIsReportedOnceAndARecordingSessionKeepsItsListeners) {
  request();
  EXPECT_TRUE(log.empty()) << "nothing snoops outside a commit";
  session->beginCommit(status);
  tStatus again, next;
  session->prepareCommitSnooping(7u, again);
  EXPECT_EQ(again.getCode(), st::kStatusListModeFailure);
  b.failures["stop"] = -7;
  request();
  b.failures["stop"] = 0;
  request();
  session->endCommit(status);
  EXPECT_EQ(status.getCode(), -7);
  EXPECT_EQ(std::count(log.begin(), log.end(), "c.stop"), 3);
  session->prepareCommitSnooping(0xFFFFFFFFu, next);
  EXPECT_EQ(session->getReservationClientID(), 0xFFFFFFFFu) << "zero-extended";
  EXPECT_FALSE(session->hasSnoopingListeners());
  session->beginCommit(next);
  session->endCommit(next);
  EXPECT_EQ(next.getCode(), 0);
}

// Outside its own commit the assembler may hold another session's list.
TEST_F(SessionOnBoard, ListInstructionsNeedACommitAndStepZeroRestoresTheSavedSettings) {
  assembler.open(status);
  const uint64_t opened = words();
  tStatus step, large, event, wait, ready;
  session->setListStepUnderCompile(0, step);
  session->setListStepUnderCompile(0x100000000, large);
  session->generateListEvent(1, event);
  session->waitForListTrigger(1, wait);
  session->readyForListTrigger(1, ready);
  session->endCommit(status);
  for (tStatus* refused : {&step, &event, &wait, &ready}) EXPECT_EQ(refused->getCode(), st::kStatusAssemblyFailure);
  EXPECT_EQ(large.getCode(), st::kStatusInvalidParameter);
  EXPECT_EQ(words(), opened);
  EXPECT_TRUE(log.empty());
  assembler.close(status);
  a.requested = 1;
  session->beginCommit(status);
  a.requested = 7;
  const uint64_t before = words();
  session->setListStepUnderCompile(0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(a.requested, 1);
  EXPECT_GT(words(), before);
}

TEST_F(SessionOnBoard, AFailedInitiateStillCountsAsARunThatOnlyACleanAbortEnds) {
  b.failures["initiate"] = -7;
  session->initiate(status);
  EXPECT_EQ(log, (Log{"a.initiate", "b.initiate", "a.abort"}));
  EXPECT_TRUE(engine.controlLog().empty() && session->isRunning()) << "not started, yet running";
  engine.setDone(L::Done::kNever);
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->abortIfRunning(s); }), st::kStatusTimeout);
  EXPECT_TRUE(session->isRunning());
  engine.setDone(L::Done::kOnStop);
  EXPECT_EQ(codeAfter([&](tStatus& s) { session->abortIfRunning(s); }), 0);
  EXPECT_FALSE(session->isRunning());
}

TEST_F(SessionOnBoard, ADeletedSessionEndsItsCommitAndRunSilentlyUnlessInvalidated) {
  std::optional<listmodek::Session> invalidated(std::in_place, &*control, &assembler, 10, status);
  invalidated->addStateListener(&a, status);
  invalidated->initiate(status);
  session->beginCommit(status);
  session->initiate(status);
  a.failures["restore"] = -7;
  log.clear();
  session.reset();
  EXPECT_EQ(log, (Log{"a.restore", "b.restore*", "c.restore*", "a.stop", "b.stop", "c.stop", "a.end", "b.end", "c.end",
                      "a.initiate", "b.initiate", "c.initiate", "a.abort", "b.abort", "c.abort", "a.abort", "b.abort",
                      "c.abort"}));
  EXPECT_FALSE(assembler.isOpen());
  const size_t controlWrites = engine.controlLog().size();
  invalidated->setInvalidationCode(0xBFFA9179);
  invalidated.reset();
  EXPECT_EQ(log.size(), 18u);
  EXPECT_EQ(engine.controlLog().size(), controlWrites);
}

}  // namespace
