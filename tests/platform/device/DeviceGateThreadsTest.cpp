// Requests held at a suspended gate, drained by remove and close, on real
// threads: the user side blocks in the driver while the test moves the
// device on.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "TestDevice.h"
#include "sim/kernel/Kernel.h"

namespace {

using vltest::GatedReply;

constexpr auto kPatience = std::chrono::seconds(20);

// Polls `condition` on the host clock; the driver's waits are real here.
template <typename Condition>
bool eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class DeviceGateThreads : public testing::Test {
 protected:
  DeviceGateThreads() { sim::Clock::instance().setMode(sim::Clock::Mode::Real); }

  void SetUp() override {
    file = board.open();
    ASSERT_NE(file, nullptr);
  }

  void TearDown() override {
    board.device().releaseRequests();
    file.reset();
  }

  std::future<GatedReply> requestInBackground(uint32_t value) {
    return std::async(std::launch::async, [this, value] { return vltest::gatedRequest(*file, value); });
  }

  // Suspends the gate the way the state machine does it: quiesce for a
  // reason that keeps the device.
  void suspend() {
    nVLAPAL000::tEventDescriptor descriptor{nullptr};
    nVLAPALS100::tStatus status;
    ASSERT_TRUE(board.device().changeState(descriptor, nVLAPAL000::kPnPStateIOSuspended, 2, false, status));
    ASSERT_EQ(board.device().getGate(), nVLAPAL000::kGateSuspended);
  }

  vltest::TestBoard board;
  std::unique_ptr<sim::DeviceFile> file;
};

TEST_F(DeviceGateThreads, WaitingRequestFailsWithGateClosedWhenTheGateCloses) {
  suspend();
  auto pending = requestInBackground(1);
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 1; }));
  board.device().setGate(nVLAPAL000::kGateClosed);
  EXPECT_EQ(pending.get().outStatus, nVLAPALS100::kStatusGateClosed);
  EXPECT_EQ(board.device().getInFlightCount(), 0u);
}

TEST_F(DeviceGateThreads, EveryWaitingRequestIsAdmittedWhenTheDeviceIsReadyAgain) {
  suspend();
  std::vector<std::future<GatedReply>> pending;
  for (uint32_t i = 0; i < 4; ++i) pending.push_back(requestInBackground(i));
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 4; }));
  EXPECT_EQ(pending[0].wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  nVLAPALS100::tStatus status;
  ASSERT_TRUE(board.device().changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status));
  for (uint32_t i = 0; i < 4; ++i) {
    const GatedReply reply = pending[i].get();
    EXPECT_EQ(reply.outStatus, 0) << "request " << i;
    EXPECT_EQ(reply.value, i);
  }
}

TEST_F(DeviceGateThreads, RemoveWaitsUntilTheLastAdmittedRequestEnds) {
  board.device().holdRequests();
  auto first = requestInBackground(1);
  auto second = requestInBackground(2);
  ASSERT_TRUE(eventually([this] { return board.device().heldRequests() == 2; }));
  auto removal = std::async(std::launch::async, [this] { board.remove(); });
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 1; }));
  EXPECT_EQ(removal.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  EXPECT_EQ(board.device().getGate(), nVLAPAL000::kGateClosed);
  EXPECT_EQ(vltest::gatedRequest(*file, 3).outStatus, nVLAPALS100::kStatusGateClosed);
  board.device().releaseRequests();
  removal.get();
  EXPECT_EQ(first.get().outStatus, 0);
  EXPECT_EQ(second.get().outStatus, 0);
  EXPECT_EQ(board.device().getState(), nVLAPAL000::kPnPStateNotPresent);
  EXPECT_EQ(board.device().getInFlightCount(), 0u);
}

TEST_F(DeviceGateThreads, CloseWaitsForTheSessionsOwnRequests) {
  board.device().holdRequests();
  auto request = requestInBackground(9);
  ASSERT_TRUE(eventually([this] { return board.device().heldRequests() == 1; }));
  auto closing = std::async(std::launch::async, [this] { file->close(); });
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 1; }));
  EXPECT_EQ(board.device().getOpenSessionCount(), 1u);
  board.device().releaseRequests();
  closing.get();
  EXPECT_EQ(request.get().value, 9u);
  EXPECT_EQ(board.device().getOpenSessionCount(), 0u);
}

}  // namespace
