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
#include <vector>

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
  // line, else from `input`, one a line), take-down. The exit code is the
  // worst step's: 0 when every step went as it expected, 1 when the board
  // could not be brought up or a step failed (a request answered an error,
  // a self-test check failed, a command was not understood or was short of
  // its arguments (it prints its usage), or a step
  // marked `expect-refusal` was not refused).
  int run(const CommandLine& line, std::istream& input);
  // A person typing: prompt for each command instead of echoing it.
  void setInteractive(bool interactive) { interactive_ = interactive; }

 private:
  // How a command went.
  enum class Outcome { kSucceeded, kRefused, kNotUnderstood };

  bool bringUp(const BringUpOptions& options);
  void prompt();
  // One step of the session; false for `quit`.
  bool step(const std::string& command);
  Outcome execute(const std::vector<std::string>& word);
  // Each answers whether every request it sent answered success (and, for
  // the self test, every check passed).
  bool properties();
  bool identity();
  void bringUpStatuses();
  bool selfTest();
  // What the power-up waited for, shown when a wait ran out.
  void powerUpWaits(int64_t record);
  bool temperature();
  // Says once a session, after the step that first showed it, what a code
  // alone does not tell: why this request answers it and others do not.
  void explainAnswers();
  // Why the driver refused the board, as far as the board model shows it.
  void explainRefusedBringUp();
  int finish();

  std::ostream& out_;
  SimulatedBoard board_;
  std::unique_ptr<BoardRequests> requests_;
  std::unique_ptr<MapCommands> maps_;
  std::unique_ptr<SettingsCommands> settings_;
  std::vector<std::string> failedSteps_;
  std::vector<int64_t> explained_;
  bool bringUpFailed_ = false;
  bool interactive_ = false;
  bool commandsFromArguments_ = false;
};

}  // namespace vlcli

#endif
