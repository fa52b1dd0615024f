#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/platform/thread/tConsoleTraceDestination.h"
#include "driver/platform/thread/tTrace.h"
#include "driver/platform/zuk/ZukTime.h"
#include "sim/kernel/Kernel.h"

namespace {

using namespace nVLAPAL000;
using nVLAPALS100::tStatus;

struct Recorder : tTraceDestination {
  explicit Recorder(const char* name = "recorder") : name(name) {}
  void writeText(const char* text) override {
    std::lock_guard<std::mutex> guard(mutex);
    writes.emplace_back(text);
  }
  const char* getName() const override { return name; }
  std::string all() const {
    std::string text;
    for (const std::string& write : writes) text += write;
    return text;
  }
  const char* name;
  std::mutex mutex;
  std::vector<std::string> writes;
};

const std::string kBlankPrefix(51, ' ');

std::string padded(const std::string& elements) {
  return elements + std::string(tTrace::kPrefixWidth - 1 - elements.size(), '-') + "] ";
}

class Trace : public testing::Test {
 protected:
  Recorder recorder_;
  tTrace trace_{&recorder_};
};

TEST_F(Trace, LineGoesOutWholeAtItsEndOrWhenItsBufferFills) {
  trace_.append("hello ");
  trace_.append("world, and more", 5);
  EXPECT_TRUE(recorder_.writes.empty());
  trace_.endLine();
  EXPECT_EQ(recorder_.writes, (std::vector<std::string>{kBlankPrefix + "hello world\n"}));
  EXPECT_EQ(trace_.getLineCount(), 1u);

  recorder_.writes.clear();
  trace_.append(std::string(300, 'z').c_str());
  ASSERT_EQ(recorder_.writes.size(), 1u);
  EXPECT_EQ(recorder_.writes[0], kBlankPrefix + std::string(tTrace::kLineBufferSize - 51, 'z'));
  trace_.endLine();
  EXPECT_EQ(recorder_.all(), kBlankPrefix + std::string(300, 'z') + "\n");
}

TEST_F(Trace, PrefixShowsTheSelectedElementsInOrderCutToTheWidth) {
  for (tTraceOption option : {kTracePrefixComponent, kTracePrefixVersion, kTracePrefixLine, kTracePrefixFile,
                              kTraceFileNameOnly, kTracePrefixTimer, kTracePrefixLineCount}) {
    trace_.setOption(option, true);
  }
  trace_.setComponent("vl9738k");
  trace_.setVersion(0x1A25C00B);
  trace_.setLocation("driver\\sub/File.cpp", 42);
  const std::string timer = std::to_string(nVLZUK110_getTimerCount());
  trace_.append("x\n");
  EXPECT_EQ(recorder_.all(), padded("[vl9738k--26.2.5f11--42--File.cpp--" + timer + "--0") + "x\n");

  recorder_.writes.clear();
  trace_.setComponent("a-component-name-far-longer-than-the-prefix-may-ever-be");
  trace_.endLine();
  EXPECT_EQ(recorder_.all(), "[a-component-name-far-longer-than-the-prefix-may-] \n");
}

TEST_F(Trace, ValuesAndFormattedTextHaveTheirOwnTexts) {
  trace_.appendBool(true);
  trace_.append(" ");
  trace_.appendBool(false);
  trace_.append(" ");
  trace_.appendNumber(255, 16);
  trace_.append(" ");
  trace_.appendNumber(5, 2);
  trace_.printf(" %s=%d", "value", 7);
  trace_.endLine();
  trace_.printf("%s", std::string(257, 'y').c_str());
  trace_.endLine();
  EXPECT_EQ(recorder_.all(), kBlankPrefix + "true(1) false(0) 0xFF 2#101 value=7\n" + kBlankPrefix +
                                 "!!Formatted string exceeds kMaxTraceLine characters!!\n");
}

TEST_F(Trace, HexDumpShowsGroupsMissingBytesAndPrintables) {
  const uint8_t bytes[20] = {'A', 'B', 0x01, 'c', 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x7F, ' ', '~', 0xFF};
  trace_.hexDump(bytes, 20, 4);
  trace_.hexDump(bytes, 2, 2);
  ASSERT_EQ(recorder_.writes.size(), 3u);
  EXPECT_EQ(recorder_.writes[0], kBlankPrefix + "00000000: 41420163 00010203 04050607 08090A0B: AB.c............\n");
  EXPECT_EQ(recorder_.writes[1], kBlankPrefix + "00000010: 7F207EFF XXXXXXXX XXXXXXXX XXXXXXXX: . ~.\n");
  EXPECT_EQ(recorder_.writes[2], kBlankPrefix + "00000000: 4142 XXXX XXXX XXXX XXXX XXXX XXXX XXXX: AB\n");
}

TEST_F(Trace, SwitchingDestinationSaysSoOnTheOldOne) {
  Recorder next("next");
  trace_.setDestination(&next);
  trace_.append("after\n");
  EXPECT_EQ(recorder_.all(), kBlankPrefix + "Switching trace destination to next\n");
  EXPECT_EQ(next.all(), kBlankPrefix + "after\n");
}

TEST_F(Trace, SuppressedRestOfALineStillEndsIt) {
  trace_.append("kept");
  trace_.setOption(kTraceSuppressLine, true);
  trace_.append("dropped");
  trace_.endLine();
  trace_.append("next\n");
  EXPECT_EQ(recorder_.all(), kBlankPrefix + "kept\n" + kBlankPrefix + "next\n");
  trace_.setOption(kTraceOutputEnabled, false);
  trace_.append("silent\n");
  EXPECT_EQ(recorder_.writes.size(), 2u);
}

TEST_F(Trace, ScopesWriteEntryAndExitLinesAndIndentBetween) {
  trace_.setOption(kTraceIndent, true);
  tStatus status;
  int object = 0;
  char address[32];
  snprintf(address, sizeof(address), "0x%lX", reinterpret_cast<unsigned long>(&object));
  {
    tTraceScope scope(trace_, "bringUp", &object, &status);
    trace_.append("inside\n");
    status.setCode(-52005, VL_SITE);
  }
  trace_.append("outside\n");
  EXPECT_EQ(recorder_.all(), kBlankPrefix + "bringUp; this=" + address + "; tStatus code=0; {\n" + kBlankPrefix +
                                 "  inside\n" + kBlankPrefix + "} bringUp; tStatus code=-52005\n" + kBlankPrefix +
                                 "outside\n");
  EXPECT_EQ(trace_.getDepth(), 0u);
}

// Thread safety needs a kernel mutex; with one, lines never interleave.
TEST(TraceThreads, ThreadSafeLinesNeverInterleave) {
  sim::Clock::instance().setMode(sim::Clock::Mode::Real);
  Recorder recorder;
  tTrace trace(&recorder);
  tStatus refused;
  sim::Sync::mutexCreationFaults().failNth(1, 0);
  trace.setThreadSafe(true, refused);
  EXPECT_EQ(refused.getCode(), -52000);
  trace.setOption(kTraceThreadSafe, true);
  EXPECT_FALSE(trace.getOption(kTraceThreadSafe)) << "not without the mutex";
  tStatus status;
  trace.setThreadSafe(true, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_TRUE(trace.getOption(kTraceThreadSafe));
  std::vector<std::thread> threads;
  for (char letter : {'a', 'b', 'c', 'd'}) {
    threads.emplace_back([&trace, letter] {
      const std::string piece(20, letter);
      for (int line = 0; line < 200; ++line) {
        trace.append(piece.c_str());
        trace.append(piece.c_str());
        trace.endLine();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_EQ(recorder.writes.size(), 800u);
  for (const std::string& write : recorder.writes) {
    ASSERT_EQ(write.size(), 51u + 41u);
    EXPECT_EQ(write.substr(51), std::string(40, write[51]) + "\n");
  }
}

TEST(ConsoleTraceDestination, WritesToTheKernelLogAsTheGlobalTraceDoes) {
  tConsoleTraceDestination console;
  console.writeText("whole text");
  console.writeCountedText("counted text", 7);
  EXPECT_EQ(sim::Console::lines(), (std::vector<std::string>{"whole text", "counted"}));
  EXPECT_STREQ(console.getName(), "vlsdbg_printf");
  char buffer[32] = "run";
  EXPECT_EQ(console.appendCommandLineOption(buffer, sizeof(buffer)), 22u);
  EXPECT_STREQ(buffer, "run --destination apal");
  char small[8] = "run";
  EXPECT_EQ(console.appendCommandLineOption(small, sizeof(small)), 22u);
  EXPECT_STREQ(small, "run");
  getGlobalTrace().append("global trace line");
  getGlobalTrace().endLine();
  EXPECT_TRUE(sim::Console::contains(kBlankPrefix + "global trace line\n"));
}

}  // namespace
