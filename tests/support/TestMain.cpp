// Every test starts on a fresh simulated kernel layer.
#include <gtest/gtest.h>

#include "sim/kernel/Kernel.h"

namespace {

class FreshKernel : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { sim::resetKernel(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::GTEST_FLAG(death_test_style) = "threadsafe";
  testing::UnitTest::GetInstance()->listeners().Append(new FreshKernel);
  return RUN_ALL_TESTS();
}
