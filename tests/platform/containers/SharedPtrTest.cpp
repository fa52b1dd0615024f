#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "driver/platform/containers/SharedPtr.h"
#include "sim/kernel/Kernel.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::SharedPtr;

struct Counted {
  static std::atomic<int> destroyed;
  int value = 5;
  ~Counted() { ++destroyed; }
};
std::atomic<int> Counted::destroyed{0};

class SharedPointer : public testing::Test {
 protected:
  void SetUp() override { Counted::destroyed = 0; }
};

TEST_F(SharedPointer, LastStrongReleaseDestroysOnceAndFreesTheStorage) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  tStatus status;
  {
    SharedPtr<Counted> first(new Counted, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks + 2);
    SharedPtr<Counted> second = first;
    EXPECT_EQ(first.useCount(), 2);
    EXPECT_EQ(second->value, 5);
    first.reset();
    EXPECT_EQ(Counted::destroyed, 0);
    EXPECT_EQ(second.useCount(), 1);
  }
  EXPECT_EQ(Counted::destroyed, 1);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST(SharedPtrThreads, ConcurrentReleasesDestroyExactlyOnce) {
  sim::Clock::instance().setMode(sim::Clock::Mode::Real);
  for (int round = 0; round < 50; ++round) {
    Counted::destroyed = 0;
    tStatus status;
    std::vector<SharedPtr<Counted>> owners;
    {
      SharedPtr<Counted> origin(new Counted, status);
      ASSERT_EQ(status.getCode(), 0);
      for (int i = 0; i < 8; ++i) owners.push_back(origin);
    }
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (SharedPtr<Counted>& owner : owners) {
      threads.emplace_back([&go, &owner] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 100; ++i) {
          SharedPtr<Counted> copy = owner;
          copy.reset();
        }
        owner.reset();
      });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(Counted::destroyed, 1) << "round " << round;
  }
}

}  // namespace
