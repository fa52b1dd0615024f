// A request that waits without limit (an IRQ wait, a FIFO acquire, a
// settling wait) on one thread, while other threads give the FIFO back,
// release the personality, configure, abort, reset the design or the device,
// or remove the board: every one of them ends, and the waiter answers the
// abort code (the settling wait: the closed gate). A writer left pending
// (or a close) behind the waiter holds up neither the abort nor other
// sessions' requests, nor the closes of sessions that hold nothing or only
// a FIFO.
// A watchdog ends the process rather than let a deadlock hang the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Sync.h"
#include "tests/fpga/SessionWire.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::lymrequests;
namespace rq = nVL9738K_24_0::requests;

constexpr int32_t kWaitAborted = -50405;
constexpr uint32_t kForever = 0xFFFFFFFF;
constexpr uint32_t kFromDevice = 1;
constexpr uint64_t kOwner = 5;
constexpr uint32_t kControl = 0x100, kReset = 0x104, kSignature = 0x108, kIrq = 0x200, kFifoControl = 0x440;

enum class Waiter { kIrq, kFifo, kSettling };
// What another thread does while the waiter waits: a pending step may block
// until the ending step ends the wait; the ending step ends it.
enum class Step {
  kNone,
  kUnreserve,
  kRelease,
  kConfigure,
  kClose,
  kAbortWaits,
  kAbort,
  kDesignReset,
  kDeviceReset,
  kRemoval
};

struct Case {
  const char* name;
  Waiter waiter;
  Step pending;
  Step ender;
};

const Case kCases[] = {
    {"FifoUnreserve", Waiter::kFifo, Step::kNone, Step::kUnreserve},
    {"FifoConfigureThenUnreserve", Waiter::kFifo, Step::kConfigure, Step::kUnreserve},
    {"FifoRelease", Waiter::kFifo, Step::kNone, Step::kRelease},
    {"IrqReleaseThenAbortWaits", Waiter::kIrq, Step::kRelease, Step::kAbortWaits},
    {"IrqCloseThenAbortWaits", Waiter::kIrq, Step::kClose, Step::kAbortWaits},
    {"IrqConfigureThenDeviceReset", Waiter::kIrq, Step::kConfigure, Step::kDeviceReset},
    {"FifoConfigureThenAbort", Waiter::kFifo, Step::kConfigure, Step::kAbort},
    {"IrqDesignReset", Waiter::kIrq, Step::kNone, Step::kDesignReset},
    {"FifoDeviceReset", Waiter::kFifo, Step::kNone, Step::kDeviceReset},
    {"IrqRemoval", Waiter::kIrq, Step::kNone, Step::kRemoval},
    {"FifoConfigureThenRemoval", Waiter::kFifo, Step::kConfigure, Step::kRemoval},
    {"SettlingDeviceReset", Waiter::kSettling, Step::kNone, Step::kDeviceReset},
    {"SettlingRemoval", Waiter::kSettling, Step::kNone, Step::kRemoval},
};

template <class Condition>
void waitUntil(Condition condition) {
  while (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class FpgaWaitsThreads : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    sim::Clock::instance().setMode(sim::Clock::Mode::Virtual);
    design_ = std::make_unique<sim::FpgaPersonality>(board_.fpga(), kControl, kReset, kSignature);
    design_->setSignature({1, 2, 3, 4});
    board_.fpga().placeIrqBlock(kIrq);
    board_.fpga().addFifo(0x400, 0, sim::FpgaWindow::FifoDirection::HostToDevice);
    board_.fpga().addFifo(kFifoControl, kFromDevice, sim::FpgaWindow::FifoDirection::DeviceToHost);
    module_ = sim::Module::enter(&nVLAPAL200_driverEntry);
    const nVLZUK_tPCIDeviceDescription description = board_.description();
    ASSERT_EQ(module_->record().addDevice(&description, nullptr, &slot_), 0);
    for (auto* file : {&waiterFile_, &otherFile_}) *file = sim::DeviceFile::open(*module_, vltest::kFpgaInterface);
    mainFile_ = sim::DeviceFile::open(*module_, vltest::kMainInterface);
    ASSERT_TRUE(waiterFile_ && otherFile_ && mainFile_);
    watchdog_ = std::thread([this] {
      for (int tick = 0; tick < 1200 && !done_; ++tick) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (done_) return;
      std::fprintf(stderr, "%s: a wait was never ended, or held up what should end it\n", GetParam().name);
      std::abort();
    });
  }
  void TearDown() override {
    done_ = true;
    watchdog_.join();
    for (auto* file : {&waiterFile_, &otherFile_, &mainFile_}) {
      if ((*file)->isOpen()) (*file)->close();
    }
    if (!removed_) module_->record().removeDevice(slot_);
    module_->record().deleteDevice(slot_);
    module_->unload();
    sim::Clock::instance().reset();
  }

  int32_t configure(sim::DeviceFile& file) {
    vltest::WireBytes block;
    for (uint32_t w : {kControl, kReset, kIrq, kSignature, 0xFFFFFFFFu, 0u, 0u, 0xFFFF0001u, 1u, 2u, 3u, 4u})
      block.u32(w);
    const auto personality = vltest::userCopyOf(block.bytes);
    const auto fifos = vltest::userCopyOf(vltest::fifoList(
        {{.number = 0, .direction = 1, .control = 0x400}, {.number = kFromDevice, .control = kFifoControl}}));
    sim::UserBlock bitfile(64);
    return sim::RequestClient(file)
        .call<ConfigurePersonalityQrt>({.personalityAddress = personality->address(),
                                        .personalitySize = 48,
                                        .fifoListAddress = fifos->address(),
                                        .fifoListSize = 2 * 37,
                                        .bitfileAddress = bitfile.address(),
                                        .bitfileSize = 64})
        .outStatus();
  }
  // The waiter's answer.
  int32_t wait(Waiter waiter) {
    sim::RequestClient client(waiter == Waiter::kSettling ? *mainFile_ : *waiterFile_);
    switch (waiter) {
      case Waiter::kIrq:
        return client.call<WaitOnIrqs>({.irqMask = 1u << 31, .timeoutMs = kForever}).outStatus();
      case Waiter::kFifo:
        return client
            .call<AcquireFifoBytes>({.ownerId = kOwner, .fifo = kFromDevice, .bytes = 64, .timeoutMs = kForever})
            .outStatus();
      case Waiter::kSettling: {
        const auto ids = vltest::userCopyOf(vltest::WireBytes().u32(4).bytes);
        const auto input = vltest::userCopyOf(vltest::WireBytes().u32(kForever).u32(0).bytes);
        return client.call<rq::SettingsSendMessage>({ids->address(), 1, 11, input->address(), 8, 0, 0, 0}).outStatus();
      }
    }
    return 0;
  }
  // The step's answer, 0 for those without one. What a pending step
  // answers depends on what ended the wait, and is not checked.
  int32_t run(Step step) {
    sim::RequestClient waiter(*waiterFile_), other(*otherFile_);
    switch (step) {
      case Step::kUnreserve:
        return waiter.call<UnreserveFifo>({.ownerId = kOwner, .fifo = kFromDevice}).outStatus();
      case Step::kRelease: {
        sim::DeviceFile::Request request{.code = ReleasePersonality::kCode, .input = std::vector<uint8_t>(16, 0)};
        request.input[8] = 1;  // reset when last
        return waiterFile_->ioctl(request).status;
      }
      case Step::kConfigure:
        return configure(*otherFile_);
      case Step::kClose:
        otherFile_->close();
        return 0;
      case Step::kAbortWaits:
        return waiter.call<AbortWaits>({}).outStatus();
      case Step::kAbort:
        return other.call<Abort>({}).outStatus();
      case Step::kDesignReset:
        return other.call<Reset>({}).outStatus();
      case Step::kDeviceReset:
        return sim::RequestClient(*mainFile_).call<rq::ResetDevice>({}).outStatus();
      case Step::kRemoval:
        module_->record().removeDevice(slot_);
        removed_ = true;
        return 0;
      case Step::kNone:
        break;
    }
    return 0;
  }

  sim::Board board_;
  std::unique_ptr<sim::FpgaPersonality> design_;
  std::unique_ptr<sim::Module> module_;
  void* slot_ = nullptr;
  std::unique_ptr<sim::DeviceFile> waiterFile_, otherFile_, mainFile_;
  std::thread watchdog_;
  std::atomic<bool> done_{false};
  bool removed_ = false;
};

TEST_P(FpgaWaitsThreads, EveryStepEndsAndTheWaiterAnswersTheAbort) {
  const Case& c = GetParam();
  ASSERT_EQ(configure(*waiterFile_), 0);
  // A session that closes holding a personality gives it back under the
  // FPGA lock; the bystanders hold nothing and only a FIFO.
  sim::UserBlock ring(4096), outbound(4096);
  std::unique_ptr<sim::DeviceFile> bystanders[2];
  if (c.pending == Step::kClose) {
    ASSERT_EQ(configure(*otherFile_), 0);
    for (auto& file : bystanders) file = sim::DeviceFile::open(*module_, vltest::kFpgaInterface);
    ASSERT_EQ(
        sim::RequestClient(*bystanders[1])
            .call<DeployFifoSettings>(
                {.ownerId = kOwner, .fifo = 0, .bufferAddress = outbound.address(), .bufferSize = 4096, .mode = 2})
            .outStatus(),
        0);
  }
  if (c.waiter == Waiter::kFifo) {
    sim::RequestClient client(*waiterFile_);
    ASSERT_EQ(client
                  .call<DeployFifoSettings>({.ownerId = kOwner,
                                             .fifo = kFromDevice,
                                             .bufferAddress = ring.address(),
                                             .bufferSize = ring.size(),
                                             .mode = 2})
                  .outStatus(),
              0);
    ASSERT_EQ(client.call<StartFifo>({.ownerId = kOwner, .fifo = kFromDevice}).outStatus(), 0);
  }
  if (c.waiter == Waiter::kSettling) {
    sim::TimerBlockModel& timers = board_.timingEngine(sim::TimingEngineSubtree::kGenerationUid)->timer();
    for (unsigned timer = 0; timer < sim::TimerBlockModel::kSettlingTimerBases.size(); ++timer)
      timers.setValue(timers.settlingTimer(timer, 1), 0);
  }

  // The waiter is in its wait once it sleeps on an event, or once its
  // settling poll has moved the virtual clock on.
  const int idle = sim::Sync::waitingThreads();
  const uint64_t before = sim::Clock::instance().nowNs();
  auto waiter = std::async(std::launch::async, [&] { return wait(c.waiter); });
  if (c.waiter == Waiter::kSettling) {
    waitUntil([&] { return sim::Clock::instance().nowNs() - before > 5'000'000; });
  } else {
    waitUntil([&] { return sim::Sync::waitingThreads() > idle; });
  }
  std::future<int32_t> pending;
  if (c.pending != Step::kNone) {
    pending = std::async(std::launch::async, [&] { return run(c.pending); });
    waitUntil([&] { return sim::Sync::waitingThreads() > idle + 1; });
    // A writer pending behind the waiter keeps no other session out.
    EXPECT_EQ(sim::RequestClient(*mainFile_).call<rq::CycleFrequency>({}).outStatus(), 0);
    // Nor does a close: the others end, the personality's still waits.
    for (auto& file : bystanders) {
      if (file) file->close();
    }
    EXPECT_EQ(pending.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  }
  auto ender = std::async(std::launch::async, [&] { return run(c.ender); });
  EXPECT_EQ(waiter.get(), c.waiter == Waiter::kSettling ? vltest::kGateClosed : kWaitAborted);
  EXPECT_EQ(ender.get(), 0);
  // Device resets end the FIFO waits (the acquire's above) beside another
  // session setting FIFO 0 up in whole-buffer mode until it is refused as
  // stale or at the gate, again and again: only some ends meet a change.
  for (int round = 0; c.ender == Step::kDeviceReset && c.waiter == Waiter::kFifo && round < 32; ++round) {
    const auto churner = sim::DeviceFile::open(*module_, vltest::kFpgaInterface);
    const auto resetter = sim::DeviceFile::open(*module_, vltest::kMainInterface);
    ASSERT_EQ(configure(*churner), 0);
    std::atomic<uint32_t> churns{0};
    const DeployFifoSettings::In whole{
        .ownerId = 9, .fifo = 0, .bufferAddress = outbound.address(), .bufferSize = 4096, .mode = 1};
    auto churned = std::async(std::launch::async, [&] {
      for (sim::RequestClient client(*churner);; ++churns) {
        const int32_t answer = client.call<DeployFifoSettings>(whole).outStatus();
        if (answer == vltest::kStaleSession || answer == vltest::kGateClosed) return;
      }
    });
    waitUntil([&] { return churns > 2; });
    EXPECT_EQ(sim::RequestClient(*resetter).call<rq::ResetDevice>({}).outStatus(), 0);
    churned.get();
  }
  if (pending.valid()) pending.get();
}

INSTANTIATE_TEST_SUITE_P(Steps, FpgaWaitsThreads, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
