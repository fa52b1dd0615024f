#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver/platform/idle/CompositeIdleTracker.h"
#include "driver/rf/reservation/ExternalTokenManager.h"
#include "sim/idletracker/IdleTracker.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using sim::IdleTracker;
using Call = IdleTracker::Call;
using Manager = rfyulreserve_impl::ExternalTokenManager<ReservationClientID>;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);

class ExternalTokenManagerTest : public testing::Test {
 protected:
  ExternalTokenManagerTest() { IdleTracker::reset(); }
  ~ExternalTokenManagerTest() override { IdleTracker::reset(); }

  uint32_t create(const char* descriptor) { return rfyulreserve::tokenValue(manager.createToken(descriptor, status)); }

  Manager manager{kCode, kCode, kCode, kCode};
  tStatus status{tStatus::kFullSize};
};

TEST_F(ExternalTokenManagerTest, AFailedInsertGivesTheIdBackToTheTracker) {
  EXPECT_EQ(create(std::string(257, 'x').c_str()), 0u);
  EXPECT_EQ(status.getCode(), kCode);
  EXPECT_EQ(IdleTracker::calls(Call::kRelease), 1u);
  EXPECT_EQ(IdleTracker::liveIds(), 0u);
  EXPECT_TRUE(manager.map().empty());
}

TEST_F(ExternalTokenManagerTest, ReleasingAnIdItDoesNotKnowStillTellsTheTracker) {
  const uint32_t foreign = rfCompositeIdleTracker_createIdleID(&status);
  rfCompositeIdleTracker_increaseReferenceCount(foreign, &status);
  manager.releaseToken(ReservationClientID{foreign}, status);
  EXPECT_EQ(IdleTracker::holders(foreign), 1u);
  EXPECT_EQ(status.getCode(), kCode);
  EXPECT_STREQ(status.getFile(), "TokenToStringMap");  // the lookup fails after the tracker was told
}

}  // namespace
