#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/rf/policies/ReservationTokenSet.h"
#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationIoctlImpl.h"
#include "driver/rf/reservation/ReservationRequestTable.h"
#include "sim/idletracker/IdleTracker.h"
#include "sim/kernel/UserMemory.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using nVLAPALS100::tStatus;
using reservationHal::ReservationSessionSlot;
using sim::IdleTracker;
using Words = std::vector<uint32_t>;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);

// An in-block under construction; the caller's status word stays 0.
struct Block {
  explicit Block(uint32_t size) : bytes(size, 0) {}
  template <typename T>
  Block& set(uint32_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof(T));
    return *this;
  }
  Block& u32(uint32_t offset, uint32_t value) { return set(offset, value); }
  Block& at(uint32_t offset, const void* address) { return set(offset, reinterpret_cast<uint64_t>(address)); }
  std::vector<uint8_t> bytes;
};

class ReservationIoctlImplTest : public testing::Test {
 protected:
  static constexpr uint32_t kDirtiness = 0xC00;

  ReservationIoctlImplTest() {
    IdleTracker::reset();
    policies.registerPolicies(resources.reservations(), status);
    resources.activities().registerDeviceActivity(&acquisition, status);
    resources.activities().registerDeviceActivity(&generation, status);
  }
  ~ReservationIoctlImplTest() override {
    first.close();
    second.close();
    IdleTracker::reset();
  }

  // The out-block as words; the last is the final status.
  Words run(uint8_t number, ReservationSessionSlot& session, const Block& in) {
    Words out(reservationHal::kReservationRequests[number].outSize / 4, 0xABABABAB);
    tStatus s;
    requests.handle(reservationHal::kReservationRequestBase + number, event, session, in.bytes.data(), in.bytes.size(),
                    out.data(), out.size() * 4, s);
    return out;
  }
  int32_t code(const Words& out) { return static_cast<int32_t>(out.back()); }
  // Places bytes or words in the caller's memory.
  template <typename tRange>
  uint8_t* put(uint32_t offset, const tRange& range) {
    if (!range.empty()) std::memcpy(user.data() + offset, range.data(), range.size() * sizeof(range[0]));
    return user.data() + offset;
  }
  uint32_t open(ReservationSessionSlot& session, const std::string& name) {
    EXPECT_EQ(code(run(0x0A, session, Block(16).at(0, put(0, name)).u32(8, name.size()))), 0);
    return session.clientID;
  }
  // The dirtiness words land at kDirtiness, prefilled with 0xEE.
  Words reserve(ReservationSessionSlot& session, const Words& ids) {
    put(kDirtiness, Words(4, 0xEE));
    Block in = Block(40).u32(0, ids.size()).at(8, put(0x800, ids)).at(16, user.data() + kDirtiness);
    return run(0x07, session, in.u32(24, 0x11).u32(28, 0x22));
  }
  uint32_t holdCrossSwitch(ReservationSessionSlot& session, const char* name) {
    const uint32_t id = open(session, name);
    policies.crossSwitchPolicy().deploySettings(vltest::client(id), {}, status);
    EXPECT_EQ(code(reserve(session, {2})), 0);
    return id;
  }
  uint32_t crossSwitchCount(uint32_t id) { return vltest::countOf(policies.crossSwitchPolicy(), id); }

  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  tStatus status{tStatus::kFullSize};
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition{"Acquisition Engine", status};
  rfyulreserve_impl::DeviceActivityAccessSlave generation{"Generation Engine", status};
  nVL9738K_24_0::ReservationTokenSet policies;
  reservationHal::ReservationIoctlImpl requests{resources};
  nVLAPAL000::tEventDescriptor event{nullptr};
  sim::UserBlock user{4096};
  ReservationSessionSlot first, second;
};

struct Layout {
  uint8_t number;
  uint32_t inSize, outSize;
  uint32_t seedOffset, seedSize;  // where the seeded out field comes from
};

class RequestLayoutTest : public ReservationIoctlImplTest, public testing::WithParamInterface<Layout> {};

TEST_P(RequestLayoutTest, ExactSizesThenAClientIsNeededAndSeededFieldsComeBack) {
  const Layout& layout = GetParam();
  std::vector<uint8_t> out(layout.outSize, 0xAB);
  Block in(layout.inSize - 1);
  tStatus s;
  requests.handle(reservationHal::kReservationRequestBase + layout.number, event, first, in.bytes.data(),
                  in.bytes.size(), out.data(), out.size(), s);
  EXPECT_EQ(s.getCode(), -52005);
  EXPECT_EQ(out, std::vector<uint8_t>(layout.outSize, 0xAB));
  if (layout.number == 0x0A || layout.number == 0x0F) return;
  in.bytes.push_back(0);
  for (uint32_t i = 0; i + 4 < layout.inSize; ++i) in.bytes[i] = static_cast<uint8_t>(i + 1);
  Words seeded(layout.outSize / 4, 0);
  std::memcpy(seeded.data(), &in.bytes[layout.seedOffset], layout.seedSize);
  seeded.back() = static_cast<uint32_t>(-52010);
  EXPECT_EQ(run(layout.number, first, in), seeded);
}

INSTANTIATE_TEST_SUITE_P(All, RequestLayoutTest,
                         testing::Values(Layout{0x00, 24, 8, 16, 4}, Layout{0x01, 24, 8, 16, 4},
                                         Layout{0x02, 24, 8, 12, 4}, Layout{0x03, 24, 8, 12, 4},
                                         Layout{0x04, 8, 8, 0, 4}, Layout{0x05, 12, 8, 4, 4}, Layout{0x06, 24, 8, 4, 4},
                                         Layout{0x07, 40, 12, 24, 8}, Layout{0x08, 24, 4, 0, 0},
                                         Layout{0x09, 24, 4, 0, 0}, Layout{0x0A, 16, 4, 0, 0},
                                         Layout{0x0B, 24, 4, 0, 0}, Layout{0x0C, 4, 16, 0, 0}, Layout{0x0D, 4, 4, 0, 0},
                                         Layout{0x0E, 8, 4, 0, 0}, Layout{0x0F, 24, 4, 0, 0}, Layout{0x10, 8, 4, 0, 0},
                                         Layout{0x11, 4, 4, 0, 0}));

TEST_F(ReservationIoctlImplTest, ASessionKeepsItsFirstClientAndAnEmptyCacheReservesWithOne) {
  const uint32_t id = open(first, "first");
  EXPECT_TRUE(IdleTracker::exists(id));
  auto* client = first.client;
  EXPECT_EQ(code(run(0x0A, first, Block(16).at(0, put(0, std::string("other"))).u32(8, 5))), -52031);
  EXPECT_EQ(first.client, client);
  EXPECT_EQ(run(0x04, first, Block(8)), Words({id, 0}));
  EXPECT_EQ(run(0x0C, first, Block(4)), Words({1, 0, 0, 0}));
}

TEST_F(ReservationIoctlImplTest, DescriptorsGoOutWithoutNulOrNotAtAll) {
  open(first, "first");
  const std::string name = "9738 Reference Clock Source";
  for (uint32_t capacity : {uint32_t(name.size() - 1), uint32_t(name.size())}) {
    const bool fits = capacity == name.size();
    put(0x100, std::string(40, '#'));
    EXPECT_EQ(run(0x00, first, Block(24).u32(0, 1).at(8, user.data() + 0x100).u32(16, capacity)),
              Words({fits ? capacity : 0, static_cast<uint32_t>(fits ? 0 : kCode)}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(user.data() + 0x100), 40),
              (fits ? name : "") + std::string(40 - (fits ? name.size() : 0), '#'));
  }
}

TEST_F(ReservationIoctlImplTest, NamesAreLookedUpByExactlyTheirBytesAndNoPolicyHasChildren) {
  open(first, "first");
  std::string text = "9738 Cross Switch Mode";
  const uint32_t length = text.size();
  text.resize(300, '\0');
  for (uint32_t size : {length, length + 1, 0xFFFFFFFFu}) {
    const Words out = run(0x02, first, Block(24).at(0, put(0x100, text)).u32(8, size).u32(12, 77));
    EXPECT_EQ(out, Words({size == length ? 2u : 0u, static_cast<uint32_t>(size == length ? 0 : kCode)}));
  }
  const std::string engine = "Generation Engine";
  EXPECT_EQ(run(0x03, first, Block(24).at(0, put(0x100, engine)).u32(8, engine.size())), Words({2, 0}));
  EXPECT_EQ(run(0x05, first, Block(12).u32(0, 1).u32(4, 5)), Words({0, static_cast<uint32_t>(kCode)}));
  EXPECT_EQ(run(0x06, first, Block(24).u32(0, 1).u32(4, 5)), Words({0, static_cast<uint32_t>(kCode)}));
}

TEST_F(ReservationIoctlImplTest, ARefusalRollsBackAndAClosedSessionFreesWhatItHeld) {
  const uint32_t a = open(first, "a");
  const uint32_t b = open(second, "b");
  vl9738settings::RefClockSettings external;
  external.refClock = 2;
  policies.refClockPolicy().deploySettings(vltest::client(a), {}, status);
  EXPECT_EQ(code(reserve(first, {1})), 0);
  policies.refClockPolicy().deploySettings(vltest::client(b), external, status);
  policies.crossSwitchPolicy().deploySettings(vltest::client(b), {}, status);
  EXPECT_EQ(reserve(second, {2, 1, 3}), Words({1, a, 0xBFFA8711u}));
  const auto* dirtiness = reinterpret_cast<const uint32_t*>(user.data() + kDirtiness);
  EXPECT_EQ(Words(dirtiness + 1, dirtiness + 4), Words({0, 0, 0xEE}));  // the third reserved nothing
  EXPECT_EQ(crossSwitchCount(b), 0u);
  EXPECT_EQ(reserve(second, {99}), Words({99, 0, static_cast<uint32_t>(kCode)}));
  first.close();
  EXPECT_EQ(code(reserve(second, {2, 1})), 0);
  EXPECT_FALSE(IdleTracker::exists(a));
}

TEST_F(ReservationIoctlImplTest, ADeferredReleaseEndsWhenTheTrackerTurnsIdle) {
  const uint32_t a = holdCrossSwitch(first, "a");
  EXPECT_EQ(code(run(0x09, first, Block(24).u32(0, 1).u32(4, 1).at(8, put(0x100, Words{2})))), 0);
  EXPECT_EQ(code(run(0x11, first, Block(4))), 0);
  EXPECT_EQ(crossSwitchCount(a), 1u);
  IdleTracker::setIdle(a, true);
  EXPECT_EQ(code(run(0x11, first, Block(4))), 0);
  EXPECT_EQ(crossSwitchCount(a), 0u);
}

// A client that could not take its id is not kept: the session can try
// again, and the session that owns the id loses nothing.
TEST_F(ReservationIoctlImplTest, AClientWithoutItsIdIsDiscardedAndTheSessionCanRetry) {
  const uint32_t a = holdCrossSwitch(first, "a");
  const Block tooLong = Block(24).at(0, put(0x100, std::string(300, 'x'))).u32(8, 300).u32(12, a);
  EXPECT_EQ(code(run(0x0F, second, tooLong)), kCode);
  EXPECT_EQ(second.client, nullptr);
  EXPECT_EQ(IdleTracker::holders(a), 1u);
  EXPECT_EQ(crossSwitchCount(a), 1u);
  IdleTracker::faults(IdleTracker::Call::kCreate).failNth(1, -52013);
  EXPECT_EQ(code(run(0x0A, second, Block(16).at(0, put(0, std::string("b"))).u32(8, 1))), -52013);
  EXPECT_EQ(second.client, nullptr);
  EXPECT_EQ(code(run(0x0F, second, Block(24).at(0, user.data()).u32(8, 1).u32(12, a))), 0);
  EXPECT_EQ(second.clientID, a);
  EXPECT_EQ(IdleTracker::holders(a), 2u);
}

TEST_F(ReservationIoctlImplTest, ListCountsAreBoundedBeforeAnythingIsAllocated) {
  open(first, "a");
  const uint64_t copies = sim::UserMemory::inboundCopies();
  EXPECT_EQ(code(run(0x07, first, Block(40).u32(0, 65537).at(8, user.data()))), -52005);
  EXPECT_EQ(code(run(0x08, first, Block(24).u32(0, 0xFFFFFFFFu).at(8, user.data()))), -52005);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), copies);
  EXPECT_EQ(code(reserve(first, {})), 0);
  EXPECT_EQ(user.get<uint32_t>(kDirtiness), 0xEEu);
}

}  // namespace
