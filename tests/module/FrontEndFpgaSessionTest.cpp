// The front end's fpga-session command on the packaged module: every step
// of the FPGA session answers success and the session says what the board
// model saw.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "PublishedRequests.h"
#include "tools/vl9738k-sim/CommandLine.h"
#include "tools/vl9738k-sim/FrontEnd.h"

namespace {

TEST(FrontEndFpgaSession, ConfiguresStreamsAndWaitsWithEveryStepSucceeding) {
  const char* argv[] = {"vl9738k-sim", "fpga-session"};
  const vlcli::CommandLine line = vlcli::parseCommandLine(2, argv);
  ASSERT_EQ(line.error, "");
  std::istringstream none;
  std::ostringstream out;
  EXPECT_EQ(vlcli::FrontEnd(out).run(line, none), 0) << out.str();
  const std::string transcript = out.str();
  for (const char* seen : {"downloaded 1, loader received 8192 bytes", "first signature word 0x11",
                           "the device took 4096 bytes", "IRQs 0x2, timed out 0", "answered 0 bytes"}) {
    EXPECT_NE(transcript.find(seen), std::string::npos) << seen << "\n" << transcript;
  }
  // Each step is reported under the name user mode knows its request by.
  std::istringstream lines(transcript);
  std::set<std::string> steps;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  vllym_", 0) == 0) steps.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  std::set<std::string> published;
  for (const auto& request : vltest::kPublishedFpgaSessionRequests) {
    if (steps.count(request.name) != 0) published.insert(request.name);
  }
  EXPECT_EQ(steps.size(), 9u) << transcript;
  EXPECT_EQ(published, steps);
}

}  // namespace
