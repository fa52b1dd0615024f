#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver/rf/reservation/CompositeIdleTracker.h"
#include "driver/rf/reservation/ExternalTokenManager.h"
#include "sim/idletracker/IdleTracker.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::tokenValue;
using rfyulreserve_impl::ExternalTokenManager;
using sim::IdleTracker;
using Call = IdleTracker::Call;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);
constexpr int32_t kTrackerFailure = -52013;

class ExternalTokenManagerTest : public testing::Test {
 protected:
  ExternalTokenManagerTest() { IdleTracker::reset(); }
  ~ExternalTokenManagerTest() override { IdleTracker::reset(); }

  uint32_t create(const char* descriptor, tStatus& status) {
    return tokenValue(manager.createToken(descriptor, status));
  }

  ExternalTokenManager<ReservationClientID> manager{kCode, kCode, kCode, kCode};
  tStatus status{tStatus::kFullSize};
};

TEST_F(ExternalTokenManagerTest, ClientIdsComeFromTheTrackerWithOneHolder) {
  IdleTracker::setNextId(41);
  EXPECT_EQ(create("session A", status), 41u);
  EXPECT_EQ(create("session B", status), 42u);
  EXPECT_EQ(IdleTracker::holders(41), 1u);
  vlhtl::String out;
  manager.findTokenDescriptor(ReservationClientID{42}, 256, out, status);
  EXPECT_STREQ(out.c_str(), "session B");
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ExternalTokenManagerTest, AFailedInsertGivesTheIdBackToTheTracker) {
  const std::string tooLong(257, 'x');
  EXPECT_EQ(create(tooLong.c_str(), status), 0u);
  EXPECT_EQ(vltest::siteOf(status).code, kCode);
  EXPECT_EQ(IdleTracker::calls(Call::kRelease), 1u);
  EXPECT_EQ(IdleTracker::liveIds(), 0u);
  EXPECT_TRUE(manager.map().empty());
}

TEST_F(ExternalTokenManagerTest, ATrackerThatHasNoIdLeavesTheMapEmptyWithItsCode) {
  IdleTracker::faults(Call::kCreate).failNth(1, kTrackerFailure);
  EXPECT_EQ(create("session", status), 0u);
  EXPECT_EQ(status.getCode(), kTrackerFailure);
  EXPECT_STREQ(status.getComponent(), "rfidle");
  EXPECT_TRUE(manager.map().empty());
  EXPECT_EQ(IdleTracker::liveIds(), 0u);
}

TEST_F(ExternalTokenManagerTest, AttachingAddsAHolderAndReleasingDropsOne) {
  const uint32_t id = create("first session", status);
  ExternalTokenManager<ReservationClientID> second{kCode, kCode, kCode, kCode};
  second.attachToken("second session", ReservationClientID{id}, status);
  EXPECT_EQ(IdleTracker::holders(id), 2u);
  second.releaseToken(ReservationClientID{id}, status);
  EXPECT_EQ(IdleTracker::holders(id), 1u);
  manager.releaseToken(ReservationClientID{id}, status);
  EXPECT_FALSE(IdleTracker::exists(id));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ExternalTokenManagerTest, ReleasingAnIdItDoesNotKnowStillTellsTheTracker) {
  const uint32_t foreign = rfCompositeIdleTracker_createIdleID(&status);
  rfCompositeIdleTracker_increaseReferenceCount(foreign, &status);
  manager.releaseToken(ReservationClientID{foreign}, status);
  EXPECT_EQ(IdleTracker::holders(foreign), 1u);
  EXPECT_EQ(status.getCode(), kCode);
  EXPECT_STREQ(status.getFile(), "TokenToStringMap");  // the lookup fails after the tracker was told
}

TEST(CompositeIdleTracker, NeverIssuesZeroAndSkipsIdsInUse) {
  IdleTracker::reset();
  tStatus status;
  IdleTracker::setNextId(0xFFFFFFFF);
  EXPECT_EQ(rfCompositeIdleTracker_createIdleID(&status), 0xFFFFFFFFu);
  EXPECT_EQ(rfCompositeIdleTracker_createIdleID(&status), 1u);
  IdleTracker::setNextId(1);
  EXPECT_EQ(rfCompositeIdleTracker_createIdleID(&status), 2u);
  EXPECT_EQ(status.getCode(), 0);
  IdleTracker::reset();
}

TEST(CompositeIdleTracker, KeepsTheCallersFirstErrorAndStillTakesBackAnId) {
  IdleTracker::reset();
  tStatus status(tStatus::kFullSize);
  const uint32_t id = rfCompositeIdleTracker_createIdleID(&status);
  EXPECT_EQ(rfCompositeIdleTracker_getStatus(id, &status), 0);  // busy until a holder reports idle
  rfCompositeIdleTracker_setStatus(id, 1, &status);
  EXPECT_EQ(rfCompositeIdleTracker_getStatus(id, &status), 1);
  status.setCode(-7, "vl9738k", "caller", 5);
  EXPECT_EQ(rfCompositeIdleTracker_createIdleID(&status), 0u);
  rfCompositeIdleTracker_increaseReferenceCount(id, &status);
  EXPECT_EQ(IdleTracker::holders(id), 1u);
  rfCompositeIdleTracker_releaseIdleID(0, &status);  // unknown: its own error loses to the first
  rfCompositeIdleTracker_releaseIdleID(id, &status);
  EXPECT_EQ(IdleTracker::liveIds(), 0u);
  EXPECT_EQ(vltest::siteOf(status), (vltest::Site{-7, "caller", 5}));
  IdleTracker::reset();
}

}  // namespace
