// Kernel FPGA sessions over one device FPGA state on the board model:
// configuring personalities (download, reuse, forced download, refusal),
// the signature check, downloads by configured sessions, and release and
// close accounting.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

#include "driver/fpgasession/Session.h"
#include "sim/board/HostMemoryBufferBlock.h"
#include "sim/kernel/Sync.h"
#include "sim/kernel/UserMaps.h"
#include "tests/board/BoardOnPciFixture.h"
#include "tests/fpga/FpgaFifoDouble.h"
#include "tests/fpgasession/ImagePages.h"

namespace vltest {
namespace {

using vllym::OpenFpgaSessionPolicyCommon;
using vllym::Signature;
using vllym::kernel::Session;

constexpr uint32_t kReuse = OpenFpgaSessionPolicyCommon::kReuseRunningDesign;
constexpr uint32_t kForce = OpenFpgaSessionPolicyCommon::kForceDownload;
constexpr int32_t kRefusal = -61999;
constexpr uint64_t kWindow = sim::FpgaWindow::kBarOffset;

class KernelSession : public BoardOnPci {
 protected:
  void SetUp() override {
    board = build();
    state = std::make_unique<AtomicLymDeviceState>(board.get(), status);
    ASSERT_EQ(status.getCode(), 0);
    personality.setSignature({1, 2, 3, 4});
  }
  // The design's own code, or the failure; `downloaded` as the session says.
  int64_t configure(Session& session, uint32_t attributes, const Signature& expected, uint32_t irq = kIrq,
                    uint8_t* downloaded = nullptr, const std::vector<FifoRecord>& fifos = {}) {
    tStatus result;
    uint8_t flag = 0xEE;
    vllym::CommonRegisterSet registers = designRegisters(irq, irq == kIrq ? kSignature : irq + 0x40);
    registers.hostMemoryBufferBlock = hostBuffers;
    session.configurePersonality(image.list(), registers, 0, attributes, recordsOf(fifos), expected, kRefusal, &flag,
                                 result);
    if (downloaded != nullptr) *downloaded = flag;
    return result.getCode();
  }
  bool readAt(uint64_t offset) {
    for (const sim::BusAccess& a : model().bar0().traffic()) {
      if (a.offset == kWindow + offset && a.kind == sim::BusAccess::Kind::Read) return true;
    }
    return false;
  }

  std::unique_ptr<Board> board;
  std::unique_ptr<AtomicLymDeviceState> state;
  sim::FpgaPersonality personality{model().fpga(), kControl, kReset, kSignature};
  ImagePages image;
  const Signature expected = signatureOf({1, 2, 3, 4});
  uint32_t hostBuffers = vllym::CommonRegisterSet::kUnset;
};

TEST_F(KernelSession, DownloadsReusesWithBit25AndARefusedOpenLeavesEverythingAsItWas) {
  Session first(*state), second(*state), third(*state);
  uint8_t downloaded = 0;
  EXPECT_EQ(configure(first, 0, expected, kIrq, &downloaded), 0);
  EXPECT_EQ(downloaded, 1);
  EXPECT_EQ(state->getDownloadRefusalCode(), kRefusal);
  EXPECT_EQ(configure(second, kReuse, signatureOf({7, 7, 7, 7}), kIrq, &downloaded), 0);
  EXPECT_EQ(downloaded, 0);
  EXPECT_EQ(state->getPersonalityCount(), 2u);

  // A forced download while two personalities run is refused with the
  // personality's refusal code; the registers it named are taken back.
  EXPECT_EQ(configure(third, kForce, expected, 0x300, &downloaded), kRefusal);
  EXPECT_EQ(downloaded, 0);
  EXPECT_EQ(state->getPersonalityCount(), 2u);
  EXPECT_EQ(third.getPersonalityCount(), 0u);
  EXPECT_EQ(state->getSignatureRegister().getOffset(), kSignature);
  EXPECT_EQ(state->getAppliedRegisters().irqBase, kIrq);
  model().bar0().startRecording();
  uint8_t timedOut = 0;
  first.waitOnIrqs(1, 0, &timedOut, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(readAt(kIrq + 12));
  EXPECT_FALSE(readAt(0x300 + 12));

  // Downloads: two configured sessions forbid them, one allows them.
  tStatus refused;
  first.downloadToFpga(image.list(), refused);
  EXPECT_EQ(refused.getCode(), kRefusal);
  second.releasePersonality(0, false);
  first.downloadToFpga(image.list(), status);
  EXPECT_EQ(status.getCode(), 0);
}

// The first configuration downloads, the second reuses the design and its
// FIFOs: a record without a control block fails both, and neither counts.
TEST_F(KernelSession, AFifoRecordRefusedOnceIsRefusedAtEveryConfiguration) {
  Session session(*state);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(configure(session, 0, expected, kIrq, nullptr, {{0, 1}, {1, 0, 1, 0xFFFFFFFF}}), -52005) << pass;
  }
  EXPECT_EQ(state->getPersonalityCount(), 0u);
}

// Attribute 84 may leave a refusal code of success or a warning: a flash
// operation under a held personality is refused all the same, marks
// nothing in progress, and without one reaches the board (which has no
// flash).
TEST_F(KernelSession, AFlashOperationUnderAPersonalityIsRefusedWhateverTheRefusalCode) {
  Session holder(*state);
  ASSERT_EQ(configure(holder, 0, expected), 0);
  for (int32_t code : {0, 5, -61999}) {
    holder.setAttribute32(vllym::kernel::Fpga::kAttributeDownloadRefusal, static_cast<uint32_t>(code), status);
    tStatus writing, clearing;
    holder.downloadToFlash(nullptr, 0, writing);
    holder.clearFlash(clearing);
    const int64_t refused = code < 0 ? code : vllym::kStatusDownloadRefused;
    EXPECT_EQ(writing.getCode(), refused) << code;
    EXPECT_EQ(clearing.getCode(), refused) << code;
  }
  holder.releasePersonality(0, false);
  holder.clearFlash(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusNotProvided);
}

struct SignatureCase {
  std::vector<uint32_t> expected;
  std::array<uint32_t, 4> running;
  int64_t code;
};

class SignatureCheck : public KernelSession, public testing::WithParamInterface<SignatureCase> {};

TEST_P(SignatureCheck, AForcedDownloadChecksTheRunningDesign) {
  personality.setSignature(GetParam().running);
  Session session(*state);
  EXPECT_EQ(configure(session, kForce, signatureOf(GetParam().expected)), GetParam().code);
  EXPECT_EQ(state->getPersonalityCount(), GetParam().code == 0 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignatureCheck,
    testing::Values(SignatureCase{{1, 2, 3, 4}, {1, 2, 3, 4}, 0}, SignatureCase{{1, 2, 3, 4}, {1, 2, 3, 5}, -61018},
                    SignatureCase{{1, 2, 3}, {1, 2, 3, 0}, -61018},
                    SignatureCase{{9, 9, 9, 9}, {0xDEADBEEF, 0x5555AAAA, 0x01234567, 0xDEADBEEF}, 0},
                    SignatureCase{{}, {5, 6, 7, 8}, 0}));

TEST_F(KernelSession, ReleaseWithoutAPersonalityCountsNothingAndCloseReleasesEveryOneWithoutAReset) {
  Session holder(*state), idle(*state);
  ASSERT_EQ(configure(holder, 0, expected), 0);
  ASSERT_EQ(configure(holder, kReuse, expected), 0);
  EXPECT_EQ(holder.getPersonalityCount(), 2u);
  idle.releasePersonality(0, true);
  EXPECT_EQ(idle.getPersonalityCount(), 0u);
  EXPECT_EQ(state->getPersonalityCount(), 2u);
  const uint32_t resets = personality.resetWrites();
  holder.close(true);
  EXPECT_EQ(holder.getPersonalityCount(), 0u);
  EXPECT_EQ(state->getPersonalityCount(), 0u);
  EXPECT_EQ(personality.resetWrites(), resets);
  EXPECT_TRUE(holder.getExpectedSignature().empty());
}

// This board has no host memory buffers without a personality naming a
// block, and no peer-to-peer sinks: only the register window maps.
TEST_F(KernelSession, MapsTheRegisterWindowAndRefusesWhatThisBoardLacks) {
  Session session(*state);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  const std::pair<uint32_t, int64_t> cases[] = {{0x1000, 0}, {0x2000, -63193}, {0x4001, -63193}, {0x3000, -52005}};
  for (const auto& [region, code] : cases) {
    nVLAPAL000::tUserMemoryMap map{nullptr, sim::UserMaps::create(sim::FpgaWindow::kSize, 0x7F0000000000, 3), region};
    tStatus result;
    session.mapMemory(descriptor, map, result);
    EXPECT_EQ(result.getCode(), code) << std::hex << region;
    session.unmapMemory(descriptor, map);
  }
  EXPECT_EQ(session.getMemoryMapCount(), 0u);
}

using KernelSessionThreads = KernelSession;

// A holder's close waits for the FPGA lock behind another session's IRQ
// wait without limit; a process holding only a host buffer still unmaps
// it (the region goes from the board) and closes. A watchdog fails a hang.
TEST_F(KernelSessionThreads, AnUnmapAndACloseEndWhileAHoldersCloseWaitsBehindAnIrqWait) {
  model().fpga().placeIrqBlock(kIrq);
  sim::HostMemoryBufferBlock block(model().fpga(), 0x4000, sim::HostMemoryBufferBlock::kIdentitySingle);
  hostBuffers = 0x4000;
  Session waiter(*state), holder(*state), mapper(*state);
  ASSERT_EQ(configure(waiter, 0, expected), 0);
  ASSERT_EQ(configure(holder, kReuse, expected), 0);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  nVLAPAL000::tUserMemoryMap map{nullptr, sim::UserMaps::create(4096, 0x7F0000000000, 3), 0x2000};
  mapper.mapMemory(descriptor, map, status);
  ASSERT_EQ(block.reg(0x004), 1u);
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int tick = 0; tick < 600 && !done; ++tick) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!done) std::abort();
  });
  const int idle = sim::Sync::waitingThreads();
  tStatus waited;
  uint8_t timedOut = 0;
  auto wait = std::async(std::launch::async, [&] { waiter.waitOnIrqs(1u << 31, 0xFFFFFFFF, &timedOut, waited); });
  while (sim::Sync::waitingThreads() == idle) std::this_thread::yield();
  auto close = std::async(std::launch::async, [&] { holder.close(true); });
  while (sim::Sync::waitingThreads() < idle + 2) std::this_thread::yield();
  mapper.unmapMemory(descriptor, map);
  mapper.close(true);
  EXPECT_EQ(block.reg(0x004), 0u);
  EXPECT_EQ(close.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  waiter.abortWaits(-50405, status);
  wait.get();
  EXPECT_EQ(waited.getCode(), -50405);
  close.get();
  EXPECT_EQ(state->getPersonalityCount(), 1u);
  done = true;
  watchdog.join();
}

}  // namespace
}  // namespace vltest
