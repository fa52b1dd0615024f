// The driver's request tables against the published lists: every code of
// both interfaces is served under its published name, with its published
// block sizes and status offsets, and nothing more is served.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/board/ioctl/RequestTables.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "tests/module/PublishedRequests.h"

namespace {

using nVL9738K_24_0::RequestEntry;
using vltest::PublishedRequest;

template <size_t N>
void expectServedAsPublished(const std::vector<const RequestEntry*>& served, const PublishedRequest (&published)[N]) {
  EXPECT_EQ(served.size(), N);
  for (const PublishedRequest& request : published) {
    const RequestEntry* entry = nullptr;
    for (const RequestEntry* candidate : served) {
      if (candidate->code == request.code) entry = candidate;
    }
    ASSERT_NE(entry, nullptr) << request.name;
    EXPECT_EQ(std::string(entry->name), request.name);
    EXPECT_EQ(entry->inSize, request.in) << request.name;
    EXPECT_EQ(entry->outSize, request.out) << request.name;
    if (request.inStatusAt == vltest::kNoStatus) continue;
    EXPECT_EQ(entry->inStatusAt, request.inStatusAt) << request.name;
    EXPECT_EQ(entry->outStatusAt, request.outStatusAt) << request.name;
  }
}

std::vector<const RequestEntry*> entriesOf(const nVL9738K_24_0::RequestTable& table) {
  std::vector<const RequestEntry*> entries;
  for (uint32_t i = 0; i < table.count; ++i) entries.push_back(&table.entries[i]);
  return entries;
}

TEST(RequestTables, TheMainInterfaceServesEachPublishedRequestUnderItsName) {
  std::vector<const RequestEntry*> served;
  for (const nVL9738K_24_0::RequestTable* table : nVL9738K_24_0::kRequestTables) {
    for (const RequestEntry* entry : entriesOf(*table)) served.push_back(entry);
  }
  expectServedAsPublished(served, vltest::kPublishedRequests);
}

TEST(RequestTables, TheFpgaSessionInterfaceServesEachPublishedRequestUnderItsName) {
  using nVL9738K_24_0::lymrequests::ReleasePersonality;
  // Release answers no block, so the frame serves it beside the table.
  RequestEntry release{};
  release.code = ReleasePersonality::kCode;
  release.name = ReleasePersonality::kName;
  release.inSize = sizeof(ReleasePersonality::In);
  std::vector<const RequestEntry*> served = entriesOf(nVL9738K_24_0::lymrequests::kFpgaSessionRequests);
  served.push_back(&release);
  expectServedAsPublished(served, vltest::kPublishedFpgaSessionRequests);
}

}  // namespace
