// Notifier messages on the kernel socket, alone and through the notifier
// requests of an open session.
#include <gtest/gtest.h>

#include "TestDevice.h"
#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/tIONotifier.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tIONotifier;
using nVLAPALS100::tStatus;
using sim::KernelSockets;
using vltest::Site;
using vltest::siteOf;
using vltest::statusAfter;
using Bytes = std::vector<uint8_t>;

constexpr uint64_t kId = 0x1122334455667788ull;
constexpr uint32_t kPort = 4711;

// The wire image of a message, written out field by field.
Bytes message(uint64_t id, std::initializer_list<std::pair<size_t, uint32_t>> words, const Bytes& payload = {}) {
  Bytes bytes(48, 0);
  for (size_t i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(id >> (8 * i));
  for (const auto& [offset, word] : words) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(word >> (8 * i));
  }
  std::copy(payload.begin(), payload.end(), bytes.begin() + 12);
  return bytes;
}

class IONotifier : public testing::Test {
 protected:
  IONotifier() {
    EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { notifier.initialize({kId, kPort}, s); }), 0);
  }

  tIONotifier notifier;
};

TEST_F(IONotifier, PayloadOfUpToThirtyTwoBytesIsSentAndTheRestOfTheMessageIsZero) {
  Bytes payload(32);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(0xA0 + i);
  tStatus status;
  notifier.notify(payload.data(), 32, status);
  notifier.notify(payload.data(), 3, status);
  EXPECT_EQ(status.getCode(), 0);
  const auto sent = KernelSockets::sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].port, kPort);
  EXPECT_EQ(sent[0].type, tIONotifier::kTypeNotification);
  EXPECT_EQ(sent[0].bytes, message(kId, {{8, 32}}, payload));
  EXPECT_EQ(sent[1].bytes, message(kId, {{8, 3}}, Bytes(payload.begin(), payload.begin() + 3)));
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 1) << "the sent buffers belong to the kernel layer";
}

// Each failure leaves nothing sent and the notifier usable.
TEST_F(IONotifier, FailuresToNotifyAreRecordedAtTheirSites) {
  const Bytes payload(33, 0xFF);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { notifier.notify(payload.data(), 33, s); })),
            (Site{nVLAPALS100::kStatusInvalidParameter, nVLAPAL000::sites::kIONotifier, 48}));
  KernelSockets::sendFaults().failNth(1, -51400);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { notifier.notify(nullptr, 0, s); })),
            (Site{nVLAPALS100::kStatusTimeout, nVLAPAL000::sites::kIONotifier, 70}));
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 1) << "the fresh buffer is returned";
  KernelSockets::bufferCreationFaults().failNth(1, 0);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { notifier.notify(nullptr, 0, s); })),
            (Site{nVLAPALS100::kStatusOutOfMemory, nVLAPAL000::sites::kIONotifier, 58}));
  tStatus failed;
  failed.setCode(-52010, VL_SITE);
  notifier.notify(nullptr, 0, failed);
  EXPECT_TRUE(KernelSockets::sent().empty());
  EXPECT_TRUE(notifier.isInitialized());
  KernelSockets::sendFaults().failNth(1, -51001);  // a refused closed message still returns the buffer
  notifier.close();
  EXPECT_FALSE(notifier.isInitialized());
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 0);
}

// Closing twice sends one closed message; the id stays, the port goes.
TEST_F(IONotifier, InitialisingAgainMovesToTheNewListenerAndClosingSaysSoOnce) {
  tStatus status;
  notifier.initialize({kId + 1, kPort + 1}, status);
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 1);
  notifier.close();
  notifier.close();
  const auto sent = KernelSockets::sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, tIONotifier::kTypeClosed);
  EXPECT_EQ(sent[0].port, kPort + 1);
  EXPECT_EQ(sent[0].bytes, message(kId + 1, {}));
  EXPECT_FALSE(notifier.isInitialized());
  EXPECT_EQ(notifier.getId(), kId + 1);
  EXPECT_EQ(notifier.getPort(), 0u);
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 0);
}

TEST(IONotifierLifetime, OnlyAnInitialisedNotifierHoldsABufferAndSaysItCloses) {
  {
    tIONotifier uninitialised;
    uninitialised.close();
    EXPECT_EQ(uninitialised.getId(), 0u);
    KernelSockets::bufferCreationFaults().failNth(1, 0);
    tIONotifier unbuffered;
    EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) {
                unbuffered.initialize({kId, kPort}, s);
              })),
              (Site{nVLAPALS100::kStatusOutOfMemory, nVLAPAL000::sites::kIONotifier, 17}));
    EXPECT_FALSE(unbuffered.isInitialized());
    EXPECT_EQ(unbuffered.getId(), 0u);
    tIONotifier destroyed;
    tStatus status;
    destroyed.initialize({kId, kPort}, status);
    EXPECT_EQ(KernelSockets::outstandingBuffers(), 1);
  }
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 0);
  EXPECT_TRUE(KernelSockets::sent().empty());
}

class NotifierRequests : public testing::Test {
 protected:
  vltest::TestBoard board{true};
  std::unique_ptr<sim::DeviceFile> file = board.open();

  vltest::TestSession& session() { return *static_cast<vltest::TestSession*>(file->session()); }
  vltest::NotifyingTestDevice& device() { return static_cast<vltest::NotifyingTestDevice&>(board.device()); }
};

TEST_F(NotifierRequests, CreatedNotifierSendsToTheListenerAndDestroyClosesItOnce) {
  ASSERT_EQ(file->createNotifier(kId, kPort, vltest::kNotifierKind), 0);
  ASSERT_TRUE(session().notifier.isInitialized());
  tStatus status;
  session().notifier.notify(nullptr, 0, status);
  EXPECT_EQ(file->destroyNotifier(vltest::kNotifierKind), 0);
  EXPECT_EQ(file->destroyNotifier(vltest::kNotifierKind), 0);
  const auto sent = KernelSockets::sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, message(kId, {{8, 0}}));
  EXPECT_EQ(sent[1].type, tIONotifier::kTypeClosed);
  EXPECT_EQ(sent[1].port, kPort);
}

TEST_F(NotifierRequests, UnreadableCreationBlockStillReachesTheDeviceAsInvalidParameter) {
  EXPECT_EQ(file->ioctlRaw(sim::DeviceFile::kCreateNotifier, 0x40), -51009);
  EXPECT_EQ(device().creations(), 1);
  EXPECT_EQ(device().statusSeenAtCreation(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_FALSE(session().notifier.isInitialized());
}

TEST(NotifierRequestsUnsupported, CreateIsNotSupportedAndDestroyAlwaysSucceeds) {
  vltest::TestBoard board;
  auto file = board.open();
  EXPECT_EQ(file->createNotifier(kId, kPort, vltest::kNotifierKind), -51256);
  EXPECT_EQ(file->destroyNotifier(vltest::kNotifierKind), 0);
  EXPECT_EQ(file->destroyNotifier(0x1234), 0);
  EXPECT_EQ(file->ioctlRaw(sim::DeviceFile::kCreateNotifier, 0x40), -51009) << "the failed copy comes first";
  EXPECT_TRUE(KernelSockets::sent().empty());
  EXPECT_EQ(KernelSockets::outstandingBuffers(), 0);
}

}  // namespace
