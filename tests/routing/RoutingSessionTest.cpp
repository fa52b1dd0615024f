// Routing sessions over shared resources: requests copied from and to user
// memory, routes admitted only for the session that made them, and routes
// that go with the resources or the session.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "RoutingResourcesFixture.h"
#include "driver/routing/RoutingSession.h"
#include "driver/routing/RoutingStatusCodes.h"
#include "sim/kernel/KernelSockets.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/StatusChecks.h"

namespace vltest::routing {
namespace {

using nVLAPALS100::kStatusInvalidParameter;
using nVLAPALS100::kStatusLookupFailure;
using nVLAPALS100::kStatusRouteFailure;
using nVLAPALS100::tStatus;
using Session = vlark::RoutingSession<vlark::Terminal*, vlark::Edge*, vlark::APALUserBufferWrapper>;
using Written = std::vector<uint32_t>;

// A block of user memory as a routing session receives it.
struct UserBuffer {
  explicit UserBuffer(size_t size) : block(size) { std::memset(block.data(), 0xA5, size); }
  sim::UserBlock block;
  nVLAPAL000::tEventDescriptor descriptor{};
  tStatus ignored;
  nVLAPAL000::tUserBuffer buffer{descriptor, block.address(), block.size(), ignored};
  vlark::APALUserBufferWrapper wrapper{&buffer};
};

struct RecordingManager : vlark::RoutingResourcesManagerInterface<vlark::APALUserBufferWrapper> {
  int unregistered = 0;
  void setRoutingResources(vlark::RoutingResourcesInterface*) override {}
  void clearRoutingResources() override {}
  void registerRoutingSession(vlark::RoutingSessionBase<vlark::APALUserBufferWrapper>&) override {}
  void unregisterRoutingSession(vlark::RoutingSessionBase<vlark::APALUserBufferWrapper>& session) override {
    ++unregistered;
    session.clearRoutingResources();
  }
};

// Edges by index: T1 -> T2, T1 -> T3 (reset inputs), T4 -> T2, T4 -> T3,
// T4 -> T5 (T5 has no reset input).
class RoutingSessionTest : public ::testing::Test {
 protected:
  RoutingSessionTest() {
    a.setRoutingResources(&*r);
    b.setRoutingResources(&*r);
  }
  // Calculates from the seeds (T4 by default, each at cost 0) to the
  // destinations; the ids of the new routes.
  Written calculate(Session& session, const Written& destinations, tStatus& status, uint32_t capacity = 4,
                    const Written& from = {4}) {
    UserBuffer seeds(12 * from.size()), ids(4 * destinations.size()), results(20 * capacity);
    for (size_t i = 0; i < from.size(); ++i) {
      seeds.block.put(12 * i, vlark::RouteCalculationSeedBase{from[i], 0, 0, {}});
    }
    std::memcpy(ids.block.data(), destinations.data(), ids.block.size());
    uint32_t count = capacity;
    session.calculateRoute(5, seeds.wrapper, static_cast<uint32_t>(from.size()), ids.wrapper,
                           static_cast<uint32_t>(destinations.size()), 0, results.wrapper, count, status);
    lastCount = count;
    Written found;
    for (uint32_t i = 0; status.isNotFatal() && i < count; ++i) found.push_back(results.block.get<uint32_t>(20 * i));
    return found;
  }
  uint32_t calculate(Session& session, uint32_t destination, uint32_t from = 4) {
    tStatus status;
    const Written ids = calculate(session, {destination}, status, 4, {from});
    EXPECT_EQ(status.getCode(), 0);
    return ids.empty() ? 0 : ids[0];
  }

  ResourcesUnderTest r{"1>2:0d 1>3:0d 4>2:1 4>3:1 4>5:1"};
  RecordingManager manager;
  tStatus constructed;
  Session a{&manager, constructed};
  Session b{&manager, constructed};
  uint32_t lastCount = 0;
};

TEST_F(RoutingSessionTest, TooSmallResultCapacityReportsTheCountAndKeepsNoRoute) {
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_TRUE(calculate(a, {2, 3}, s, 0).empty()); }), kStatusLookupFailure);
  EXPECT_EQ(lastCount, 2u);
  EXPECT_EQ(r->database().size(), 0u);
  EXPECT_TRUE(a.routeIds().empty());
}

TEST_F(RoutingSessionTest, RouteOfAnotherSessionIsRefusedOrLeftAlone) {
  const uint32_t id = calculate(a, 2);
  EXPECT_EQ(codeAfter([&](tStatus& s) { b.programRoute(id, s); }), kStatusInvalidParameter);
  UserBuffer conflicts(16);
  uint32_t count = 1;
  EXPECT_EQ(codeAfter([&](tStatus& s) { b.reserveRoute(id, conflicts.wrapper, count, s); }), kStatusInvalidParameter);
  b.destroyRoute(id);
  b.unreserveRoute(id);
  EXPECT_EQ(r->getRouteState(id), vlark::kRouteStateCalculated);
  tStatus resetStatus;
  const uint32_t reset = b.calculateResetTerminal(1, 2, 1, resetStatus);
  EXPECT_EQ(Written(b.routeIds().begin(), b.routeIds().end()), Written{reset}) << "a reset route is a route too";
}

TEST_F(RoutingSessionTest, ClearedResourcesTakeTheRoutesLastFirstAndAnswerRouteFailure) {
  const uint32_t toT2 = calculate(a, 2);
  const uint32_t toT3 = calculate(a, 3);
  for (uint32_t id : {toT2, toT3}) {
    tStatus status;
    uint32_t none = 0;
    UserBuffer conflicts(0);
    a.reserveRoute(id, conflicts.wrapper, none, status);
    a.programRoute(id, status);
    EXPECT_EQ(status.getCode(), 0);
  }
  r.programmer.take();
  EXPECT_EQ(Written(a.routeIds().begin(), a.routeIds().end()), (Written{toT2, toT3}));
  a.clearRoutingResources();
  EXPECT_EQ(r.programmer.take(), (Written{1, 0}));
  EXPECT_EQ(r->database().size(), 0u);
  EXPECT_TRUE(a.routeIds().empty());
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_TRUE(calculate(a, {2}, s).empty()); }), kStatusRouteFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { a.programRoute(toT2, s); }), kStatusRouteFailure);
}

TEST_F(RoutingSessionTest, RoutesInTheWayAreListedUpToTheCapacityWithZeroedPadding) {
  ResourcesUnderTest fan{"1>5:1 2>5:1 5>6:1 5>7:1 5>8:1 5>9:1"};
  a.setRoutingResources(&*fan);
  const uint32_t mine = calculate(a, 9, 2);
  for (uint32_t to : {6, 7, 8}) ASSERT_EQ(fan.reserve(fan.route(1, to)), 0);
  // All three, then as many as there is room for; the route stays calculated.
  for (const uint32_t capacity : {3u, 2u}) {
    UserBuffer conflicts(3 * 16);
    uint32_t count = capacity;
    EXPECT_EQ(codeAfter([&](tStatus& s) { a.reserveRoute(mine, conflicts.wrapper, count, s); }),
              vlark::codes::kRouteConflict);
    ASSERT_EQ(count, capacity);
    for (uint32_t i = 0; i < capacity; ++i) {
      EXPECT_EQ(conflicts.block.get<uint64_t>(16 * i), 6u + i) << "owned by its destination";
      EXPECT_EQ(conflicts.block.get<uint32_t>(16 * i + 12), 0u) << "padding reaches user mode zeroed";
    }
    EXPECT_EQ(conflicts.block.get<uint64_t>(32), capacity == 3 ? 8u : 0xA5A5A5A5A5A5A5A5u)
        << "nothing past the capacity";
  }
  EXPECT_EQ(fan.callerBuffers.live, 0);
  a.clearRoutingResources();
}

TEST_F(RoutingSessionTest, SeventeenSeedsAreReadLikeSixteen) {
  for (const uint32_t seedCount : {16u, 17u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(calculate(a, {2}, s, 4, Written(seedCount, 4)).size(), 1u); }), 0);
  }
}

TEST_F(RoutingSessionTest, CountsBeyondTheirBuffersAreRefusedBeforeAnyCopy) {
  UserBuffer seeds(12), ids(4), results(20);
  const uint64_t copies = sim::UserMemory::inboundCopies();
  uint32_t count = 1;
  for (const uint32_t seedCount : {2u, 0x80000000u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) {
                a.calculateRoute(5, seeds.wrapper, seedCount, ids.wrapper, 1, 0, results.wrapper, count, s);
              }),
              kStatusInvalidParameter);
  }
  EXPECT_EQ(sim::UserMemory::inboundCopies(), copies);
  EXPECT_EQ(r->database().size(), 0u);
}

// Terminals may repeat, so the lists are held to the shared entry cap, not
// to the board's terminal count; beyond it nothing is read or allocated.
TEST_F(RoutingSessionTest, ListsBeyondTheSharedEntryCapAreRefusedBeforeTheyAreRead) {
  constexpr uint32_t kCap = vlark::RoutingSessionBase<vlark::APALUserBufferWrapper>::kMaxRequestEntries;
  struct Case {
    uint32_t seeds;
    uint32_t destinations;
    int64_t code;
  };
  for (const Case c :
       {Case{kCap, 1, 0}, Case{kCap + 1, 1, kStatusInvalidParameter}, Case{1, kCap + 1, kStatusInvalidParameter}}) {
    std::unique_ptr<UserBuffer> seeds, ids, results;
    {
      sim::SimScope scope;
      seeds = std::make_unique<UserBuffer>(12 * c.seeds);
      ids = std::make_unique<UserBuffer>(4 * c.destinations);
      results = std::make_unique<UserBuffer>(20 * 4);
      for (uint32_t i = 0; i < c.seeds; ++i) seeds->block.put(12 * i, vlark::RouteCalculationSeedBase{4, 0, 0, {}});
      for (uint32_t i = 0; i < c.destinations; ++i) ids->block.put(4 * i, uint32_t{2});
    }
    sim::Memory::clearLargestAsked();
    tStatus status;
    uint32_t count = 4;
    a.calculateRoute(5, seeds->wrapper, c.seeds, ids->wrapper, c.destinations, 0, results->wrapper, count, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_LT(sim::Memory::largestAsked(), c.code == 0 ? 12 * kCap + 64 : 4096);
    sim::SimScope scope;
    seeds.reset();
    ids.reset();
    results.reset();
  }
  EXPECT_EQ(r->database().size(), 1u) << "only the lists within the cap made a route";
}

TEST_F(RoutingSessionTest, PathAndNameNeedRoomForAllOfThem) {
  const uint32_t id = calculate(a, 2);
  UserBuffer path(8);
  uint32_t count = 1;
  EXPECT_EQ(codeAfter([&](tStatus& s) { a.getRouteTerminalPath(id, path.wrapper, count, s); }), kStatusLookupFailure);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { a.getRouteTerminalPath(id, path.wrapper, count, s); }), 0);
  EXPECT_EQ(path.block.get<uint64_t>(0), 4u | uint64_t{2} << 32);

  UserBuffer exact(6), room(7);
  EXPECT_EQ(codeAfter([&](tStatus& s) { a.getTopographyName(exact.wrapper, s); }), kStatusLookupFailure)
      << "no room for the terminating zero";
  EXPECT_EQ(exact.block.get<uint8_t>(0), 0xA5);
  EXPECT_EQ(codeAfter([&](tStatus& s) { a.getTopographyName(room.wrapper, s); }), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(room.block.data()), "tables");
}

TEST_F(RoutingSessionTest, DemotionNotifiesAndClosingTheSessionClosesTheNotifier) {
  sim::KernelSockets::reset();
  tStatus status;
  auto session = std::make_unique<Session>(&manager, status);
  session->demoteSession();
  EXPECT_TRUE(sim::KernelSockets::sent().empty()) << "no listener, nothing to send";
  session->notifier().initialize({77, 9}, status);
  session->demoteSession();
  session->setRoutingResources(&*r);
  calculate(*session, 2);
  session.reset();
  const auto sent = sim::KernelSockets::sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].type, nVLAPAL000::tIONotifier::kTypeNotification);
  EXPECT_EQ(sent[0].bytes[8], 0) << "an empty payload";
  EXPECT_EQ(sent[1].type, nVLAPAL000::tIONotifier::kTypeClosed);
  EXPECT_EQ(manager.unregistered, 1);
  EXPECT_EQ(r->database().size(), 0u) << "a session's routes go with it";
}

}  // namespace
}  // namespace vltest::routing
