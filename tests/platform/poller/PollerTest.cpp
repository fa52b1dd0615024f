#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "driver/platform/poller/Poller.h"
#include "sim/kernel/Kernel.h"

namespace {

using atut::SpinningPoller;
using nVLAPALS100::tStatus;

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;
constexpr int32_t kPowerUpTimeout = static_cast<int32_t>(0xBFFA9176u);

// A status register read by the driver: it answers from a script (the
// last answer repeats) and notes the virtual time of every read.
struct StatusRegister {
  std::vector<uint32_t> answers;
  std::vector<uint64_t> readTimes;
  int64_t failWithCode = 0;

  uint32_t read(tStatus& status) {
    readTimes.push_back(sim::Clock::instance().nowNs());
    if (failWithCode != 0) status.setCode(failWithCode, VL_SITE);
    const size_t index = readTimes.size() - 1;
    return answers[index < answers.size() ? index : answers.size() - 1];
  }
  // The gaps between reads, in whole microseconds.
  std::vector<uint64_t> gapsUs() const {
    std::vector<uint64_t> gaps;
    for (size_t i = 1; i < readTimes.size(); ++i) gaps.push_back((readTimes[i] - readTimes[i - 1]) / 1000);
    return gaps;
  }
};

// An engine predicate reached through the object's dispatch table.
struct Engine {
  virtual ~Engine() = default;
  virtual bool isIdle(tStatus&) { return false; }
};
struct CountingEngine : Engine {
  int polls = 0;
  bool isIdle(tStatus&) override { return ++polls == 3; }
};

// A poll of `reg` until its value is 1, as most callers wait.
template <typename tPoller>
void pollForOne(tPoller&& poller, StatusRegister& reg, uint64_t timeoutUs, tStatus& status,
                bool timeoutEnabled = true) {
  poller.poll(reg, &StatusRegister::read, 1, kAllOnes, timeoutUs, timeoutEnabled,
              std::decay_t<tPoller>::kConditionEquals, status);
}

class Poller : public testing::Test {
 protected:
  sim::Clock& clock_ = sim::Clock::instance();
  tStatus status_{tStatus::kFullSize};
  StatusRegister register_;
};

TEST_F(Poller, IntervalsDoubleUpToTheMaximum) {
  // Nanosecond spin steps, so that every wait ends right at its target.
  clock_.setSpinStepNs(1);
  register_.answers = {0, 0, 0, 0, 0, 1};
  pollForOne(SpinningPoller(10, 80), register_, 10000, status_);
  EXPECT_EQ(status_.getCode(), 0);
  EXPECT_EQ(register_.gapsUs(), (std::vector<uint64_t>{10, 20, 40, 80, 80}));

  StatusRegister steady;
  steady.answers = {0, 0, 0, 1};
  pollForOne(SpinningPoller(10, 10), steady, 10000, status_);
  EXPECT_EQ(steady.gapsUs(), (std::vector<uint64_t>{10, 10, 10}));
}

TEST_F(Poller, SleepingPollerSleepsWholeMillisecondsBetweenReads) {
  register_.answers = {0, 0, 0, 0, 1};
  pollForOne(atut::PreciseSleepingPoller(1000, 4000), register_, 100000, status_);
  EXPECT_EQ(status_.getCode(), 0);
  std::vector<uint64_t> milliseconds;
  for (uint64_t gap : register_.gapsUs()) milliseconds.push_back(gap / 1000);
  EXPECT_EQ(milliseconds, (std::vector<uint64_t>{1, 2, 4, 4}));
}

TEST_F(Poller, NeverTrueConditionTimesOutOnTheVirtualClock) {
  register_.answers = {0};
  const uint64_t before = clock_.nowNs();
  pollForOne(SpinningPoller(10, 10), register_, 10000, status_);
  EXPECT_EQ(status_.getCode(), -52007);
  EXPECT_STREQ(status_.getFile(), "driver/platform/poller/Poller.h");
  EXPECT_GE(clock_.nowNs() - before, 10'000'000u);
  // The read that started past the deadline (10 ms plus one tick) was the last.
  const std::vector<uint64_t>& times = register_.readTimes;
  ASSERT_GE(times.size(), 3u);
  EXPECT_GT(times.back() - before, 10'000'000u);
  EXPECT_LE(times[times.size() - 2] - before, 10'000'000u);
}

TEST_F(Poller, SuccessOnTheReadAfterTheDeadlineStillCounts) {
  register_.answers = {0};
  pollForOne(SpinningPoller(10, 10), register_, 100, status_);
  const size_t reads = register_.readTimes.size();
  StatusRegister late;
  late.answers.assign(reads - 1, 0);
  late.answers.push_back(1);
  tStatus status;
  pollForOne(SpinningPoller(10, 10), late, 100, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(late.readTimes.size(), reads);
}

TEST_F(Poller, ZeroMaximumPollsBackToBackUntilTheDeadline) {
  register_.answers = {0};
  const uint64_t before = clock_.nowNs();
  pollForOne(atut::EfficientSleepingPoller(0, 0), register_, 1000, status_);
  EXPECT_EQ(status_.getCode(), -52007);
  // The timer counts whole ticks: the deadline is the timeout plus one tick.
  EXPECT_GE(clock_.nowNs() - before, 1'000'000u + sim::Clock::kDefaultTickUs * 1000 - clock_.nowNs() % 1'000'000);
  EXPECT_GT(register_.readTimes.size(), 100u);
  for (uint64_t gap : register_.gapsUs()) EXPECT_LE(gap, 2 * sim::Clock::kDefaultSpinStepNs / 1000);
}

struct ConditionCase {
  uint32_t condition;
  uint32_t value;
  uint32_t mask;
  uint32_t expected;
  bool met;
};

void PrintTo(const ConditionCase& c, std::ostream* os) {
  *os << "condition " << c.condition << " value " << c.value << " mask " << c.mask << " expected " << c.expected;
}

class PollConditions : public Poller, public testing::WithParamInterface<ConditionCase> {};

TEST_P(PollConditions, ConditionDecidesOnTheMaskedValue) {
  const ConditionCase& c = GetParam();
  register_.answers = {c.value};
  const uint64_t before = clock_.nowNs();
  SpinningPoller(10, 10).poll(register_, &StatusRegister::read, c.expected, c.mask, 0, true,
                              static_cast<SpinningPoller::PollCondition>(c.condition), status_);
  EXPECT_EQ(status_.getCode(), c.met ? 0 : -52007);
  EXPECT_EQ(register_.readTimes.size(), c.met ? 1u : 2u);
  EXPECT_TRUE(!c.met || clock_.nowNs() == before) << "a condition met at once never waits";
}

// Polls that end early: an unknown condition after its first read, a
// failed read with its own code, the caller's timeout code, an error held
// on entry before any read.
TEST_F(Poller, EarlyEndsKeepTheirOwnCodes) {
  const struct {
    const char* what;
    uint32_t condition;
    int64_t readFailure;
    int32_t timeoutCode;
    int64_t onEntry;
    int64_t code;
    int reads;  // -1: any number
  } cases[] = {{"unknown condition", 7, 0, -52007, 0, -52005, 1},
               {"failed read", 0, -52013, -52007, 0, -52013, 1},
               {"caller's timeout code", 0, 0, kPowerUpTimeout, 0, kPowerUpTimeout, -1},
               {"error on entry", 0, 0, -52007, -52005, -52005, 0}};
  for (const auto& c : cases) {
    StatusRegister reg;
    reg.answers = {c.onEntry != 0 ? 1u : 0u};
    reg.failWithCode = c.readFailure;
    tStatus status;
    if (c.onEntry != 0) status.setCode(c.onEntry, VL_SITE);
    SpinningPoller(10, 10, c.timeoutCode)
        .poll(reg, &StatusRegister::read, 1, kAllOnes, 100, true,
              static_cast<SpinningPoller::PollCondition>(c.condition), status);
    EXPECT_EQ(status.getCode(), c.code) << c.what;
    if (c.reads >= 0) {
      EXPECT_EQ(reg.readTimes.size(), static_cast<size_t>(c.reads)) << c.what;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Poller, PollConditions,
                         testing::Values(ConditionCase{0, 0x3, 0x1, 0, true}, ConditionCase{0, 0x3, 0x2, 0, false},
                                         ConditionCase{1, 0xF6, 0x6, 0, true}, ConditionCase{1, 0xF4, 0x6, 0, false},
                                         ConditionCase{2, 0x2, 0xFF, 0, true}, ConditionCase{2, 0x3, 0xFF, 0, false},
                                         ConditionCase{3, 1, kAllOnes, 1, true},
                                         ConditionCase{3, 3, kAllOnes, 1, false},
                                         ConditionCase{3, 0x13, 0x0F, 3, true}),
                         [](const testing::TestParamInfo<ConditionCase>& info) {
                           return "Condition" + std::to_string(info.param.condition) +
                                  (info.param.met ? "Met" : "NotMet") + std::to_string(info.index);
                         });

struct RecordingHandler : atut::PollerTimeoutHandler {
  int calls = 0;
  int64_t codeSeen = 0;
  void timeout(tStatus& status) override {
    ++calls;
    codeSeen = status.getCode();
    status.setCode(-52010, VL_SITE);
  }
};

TEST_F(Poller, HandlerTakesOverTheTimeout) {
  RecordingHandler handler;
  register_.answers = {0};
  pollForOne(SpinningPoller(10, 10, -52007, &handler), register_, 50, status_);
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(handler.codeSeen, 0);
  EXPECT_EQ(status_.getCode(), -52010);

  // An invalid condition still reaches the handler, after its own code.
  RecordingHandler second;
  tStatus status;
  SpinningPoller(10, 10, -52007, &second)
      .poll(register_, &StatusRegister::read, 1, kAllOnes, 50, true, static_cast<SpinningPoller::PollCondition>(9),
            status);
  EXPECT_EQ(second.calls, 1);
  EXPECT_EQ(status.getCode(), -52005);
}

TEST_F(Poller, WithoutTimeoutItPollsUntilTheConditionHolds) {
  register_.answers.assign(200, 0);
  register_.answers.push_back(1);
  pollForOne(SpinningPoller(10, 10), register_, 10, status_, false);
  EXPECT_EQ(status_.getCode(), 0);
  EXPECT_EQ(register_.readTimes.size(), 201u);
}

TEST_F(Poller, PredicatesAndCallablesAreReadAlike) {
  CountingEngine engine;
  Engine& base = engine;
  SpinningPoller(10, 10).poll(base, &Engine::isIdle, 1, kAllOnes, 10000, true, SpinningPoller::kConditionEquals,
                              status_);
  EXPECT_EQ(status_.getCode(), 0);
  EXPECT_EQ(engine.polls, 3);

  register_.answers = {4, 4, 5};
  const auto readBit0 = [](StatusRegister& r, tStatus& status) { return r.read(status); };
  SpinningPoller(10, 10).poll(register_, readBit0, 0, 1, 10000, true, SpinningPoller::kConditionBit0Set, status_);
  EXPECT_EQ(register_.readTimes.size(), 3u);
}

}  // namespace
