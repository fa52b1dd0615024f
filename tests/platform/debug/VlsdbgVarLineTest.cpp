// Location-bound printers and the assertion report on a trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/platform/debug/AssertionPrinter.h"
#include "driver/platform/debug/VlsdbgVarLine.h"
#include "driver/platform/thread/tConsoleTraceDestination.h"
#include "sim/kernel/Kernel.h"

namespace {

TEST(VlsdbgVarLine, PrintsTheSameLineAsPrintLineAtItsLocation) {
  const vlsdbg_Location location{"driver/fpga/Dma.cpp", 42, "\n"};
  vlsdbg_printLine(&location, "value %d", 7);
  vlsdbg_VarLine(location).print("value %d", 7);
  const std::vector<std::string> lines = sim::Console::lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], lines[0]);
}

TEST(VlsdbgVarLine, ToBufferWritesTheMessageAloneCutToTheBuffer) {
  const vlsdbg_Location location{"f.cpp", 1, "\n"};
  char buffer[8] = "-------";
  EXPECT_EQ(vlsdbg_VarLineToBuffer(location, buffer, 4).print("%d", 12), 4u);
  EXPECT_EQ(std::string(buffer, 8), std::string("12\0\0---\0", 8));
  EXPECT_EQ(vlsdbg_VarLineToBuffer(location, buffer, sizeof buffer).print("%s", "abcdefghij"), 8u);
  EXPECT_STREQ(buffer, "abcdefg");
  buffer[0] = 'x';
  EXPECT_EQ(vlsdbg_VarLineToBuffer(location, buffer, 0).print("%s", "never"), 0u);
  EXPECT_EQ(buffer[0], 'x') << "a buffer of no bytes is not written";
  EXPECT_TRUE(sim::Console::lines().empty());
}

struct Lines : nVLAPAL000::tTraceDestination {
  void writeText(const char* text) override { all += text; }
  std::string all;
};

TEST(AssertionPrinter, FailuresNameTheirCategory) {
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, "ASSERTION FAILED: count < 4\n"},
      {"dma", "ASSERTION FAILED (dma): count < 4\n"},
  };
  for (const auto& [category, ending] : cases) {
    Lines lines;
    nVLAPAL000::tTrace trace(&lines);
    nVLAPAL000::printAssertion(trace, {"f.cpp", 3, "\n"}, category, "count < 4");
    ASSERT_GE(lines.all.size(), std::string(ending).size());
    EXPECT_EQ(lines.all.substr(lines.all.size() - std::string(ending).size()), ending);
  }
}

void warn() {
  sim::Console::setEcho(true);
  nVLAPAL000::tConsoleTraceDestination console;
  nVLAPAL000::tTrace trace(&console);
  nVLAPAL000::printAssertion(trace, {"driver/x.cpp", 77, "\n"}, "warning", "late");
}

TEST(AssertionPrinterDeathTest, WarningIsPrintedThenBreaksIntoTheDebugger) {
  EXPECT_DEATH(warn(), "ASSERTION WARNING: late\n.*HALT \\[vl9738k\\|driver/x.cpp\\|77\\] APAL debug break");
}

}  // namespace
