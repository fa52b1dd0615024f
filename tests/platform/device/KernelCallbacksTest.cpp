// Requests, opens, maps and notifiers from the user-mode side, through the
// kernel-layer entries of the linked driver, into the test device.
#include <gtest/gtest.h>

#include "TestDevice.h"
#include "sim/kernel/Kernel.h"

namespace {

using sim::DeviceFile;

constexpr int32_t kZukInvalidParameter = -51009;
constexpr int32_t kZukNotSupported = -51256;
constexpr int32_t kZukOutOfMemory = -51352;

class DeviceRequests : public testing::Test {
 protected:
  std::unique_ptr<DeviceFile> openFile() {
    int32_t result = 1;
    auto file = board.open(&result);
    EXPECT_EQ(result, 0);
    return file;
  }

  vltest::TestBoard board;
};

TEST_F(DeviceRequests, UnreadableHeaderReturnsTheKernelCodeAndReachesNoDecoder) {
  auto file = openFile();
  EXPECT_EQ(file->ioctlRaw(vltest::kCodeGated, 0x10), sim::UserMemory::kCopyFault);
  sim::UserMemory::inboundCopyFaults().failNth(1, -51352);
  EXPECT_EQ(vltest::gatedRequest(*file, 1).status, -51352);
  EXPECT_EQ(board.device().interface().decodes(), 0);
}

TEST_F(DeviceRequests, RequestWithoutOutputLeavesTheResultFieldAsTheCallerSetIt) {
  auto file = openFile();
  DeviceFile::Request request;
  request.code = vltest::kCodeSilent;
  request.resultField = 0x5A5A;
  const uint64_t copiesOut = sim::UserMemory::outboundCopies();
  const DeviceFile::Reply reply = file->ioctl(request);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.resultField, 0x5A5A);
  EXPECT_EQ(sim::UserMemory::outboundCopies(), copiesOut);
  EXPECT_EQ(board.device().interface().decodes(), 1);
}

TEST_F(DeviceRequests, ReadFillsTheCallersBlockThroughTheKernelCopyAndWriteIsRefused) {
  auto file = openFile();
  sim::UserBlock block(6);
  const DeviceFile::Transfer transfer = file->read(block);
  EXPECT_EQ(transfer.status, 0);
  EXPECT_EQ(transfer.count, 6u);
  EXPECT_EQ(std::vector<uint8_t>(block.data(), block.data() + 6), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5}));
  sim::UserMemory::outboundCopyFaults().failNth(1, kZukInvalidParameter);
  EXPECT_EQ(file->read(block).status, kZukInvalidParameter);
  const DeviceFile::Transfer written = file->write(block);  // not supported by default
  EXPECT_EQ(written.status, kZukNotSupported);
  EXPECT_EQ(written.count, 0u);
}

TEST_F(DeviceRequests, OpenThatCannotAllocateASessionFailsWithOutOfMemory) {
  sim::Memory::allocationFaults().failNth(1, 0);
  int32_t result = 0;
  EXPECT_EQ(board.open(&result), nullptr);
  EXPECT_EQ(result, kZukOutOfMemory);
  EXPECT_EQ(board.device().getOpenSessionCount(), 0u);
}

TEST_F(DeviceRequests, QuiesceThatRefusesWhileOpenLeavesTheDeviceReady) {
  auto file = openFile();
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  nVLAPALS100::tStatus status;
  EXPECT_FALSE(board.device().changeState(descriptor, nVLAPAL000::kPnPStateIOSuspended, 2, true, status));
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.device().getState(), nVLAPAL000::kPnPStateReady);
  EXPECT_EQ(board.device().getGate(), nVLAPAL000::kGateOpen);
  const vltest::GatedReply reply = vltest::gatedRequest(*file, 3);
  EXPECT_EQ(reply.outStatus, 0);
  EXPECT_EQ(reply.inFlight, 1u) << "admitted, and counted out again";
  EXPECT_EQ(board.device().getInFlightCount(), 0u);
  file.reset();
  EXPECT_TRUE(board.device().changeState(descriptor, nVLAPAL000::kPnPStateIOSuspended, 2, true, status));
  EXPECT_EQ(board.device().getGate(), nVLAPAL000::kGateSuspended);
}

TEST_F(DeviceRequests, SuspendedGateWaitThatRunsOutOrIsInterruptedFailsInsteadOfWaitingAgain) {
  auto file = openFile();
  board.device().setGate(nVLAPAL000::kGateSuspended);
  board.device().setAdmissionTimeout(50);
  const uint64_t before = sim::Clock::instance().nowNs();
  EXPECT_EQ(vltest::gatedRequest(*file, 1).outStatus, nVLAPALS100::kStatusTimeout);
  EXPECT_GE(sim::Clock::instance().nowNs() - before, 50'000'000u);
  board.device().setAdmissionTimeout(nVLAPAL000::kWaitForever);
  sim::Sync::interruptNextWait();
  EXPECT_EQ(vltest::gatedRequest(*file, 1).outStatus, nVLAPALS100::kStatusInterrupted);
  EXPECT_EQ(board.device().getInFlightCount(), 0u);
}

TEST_F(DeviceRequests, RemoveWithdrawsPropertiesWalksToNotPresentAndDropsInterfacesLastFirst) {
  const auto interfaces = sim::DeviceRegistry::interfaces();
  ASSERT_EQ(interfaces.size(), 2u);
  ASSERT_FALSE(sim::DeviceRegistry::properties().empty());
  board.remove();
  EXPECT_TRUE(sim::DeviceRegistry::properties().empty());
  EXPECT_EQ(sim::DeviceRegistry::unregisteredInterfaces(),
            (std::vector<uint64_t>{interfaces[1].handle, interfaces[0].handle}));
  EXPECT_EQ(board.device().getState(), nVLAPAL000::kPnPStateNotPresent);
  EXPECT_EQ(board.device().transitions(), (std::vector<std::string>{"quiesce", "stop", "markNotPresent"}));
  EXPECT_EQ(sim::DeviceRegistry::strayUnregistrations(), 0u);
}

TEST_F(DeviceRequests, RemoveOfADeviceAlreadyNotPresentDoesNothing) {
  board.remove();
  board.device().clearTransitions();
  board.remove();
  EXPECT_TRUE(board.device().transitions().empty());
  EXPECT_EQ(sim::DeviceRegistry::unregisteredInterfaces().size(), 2u);
  EXPECT_EQ(sim::DeviceRegistry::strayUnregistrations(), 0u);
}

}  // namespace
