// A board the kernel layer removed while a session stayed open: until the
// last session closes and the device is deleted, a reset from that session
// must not bring the leaving board up again nor reopen its gate.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Scheduler.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;

using vltest::kGateClosed;
using BoardLeaving = vltest::OpenedBoard;

TEST_F(BoardLeaving, AResetFromASessionThatOutlivedItsBoardLeavesTheBoardDown) {
  open();
  ASSERT_EQ(client->call<GetModuleRev>().outStatus(), 0);
  const size_t bringUpWrites = rig->powerUpWrites().size();

  rig->module().record().removeDevice(rig->device());
  EXPECT_EQ(client->call<ResetDevice>().outStatus(), kGateClosed);
  EXPECT_EQ(rig->powerUpWrites().size(), bringUpWrites) << "the leaving board was not powered up again";
  EXPECT_EQ(client->call<GetModuleRev>().outStatus(), kGateClosed);
  EXPECT_EQ(client->call<GetSerialNumber>().outStatus(), kGateClosed);
}

// A reset ending while the removal waits for it opened the gate again, and
// the removal then released the board with requests still being admitted:
// a session opened after the reset saw its requests pass the gate and find
// the session made stale by the stop. Once the removal has begun, a request
// either ran before its quiesce or meets the closed gate. The scheduler
// tries many interleavings, one per seed; few of them let the reset end
// before the removal's quiesce, so the seeds are enough for a handful.
TEST_F(BoardLeaving, AResetEndingDuringARemovalLeavesTheGateClosed) {
  using vltest::kStaleSession;
  sim::Clock::instance().setSpinStepNs(50'000);
  std::map<int32_t, int> answers;
  for (uint64_t seed = 1; seed <= 80; ++seed) {
    sim::Scheduler::enable(seed);
    std::unique_ptr<vltest::BoardRig> rig;
    std::unique_ptr<sim::DeviceFile> resetting;
    sim::Scheduler::spawn("add", [&] {
      rig = std::make_unique<vltest::BoardRig>();
      if (rig->add() == 0) resetting = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
    });
    sim::Scheduler::runUntilAllDone();
    ASSERT_NE(resetting, nullptr);
    sim::Scheduler::reseed(seed * 7919, 10 + seed % 80);
    bool resetEnded = false, removed = false;
    sim::Scheduler::spawn("reset", [&] {
      const int32_t reset = sim::RequestClient(*resetting).call<ResetDevice>().outStatus();
      EXPECT_TRUE(reset == 0 || reset == kGateClosed) << reset;
      resetEnded = true;
    });
    sim::Scheduler::spawn("remove", [&] {
      rig->module().record().removeDevice(rig->device());
      removed = true;
    });
    sim::Scheduler::spawn("requests", [&] {
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork, [&] { return resetEnded; });
      auto file = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
      if (!file) return;
      sim::RequestClient client(*file);
      while (!removed) ++answers[client.call<GetModuleRev>().outStatus()];
      file->close();
    });
    EXPECT_FALSE(sim::Scheduler::runUntilAllDone().deadlocked) << "seed " << seed;
    sim::Scheduler::spawn("delete", [&] {
      resetting->close();
      rig.reset();
    });
    sim::Scheduler::runUntilAllDone();
    sim::Scheduler::disable();
  }
  EXPECT_EQ(answers[kStaleSession], 0) << "requests admitted after the stop";
  EXPECT_GT(answers[0], 0);
  EXPECT_GT(answers[kGateClosed], 0);
}

}  // namespace
