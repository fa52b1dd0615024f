// The kernel log keeps a bounded window of the last lines, however long a
// run prints, while positions count every line and the bring-up records
// stay found after their lines left the window.
#include <gtest/gtest.h>

#include <string>

#include "driver/platform/zuk/ZukPrint.h"
#include "sim/host/BringUpLog.h"
#include "sim/kernel/Console.h"

namespace {

using sim::Console;

void print(const std::string& text) { nVLZUK100_printToDebugger(text.c_str()); }

std::string bringUp(int64_t image) {
  return "vl9738k: bring-up: FPGA image " + std::to_string(image) +
         ", properties 0, power-up -3, late initialisation 0\n";
}

TEST(Console, KeepsTheLastLinesWhilePositionsCountEveryLine) {
  Console::clear();
  const size_t total = Console::kKeptLines * 3 + 5;
  for (size_t line = 0; line < total; ++line) print("line " + std::to_string(line) + "\n");
  EXPECT_EQ(Console::lineCount(), total);
  const std::vector<std::string> kept = Console::lines();
  ASSERT_EQ(kept.size(), Console::kKeptLines);
  EXPECT_EQ(kept.front(), "line " + std::to_string(total - Console::kKeptLines) + "\n");
  EXPECT_EQ(kept.back(), "line " + std::to_string(total - 1) + "\n");
  EXPECT_FALSE(Console::contains("line 0\n"));
  Console::clear();
  EXPECT_EQ(Console::lineCount(), 0u);
  EXPECT_TRUE(Console::lines().empty());
}

TEST(Console, BringUpRecordsOutliveTheirLinesAndResolveByPosition) {
  Console::clear();
  int64_t codes[4] = {};
  EXPECT_FALSE(sim::loggedBringUpRecords(codes));
  print(bringUp(-1));
  print(bringUp(-2));
  for (size_t line = 0; line < Console::kKeptLines * 2; ++line) print("filler\n");
  const size_t stepStart = Console::lineCount();
  print("filler\n");
  print(bringUp(-4));
  print(bringUp(-5));

  // The last one before the step's first line, then every one from it on.
  const std::vector<sim::BringUpRecords> fromStep = sim::loggedBringUpRecords(stepStart);
  ASSERT_EQ(fromStep.size(), 3u);
  EXPECT_EQ(fromStep[0], (sim::BringUpRecords{-2, 0, -3, 0}));
  EXPECT_EQ(fromStep[1][0], -4);
  EXPECT_EQ(fromStep[2][0], -5);
  ASSERT_EQ(sim::loggedBringUpRecords(Console::lineCount()).size(), 1u);
  EXPECT_EQ(sim::loggedBringUpRecords(0).size(), 4u);
  ASSERT_TRUE(sim::loggedBringUpRecords(codes));
  EXPECT_EQ(codes[0], -5);
  EXPECT_EQ(codes[2], -3);

  Console::clear();
  EXPECT_FALSE(sim::loggedBringUpRecords(codes));
  EXPECT_TRUE(sim::loggedBringUpRecords(0).empty());
}

}  // namespace
