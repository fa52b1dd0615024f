// The command-line front end's scripted session (the main job's own) on
// the packaged module, checked against the transcript a person reads. Set
// VL_UPDATE_GOLDEN=1 to rewrite the transcript after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/vl9738k-sim/CommandLine.h"
#include "tools/vl9738k-sim/FrontEnd.h"

namespace {

std::string sourcePath(const std::string& relative) { return std::string(VL_SOURCE_DIR) + "/" + relative; }

std::string session(std::initializer_list<const char*> arguments, const std::string& script) {
  std::vector<const char*> argv{"vl9738k-sim"};
  argv.insert(argv.end(), arguments);
  const vlcli::CommandLine line = vlcli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(line.error, "");
  std::ifstream input(script);
  std::ostringstream out;
  vlcli::FrontEnd(out).run(line, input);
  return out.str();
}

void expectTranscript(const std::string& actual, const std::string& golden) {
  const std::string path = sourcePath("tests/module/golden/" + golden);
  if (std::getenv("VL_UPDATE_GOLDEN") != nullptr) std::ofstream(path) << actual;
  std::ifstream file(path);
  ASSERT_TRUE(file.good()) << path;
  std::stringstream expected;
  expected << file.rdbuf();
  EXPECT_EQ(actual, expected.str());
}

TEST(FrontEndSession, MainJobSessionPrintsTheKnownTranscript) {
  expectTranscript(session({}, sourcePath("scripts/main-session.txt")), "main-session.txt");
}

// The board's identity and a fault come from the command line: the
// properties carry them and the self test names the check that fails.
TEST(FrontEndSession, OptionsReachTheBoardAndTheSelfTestNamesTheFailingCheck) {
  expectTranscript(
      session({"--serial", "0x1234", "--slot", "9", "--fault", "ref-not-ready", "properties", "selftest"}, "/dev/null"),
      "faulted-session.txt");
}

}  // namespace
