// A route programmer that logs the edge index of every item written (the
// test tables put it, offset by 512, in word 0 and plainly in word 1) and
// can refuse the item at `refuseAt` once; while `recording` its writes go
// into a list instead.
#ifndef VL9738K_TESTS_ROUTING_LOGGINGPROGRAMMER_H
#define VL9738K_TESTS_ROUTING_LOGGINGPROGRAMMER_H

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/routing/RouteProgrammerInterface.h"

namespace vltest::routing {

struct LoggingProgrammer : vlark::RouteProgrammerInterface {
  std::vector<uint32_t> written;
  int begins = 0;
  int ends = 0;
  int refuseAt = -1;
  bool recording = false;
  bool recordsInstead() const override { return recording; }
  void beginTransaction(uint32_t, uint32_t, uint32_t, nVLAPALS100::tStatus&) override { ++begins; }
  void programRoute(uint32_t selector, uint32_t word0, uint32_t word1, nVLAPALS100::tStatus& status) override {
    EXPECT_EQ(selector, 1u);
    EXPECT_EQ(word1 + 512, word0);
    if (static_cast<int>(written.size()) == refuseAt) {
      refuseAt = -1;
      status.setCode(-5, VL_SITE);
      return;
    }
    written.push_back(word1);
  }
  void endTransaction(nVLAPALS100::tStatus&) override { ++ends; }
  std::vector<uint32_t> take() { return std::exchange(written, {}); }
};

}  // namespace vltest::routing

#endif
