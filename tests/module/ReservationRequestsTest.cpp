// The reservation requests through the packaged module: two sessions of
// one board, their clients in the simulated idle tracker, every block as
// user mode frames it.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/idletracker/IdleTracker.h"
#include "tests/fpga/SessionWire.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;
using sim::IdleTracker;

constexpr int32_t kReservationCode = static_cast<int32_t>(0xBFFA9178u);
constexpr int32_t kWrongSize = -51009;
constexpr uint32_t kMaxList = 65536;

class ReservationRoad : public ::testing::Test {
 protected:
  ReservationRoad() {
    IdleTracker::reset();
    EXPECT_EQ(rig.add(), 0);
    for (auto& file : files) file = sim::DeviceFile::open(rig.module(), "vl9738_vl9738k");
  }
  ~ReservationRoad() override {
    for (auto& file : files) file.reset();
    rig.remove();
    IdleTracker::reset();
  }

  sim::RequestClient session(int index) { return sim::RequestClient(*files[index]); }
  // Places `text` at `offset` of the caller's memory.
  uint64_t put(uint32_t offset, const std::string& text) {
    std::memcpy(user.data() + offset, text.data(), text.size());
    return user.address() + offset;
  }
  int32_t setDescriptor(int index, const std::string& name) {
    return session(index).call<SetDescriptor>({put(0, name), uint32_t(name.size()), 0}).outStatus();
  }
  int32_t attach(int index, const std::string& name, uint32_t id, uint32_t size = 0) {
    const uint32_t length = size != 0 ? size : uint32_t(name.size());
    return session(index).call<SetDescriptorAndClientID>({put(0, name), length, id, 0}).outStatus();
  }
  uint32_t clientId(int index) { return session(index).call<GetReservationClientID>().out.clientId; }
  // A deploy of the reference-clock source (resource 1) and the cross-switch
  // mode (resource 3), each record as the wire carries it.
  int32_t deploy(int index, uint8_t refClock, uint8_t crossSwitchMode) {
    std::vector<uint8_t> blob(4, 0);
    auto add = [&blob](std::initializer_list<uint32_t> words, std::initializer_list<uint8_t> bytes) {
      for (uint32_t word : words) blob.insert(blob.end(), {uint8_t(word), uint8_t(word >> 8), 0, 0});
      blob.insert(blob.end(), bytes);
    };
    add({1, 0, 0}, {refClock, 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0});
    add({3, 0, 0}, {0, crossSwitchMode});
    std::memcpy(user.data() + 0x400, blob.data(), blob.size());
    return session(index).call<SettingsDeploy>({user.address() + 0x400, uint32_t(blob.size()), 0}).outStatus();
  }
  // Reserves `ids`; the dirtiness words land at 0x300, prefilled with 0xEE.
  sim::TypedReply<Reserve::Out> reserve(int index, std::vector<uint32_t> ids) {
    std::memcpy(user.data() + 0x200, ids.data(), ids.size() * 4);
    std::memset(user.data() + 0x300, 0xEE, 16);
    return session(index).call<Reserve>({uint32_t(ids.size()), user.address() + 0x200, user.address() + 0x300, {}, 0});
  }
  // A deploy of LO0's frequency (resource 4) with tuning word `ftw`, the
  // other fields those of a preset.
  int32_t deployLo0Frequency(int index, uint64_t ftw) {
    vltest::WireBytes record;
    record.u32(0).u32(4);
    record.bytes.insert(record.bytes.end(), 72, 0);
    record.u32(uint32_t(ftw)).u32(uint32_t(ftw >> 32)).u32(9).u32(0).u32(5).u32(0);
    for (uint8_t field : {0, 0, 0xFF, 0x03, 1, 3, 22, 1, 0, 6, 0, 1}) record.u8(field);
    record.bytes.insert(record.bytes.end(), 30, 0);
    std::memcpy(user.data() + 0x400, record.bytes.data(), record.bytes.size());
    return session(index).call<SettingsDeploy>({user.address() + 0x400, uint32_t(record.bytes.size()), 0}).outStatus();
  }
  // The board's own design downloaded through a session of the FPGA
  // interface, as another process would.
  void downloadThroughAnFpgaSession() {
    using namespace nVL9738K_24_0::lymrequests;
    sim::FpgaPersonality design(rig.board().fpga(), 0x10, 0x14, 0x20);
    design.setSignature({0xA1, 0xB2, 0xC3, 0xD4});
    const std::vector<uint8_t> bitfile(4096, 0x5A);
    rig.board().bridge().fpgaLoader().expect(bitfile);
    const auto personality = vltest::userCopyOf(vltest::personalityBlock(1u << 29));
    const auto fifos = vltest::userCopyOf({});
    const auto image = vltest::userCopyOf(bitfile);
    auto fpga = sim::DeviceFile::open(rig.module(), vltest::kFpgaInterface);
    ASSERT_NE(fpga, nullptr);
    const auto configured =
        sim::RequestClient(*fpga).call<ConfigurePersonalityQrt>({.personalityAddress = personality->address(),
                                                                 .personalitySize = 48,
                                                                 .fifoListAddress = fifos->address(),
                                                                 .fifoListSize = 0,
                                                                 .bitfileAddress = image->address(),
                                                                 .bitfileSize = uint32_t(bitfile.size())});
    ASSERT_EQ(configured.outStatus(), 0);
    ASSERT_EQ(configured.out.downloaded, 1);
  }
  std::vector<uint32_t> dirtiness(size_t count) {
    std::vector<uint32_t> words(count);
    std::memcpy(words.data(), user.data() + 0x300, count * 4);
    return words;
  }

  vltest::BoardRig rig;
  std::unique_ptr<sim::DeviceFile> files[3];
  sim::UserBlock user{4096};
};

// Policy ids follow registration: 1 reference clock, 2 cross switch, 3 LO0
// frequency.
TEST_F(ReservationRoad, SessionsReserveCommitAndReleaseSharedSettings) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(setDescriptor(i, "s" + std::to_string(i)), 0);
  const uint32_t a = clientId(0), c = clientId(2);
  ASSERT_EQ(deploy(0, 0, 4), 0);
  ASSERT_EQ(reserve(0, {1, 2}).outStatus(), 0);
  EXPECT_EQ(dirtiness(2), std::vector<uint32_t>({0, 0}));
  user.put<uint32_t>(0x200, 3);
  ASSERT_EQ(session(0).call<SettingsSendMessage>({user.address() + 0x200, 1, 1, 0, 0, 0, 0, 0}).outStatus(), 0);
  ASSERT_EQ(reserve(0, {2}).outStatus(), 0);
  EXPECT_EQ(dirtiness(1), std::vector<uint32_t>({1})) << "the committed mode serves";

  // The reference input conflicts with the holder's onboard clock: the
  // cross switch is given back and the LO0 frequency never asked.
  ASSERT_EQ(deploy(1, 2, 4), 0);
  const auto refused = reserve(1, {2, 1, 3});
  EXPECT_EQ(refused.outStatus(), static_cast<int32_t>(0xBFFA8711u));
  EXPECT_EQ(std::pair(refused.out.errorInfo.failedId, refused.out.errorInfo.conflictingClient), std::pair(1u, a));
  EXPECT_EQ(dirtiness(4), std::vector<uint32_t>({1, 0, 0, 0xEEEEEEEE}));

  // Closing releases everything the first session held; the second holds
  // nothing, so another mode is free.
  files[0]->close();
  ASSERT_EQ(deploy(2, 0, 5), 0);
  EXPECT_EQ(reserve(2, {2}).outStatus(), 0);
  EXPECT_EQ(reserve(1, {1}).outStatus(), 0);

  // A deferred release holds until the tracker finds the client idle.
  user.put<uint32_t>(0x200, 2);
  EXPECT_EQ(session(2).call<DeferReleaseUntilIdle>({1, 1, user.address() + 0x200, 0}).outStatus(), 0);
  const auto held = reserve(1, {2});
  EXPECT_EQ(held.outStatus(), static_cast<int32_t>(0xBFFA9196u));
  EXPECT_EQ(held.out.errorInfo.conflictingClient, c);
  IdleTracker::setIdle(c, true);
  EXPECT_EQ(reserve(1, {2}).outStatus(), 0);
}

TEST_F(ReservationRoad, WithoutAClientEveryRequestAnswersNoClientAndItsSeededWords) {
  auto first = session(0);
  EXPECT_EQ(first.call<GetReservationClientID>({.clientId = 0x1234, .status = 0}).out.clientId, 0x1234u);
  const auto reserve = first.call<Reserve>({1, 0, 0, {5, 6}, 0});
  EXPECT_EQ(reserve.outStatus(), -52010);
  EXPECT_EQ(reserve.out.errorInfo.failedId, 5u);
  EXPECT_EQ(reserve.out.errorInfo.conflictingClient, 6u);
  EXPECT_EQ(first.call<FindReservationPolicyIDDescriptor>({1, 0, 9, 0}).out.length, 9u);
  EXPECT_EQ(first.call<ReleaseIdleResources>().outStatus(), -52010);
  EXPECT_EQ(first.call<ReserveCache>().out.result, 0u);
}

TEST_F(ReservationRoad, ASecondDescriptorIsRefusedAndTheFirstClientAnswers) {
  ASSERT_EQ(setDescriptor(0, "first"), 0);
  const uint32_t id = clientId(0);
  EXPECT_TRUE(IdleTracker::exists(id));
  EXPECT_EQ(setDescriptor(0, "other"), -52031);
  EXPECT_EQ(clientId(0), id);
  auto first = session(0);
  for (uint32_t capacity : {4u, 5u}) {
    std::memset(user.data() + 0x100, '#', 8);
    const auto reply = first.call<FindReservationClientIDDescriptor>({id, user.address() + 0x100, capacity, 0});
    const bool fits = capacity == 5;
    EXPECT_EQ(reply.outStatus(), fits ? 0 : kReservationCode);
    EXPECT_EQ(reply.out.length, fits ? 5u : 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(user.data() + 0x100), 8), fits ? "first###" : "########");
  }
  const auto cache = first.call<ReserveCache>();
  EXPECT_EQ(cache.outStatus(), 0);
  EXPECT_EQ(cache.out.result, 1u);
  EXPECT_EQ(cache.out.errorInfo.failedId | cache.out.errorInfo.conflictingClient, 0u);
}

TEST_F(ReservationRoad, NamesAreFoundByExactlyTheirBytesAndLongOnesAreNotReadWhole) {
  ASSERT_EQ(setDescriptor(0, "first"), 0);
  auto first = session(0);
  const uint64_t engine = put(0x100, std::string("Generation Engine") + '\0');
  for (uint32_t size : {17u, 18u, 0x100000u}) {
    const auto reply = first.call<FindDeviceActivityContextID>({engine, size, 77, 0});
    EXPECT_EQ(reply.out.contextId, size == 17 ? 2u : 0u) << size;
    EXPECT_EQ(reply.outStatus(), size == 17 ? 0 : kReservationCode) << size;
  }
  EXPECT_EQ(first.call<FindDeviceActivityContextID>({put(0x100, "Acquisition Engine"), 18, 0, 0}).out.contextId, 1u);
  // A descriptor far longer than the caller's memory is refused as too
  // long, not read to its end.
  EXPECT_EQ(attach(1, std::string(300, 'x'), clientId(0), 0x100000u), kReservationCode);
}

TEST_F(ReservationRoad, ARefusedListNamesTheUnknownPolicyAndBoundsComeBeforeCopies) {
  ASSERT_EQ(setDescriptor(0, "first"), 0);
  const auto reply = reserve(0, {99});
  EXPECT_EQ(reply.outStatus(), kReservationCode);
  EXPECT_EQ(std::pair(reply.out.errorInfo.failedId, reply.out.errorInfo.conflictingClient), std::pair(99u, 0u));
  EXPECT_EQ(dirtiness(2), std::vector<uint32_t>({0, 0xEEEEEEEE}));

  // A refused count reads no more user memory than an empty list does.
  auto first = session(0);
  auto copiesOf = [&](auto call) {
    const uint64_t before = sim::UserMemory::inboundCopies();
    call();
    return sim::UserMemory::inboundCopies() - before;
  };
  const uint64_t framing = copiesOf([&] { first.call<SetReservationCache>({0, user.address(), 0}); });
  EXPECT_EQ(copiesOf([&] {
              EXPECT_EQ(first.call<SetReservationCache>({0xFFFFFFFFu, user.address(), 0}).outStatus(), -52005);
            }),
            framing);
  EXPECT_EQ(copiesOf([&] {
              EXPECT_EQ(first.call<Release>({kMaxList + 1, user.address(), 0}).outStatus(), -52005);
            }),
            framing);
  // One byte short: refused by the frame before the list is looked at.
  std::memset(user.data() + 0x300, 0xEE, 16);
  const Reserve::In in{1, user.address() + 0x200, user.address() + 0x300, {}, 0};
  std::vector<uint8_t> block(reinterpret_cast<const uint8_t*>(&in), reinterpret_cast<const uint8_t*>(&in) + 39);
  EXPECT_EQ(files[0]->ioctl({Reserve::kCode, block, sizeof(Reserve::Out), 0}).status, kWrongSize);
  EXPECT_EQ(dirtiness(1), std::vector<uint32_t>({0xEEEEEEEE}));
}

TEST_F(ReservationRoad, AFailedAttachTakesNothingFromTheHolderAndTheSessionMayRetry) {
  ASSERT_EQ(setDescriptor(0, "a"), 0);
  const uint32_t a = clientId(0);
  ASSERT_EQ(deploy(0, 0, 4), 0);
  ASSERT_EQ(reserve(0, {2}).outStatus(), 0);
  EXPECT_EQ(attach(1, std::string(300, 'x'), a), kReservationCode);
  EXPECT_EQ(attach(1, "ghost", a + 9), IdleTracker::kUnknownIdCode);
  IdleTracker::faults(IdleTracker::Call::kCreate).failNth(1, -52013);
  EXPECT_EQ(setDescriptor(1, "b"), -52013);
  EXPECT_EQ(session(1).call<GetReservationClientID>().outStatus(), -52010);
  EXPECT_EQ(IdleTracker::holders(a), 1u);
  // The refused id left no name behind, and the holder still holds.
  EXPECT_EQ(session(0).call<FindReservationClientIDDescriptor>({a + 9, user.address(), 8, 0}).outStatus(),
            kReservationCode);
  ASSERT_EQ(setDescriptor(2, "c"), 0);
  ASSERT_EQ(deploy(2, 0, 5), 0);
  EXPECT_EQ(reserve(2, {2}).out.errorInfo.conflictingClient, a);

  EXPECT_EQ(attach(1, "b", a), 0);
  EXPECT_EQ(clientId(1), a);
  EXPECT_EQ(IdleTracker::holders(a), 2u);
  files[1]->close();
  EXPECT_EQ(IdleTracker::holders(a), 1u);
  files[0]->close();
  EXPECT_FALSE(IdleTracker::exists(a));
}

TEST_F(ReservationRoad, AStaleSessionLosesItsClientAtItsNextRequest) {
  ASSERT_EQ(setDescriptor(0, "a"), 0);
  const uint32_t a = clientId(0);
  ASSERT_EQ(session(1).call<ResetDevice>().outStatus(), 0);
  EXPECT_TRUE(IdleTracker::exists(a));
  EXPECT_EQ(session(0).call<GetReservationClientID>().outStatus(), static_cast<int32_t>(0xBFFA9179u));
  EXPECT_FALSE(IdleTracker::exists(a));
}

// A download powers the board up with its defaults: a hold of a session it
// made stale protects nothing, and that session may never send another
// request. What it held goes with the download, and what it committed no
// longer serves.
TEST_F(ReservationRoad, WhatASessionADownloadMadeStaleHeldGoesWithTheDownload) {
  constexpr int32_t kHeld = static_cast<int32_t>(0xBFFA9196u);
  ASSERT_EQ(setDescriptor(0, "a"), 0);
  const uint32_t a = clientId(0);
  ASSERT_EQ(deployLo0Frequency(0, 0x2AAAAAAAAAAAull), 0);
  ASSERT_EQ(reserve(0, {3}).outStatus(), 0);
  user.put<uint32_t>(0x200, 4);
  ASSERT_EQ(session(0).call<SettingsSendMessage>({user.address() + 0x200, 1, 1, 0, 0, 0, 0, 0}).outStatus(), 0);
  downloadThroughAnFpgaSession();
  EXPECT_FALSE(IdleTracker::exists(a)) << "the stale client outlived the download";

  for (int i : {1, 2}) files[i] = sim::DeviceFile::open(rig.module(), vltest::kMainInterface);
  ASSERT_EQ(setDescriptor(1, "b"), 0);
  const uint32_t b = clientId(1);
  ASSERT_EQ(deployLo0Frequency(1, 0x8E38E38E38E3ull), 0);
  const auto granted = reserve(1, {3});
  EXPECT_EQ(granted.outStatus(), 0) << "refused naming client " << granted.out.errorInfo.conflictingClient;

  EXPECT_EQ(session(0).call<GetReservationClientID>().outStatus(), vltest::kStaleSession);
  files[0]->close();
  ASSERT_EQ(setDescriptor(2, "c"), 0);
  ASSERT_EQ(deployLo0Frequency(2, 0x2AAAAAAAAAAAull), 0);
  const auto refused = reserve(2, {3});
  EXPECT_EQ(refused.outStatus(), kHeld) << "the stale session's close released the new holder";
  EXPECT_EQ(std::pair(refused.out.errorInfo.failedId, refused.out.errorInfo.conflictingClient), std::pair(3u, b));
  files[1]->close();
  ASSERT_EQ(reserve(2, {3}).outStatus(), 0);
  EXPECT_EQ(dirtiness(1), std::vector<uint32_t>({0})) << "the download put the frequency back to its default";
}

}  // namespace
