// Check pools, check evaluation, and the registrations of the read
// resources and the manager, over a session on the board's list engine.
#include <optional>

#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/listmode/snooping/ListModeRegisterReadResources.h"
#include "driver/listmode/snooping/SnoopingManager.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"
#include "tests/support/RecordingInserter.h"

namespace {

using namespace vltest;
using namespace StatusRegisterCheck;
namespace st = nVLAPALS100;
constexpr uint8_t kEngine = 10;

class SnoopingParts : public ListEngineOnBoard {
 protected:
  void SetUp() override {
    build(0x28'00'01'32'01);
    session.emplace(&*control, &assembler, kEngine, status);
  }
  int64_t attachCode() {
    tStatus s;
    resources.attachSession(*session, s);
    return s.getCode();
  }

  Log log;
  RecordingInserter inserter{log};
  std::optional<listmodek::Session> session;
  nVL9738K_24_0::ListModeRegisterReadResources resources{status};
  StatusRegisterCheckPool& pool = *resources.getGenerationStatusRegisterCheckPool();
};

// A stack of 32: 31 first, a released check next, the 33rd refused; stop
// and abort reach every check even after an error.
TEST_F(SnoopingParts, APoolHandsOutItsChecksAsAStackAndResetsThemAll) {
  EXPECT_EQ(pool.acquireCheck(status)->index, 31u);
  for (uint32_t i = 0; i < 31; ++i) pool.acquireCheck(status);
  tStatus exhausted, null, missing;
  EXPECT_EQ(pool.acquireCheck(exhausted), nullptr);
  pool.releaseCheck(nullptr, null);
  pool.releaseCheck(pool.check(5), status);
  EXPECT_EQ(pool.acquireCheck(status), pool.check(5));
  EXPECT_EQ(resources.getStatusRegisterCheckPoolStore()->getPool(3, missing), nullptr);
  EXPECT_EQ(std::tuple(exhausted.getCode(), null.getCode(), missing.getCode()),
            std::tuple(st::kStatusNotAccessible, st::kStatusInvalidParameter, st::kStatusNotAccessible));
  pool.onStartCommitSnooping(&inserter, status);
  pool.onListInitiate(status);
  tStatus failed;
  failed.setCode(-7, VL_SITE);
  pool.onStopCommitSnooping(failed);
  pool.onListAbort(failed);
  for (uint32_t i = 0; i < 32; ++i) EXPECT_TRUE(pool.check(i)->isDirect() && pool.check(i)->listInitiated == 0);
}

// Snooping: the announced field wait carries the index, no hardware read;
// directly: a started list answers for the hardware, and bit (index mod 32)
// of the engine's status word marks the check failed.
TEST_F(SnoopingParts, EvaluationFollowsSnoopingTheStartedListAndTheEnginesWord) {
  struct Case {
    bool snooping, initiated;
    uint64_t hardware;
    uint32_t word, index;
    bool met, failed;
    int reads;
  } cases[] = {{true, false, 0, 1, 0, true, false, 1},
               {false, true, 0, 0x80000001, 31, true, true, 0},
               {false, false, 0x100, 2, 1, true, true, 1},
               {false, false, 0, 1, 3, false, false, 1}};
  for (const Case& c : cases) {
    StatusRegisterCheckWithRedirection check(c.index);
    check.setRedirection(&*control, status);
    check.setListInitiated(c.initiated, status);
    if (c.snooping) check.setInserter(&inserter, status);
    engine.setErrors(c.word, 0x55);
    int reads = 0;
    const CheckOutcome outcome = evaluateCheck(
        check, 0x100, true, 0,
        [&](tStatus& s) -> uint64_t {
          ++reads;
          return c.snooping ? inserter.readDuringCompile(kEngine, 0x12C, s) : c.hardware;
        },
        status);
    EXPECT_EQ(std::tuple(outcome.conditionMet, outcome.failedInList, reads), std::tuple(c.met, c.failed, c.reads))
        << "case index " << c.index << " word " << c.word;
  }
  EXPECT_EQ(log, Log{entry("read", kEngine, 0x12C, 0x100 << 16 | 0x100 << 8 | 0)}) << "mask, expected, index";
}

// A number in both lists takes the acquisition pool; a second
// configuration leaves the first numbers in the stores; once cleared,
// nothing attaches.
TEST_F(SnoopingParts, TheReadResourcesAttachOnlyConfiguredSubsystems) {
  auto* store = resources.getPollerStore();
  auto* acquisition = resources.getAcquisitionStatusRegisterCheckPool()->check(0);
  EXPECT_EQ(attachCode(), st::kStatusRequestFailure);
  EXPECT_EQ(store->getPoller(kEngine, status), store->getPoller(200, status)) << "the fallback";
  resources.configure(kEngine, kEngine, status);
  EXPECT_EQ(attachCode(), 0);
  session->beginCommit(status);
  EXPECT_EQ(std::tuple(acquisition->isDirect(), pool.check(0)->isDirect(), acquisition->commandControl),
            std::tuple(false, true, &*control));
  EXPECT_NE(resources.getWaitWithRedirection()->getInserter(), nullptr);
  session->endCommit(status);
  resources.configure(11, 12, status);
  EXPECT_EQ(store->getPoller(kEngine, status), resources.getPollerWithRedirection());
  resources.clearSubsystems(status);
  EXPECT_EQ(std::tuple(attachCode(), acquisition->commandControl), std::tuple(st::kStatusRequestFailure, nullptr));
}

// One composite registered twice for a subsystem: one entry, two snoopers;
// all seven references move together, a second start is refused and the
// stop restores the composite's own reference to all seven.
TEST_F(SnoopingParts, TheManagerSwapsAllSevenAccessorsAndRestoresTheCompositesOwn) {
  vlifw::Context a;
  a.initialize(kEngine, 0x1000, 1704, 0, 1, 1, nullptr, 0);
  nVL9738K_24_0::IoAccessorWithContextualize live(&*driverPort, &a, 0);  // never reached here
  nVl9738RefCpld::tVl9738RefCpld ref{&live, 0x4000, 0, 0x4000};
  ref.Hmc703RegMap.setAccessor(nullptr);
  SnoopingManager::SnoopingManager manager(&*driverPort, status);
  auto first = manager.addSnoopableRegMap(ref, a, 0, 0, nullptr, status);
  EXPECT_EQ(manager.addSnoopableRegMap(ref, a, 0, 0, nullptr, status).subsystem.get(), first.subsystem.get());
  EXPECT_EQ(first.subsystem->registrations(), 2u);
  tStatus unknown, again;
  listmodek::Session elsewhere(&*control, &assembler, 3, status);
  manager.attachSession(elsewhere, unknown);
  first.listener->onStartCommitSnooping(nullptr, status);
  auto* snooping = ref.getAccessor();
  for (auto* child : {ref.TemperatureRegMap.getAccessor(), ref.Lo0RefClkToLoRegMap.getAccessor(),
                      ref.Lo1RefClkToLoRegMap.getAccessor(), ref.Ad9512RegMap.getAccessor(),
                      ref.Hmc703RegMap.getAccessor(), ref.AuxInterfaceRegMap.getAccessor()}) {
    EXPECT_EQ(child, snooping);
  }
  first.listener->onStartCommitSnooping(nullptr, again);
  first.listener->onStopCommitSnooping(again);
  EXPECT_EQ(std::tuple(unknown.getCode(), again.getCode()),
            std::tuple(st::kStatusRequestFailure, listmodek::codes::kNoListMode));
  EXPECT_EQ(std::tuple(ref.getAccessor(), ref.Hmc703RegMap.getAccessor(), ref.AuxInterfaceRegMap.getAccessor()),
            std::tuple(&live, &live, &live));
}

}  // namespace
