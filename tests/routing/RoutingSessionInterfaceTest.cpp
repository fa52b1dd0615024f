// The routing library's view of user buffers and its session base.
#include <gtest/gtest.h>

#include "driver/routing/APALUserBufferWrapper.h"
#include "driver/routing/RoutingSessionInterface.h"

namespace {

using nVLAPALS100::tStatus;

TEST(RoutingSessionInterface, WrapperReportsItsBufferSize) {
  nVLAPAL000::tEventDescriptor descriptor{};
  tStatus status;
  nVLAPAL000::tUserBuffer buffer(descriptor, uint64_t{0x7F0000001000}, 4096 + 12, status);
  nVLAPAL000::tUserBuffer empty(descriptor, uint64_t{0x7F0000002000}, 0, status);
  EXPECT_EQ(vlark::APALUserBufferWrapper(&buffer).getSize(), 4108u);
  EXPECT_EQ(vlark::APALUserBufferWrapper(&empty).getSize(), 0u);
}

TEST(RoutingSessionInterface, BaseAnswersVersionOneAndDemotingChangesNothing) {
  vlark::RoutingSessionInterface<vlark::APALUserBufferWrapper> session;
  session.demoteSession();
  EXPECT_EQ(session.queryVersion(), 1u);
}

}  // namespace
