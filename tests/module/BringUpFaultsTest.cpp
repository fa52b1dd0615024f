// A board whose reset or add device stopped at any point of its bring-up:
// each counted allocation and user copy of the bring-up made to fail in
// turn (found by counting a clean one, no stride), and each fault the
// board model offers. Afterwards every published request of both
// interfaces, sent as the fuzzers send its seed (tail and all), answers; a
// clean reset brings the board back; removal leaves nothing behind.
//
// CI sends each stop a share of the requests, so that every stop and
// every request is met, and recovers (clean reset, removal, add) after
// every 16th stop and after each board fault; the next stop meets the
// board its last one left (a reset's stop resets it cleanly first). VL_FULL_SWEEPS=1 sends every request after
// every stop and recovers after each (the `sweeps_long` target).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "PublishedRequests.h"
#include "fuzz/SeedBlocks.h"
#include "sim/host/BringUpLog.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/KernelHoldings.h"
#include "sim/kernel/DeviceRegistry.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace vltest {
namespace {

constexpr uint32_t kReset = 0x0020420C;
constexpr uint32_t kSelfTest = 0x0020420F;
// They rewrite the board's identity in flash: every later bring-up would
// fail its version check.
constexpr uint32_t kProgramSubsystemId = 0x00204211;
constexpr uint32_t kProgramRevisions = 0x00204213;
constexpr int32_t kInjected = -51352;  // the kernel layer's out of memory
// Requests of each share in CI, and its stops between two recoveries.
constexpr size_t kShare = 12;
constexpr size_t kRecoverEvery = 16;

struct Request {
  uint32_t code;
  vlfuzz::Seed in;
  uint32_t out;
  uint16_t outStatusAt;
  bool main;
};

std::vector<Request> requestsOfBothInterfaces() {
  std::vector<Request> requests;
  const std::string mainSeeds = vlfuzz::seedFolder(VL_SOURCE_DIR, "main");
  for (const PublishedRequest& request : kPublishedRequests) {
    if (request.code == kReset || request.code == kProgramSubsystemId || request.code == kProgramRevisions) continue;
    requests.push_back(
        {request.code, vlfuzz::seedOf(mainSeeds, request.code, request.in), request.out, request.outStatusAt, true});
  }
  // The FPGA interface's release carries no status word.
  const std::string fpgaSeeds = vlfuzz::seedFolder(VL_SOURCE_DIR, "fpga");
  for (const PublishedRequest& request : kPublishedFpgaSessionRequests) {
    if (request.inStatusAt == kNoStatus) continue;
    requests.push_back(
        {request.code, vlfuzz::seedOf(fpgaSeeds, request.code, request.in), request.out, request.outStatusAt, false});
  }
  return requests;
}

// How a bring-up is made to stop: `set` arms the fault (true) or clears it.
struct Stop {
  std::string what;
  std::function<void(sim::Board&, bool)> set;
};

std::vector<Stop> boardFaults() {
  using Fault = sim::FpgaLoader::Fault;
  std::vector<Stop> stops = {
      {"the reference PLL never locks", [](sim::Board& b, bool on) { b.fixedLogic().refCpld().setPllNeverLocks(on); }},
      {"the SPI port stays busy", [](sim::Board& b, bool on) { b.bridge().spi().setStuckBusy(on); }},
      {"the register port stalls", [](sim::Board& b, bool on) { b.registerPort().setStalled(on); }},
      {"the register port's reset never ends", [](sim::Board& b, bool on) { b.registerPort().setResetStuck(on); }},
      {"register-port instructions fail",
       [](sim::Board& b, bool on) { b.registerPort().failNextInstructions(on ? 1 : 0, on ? 16 : 0); }},
      {"the LO card's rails stay down", [](sim::Board& b, bool on) { b.fixedLogic().holdLoPowerDown(on); }},
  };
  for (unsigned cpld = 0; cpld < 3; ++cpld) {
    stops.push_back({"CPLD link " + std::to_string(cpld) + " stays down",
                     [cpld](sim::Board& b, bool on) { b.fixedLogic().holdCpldLinkDown(cpld, on); }});
  }
  for (Fault fault : {Fault::Fails, Fault::FailsWithDone, Fault::NeverReady, Fault::NeverEnds}) {
    stops.push_back({"the FPGA refuses its bitstream (" + std::to_string(static_cast<int>(fault)) + ")",
                     [fault](sim::Board& b, bool on) { b.bridge().fpgaLoader().setFault(on ? fault : Fault::None); }});
  }
  return stops;
}

class BringUpFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* full = std::getenv("VL_FULL_SWEEPS");
    const bool everything = full != nullptr && full[0] == '1';
    share = everything ? 1 : kShare;
    recoverEvery = everything ? 1 : kRecoverEvery;
    blocksBeforeAdd = sim::Memory::outstandingBlocks();
    ASSERT_EQ(rig.add(), 0);
  }
  void TearDown() override {
    for (sim::FaultSite* site : sites()) site->clear();
  }
  static std::vector<sim::FaultSite*> sites() {
    return {&sim::Memory::allocationFaults(), &sim::UserMemory::inboundCopyFaults(),
            &sim::UserMemory::outboundCopyFaults()};
  }

  sim::DeviceFile::Reply resetFrom(sim::DeviceFile& file) {
    return file.ioctl({kReset, std::vector<uint8_t>(4, 0), 4, 0});
  }

  // The counted calls of each site that one clean run of `road` makes.
  // (A site counts while it is armed: armed beyond reach, it counts all.)
  std::vector<uint64_t> countCalls(const std::function<void()>& road) {
    for (sim::FaultSite* site : sites()) site->failNth(~uint64_t{0}, kInjected);
    road();
    std::vector<uint64_t> counted;
    for (sim::FaultSite* site : sites()) {
      counted.push_back(site->calls());
      site->clear();
    }
    return counted;
  }

  // A clean reset, then one with `arm` armed until it answered: the stop
  // meets records that the last good bring-up left clean.
  void stopAReset(const std::function<void()>& arm, const std::function<void()>& clear) {
    auto file = sim::DeviceFile::open(rig.module(), kMainInterface);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(answerOf(resetFrom(*file), 0), 0) << "a clean reset brings the board back";
    arm();
    const auto reply = resetFrom(*file);
    clear();
    file->close();
    // A bring-up that failed leaves its error in every record: the self
    // test (the highest level) answers it, with the board objects gone.
    const int32_t answer = answerOf(reply, 0);
    if (reply.status == 0 && answer < 0) {
      auto probe = sim::DeviceFile::open(rig.module(), kMainInterface);
      ASSERT_NE(probe, nullptr);
      EXPECT_EQ(answerOf(probe->ioctl({kSelfTest, std::vector<uint8_t>(40, 0), 4, 0}), 0), answer);
      // The kernel log's last bring-up line names those records too.
      int64_t logged[4] = {};
      ASSERT_TRUE(sim::loggedBringUpRecords(logged));
      for (int64_t record : logged) EXPECT_LT(record, 0);
      EXPECT_EQ(logged[3], answer);
    }
  }

  // Remove (when added), then add with `arm` armed; true when the board
  // is added.
  bool stopAnAdd(const std::function<void()>& arm, const std::function<void()>& clear) {
    if (rig.device() != nullptr) removeAndCheck();
    arm();
    const int32_t added = rig.add();
    clear();
    if (added == 0) return true;
    EXPECT_EQ(rig.device(), nullptr);
    expectNothingHeld("a failed add device");
    return false;
  }

  void ensureAdded() {
    if (rig.device() == nullptr) {
      ASSERT_EQ(rig.add(), 0);
    }
  }

  // This stop's share of the requests from fresh sessions; then, when it
  // is a stop to recover at (or `mend` takes the board's fault away), a
  // clean reset, removal and a clean add.
  void sendRequestsThenRecover(size_t stop, const std::function<void()>& mend = {}) {
    auto main = sim::DeviceFile::open(rig.module(), kMainInterface);
    ASSERT_NE(main, nullptr);
    // A bring-up that failed builds no FPGA state: its interface opens
    // nothing then.
    auto fpga = sim::DeviceFile::open(rig.module(), kFpgaInterface);
    for (size_t i = stop % share; i < requests.size(); i += share) {
      const Request& request = requests[i];
      sim::DeviceFile* file = request.main ? main.get() : fpga.get();
      if (file == nullptr) continue;
      file->ioctl({request.code, vlfuzz::layOut(request.in).block, request.out, 0});
      ++sent;
    }
    if (fpga) fpga->close();
    main->close();
    if (!mend && stop % recoverEvery != recoverEvery - 1) return;
    if (mend) mend();
    auto resetter = sim::DeviceFile::open(rig.module(), kMainInterface);
    ASSERT_NE(resetter, nullptr);
    EXPECT_EQ(answerOf(resetFrom(*resetter), 0), 0) << "a clean reset brings the board back";
    resetter->close();
    removeAndCheck();
    ASSERT_EQ(rig.add(), 0);
  }

  void removeAndCheck() {
    rig.remove();
    expectNothingHeld("the removal");
  }

  void expectNothingHeld(const char* after) {
    std::string held;
    for (const std::string& line : sim::kernelHoldingsOf(rig.board().pciHandle())) held += "\n  " + line;
    EXPECT_TRUE(held.empty()) << "after " << after << " the kernel layer still holds:" << held;
    EXPECT_EQ(sim::DeviceRegistry::strayUnregistrations(), 0u) << "after " << after;
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocksBeforeAdd) << "blocks left after " << after;
  }

  BoardRig rig;
  const std::vector<Request> requests = requestsOfBothInterfaces();
  size_t share = kShare;
  size_t recoverEvery = kRecoverEvery;
  size_t sent = 0;
  int64_t blocksBeforeAdd = 0;
};

TEST_F(BringUpFaults, EveryStopOfAResetOrAnAddAnswersEveryRequestAndRemovalTakesAllBack) {
  size_t stops = 0;
  const char* const names[] = {"allocation", "inbound copy", "outbound copy"};
  // The reset's calls are counted on a board that was reset once already,
  // as every stop below meets it.
  const std::vector<uint64_t> resetCalls = countCalls([this] {
    auto file = sim::DeviceFile::open(rig.module(), kMainInterface);
    resetFrom(*file);
  });
  rig.remove();
  const std::vector<uint64_t> addCalls = countCalls([this] { rig.add(); });
  for (size_t s = 0; s < sites().size(); ++s) {
    sim::FaultSite& site = *sites()[s];
    ensureAdded();
    for (uint64_t n = 1; n <= resetCalls[s]; ++n) {
      SCOPED_TRACE(::testing::Message() << "reset, " << names[s] << " " << n);
      stopAReset([&] { site.failNth(n, kInjected); }, [&] { site.clear(); });
      sendRequestsThenRecover(stops++);
      if (HasFatalFailure()) return;
    }
    for (uint64_t n = 1; n <= addCalls[s]; ++n) {
      SCOPED_TRACE(::testing::Message() << "add device, " << names[s] << " " << n);
      if (stopAnAdd([&] { site.failNth(n, kInjected); }, [&] { site.clear(); })) sendRequestsThenRecover(stops);
      ++stops;
      if (HasFatalFailure()) return;
    }
  }
  for (const Stop& fault : boardFaults()) {
    SCOPED_TRACE(fault.what);
    ensureAdded();
    stopAReset([&] { fault.set(rig.board(), true); }, [] {});
    sendRequestsThenRecover(stops++, [&] { fault.set(rig.board(), false); });
    if (stopAnAdd([&] { fault.set(rig.board(), true); }, [&] { fault.set(rig.board(), false); })) {
      sendRequestsThenRecover(stops, [] {});
    }
    ++stops;
    if (HasFatalFailure()) return;
  }
  // The last recovery: whatever a stop left, a clean reset and removal
  // take back.
  ensureAdded();
  sendRequestsThenRecover(stops, [] {});
  std::printf(
      "bring-up stops: reset %llu allocations, %llu + %llu user copies; add device %llu allocations, "
      "%llu + %llu user copies; %zu board faults twice; %zu stops, %zu requests sent (%zu per stop of %zu)\n",
      static_cast<unsigned long long>(resetCalls[0]), static_cast<unsigned long long>(resetCalls[1]),
      static_cast<unsigned long long>(resetCalls[2]), static_cast<unsigned long long>(addCalls[0]),
      static_cast<unsigned long long>(addCalls[1]), static_cast<unsigned long long>(addCalls[2]), boardFaults().size(),
      stops, sent, (requests.size() + share - 1) / share, requests.size());
}

}  // namespace
}  // namespace vltest
