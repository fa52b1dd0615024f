// Every test starts on a fresh simulated kernel layer; the run fails when
// its process grew past the memory limit.
#include <gtest/gtest.h>

#include "sim/host/PeakMemory.h"
#include "sim/kernel/Kernel.h"

namespace {

class FreshKernel : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { sim::resetKernel(); }
};

class PeakMemory : public testing::Environment {
  void TearDown() override {
    // Under ctest each test is a process of its own, named by its filter.
    EXPECT_TRUE(sim::checkPeakMemory(testing::GTEST_FLAG(filter)));
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::GTEST_FLAG(death_test_style) = "threadsafe";
  testing::UnitTest::GetInstance()->listeners().Append(new FreshKernel);
  testing::AddGlobalTestEnvironment(new PeakMemory);
  return RUN_ALL_TESTS();
}
