// Debug lines in the kernel log, byte for byte, the location-bound
// printers, the assertion report on a trace, and the halts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/platform/debug/AssertionPrinter.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/debug/VlsdbgVarLine.h"
#include "driver/platform/thread/tConsoleTraceDestination.h"
#include "sim/kernel/Kernel.h"

namespace {

// "[", the component right-aligned in 10, "|", the file right-aligned in
// 32, "|", four digits of the line, "] ".
std::string prefix(const std::string& file, const std::string& lineDigits) {
  const std::string component = "vl9738k";
  const std::string shownFile = file.size() > 32 ? file.substr(file.size() - 32) : file;
  std::string text = "[";
  text.append(10 - component.size(), ' ').append(component).append("|");
  text.append(32 - shownFile.size(), ' ').append(shownFile).append("|");
  return text.append(lineDigits).append("] ");
}

// The text as a regular expression that matches exactly it.
std::string escaped(const std::string& text) {
  std::string pattern;
  for (char c : text) {
    if (std::string("[]()|.*+?{}^$\\").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern;
}

std::string onlyLine() {
  const auto lines = sim::Console::lines();
  EXPECT_EQ(lines.size(), 1u);
  return lines.empty() ? std::string() : lines.back();
}

// The location-bound printer prints the very same line.
TEST(Vlsdbg, PrefixShowsTheFilesLastThirtyTwoCharactersAndTheLinesLastFourDigits) {
  const std::string longPath = std::string(48, 'x') + "driver/platform/device/tDevice.cpp";
  const struct {
    std::string file;
    uint32_t line;
    const char* digits;
  } cases[] = {{"driver/fpga/Dma.cpp12", 42, "0042"},
               {longPath, 7, "0007"},
               {"f.cpp", 0, "0000"},
               {"f.cpp", 9, "0009"},
               {"f.cpp", 1234, "1234"},
               {"f.cpp", 12345, "2345"}};
  for (const auto& c : cases) {
    sim::Console::clear();
    const vlsdbg_Location location{c.file.c_str(), c.line, "\n"};
    vlsdbg_printLine(&location, "value %d", 7);
    EXPECT_EQ(onlyLine(), prefix(c.file, c.digits) + "value 7\n") << c.file << ":" << c.line;
    sim::Console::clear();
    vlsdbg_VarLine(location).print("value %d", 7);
    EXPECT_EQ(onlyLine(), prefix(c.file, c.digits) + "value 7\n") << c.file << ":" << c.line;
  }
}

TEST(Vlsdbg, OverlongMessageIsCutSoThatTheSuffixStillEndsTheLine) {
  const vlsdbg_Location location{"driver/x.cpp", 1, "\n"};
  vlsdbg_printLine(&location, "%s", std::string(300, 'm').c_str());
  const std::string line = onlyLine();
  ASSERT_EQ(line.size(), 255u);
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.substr(0, 51), prefix("driver/x.cpp", "0001"));
  EXPECT_EQ(line.substr(51, 203), std::string(203, 'm'));
}

TEST(Vlsdbg, LevelsBelowTheThresholdAreSilent) {
  const vlsdbg_Location location{"f.cpp", 1, "\n"};
  vlsdbg_printf(4095, &location, "quiet");
  vlsdbg_printLevel(4095, "quiet");
  EXPECT_TRUE(sim::Console::lines().empty());
  vlsdbg_printf(4096, &location, "debug");
  vlsdbg_printf(kVlsdbgLevelError, &location, "error");
  vlsdbg_printLevel(4096, "plain");
  EXPECT_EQ(sim::Console::lines(), (std::vector<std::string>{prefix("f.cpp", "0001") + "debug\n",
                                                             prefix("f.cpp", "0001") + "error\n", "plain"}));
}

TEST(Vlsdbg, UnprefixedTextIsCutAtTwoHundredFiftyFiveCharacters) {
  vlsdbg_print("%s|%d", std::string(300, 'p').c_str(), 5);
  EXPECT_EQ(onlyLine(), std::string(255, 'p'));
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
    EXPECT_THAT(lines.all, testing::EndsWith(ending));
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

// A halt stops the process; what was printed before it goes to stderr
// too, so the death test can read the whole story.
constexpr int kAssertionLine = __LINE__ + 4;

void failAnAssertion(const void* lock) {
  sim::Console::setEcho(true);
  VLSDBG_ASSERT(lock != nullptr, " Acquiring NULL ISR lock");
}

TEST(VlsdbgDeathTest, FailedAssertionPrintsItsLinesAndHalts) {
  const int line = kAssertionLine;
  const std::string file = "tests/platform/debug/VlsdbgTest.cpp";
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", line);
  const std::string site = "[vl9738k|" + file + "|" + std::to_string(line) + "] ";
  std::string expected = site + "!!ASSERT!!\n";
  expected.append(prefix(file, digits)).append("ASSERT(lock != nullptr)\n");
  expected.append(prefix(file, digits)).append(" Acquiring NULL ISR lock\n");
  expected.append("HALT ").append(site).append("ASSERT(lock != nullptr)");
  EXPECT_DEATH(failAnAssertion(nullptr), escaped(expected));
}

TEST(VlsdbgDeathTest, AssertionThatHoldsDoesNothing) {
  int value = 1;
  VLSDBG_ASSERT(value == 1, "never");
  EXPECT_TRUE(sim::Console::lines().empty());
}

TEST(VlsdbgDeathTest, PureVirtualCallHaltsAtTheRuntimesSite) {
  EXPECT_DEATH(
      {
        sim::Console::setEcho(true);
        nVLAPAL000::pureVirtualCalled();
      },
      "\\[vl9738k\\|dep_mirror/deps/vlapal/includes/vlapal/protons/cppRuntime/initializeCPPRunTime\\|348\\] "
      "!!ASSERT!!\nBUG: A call to a pure virtual function was made!\n"
      "HALT \\[vl9738k\\|dep_mirror/deps/vlapal/includes/vlapal/protons/cppRuntime/initializeCPPRunTime\\|348\\] "
      "ASSERT");
}

TEST(VlsdbgDeathTest, HaltWithoutLocationOrMessageNamesTheLibrary) {
  EXPECT_DEATH(vlsdbg_halt(nullptr, nullptr),
               "HALT \\[vl9738k\\|dep_mirror/deps/vlsdbg/includes/vlsdbg/vlsdbg\\|330\\] halt");
}

}  // namespace
