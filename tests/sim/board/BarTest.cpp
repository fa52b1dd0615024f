// The BAR's traffic record: a bring-up sweep once held every bus access of
// hundreds of FPGA downloads, gigabytes of them. Nothing is recorded unless
// a test asks, the record is bounded, and a record that was never started
// or overflowed is not handed out as if it were whole.
#include <gtest/gtest.h>

#include <vector>

#include "sim/board/Bar.h"

namespace {

TEST(BarTraffic, RecordsOnlyWhenAskedAndRefusesARecordThatIsNotWhole) {
  sim::Bar bar(4096);
  bar.mmioWrite(0, 4, 1);
  EXPECT_DEATH(bar.traffic(), "never recorded");
  bar.startRecording();
  bar.mmioWrite(8, 4, 2);
  EXPECT_EQ(bar.traffic(), (std::vector<sim::BusAccess>{{sim::BusAccess::Kind::Write, 8, 4, 2}}));
  for (size_t i = 0; i < sim::TrafficRecord::kLimit; ++i) bar.mmioRead(0, 4);
  EXPECT_DEATH(bar.writeCount(), "overflowed");
  bar.startRecording();
  EXPECT_EQ(bar.readCount(), 0u);
}

}  // namespace
