#include "CommandLine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "WholeNumber.h"

namespace vlcli {

const char kBanner[] =
    "vl9738k-sim: command-line front end of the vl9738k driver module, driving a simulated VL PXIe-9738 board";

namespace {

// The value of option `name`: the next argument.
const char* optionValue(int argc, const char* const* argv, int& i, CommandLine& line) {
  if (i + 1 >= argc) {
    line.error = std::string(argv[i]) + " needs a value";
    return nullptr;
  }
  return argv[++i];
}

void takeOption(int argc, const char* const* argv, int& i, CommandLine& line) {
  const char* option = argv[i];
  if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
    line.help = true;
    return;
  }
  static const char* const kValued[] = {"--serial", "--slot", "--fault", "--module", "--script"};
  bool known = false;
  for (const char* name : kValued) known = known || std::strcmp(option, name) == 0;
  if (!known) {
    line.error = std::string("unknown option '") + option + "'";
    return;
  }
  const char* value = optionValue(argc, argv, i, line);
  if (value == nullptr) return;
  if (std::strcmp(option, "--serial") == 0) {
    if (const auto number = wholeNumber(value, 0, 0, UINT32_MAX)) {
      line.bringUp.serialNumber = *number;
    } else {
      line.error = std::string("--serial takes a 32-bit number, not '") + value + "'";
    }
  } else if (std::strcmp(option, "--slot") == 0) {
    // The backplane gives the board five bits of slot.
    if (const auto number = wholeNumber(value, 0, 0, sim::Bridge::kGeographicSlotMask)) {
      line.bringUp.slot = static_cast<uint8_t>(*number);
    } else {
      line.error = std::string("--slot takes a number from 0 to 31, not '") + value + "'";
    }
  } else if (std::strcmp(option, "--fault") == 0) {
    const BoardFault* fault = findBoardFault(value);
    if (fault != nullptr) {
      line.bringUp.faults.push_back(fault);
    } else {
      line.error = std::string("no fault is named '") + value + "'; the faults:";
      for (size_t f = 0; f < kBoardFaultCount; ++f)
        line.error += std::string(f == 0 ? " " : ", ") + kBoardFaults[f].name;
    }
  } else if (std::strcmp(option, "--module") == 0) {
    line.bringUp.modulePath = value;
  } else {
    line.scriptPath = value;
  }
}

// A file named on the command line must exist and not be a directory, so
// that the session never starts on nothing.
std::string unreadable(const char* what, const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return std::string("cannot read ") + what + " '" + path + "': " + std::strerror(errno);
  }
  if (S_ISDIR(info.st_mode)) return std::string("cannot read ") + what + " '" + path + "': it is a directory";
  return "";
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc && line.error.empty(); ++i) {
    if (!optionsEnded && std::strcmp(argv[i], "--") == 0) {
      optionsEnded = true;
    } else if (!optionsEnded && argv[i][0] == '-' && argv[i][1] != '\0') {
      takeOption(argc, argv, i, line);
    } else {
      line.commands.push_back(argv[i]);
    }
  }
  if (line.error.empty() && !line.scriptPath.empty() && !line.commands.empty()) {
    line.error = "give commands either as arguments or with --script, not both";
  }
  if (line.error.empty() && !line.scriptPath.empty() && line.scriptPath != "-") {
    line.error = unreadable("the script", line.scriptPath);
  }
  if (line.error.empty() && !line.bringUp.modulePath.empty()) {
    line.error = unreadable("the module", line.bringUp.modulePath);
    const std::string why = line.error.empty() ? sim::Module::whyNotAModule(line.bringUp.modulePath) : "";
    if (!why.empty()) line.error = "cannot load the module '" + line.bringUp.modulePath + "': " + why;
    // A name without a folder would be looked for among the system's
    // libraries, not here.
    if (line.bringUp.modulePath.find('/') == std::string::npos) line.bringUp.modulePath.insert(0, "./");
  }
  return line;
}

int refuseCommandLine(const CommandLine& line, std::ostream& err) {
  err << "vl9738k-sim: " << line.error << " (--help prints the usage)\n";
  return 2;
}

namespace {

constexpr CommandUsage kCommands[] = {
    {"properties", "", 0, "the board's published properties, identity and bring-up statuses"},
    {"selftest", "", 0, "the driver's board self test, one line per check"},
    {"temperature", "", 0, "every temperature sensor the driver serves"},
    {"maps", "", 0, "the register maps the driver registered, by name"},
    {"dump", "MAP", 1,
     "every register of a map, name[hi:lo]: value per field\n"
     "(readable registers from the hardware, write-only ones their shadow)"},
    {"read", "MAP REGISTER", 2, "one register from the hardware (a write-only one: its shadow)"},
    {"write", "MAP REGISTER VALUE", 3, "one register, written through to the hardware"},
    {"tune", "", 0,
     "an LO0 frequency and power from the onboard reference: deploy, reserve\n"
     "and commit, with LO0's DAC NCO and amplitude before and after"},
    {"lock", "", 0,
     "the reference clock's lock query (path selected and its list-mode check\n"
     "not failed; it does not report the PLL's lock)"},
    {"fpga-session", "", 0, "an FPGA session: a personality with a bitfile, registers, a FIFO, an IRQ"},
    {"help", "", 0, "this list"},
    {"quit", "", 0, "take the board down and leave"},
    {"expect-refusal", "COMMAND", kAnyWords, "COMMAND, expected to be refused: the step fails when it succeeds"},
};

constexpr size_t kUsageWidth = 31;

// The command's lines of the list, its usage first.
void printCommand(const CommandUsage& command, std::ostream& out) {
  std::string usage = std::string(command.name) + (command.arguments[0] != '\0' ? " " : "") + command.arguments;
  usage.resize(std::max(usage.size() + 1, kUsageWidth), ' ');
  const std::string what = command.what;
  for (size_t start = 0, end = 0; start < what.size(); start = end + 1, usage.assign(kUsageWidth, ' ')) {
    end = std::min(what.find('\n', start), what.size());
    out << "  " << usage << what.substr(start, end - start) << "\n";
  }
}

}  // namespace

const CommandUsage* findCommand(const std::string& name) {
  for (const CommandUsage& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

void printCommands(std::ostream& out) {
  out << "commands (on the command line, a command with arguments is one quoted argument: \"read MAP REGISTER\"):\n";
  for (const CommandUsage& command : kCommands) printCommand(command, out);
  out << "\nThe exit status is the worst step's: 0 when every step went as it expected; 1 when a request answered\n"
         "an error, a self-test check failed, a command was not understood or was short of its arguments (it\n"
         "prints its usage), an expected refusal did not come, or the board was not brought up; 2 for a command\n"
         "line that cannot run (an unknown option or fault, a bad value, a script that cannot be read, a module\n"
         "that is missing or is not one).\n";
}

void printUsage(std::ostream& out) {
  out << kBanner << "\n\n"
      << "usage: vl9738k-sim [options] [command ...]\n\n"
         "Loads the packaged driver module into the simulated kernel layer, brings up one simulated board,\n"
         "runs the commands (each argument one command, so a command with arguments is one quoted argument;\n"
         "without any, one a line from --script or standard input) through the driver's main interface, then\n"
         "takes the board down and unloads the module.\n\n"
         "options:\n"
         "  --serial N       the board's serial number (default 0x01D2C3B4)\n"
         "  --slot N         the board's geographic slot, 0 to 31 (default 5)\n"
         "  --fault NAME     give the board a fault before bring-up (repeatable; see below)\n"
         "  --module PATH    the module to load (default: the one built beside the program)\n"
         "  --script FILE    read the commands from FILE, one a line ('-': standard input; '#' comments)\n"
         "  --help           this text\n\n";
  printCommands(out);
  out << "\nfaults:\n";
  for (size_t i = 0; i < kBoardFaultCount; ++i) {
    out << "  " << kBoardFaults[i].name << std::string(18 - std::strlen(kBoardFaults[i].name), ' ')
        << kBoardFaults[i].what << "\n";
  }
}

}  // namespace vlcli
