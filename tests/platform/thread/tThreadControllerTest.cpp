#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

#include "driver/platform/thread/AbsoluteTime.h"
#include "driver/platform/thread/tThreadController.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tThreadController;
using nVLAPALS100::tStatus;
using vltest::Site;
using vltest::siteOf;

// What a thread body saw, and a gate that keeps it running until released.
struct Work {
  std::atomic<int> runs{0};
  std::atomic<uint64_t> threadHandle{0};
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();

  static void run(void* argument) {
    auto* work = static_cast<Work*>(argument);
    work->threadHandle = sim::Sync::currentThreadHandle();
    work->gate.wait();
    ++work->runs;
  }
};

class ThreadControllerThreads : public testing::Test {
 protected:
  void SetUp() override { sim::Clock::instance().setMode(sim::Clock::Mode::Real); }
  tStatus status_{tStatus::kFullSize};
  Work work_;
};

TEST_F(ThreadControllerThreads, StartAndJoinRunTheFunctionOnANamedThread) {
  tThreadController controller;
  controller.start(Work::run, &work_, "calibration", status_);
  ASSERT_EQ(status_.getCode(), 0);
  EXPECT_TRUE(controller.isStarted());
  EXPECT_TRUE(controller.isRunning());
  EXPECT_EQ(sim::Threads::unjoinedNames(), (std::vector<std::string>{"calibration"}));
  work_.release.set_value();
  controller.join();
  EXPECT_FALSE(controller.isRunning());
  EXPECT_EQ(work_.runs, 1);
  EXPECT_NE(work_.threadHandle, sim::Sync::currentThreadHandle());
  EXPECT_TRUE(sim::Threads::unjoinedNames().empty());
}

TEST_F(ThreadControllerThreads, SecondStartAnswersThreadRunning) {
  tThreadController controller;
  controller.start(Work::run, &work_, status_);
  tStatus again(tStatus::kFullSize);
  controller.start(Work::run, &work_, again);
  EXPECT_EQ(siteOf(again),
            (Site{-52016, "dep_mirror/deps/vlapal/includes/vlapal/protons/thread/tThreadController", 56}));
  EXPECT_EQ(sim::Threads::unjoinedNames().size(), 1u);
  work_.release.set_value();
  controller.join();
  // A controller runs one thread in its life, joined or not.
  tStatus afterJoin;
  controller.start(Work::run, &work_, afterJoin);
  EXPECT_EQ(afterJoin.getCode(), -52016);
  EXPECT_EQ(work_.runs, 1);
}

TEST_F(ThreadControllerThreads, ShortFormsNameTheThreadAfterTheModule) {
  work_.release.set_value();
  tThreadController controller;
  controller.start(Work::run, &work_, status_);
  EXPECT_EQ(sim::Threads::unjoinedNames(), (std::vector<std::string>{"vl9738k"}));
  controller.join();
  static std::atomic<int> bare{0};
  tThreadController second;
  second.start([](void* argument) { bare += argument == nullptr ? 1 : 100; }, status_);
  EXPECT_EQ(sim::Threads::unjoinedNames(), (std::vector<std::string>{"vl9738k"}));
  second.join();
  EXPECT_EQ(bare, 1);
}

TEST_F(ThreadControllerThreads, DestroyingARunningControllerJoinsItsThread) {
  {
    tThreadController controller;
    controller.start(Work::run, &work_, status_);
    work_.release.set_value();
  }
  EXPECT_EQ(work_.runs, 1);
  EXPECT_TRUE(sim::Threads::unjoinedNames().empty());
}

TEST(ThreadController, RefusedThreadIsAPlatformFailureAndMayBeRetried) {
  tStatus status(tStatus::kFullSize);
  tThreadController controller;
  sim::Threads::creationFaults().failNth(1, -51000);
  controller.start([](void*) {}, status);
  EXPECT_EQ(siteOf(status), (Site{-52008, "dep_mirror/deps/vlapal/includes/vlapal/quarks/thread", 657}));
  EXPECT_FALSE(controller.isStarted());
  EXPECT_FALSE(controller.isRunning());
  EXPECT_TRUE(sim::Threads::unjoinedNames().empty());
  controller.join();
  tStatus failed;  // an error on entry starts nothing
  failed.setCode(-52005, VL_SITE);
  controller.start([](void*) {}, failed);
  EXPECT_FALSE(controller.isStarted());
  EXPECT_EQ(sim::Threads::creationFaults().calls(), 1u);
}

TEST(AbsoluteTime, CountsFrom1904InSecondsAndBinaryFractions) {
  sim::Time::setTimeOfDay(1000, 500000);
  nVLAPAL000::tAbsoluteTime time = nVLAPAL000::getAbsoluteTime();
  EXPECT_EQ(time.seconds, 1000u + 2082844800u);
  EXPECT_EQ(time.fraction, 500000u * 18446744073709u);
  sim::Clock::instance().advanceNs(1'700'000'000);
  time = nVLAPAL000::getAbsoluteTime();
  EXPECT_EQ(time.seconds, 1002u + 2082844800u);
  EXPECT_EQ(time.fraction, 200000u * 18446744073709u);
}

}  // namespace
