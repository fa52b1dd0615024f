// The front end's fpga-session command on the packaged module: every step
// of the FPGA session answers success and the session says what the board
// model saw.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

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
}

}  // namespace
