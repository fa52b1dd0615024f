// Main-session closes run outside the request gate. A close that holds a
// reservation, a deployed setting and a recording walks the reservation
// policies and the list-mode objects as it releases them: it must never
// meet a reset, a stop or a start releasing or rebuilding them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/InterfaceTemplate_vl9738k.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/board/SyntheticBitstream.h"
#include "sim/kernel/Scheduler.h"
#include "tests/board/StartedDevice.h"
#include "tests/fpga/SessionWire.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;
using namespace nVL9738K_24_0::requests;

// What one client does with its session: every answer may be a refusal
// (stale, gate closed) while resets run, so only the final check asserts.
class Client {
 public:
  Client(Device& device, nVLAPAL000::tEventDescriptor& who) : device_(device), who_(who) {}

  // A client is known by its descriptor before it deploys or reserves.
  int32_t describe(const std::string& name) {
    const auto text = userCopyOf({name.begin(), name.end()});
    return callMain<SetDescriptor>(device_, who_, {text->address(), uint32_t(name.size()), 0}).status;
  }
  // The reference-clock source (policy 1) and the cross-switch mode
  // (policy 2), as the wire carries them.
  int32_t deploy(uint8_t crossSwitchMode) {
    WireBytes blob;
    blob.u32(0).u32(1).u32(0).u32(0);
    for (uint8_t byte : {0, 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0}) blob.u8(byte);
    blob.u32(3).u32(0).u32(0).u8(0).u8(crossSwitchMode);
    const auto message = userCopyOf(blob.bytes);
    return callMain<SettingsDeploy>(device_, who_, {message->address(), uint32_t(blob.bytes.size()), 0}).status;
  }
  // Policies 1 and 2 (the reference clock and the cross switch).
  int32_t reserveBoth() {
    const auto ids = userCopyOf(WireBytes().u32(1).u32(2).bytes), results = userCopyOf({0, 0, 0, 0, 0, 0, 0, 0});
    return callMain<Reserve>(device_, who_, {2, ids->address(), results->address(), {}, 0}).status;
  }
  int32_t releaseBoth() {
    const auto ids = userCopyOf(WireBytes().u32(1).u32(2).bytes);
    return callMain<Release>(device_, who_, {2, ids->address(), 0}).status;
  }
  int32_t commitCrossSwitch() {
    const auto ids = userCopyOf(WireBytes().u32(3).bytes);
    return callMain<SettingsSendMessage>(device_, who_, {ids->address(), 1, 1, 0, 0, 0, 0, 0}).status;
  }
  // LO0's engine and its path, then a recording of the session's commits.
  int32_t record() {
    sim::UserBlock path(8);
    path.put<uint64_t>(0, 2400 | uint64_t{2404} << 32);
    const int32_t context = callMain<SetContext>(device_, who_, {path.address(), 2, 0}).status;
    return context != 0 ? context : callMain<StartCommitSnooping>(device_, who_).status;
  }

 private:
  Device& device_;
  nVLAPAL000::tEventDescriptor& who_;
};

nVLAPAL000::tSession* openMain(Device& device) {
  tStatus opened;
  nVLAPAL000::tEventDescriptor none{nullptr};
  return device.openDeviceInterface(none, device.getDeviceInterfaces()[0], opened);
}

void closeMain(Device& device, nVLAPAL000::tSession* session) {
  nVLAPAL000::tEventDescriptor descriptor{session};
  device.closeDeviceInterface(descriptor, session);
}

// Two fresh sessions in turn hold, commit and release what every client
// reserved: no policy kept a client that closed.
void expectNoLockOut(Device& device) {
  for (uint8_t mode : {4, 5}) {
    nVLAPAL000::tSession* session = openMain(device);
    ASSERT_NE(session, nullptr);
    nVLAPAL000::tEventDescriptor who{session};
    Client client(device, who);
    EXPECT_EQ(client.describe("fresh"), 0);
    EXPECT_EQ(client.deploy(mode), 0);
    EXPECT_EQ(client.reserveBoth(), 0) << "mode " << int(mode);
    EXPECT_EQ(client.commitCrossSwitch(), 0);
    EXPECT_EQ(client.releaseBoth(), 0);
    closeMain(device, session);
  }
}

// The board's own image downloaded again through a session of the FPGA
// interface, which makes every main session stale: true when it went down.
bool downloadThroughAnFpgaSession(Device& device, sim::Board& board) {
  using namespace nVL9738K_24_0::lymrequests;
  static const std::vector<uint8_t> kImage = vlimage::makeSyntheticBitstream();
  sim::FpgaPersonality design(board.fpga(), 0x10, 0x14, 0x20);
  design.setSignature({0xA1, 0xB2, 0xC3, 0xD4});
  const auto personality = userCopyOf(personalityBlock(1u << 29));
  const auto image = userCopyOf(kImage);
  tStatus opened;
  nVLAPAL000::tEventDescriptor none{nullptr};
  nVLAPAL000::tSession* session = device.openDeviceInterface(none, device.getDeviceInterfaces()[1], opened);
  if (session == nullptr) return false;
  nVLAPAL000::tEventDescriptor who{session};
  const auto configured = callMain<ConfigurePersonalityQrt>(device, who,
                                                            {.personalityAddress = personality->address(),
                                                             .personalitySize = 48,
                                                             .bitfileAddress = image->address(),
                                                             .bitfileSize = uint32_t(kImage.size())},
                                                            1);
  device.closeDeviceInterface(who, session);
  return configured.status == 0 && configured.downloaded == 1;
}

// An over-temperature shutdown entered from an admitted request, as a
// temperature reading enters it.
void shutDownOnTemperature(Device& device) {
  nVLAPAL000::tSession* session = openMain(device);
  if (session == nullptr) return;
  nVLAPAL000::tEventDescriptor who{session};
  {
    tStatus request;
    nVL9738K_24_0::IoctlEntryHelper guard(device, who, Device::kLevelProperties, request, false);
    if (request.isNotFatal()) device.thermalShutdown(device.getCapabilities().temperatureLimit(), request);
  }
  closeMain(device, session);
}

// Aborts the process when the threads it watches have not ended in time:
// a deadlock must fail the run, not hang it.
class Watchdog {
 public:
  explicit Watchdog(int seconds)
      : thread_([this, seconds] {
          for (int tick = 0; tick < seconds * 10 && !done_; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
          }
          if (done_) return;
          std::fprintf(stderr, "closes, resets and removals deadlocked\n");
          std::abort();
        }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Clients open, hold and close in a loop on real threads while the board
// is reset twelve times, given its image again through an FPGA session and
// shut down on temperature between them, and then removed under them;
// three boards in turn.
TEST(SessionCloseThreads, ClosesHoldingReservationsAndRecordingsRaceResetsAndRemovals) {
  Watchdog watchdog(240);
  constexpr int kClients = 6;
  std::atomic<int> closed{0}, held{0}, downloads{0};
  for (int round = 0; round < 3; ++round) {
    sim::Board board;
    tStatus status{tStatus::kFullSize};
    RunningDevice device = startDevice(board, status, &nVL9738K_24_0::tInterfaceTemplate_vl9738k::create);
    ASSERT_EQ(status.getCode(), 0);
    std::atomic<bool> stop{false};
    const auto client = [&](int index) {
      for (int turn = 0; !stop; ++turn) {
        nVLAPAL000::tSession* session = openMain(*device);
        if (session == nullptr) continue;
        nVLAPAL000::tEventDescriptor who{session};
        Client requests(*device, who);
        if (requests.describe("client " + std::to_string(index)) == 0 &&
            requests.deploy(uint8_t(4 + (index + turn) % 2)) == 0 && requests.reserveBoth() == 0) {
          ++held;
        }
        if ((index + turn) % 3 == 0) requests.record();
        closeMain(*device, session);
        ++closed;
      }
    };
    const auto runClients = [&](auto&& chaos) {
      stop = false;
      std::vector<std::thread> threads;
      for (int index = 0; index < kClients; ++index) threads.emplace_back(client, index);
      chaos();
      stop = true;
      for (std::thread& thread : threads) thread.join();
    };
    // Twelve resets; before some, a download or a shutdown (which the
    // reset after it brings the board back from).
    runClients([&] {
      for (int reset = 0; reset < 12; ++reset) {
        if (reset % 4 == 1) downloads += downloadThroughAnFpgaSession(*device, board);
        if (reset % 4 == 3) shutDownOnTemperature(*device);
        tStatus answer;
        device->reset(answer);
        EXPECT_EQ(answer.getCode(), 0);
      }
    });
    expectNoLockOut(*device);
    runClients([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      nVLAPAL000::tDevice::onRemoveDevice(device.get());
    });
    EXPECT_EQ(device->getInFlightCount(), 0u);
    EXPECT_EQ(device->getOpenSessionCount(), 0u);
    EXPECT_EQ(device->getSessionLock().getDepth(), 0u);
    delete device.release();
  }
  EXPECT_GT(held.load(), 0) << "no client ever held a setting";
  EXPECT_EQ(downloads.load(), 9) << "every download through an FPGA session goes down";
  EXPECT_GT(closed.load(), 100);
}

// A close that takes the session lock once a reset has drained, while the
// reset releases the board objects, leaves them alone until the rebuild
// ends: it returns only after the reset. The scheduler hands the session
// lock to the close at a different point of the release on each seed.
TEST(SessionCloseThreads, ACloseBegunAfterAResetsDrainWaitsForTheRebuild) {
  for (uint64_t seed = 1; seed <= 6; ++seed) {
    sim::Board board;
    tStatus status{tStatus::kFullSize};
    RunningDevice device;
    nVLAPAL000::tSession* session = nullptr;
    sim::Scheduler::enable(seed);
    sim::Scheduler::spawn("open", [&] {
      device = startDevice(board, status, &nVL9738K_24_0::tInterfaceTemplate_vl9738k::create);
      session = openMain(*device);
      nVLAPAL000::tEventDescriptor who{session};
      Client client(*device, who);
      EXPECT_EQ(client.describe("holder"), 0);
      EXPECT_EQ(client.deploy(4), 0);
      EXPECT_EQ(client.reserveBoth(), 0);
      EXPECT_EQ(client.record(), 0);
    });
    sim::Scheduler::runUntilAllDone();
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_NE(session, nullptr);
    ASSERT_NE(device->getFlashPartitionManager(), nullptr);
    sim::Scheduler::reseed(seed, 100);
    bool held = false, resetDone = false;
    sim::Scheduler::spawn("hold the session lock", [&] {
      device->getSessionLock().acquire();
      held = true;
      // The flash store goes first of the board objects, after both drains.
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork,
                                 [&] { return device->getFlashPartitionManager() == nullptr; });
      device->getSessionLock().release();
    });
    sim::Scheduler::spawn("reset", [&] {
      tStatus answer;
      device->reset(answer);
      EXPECT_EQ(answer.getCode(), 0);
      resetDone = true;
    });
    sim::Scheduler::spawn("close", [&] {
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork, [&] { return held; });
      closeMain(*device, session);
      EXPECT_TRUE(resetDone) << "seed " << seed << ": the close ran inside the reset's release and rebuild";
    });
    EXPECT_FALSE(sim::Scheduler::runUntilAllDone().deadlocked) << "seed " << seed;
    sim::Scheduler::spawn("after", [&] {
      expectNoLockOut(*device);
      device.reset();
    });
    sim::Scheduler::runUntilAllDone();
    sim::Scheduler::disable();
  }
}

}  // namespace
}  // namespace vltest
