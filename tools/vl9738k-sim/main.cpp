// The main job's front end: a person's view of the driver module on a
// simulated board (vl9738k-sim --help).
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "CommandLine.h"
#include "FrontEnd.h"

int main(int argc, char** argv) {
  const vlcli::CommandLine line = vlcli::parseCommandLine(argc, argv);
  if (line.help) {
    vlcli::printUsage(std::cout);
    return 0;
  }
  // A command line that cannot run is one line, and exit status 2.
  if (!line.error.empty()) return vlcli::refuseCommandLine(line, std::cerr);
  std::ifstream script;
  if (!line.scriptPath.empty() && line.scriptPath != "-") {
    script.open(line.scriptPath);
    if (!script) {
      std::cerr << "vl9738k-sim: cannot read the script '" << line.scriptPath << "': " << std::strerror(errno) << "\n";
      return 2;
    }
  }
  vlcli::FrontEnd frontEnd(std::cout);
  frontEnd.setInteractive(line.commands.empty() && line.scriptPath.empty() && isatty(STDIN_FILENO) != 0);
  return frontEnd.run(line, script.is_open() ? static_cast<std::istream&>(script) : std::cin);
}
