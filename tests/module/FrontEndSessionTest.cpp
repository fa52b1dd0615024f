// The command-line front end on the packaged module: its scripted session
// (the main job's own) and faulted ones, each checked against the transcript
// a person reads, ending with the session's exit status (set
// VL_UPDATE_GOLDEN=1 to rewrite the transcripts after a deliberate change),
// and its fpga-session command, every step of which answers success while
// the session says what the board model saw.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>
#include <string>

#include "sim/host/Module.h"
#include "tests/module/PublishedRequests.h"
#include "tools/vl9738k-sim/CommandLine.h"
#include "tools/vl9738k-sim/FrontEnd.h"

namespace {

std::string sourcePath(const std::string& relative) { return std::string(VL_SOURCE_DIR) + "/" + relative; }

// The transcript and exit status; a refused command line is its one line.
std::string session(const std::vector<std::string>& arguments, const std::string& script) {
  std::vector<const char*> argv{"vl9738k-sim"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const vlcli::CommandLine line = vlcli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
  std::ifstream input(script);
  std::ostringstream out;
  const int status = line.error.empty() ? vlcli::FrontEnd(out).run(line, input) : vlcli::refuseCommandLine(line, out);
  return out.str() + "[exit status " + std::to_string(status) + "]\n";
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
// properties carry them, the self test names the check that fails, and a
// failed step (the self test, a name no map has) makes the exit status 1;
// so does a step that expects a refusal and is not refused.
TEST(FrontEndSession, OptionsReachTheBoardAndFailedStepsMakeTheStatus) {
  expectTranscript(session({"--serial", "0x1234", "--slot", "9", "--fault", "ref-not-ready", "properties", "selftest",
                            "dump NoSuchMap", "write BoardControl Trigger0Mask 0x1FF00FF00",
                            "expect-refusal read CoreBrdRegMap BoardSignature", "read NoSuchMap Foo"},
                           "/dev/null"),
                   "faulted-session.txt");
}

// Each fault with the commands its symptoms show in: the transcript says
// in words what failed and why the other answers are what they are.
TEST(FrontEndSession, EachFaultSaysWhatFailedAndWhy) {
  for (size_t f = 0; f < vlcli::kBoardFaultCount; ++f) {
    const char* name = vlcli::kBoardFaults[f].name;
    SCOPED_TRACE(name);
    expectTranscript(session({"--fault", name, "properties", "selftest", "tune", "lock", "temperature"}, "/dev/null"),
                     std::string("fault-") + name + ".txt");
  }
}

// The command lines after "$ " in the golden file (a quoted word is one
// argument), run from the source tree: refused ones, and steps short of
// their arguments, which print their usage.
TEST(FrontEndSession, RefusedCommandLinesSayWhy) {
  std::ifstream golden(sourcePath("tests/module/golden/refused-command-lines.txt"));
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(VL_SOURCE_DIR);
  std::string transcript;
  for (std::string text; std::getline(golden, text);) {
    if (text.rfind("$ vl9738k-sim", 0) != 0) continue;
    std::istringstream words(text.substr(13));
    std::vector<std::string> arguments;
    for (std::string word; words >> std::quoted(word);) arguments.push_back(word);
    transcript += text + "\n" + session(arguments, "/dev/null");
  }
  std::filesystem::current_path(here);
  expectTranscript(transcript, "refused-command-lines.txt");
}

// A shared object for another machine that exports the driver entry (the
// packaged module, its ELF machine changed) is not a module either: refused
// before its load, in one line, rather than failing to map.
TEST(FrontEndSession, RefusesAModuleBuiltForAnotherMachine) {
  const std::filesystem::path foreign = std::filesystem::path(testing::TempDir()) / "vl9738k-foreign-machine.so";
  std::filesystem::copy_file(sim::Module::defaultPath(), foreign, std::filesystem::copy_options::overwrite_existing);
  // The packaged module's machine is this one's; the copy gets another.
  Elf64_Half own = EM_NONE;
  {
    std::fstream file(foreign, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(offsetof(Elf64_Ehdr, e_machine));
    file.read(reinterpret_cast<char*>(&own), sizeof own);
    const Elf64_Half other = own == EM_AARCH64 ? EM_X86_64 : EM_AARCH64;
    file.seekp(offsetof(Elf64_Ehdr, e_machine));
    file.write(reinterpret_cast<const char*>(&other), sizeof other);
    ASSERT_TRUE(file.good());
  }
  const std::string transcript = session({"--module", foreign.string(), "properties"}, "/dev/null");
  std::filesystem::remove(foreign);
  const unsigned other = own == EM_AARCH64 ? EM_X86_64 : EM_AARCH64;
  EXPECT_EQ(transcript, "vl9738k-sim: cannot load the module '" + foreign.string() +
                            "': it is an ELF object for another machine (ELF machine " + std::to_string(other) +
                            ", this one's " + std::to_string(own) + ") (--help prints the usage)\n[exit status 2]\n");
}

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
