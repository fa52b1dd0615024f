// The two composites over listeners that fail on demand: which listeners
// each notification reaches, in which order, and which failure the caller
// sees.
#include <gtest/gtest.h>

#include "driver/listmode/CompositeListSnoopingListener.h"
#include "driver/listmode/CompositeListStateListener.h"
#include "tests/listmode/FakeListener.h"

namespace {

using vltest::FakeListener;
using Log = std::vector<std::string>;
using tStatus = nVLAPALS100::tStatus;

constexpr int64_t kA = -1001;
constexpr int64_t kB = -1002;
constexpr int64_t kC = -1003;

struct Composites {
  Log log;
  FakeListener a{"a", log}, b{"b", log}, c{"c", log};
  listmodek::CompositeListSnoopingListener snooping;
  listmodek::CompositeListStateListener state;
  listmodek::iListInstructionInserter* inserter = reinterpret_cast<listmodek::iListInstructionInserter*>(0x1000);

  void addAll() {
    tStatus status;
    for (FakeListener* listener : {&a, &b, &c}) {
      snooping.add(listener, status);
      state.add(listener, status);
    }
    ASSERT_EQ(status.getCode(), 0);
  }
  // Every notification once, each from a status holding `code`.
  void notifyAll(int64_t code, std::vector<int64_t>& seen) {
    for (int call = 0; call < 6; ++call) {
      tStatus status;
      if (code != 0) status.setCode(code, "test", "test", 0);
      if (call == 0) snooping.onStartCommitSnooping(inserter, status);
      if (call == 1) snooping.onStopCommitSnooping(status);
      if (call == 2) state.saveDeployedSettings(status);
      if (call == 3) state.restoreDeployedSettings(status);
      if (call == 4) state.onListInitiate(status);
      if (call == 5) state.onListAbort(status);
      seen.push_back(status.getCode());
    }
  }
};

TEST(CompositeListListeners, EmptyCompositesDoNothingAndLeaveTheStatus) {
  Composites composites;
  for (int64_t code : {int64_t{0}, kA}) {
    std::vector<int64_t> seen;
    composites.notifyAll(code, seen);
    EXPECT_EQ(seen, std::vector<int64_t>(6, code));
  }
  EXPECT_TRUE(composites.log.empty());
}

struct Case {
  const char* name;
  std::vector<std::pair<std::string, int64_t>> failures;  // "b.initiate" fails with the code
  int64_t entry;                                          // the caller's status on entry
  void (*call)(Composites&, tStatus&);
  Log expected;
  int64_t result;
};

class CompositeFailures : public testing::TestWithParam<Case> {};

TEST_P(CompositeFailures, ReachTheListenersTheRulesSayAndKeepTheFirstError) {
  const Case& param = GetParam();
  Composites composites;
  composites.addAll();
  for (const auto& [call, code] : param.failures) {
    FakeListener& listener = call[0] == 'a' ? composites.a : call[0] == 'b' ? composites.b : composites.c;
    listener.failOn(call.substr(2), code);
  }
  tStatus status;
  if (param.entry != 0) status.setCode(param.entry, "test", "test", 0);
  param.call(composites, status);
  EXPECT_EQ(composites.log, param.expected);
  EXPECT_EQ(status.getCode(), param.result);
}

INSTANTIATE_TEST_SUITE_P(Rules, CompositeFailures,
                         testing::Values(Case{"InitiateAbortsOnlyTheListenersBeforeTheFailingOne",
                                              {{"b.initiate", kB}},
                                              0,
                                              [](Composites& c, tStatus& s) { c.state.onListInitiate(s); },
                                              {"a.initiate", "b.initiate", "a.abort"},
                                              kB},
                                         Case{"AStartFailingAtTheThirdStopsTheFirstTwoWithTheSameInserter",
                                              {{"c.start", kC}},
                                              0,
                                              [](Composites& c, tStatus& s) {
                                                c.snooping.onStartCommitSnooping(c.inserter, s);
                                                EXPECT_EQ(c.a.inserter, nullptr);
                                                EXPECT_EQ(c.c.inserter, nullptr);
                                              },
                                              {"a.start", "b.start", "c.start", "a.stop", "b.stop"},
                                              kC},
                                         Case{"SavePassesTheFailedStatusOn",
                                              {{"a.save", kA}},
                                              0,
                                              [](Composites& c, tStatus& s) { c.state.saveDeployedSettings(s); },
                                              {"a.save", "b.save*", "c.save*"},
                                              kA},
                                         Case{"AbortReachesEveryListenerAfterAnErrorAndKeepsTheCallers",
                                              {{"a.abort", kB}},
                                              kA,
                                              [](Composites& c, tStatus& s) { c.state.onListAbort(s); },
                                              {"a.abort", "b.abort", "c.abort"},
                                              kA},
                                         Case{"StopReportsTheFirstOfTwoFailures",
                                              {{"a.stop", kB}, {"b.stop", kC}},
                                              0,
                                              [](Composites& c, tStatus& s) { c.snooping.onStopCommitSnooping(s); },
                                              {"a.stop", "b.stop", "c.stop"},
                                              kB}),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// The inner composite undoes its own list; the outer one sees one failed
// element and undoes the listener before it.
TEST(CompositeListListeners, ANestedCompositeAppliesTheRulesLevelByLevel) {
  Composites inner;
  inner.c.failOn("start", kC);
  tStatus status;
  listmodek::CompositeListSnoopingListener innerList;
  innerList.add(&inner.b, status);
  innerList.add(&inner.c, status);
  inner.snooping.add(&inner.a, status);
  inner.snooping.add(&innerList, status);
  inner.snooping.onStartCommitSnooping(inner.inserter, status);
  EXPECT_EQ(inner.log, (Log{"a.start", "b.start", "c.start", "b.stop", "a.stop"}));
  EXPECT_EQ(status.getCode(), kC);
}

}  // namespace
