// FPGA sessions opened on a started Device over the board model: the
// device-wide interface's bitfile checks, and what a reset or an
// over-temperature shutdown leaves to sessions opened before it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/UserMemory.h"
#include "tests/board/StartedDevice.h"
#include "tests/fpga/FpgaFifoDouble.h"
#include "tests/fpgasession/ImagePages.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;
using qrtlym::AtomicLymSession;

constexpr int64_t kStale = static_cast<int32_t>(0xBFFA9179);
constexpr uint32_t kForce = vllym::OpenFpgaSessionPolicyCommon::kForceDownload;

class FpgaStateOnDevice : public testing::Test {
 protected:
  void SetUp() override {
    device = startDevice(board, status);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_NE(device->getFpgaState(), nullptr);
    personality.setSignature({1, 2, 3, 4});
  }
  void TearDown() override {
    for (AtomicLymSession* s : open) close(s);
    device.reset();  // while the personality still answers
  }
  AtomicLymSession* openSession() {
    nVLAPAL000::tEventDescriptor descriptor{nullptr};
    auto* s =
        static_cast<AtomicLymSession*>(device->createSession(descriptor, device->getDeviceInterfaces()[1], status));
    if (s != nullptr) open.push_back(s);
    return s;
  }
  void close(AtomicLymSession* s) {
    nVLAPAL000::tEventDescriptor descriptor{s};
    device->destroySession(descriptor, s);
    std::erase(open, s);
  }
  int64_t download(AtomicLymSession* s, void* address, uint32_t size) {
    nVLAPAL000::tEventDescriptor descriptor{s};
    tStatus result;
    device->getAtomicLymInterface().vllym_downloadToFpga(descriptor, address, size, result);
    return result.getCode();
  }
  int64_t configure(AtomicLymSession* s, uint32_t attributes, const std::vector<FifoRecord>& fifos = {}) {
    uint8_t downloaded = 0;
    tStatus result;
    s->getKernelSession().configurePersonality(image.list(), designRegisters(kIrq), 0, attributes, recordsOf(fifos),
                                               signatureOf({1, 2, 3, 4}), -61999, &downloaded, result);
    return result.getCode();
  }
  bool valid(AtomicLymSession* s, tStatus& result) {
    device->refreshLymSessionValidity(s);
    nVLAPAL000::tEventDescriptor descriptor{s};
    return device->getAtomicLymInterface().vllym_isSessionValid(descriptor, result);
  }

  sim::Board board;
  tStatus status{tStatus::kFullSize};
  RunningDevice device;
  sim::FpgaPersonality personality{board.fpga(), kControl, kReset, kSignature};
  std::vector<AtomicLymSession*> open;
  ImagePages image;
};

// No address, no size, or neither.
TEST_F(FpgaStateOnDevice, AnEmptyBitfileIsRefusedBeforeAnyPageIsLockedOrTheDesignTouched) {
  AtomicLymSession* s = openSession();
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> bytes(64, 0x5A);
  const uint64_t locks = sim::PageLists::userLockFaults().calls();
  const size_t controls = personality.controlWrites().size();
  for (const auto& [address, size] : {std::pair{false, 0u}, {false, 16u}, {true, 0u}}) {
    EXPECT_EQ(download(s, address ? bytes.data() : nullptr, size), -52005) << address << " " << size;
  }
  EXPECT_EQ(sim::PageLists::userLockFaults().calls(), locks);
  EXPECT_EQ(personality.controlWrites().size(), controls);
}

TEST_F(FpgaStateOnDevice, AShutdownsStaleSessionGivesBackItsFifosAndPersonalityAtClose) {
  AtomicLymSession* hot = openSession();
  ASSERT_NE(hot, nullptr);
  ASSERT_EQ(configure(hot, kForce, {{0, 1, 1, 0x2000}}), 0);
  hot->getKernelSession().stopFifo(7, 0, status);  // FIFO 0 is the session's now
  ASSERT_EQ(status.getCode(), 0);
  tStatus shutdown;
  device->thermalShutdown(1000, shutdown);
  tStatus result;
  EXPECT_FALSE(valid(hot, result));
  EXPECT_EQ(result.getCode(), kStale);

  AtomicLymSession* next = openSession();
  ASSERT_NE(next, nullptr);
  tStatus claimed;
  next->getKernelSession().stopFifo(9, 0, claimed);
  EXPECT_EQ(claimed.getCode(), vllym::kStatusFifoOwnedElsewhere);
  close(hot);
  EXPECT_EQ(device->getFpgaState()->getPersonalityCount(), 0u);
  next->getKernelSession().stopFifo(9, 0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(configure(next, kForce), 0);
}

// A request's own steps with a whole device reset between its validity
// check and its admission: admitted, it must find its session stale, not
// follow it into the deleted state (a personality and a FIFO held there);
// neither it nor the close touches the new state's count or the design.
TEST_F(FpgaStateOnDevice, ARequestAdmittedAfterAWholeResetThatFollowedItsCheckAnswersStale) {
  sim::UserBlock bitfile(64);
  using Handler = std::function<void(AtomicLymSession*, tStatus&)>;
  const std::pair<const char*, Handler> kRoads[] = {
      {"register", [](AtomicLymSession* s, tStatus& r) { s->getKernelSession().write32(0x100, 1, r); }},
      {"FIFO", [](AtomicLymSession* s, tStatus& r) { s->getKernelSession().stopFifo(7, 0, r); }},
      {"download", [&](AtomicLymSession* s, tStatus& r) { r.setCode(download(s, bitfile.data(), 64), VL_SITE); }},
      {"release", [](AtomicLymSession* s, tStatus&) { s->getKernelSession().releasePersonality(7, true); }},
  };
  for (const auto& [road, handler] : kRoads) {
    AtomicLymSession* before = openSession();
    ASSERT_TRUE(before != nullptr && configure(before, kForce, {{0, 1, 1, 0x2000}}) == 0) << road;
    before->getKernelSession().stopFifo(7, 0, status);
    device->refreshLymSessionValidity(before);
    device->reset(status);
    AtomicLymSession* after = openSession();
    ASSERT_TRUE(after != nullptr && configure(after, kForce) == 0) << road;
    const size_t controls = personality.controlWrites().size();
    const uint32_t resets = personality.resetWrites();
    tStatus result;
    const bool admitted = device->beginIO(before, result, nVLAPAL000::kWaitForever);
    handler(before, result);
    if (admitted) device->endIO(before);
    EXPECT_EQ(result.getCode(), std::string(road) == "release" ? 0 : kStale) << road;
    close(before);
    EXPECT_EQ(device->getFpgaState()->getPersonalityCount(), 1u) << road;
    EXPECT_EQ(personality.controlWrites().size(), controls) << road;
    EXPECT_EQ(personality.resetWrites(), resets) << road;
    close(after);
  }
}

// Through the interface's frame, with the device stopped: the stale code
// replaces the refused admission, but a call made only once admitted keeps
// the refusal.
TEST_F(FpgaStateOnDevice, AStaleSessionAnswersItsCodeWhileTheDeviceIsStopped) {
  AtomicLymSession* s = openSession();
  ASSERT_NE(s, nullptr);
  nVLAPAL000::tEventDescriptor none{nullptr};
  ASSERT_TRUE(device->changeState(none, nVLAPAL000::kPnPStateNotStarted, 0, false, status));
  nVLAPAL000::tEventDescriptor descriptor{s};
  auto call = [&](uint32_t code, size_t inSize, size_t outSize, std::vector<uint8_t>& output) {
    sim::UserBlock in(inSize), out(outSize);
    tStatus request;
    const uint64_t bytes = device->getDeviceInterfaces()[1]->decodeIOControl(descriptor, code, in.data(), inSize,
                                                                             out.data(), outSize, request);
    output.assign(out.data(), out.data() + outSize);
    return bytes;
  };
  using namespace nVL9738K_24_0::lymrequests;
  std::vector<uint8_t> out;
  EXPECT_EQ(call(Read32::kCode, 8, 8, out), 8u);
  const auto read = *reinterpret_cast<const Read32::Out*>(out.data());
  EXPECT_EQ(read.value, 0xFFFFFFFFu);
  EXPECT_EQ(read.status, kStale);
  EXPECT_EQ(call(ClientFunctionCall::kCode, 48, 4, out), 4u);
  EXPECT_EQ(reinterpret_cast<const ClientFunctionCall::Out*>(out.data())->status, -52022);
}

// A bring-up that stopped before the FPGA state leaves none, and an open
// of the FPGA interface answers with the reason the bring-up recorded.
TEST_F(FpgaStateOnDevice, WithoutAStateAnOpenAnswersWhyTheBringUpStopped) {
  sim::Memory::allocationFaults().failNth(1, 0);
  tStatus reset;
  device->reset(reset);
  sim::Memory::allocationFaults().clear();
  ASSERT_EQ(reset.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(device->getFpgaState(), nullptr);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  tStatus result;
  EXPECT_EQ(device->createSession(descriptor, device->getDeviceInterfaces()[1], result), nullptr);
  EXPECT_EQ(result.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(device->getInFlightCount(), 0u);
}

}  // namespace
}  // namespace vltest
