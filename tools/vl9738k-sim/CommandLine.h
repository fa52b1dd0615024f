// The front end's command line: the board's identity and faults, where the
// commands come from, and the usage text.
#ifndef VL9738K_TOOLS_CLI_COMMANDLINE_H
#define VL9738K_TOOLS_CLI_COMMANDLINE_H

#include <ostream>
#include <string>
#include <vector>

#include "SimulatedBoard.h"

namespace vlcli {

// What the program is: the first line it prints.
extern const char kBanner[];

// A command of a session, as `help` lists it.
struct CommandUsage {
  const char* name;
  // What follows the name, as the usage shows it ("MAP REGISTER").
  const char* arguments;
  // How many words follow the name; kAnyWords: one or more.
  int count;
  // One line or more, each shown after the usage.
  const char* what;
};
constexpr int kAnyWords = -1;

// Null when no command has that name.
const CommandUsage* findCommand(const std::string& name);

struct CommandLine {
  BringUpOptions bringUp;
  bool help = false;
  // A file of commands, one a line ("-": standard input).
  std::string scriptPath;
  // Commands given as arguments, one an argument (a command with arguments
  // is one quoted argument).
  std::vector<std::string> commands;
  // Why the command line was refused; empty when it was not.
  std::string error;
};

// Refuses, besides what cannot be parsed, a script that is not a file the
// session could read and a module that is not one the simulated kernel
// layer could load.
CommandLine parseCommandLine(int argc, const char* const* argv);
// A refused command line is one line on `err`; answers the exit status, 2.
int refuseCommandLine(const CommandLine& line, std::ostream& err);
void printUsage(std::ostream& out);
// The commands of a session, as printed by printUsage and `help`.
void printCommands(std::ostream& out);

}  // namespace vlcli

#endif
