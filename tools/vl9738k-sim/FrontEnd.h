// A session of the command-line front end: bring one simulated board up,
// report it, run commands against it through the driver's main interface,
// and take it down again. Everything goes to one output stream, so that a
// scripted session reads the same wherever it runs.
#ifndef VL9738K_TOOLS_CLI_FRONTEND_H
#define VL9738K_TOOLS_CLI_FRONTEND_H

#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "BoardRequests.h"
#include "CommandLine.h"
#include "MapCommands.h"
#include "SettingsCommands.h"
#include "SimulatedBoard.h"

namespace vlcli {

class FrontEnd {
 public:
  explicit FrontEnd(std::ostream& out) : out_(out) {}

  // The whole session: banner, bring-up, the commands (from the command
  // line, else from `input`, one a line), take-down. The exit code: 0, or 1
  // when the board could not be brought up or a command was not understood.
  int run(const CommandLine& line, std::istream& input);
  // A person typing: prompt for each command instead of echoing it.
  void setInteractive(bool interactive) { interactive_ = interactive; }

 private:
  bool bringUp(const BringUpOptions& options);
  void prompt();
  // False for `quit`.
  bool execute(const std::string& command);
  void properties();
  void identity();
  void bringUpStatuses();
  void selfTest();
  void temperature();

  std::ostream& out_;
  SimulatedBoard board_;
  std::unique_ptr<BoardRequests> requests_;
  std::unique_ptr<MapCommands> maps_;
  std::unique_ptr<SettingsCommands> settings_;
  bool failed_ = false;
  bool interactive_ = false;
};

}  // namespace vlcli

#endif
