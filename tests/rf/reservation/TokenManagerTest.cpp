#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/rf/reservation/TokenManager.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::tokenValue;
using rfyulreserve_impl::getNewToken;
using rfyulreserve_impl::TokenManager;
using rfyulreserve_impl::TokenToStringBiMap;

// Distinct codes per role, so each failure shows which role raised it.
constexpr int32_t kBufferTooSmall = -1001, kNotFound = -1002, kDuplicate = -1003, kNoFree = -1004;

using Manager = TokenManager<ReservationPolicyID>;

uint32_t create(Manager& manager, const char* descriptor, tStatus& status) {
  return tokenValue(manager.createToken(descriptor, status));
}

TEST(NextToken, GrowsByOneAndSearchesTheLowestGapOnlyAfterTheTop) {
  const std::pair<std::vector<uint32_t>, uint32_t> cases[] = {
      {{}, 1},     {{1, 2, 3, 0xFFFFFFFF}, 4}, {{0xFFFFFFFF}, 1},
      {{2, 5}, 6}, {{1, 2, 4, 0xFFFFFFFF}, 3}, {{0xFFFFFFFE, 0xFFFFFFFF}, 1}};
  for (const auto& [present, next] : cases) {
    TokenToStringBiMap<ReservationPolicyID> map(kBufferTooSmall, kNotFound, kDuplicate);
    tStatus status;
    for (uint32_t token : present) map.insert(std::to_string(token).c_str(), ReservationPolicyID{token}, status);
    EXPECT_EQ(tokenValue(getNewToken(map, ReservationPolicyID{0}, kNoFree, status)), next) << present.size();
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST(TokenManager, IssuesInOrderAndReusesAReleasedTokenOnlyAfterWrapAround) {
  Manager manager(kBufferTooSmall, kNotFound, kDuplicate, kNoFree);
  tStatus status;
  EXPECT_EQ(create(manager, "a", status), 1u);
  EXPECT_EQ(create(manager, "b", status), 2u);
  EXPECT_EQ(create(manager, "c", status), 3u);
  manager.releaseToken(ReservationPolicyID{2}, status);
  EXPECT_EQ(create(manager, "d", status), 4u);
  manager.releaseToken("a", status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(tokenValue(manager.findToken(vlhtl::String("d", status), status)), 4u);
  manager.releaseToken("a", status);
  EXPECT_EQ(status.getCode(), kNotFound);
}

TEST(TokenManager, DescriptorsOfUpTo256CharactersAreAccepted) {
  Manager manager(kBufferTooSmall, kNotFound, kDuplicate, kNoFree);
  const std::string longest(256, 'x'), tooLong(257, 'y');
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { EXPECT_EQ(create(manager, longest.c_str(), s), 1u); }), 0);
  for (const char* refused : {tooLong.c_str(), static_cast<const char*>(nullptr)}) {
    const tStatus status = vltest::statusAfter([&](tStatus& s) { EXPECT_EQ(create(manager, refused, s), 0u); });
    EXPECT_EQ(status.getCode(), kBufferTooSmall);  // the bimap's invalid-descriptor role
    EXPECT_STREQ(status.getFile(), "TokenToStringBiMap");
  }
  tStatus status;
  EXPECT_EQ(create(manager, "", status), 2u);
}

TEST(TokenManager, ADuplicateIsRefusedAndADescriptorFitsExactlyTheLimit) {
  Manager manager(kBufferTooSmall, kNotFound, kDuplicate, kNoFree);
  tStatus status;
  create(manager, "9738 LO0 Power", status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { EXPECT_EQ(create(manager, "9738 LO0 Power", s), 0u); }), kDuplicate);
  vlhtl::String out("kept", status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { manager.findTokenDescriptor(ReservationPolicyID{1}, 13, out, s); }),
            kBufferTooSmall);
  EXPECT_STREQ(out.c_str(), "kept");
  manager.findTokenDescriptor(ReservationPolicyID{1}, 14, out, status);
  EXPECT_STREQ(out.c_str(), "9738 LO0 Power");  // the first entry stays
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { manager.findTokenDescriptor(ReservationPolicyID{2}, 99, out, s); }),
            kNotFound);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { manager.attachToken("x", ReservationPolicyID{9}, s); }),
            nVLAPALS100::kStatusNotSupported);
}

TEST(TokenManager, DescriptorsSortAsSignedBytesWithAPrefixFirst) {
  Manager manager(kBufferTooSmall, kNotFound, kDuplicate, kNoFree);
  tStatus status;
  for (const char* text : {"abc", "a", "B", "\x80z", "ab", "A"}) create(manager, text, status);
  std::vector<std::string> order;
  for (auto* node = manager.map().descriptor_begin(); node != nullptr; node = manager.map().descriptor_next(node))
    order.emplace_back(node->descriptor.c_str());
  EXPECT_EQ(order, (std::vector<std::string>{"\x80z", "A", "B", "a", "ab", "abc"}));
}

}  // namespace
