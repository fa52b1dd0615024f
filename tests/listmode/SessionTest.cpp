// A list-mode session over the board's list engine (its command control on
// the register port) and a real assembler, with listeners that fail on
// demand: commits, snooping around requests, steps, triggers, runs and the
// session's end.
#include <optional>

#include "driver/listmode/Session.h"
#include "tests/listmode/FakeListener.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Log = std::vector<std::string>;
namespace st = nVLAPALS100;

constexpr int64_t kFailure = -1007;

class SessionOnBoard : public ListEngineOnBoard {
 protected:
  void SetUp() override {
    build(0x28'00'01'32'01);
    listmodek::ListTraits traits{};
    control->getCapabilities(traits, status);
    assembler.setCapabilities(traits);
    session.emplace(&*control, &assembler, 10, status);
    for (FakeListener* listener : {&a, &b, &c}) {
      session->addSnoopingListener(listener, status);
      session->addStateListener(listener, status);
    }
    ASSERT_EQ(status.getCode(), 0);
  }

  // One request of the owning user session, as the request entry wraps it:
  // snooping resumes first and pauses at the end when the resume left the
  // status clean.
  template <typename tBody>
  int64_t request(tBody body) {
    tStatus local;
    session->resumeSnooping(local);
    const bool resumed = local.isNotFatal();
    body(local);
    if (resumed) session->pauseSnooping();
    return local.getCode();
  }

  uint64_t words() const { return assembler.getBuffer().count; }

  Log log;
  FakeListener a{"a", log}, b{"b", log}, c{"c", log};
  listmodek::pcode::Assembler assembler{status};
  std::optional<listmodek::Session> session;
};

TEST_F(SessionOnBoard, AThirdSnoopingListenerFailingLeavesNoListenerStartedAndTheListClosed) {
  c.failOn("start", kFailure);
  session->beginCommit(status);
  EXPECT_EQ(status.getCode(), kFailure);
  EXPECT_EQ(log, (Log{"a.save", "b.save", "c.save", "a.start", "b.start", "c.start", "a.stop", "b.stop"}));
  EXPECT_FALSE(session->isCommitting());
  EXPECT_FALSE(assembler.isOpen());
}

TEST_F(SessionOnBoard, APauseFailureIsReportedByTheNextEndOfCommitOnlyOnce) {
  session->beginCommit(status);
  ASSERT_TRUE(session->isCommitting());
  b.failOn("stop", kFailure);
  EXPECT_EQ(request([](tStatus&) {}), 0) << "a pause has no caller to tell";
  b.failOn("stop", 0);
  EXPECT_EQ(request([](tStatus&) {}), 0);
  log.clear();
  session->endCommit(status);
  EXPECT_EQ(status.getCode(), kFailure);
  EXPECT_EQ(log, (Log{"a.stop", "b.stop", "c.stop"}));
  EXPECT_FALSE(assembler.isOpen());

  tStatus next;
  session->beginCommit(next);
  EXPECT_EQ(request([this](tStatus& s) { session->generateListEvent(1, s); }), 0);
  session->endCommit(next);
  EXPECT_EQ(next.getCode(), 0);
}

TEST_F(SessionOnBoard, SnoopingRunsOnlyWithinTheRequestsOfACommit) {
  EXPECT_EQ(request([](tStatus&) {}), 0);
  EXPECT_TRUE(log.empty()) << "nothing is being recorded";
  session->beginCommit(status);
  log.clear();
  b.failOn("start", kFailure);
  EXPECT_EQ(request([](tStatus&) {}), kFailure);
  EXPECT_EQ(log, (Log{"a.start", "b.start", "a.stop"})) << "a failed resume arranges no pause";
}

TEST_F(SessionOnBoard, StepZeroRestoresTheSavedSettingsBeforeItsHeaderAndStepsAbove32BitsAreRefused) {
  a.requested = 1;
  session->beginCommit(status);
  a.requested = 7;
  const uint64_t before = words();
  tStatus refused;
  session->setListStepUnderCompile(0x100000000, refused);
  EXPECT_EQ(refused.getCode(), st::kStatusInvalidParameter);
  EXPECT_EQ(words(), before);
  EXPECT_EQ(a.requested, 7);

  uint64_t wordsAtRestore = 0;
  a.spy = [&](const std::string& call) {
    if (call == "restore") wordsAtRestore = words();
  };
  session->setListStepUnderCompile(0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(a.requested, 1);
  EXPECT_EQ(wordsAtRestore, before);
  EXPECT_GT(words(), before);
}

// Outside a commit the assembler may hold another session's list.
TEST_F(SessionOnBoard, WithoutACommitListInstructionsAreRefusedAndNothingChanges) {
  assembler.open(status);
  const uint64_t before = words();
  using Call = void (*)(listmodek::Session&, tStatus&);
  const std::pair<Call, int64_t> calls[] = {
      {[](listmodek::Session& s, tStatus& t) { s.generateListEvent(1, t); }, st::kStatusAssemblyFailure},
      {[](listmodek::Session& s, tStatus& t) { s.waitForListTrigger(1, t); }, st::kStatusAssemblyFailure},
      {[](listmodek::Session& s, tStatus& t) { s.readyForListTrigger(1, t); }, st::kStatusAssemblyFailure},
      {[](listmodek::Session& s, tStatus& t) { s.setListStepUnderCompile(0, t); }, st::kStatusAssemblyFailure},
      {[](listmodek::Session& s, tStatus& t) { s.setListStepUnderCompile(0x100000000, t); },
       st::kStatusInvalidParameter},
      {[](listmodek::Session& s, tStatus& t) { s.endCommit(t); }, 0},
  };
  for (const auto& [call, code] : calls) {
    tStatus local;
    call(*session, local);
    EXPECT_EQ(local.getCode(), code);
  }
  EXPECT_EQ(words(), before);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(assembler.isOpen());
}

TEST_F(SessionOnBoard, AFailedInitiateStillCountsAsARunThatALaterAbortStops) {
  b.failOn("initiate", kFailure);
  session->initiate(status);
  EXPECT_EQ(status.getCode(), kFailure);
  EXPECT_EQ(log, (Log{"a.initiate", "b.initiate", "a.abort"}));
  EXPECT_TRUE(engine.controlLog().empty()) << "the start does nothing after the error";
  EXPECT_TRUE(session->isRunning());

  log.clear();
  engine.setDone(L::Done::kNever);
  tStatus timedOut;
  session->abortIfRunning(timedOut);
  EXPECT_EQ(timedOut.getCode(), st::kStatusTimeout);
  EXPECT_EQ(log, (Log{"a.abort", "b.abort", "c.abort"})) << "the listeners hear of the abort all the same";
  EXPECT_TRUE(session->isRunning()) << "only a clean abort ends the run";

  engine.setDone(L::Done::kOnStop);
  tStatus stopped;
  session->abortIfRunning(stopped);
  EXPECT_EQ(stopped.getCode(), 0);
  EXPECT_FALSE(session->isRunning());
  const size_t controlWrites = engine.controlLog().size();
  session->abortIfRunning(stopped);
  EXPECT_EQ(engine.controlLog().size(), controlWrites);
}

TEST_F(SessionOnBoard, ASessionDeletedWhileCommittingAndRunningEndsBothSilently) {
  session->beginCommit(status);
  session->initiate(status);
  a.failOn("restore", kFailure);
  log.clear();
  session.reset();
  EXPECT_EQ(log, (Log{"a.restore", "b.restore*", "c.restore*", "a.stop", "b.stop", "c.stop", "a.initiate", "b.initiate",
                      "c.initiate", "a.abort", "b.abort", "c.abort", "a.abort", "b.abort", "c.abort"}));
  EXPECT_FALSE(assembler.isOpen());
  EXPECT_EQ(engine.controlLog().back(), 0x0u) << "the run bit came down";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(SessionOnBoard, AnInvalidatedSessionLeavesTheEngineAndTheListenersAlone) {
  session->beginCommit(status);
  session->initiate(status);
  log.clear();
  const size_t controlWrites = engine.controlLog().size();
  session->setInvalidationCode(0xBFFA9179);
  session.reset();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(engine.controlLog().size(), controlWrites);
}

TEST_F(SessionOnBoard, ARecordingSessionKeepsItsListenersAndClientWhenAskedToPrepareAgain) {
  session->prepareCommitSnooping(rfyulreserve::ReservationClientID{0xFFFFFFFF}, status);
  EXPECT_EQ(session->getReservationClientID(), 0xFFFFFFFFu) << "zero-extended";
  EXPECT_FALSE(session->hasSnoopingListeners());
  session->addSnoopingListener(&a, status);
  session->beginCommit(status);
  tStatus again;
  session->prepareCommitSnooping(rfyulreserve::ReservationClientID{7}, again);
  EXPECT_EQ(again.getCode(), st::kStatusListModeFailure);
  EXPECT_TRUE(session->hasSnoopingListeners());
  EXPECT_EQ(session->getReservationClientID(), 0xFFFFFFFFu);
  session->endCommit(status);
  EXPECT_EQ(log, (Log{"a.start", "a.stop"}));
}

}  // namespace
