#include "CommandLine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vlcli {

const char kBanner[] =
    "vl9738k-sim: command-line front end of the vl9738k driver module, driving a simulated VL PXIe-9738 board";

namespace {

bool parseNumber(const char* text, uint64_t limit, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || parsed > limit) return false;
  value = parsed;
  return true;
}

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
  uint64_t number = 0;
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
    if (parseNumber(value, UINT32_MAX, number)) {
      line.bringUp.serialNumber = number;
    } else {
      line.error = std::string("--serial takes a 32-bit number, not '") + value + "'";
    }
  } else if (std::strcmp(option, "--slot") == 0) {
    if (parseNumber(value, 0xFF, number)) {
      line.bringUp.slot = static_cast<uint8_t>(number);
    } else {
      line.error = std::string("--slot takes a number from 0 to 255, not '") + value + "'";
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
  }
  return line;
}

int refuseCommandLine(const CommandLine& line, std::ostream& err) {
  err << "vl9738k-sim: " << line.error << " (--help prints the usage)\n";
  return 2;
}

void printCommands(std::ostream& out) {
  out << "commands:\n"
         "  properties                     the board's published properties, identity and bring-up statuses\n"
         "  selftest                       the driver's board self test, one line per check\n"
         "  temperature                    every temperature sensor the driver serves\n"
         "  maps                           the register maps the driver registered, by name\n"
         "  dump MAP                       every register of a map, name[hi:lo]: value per field\n"
         "                                 (readable registers from the hardware, write-only ones their shadow)\n"
         "  read MAP REGISTER              one register from the hardware (a write-only one: its shadow)\n"
         "  write MAP REGISTER VALUE       one register, written through to the hardware\n"
         "  tune                           an LO0 frequency and power from the onboard reference: deploy, reserve\n"
         "                                 and commit, with LO0's DAC NCO and amplitude before and after\n"
         "  lock                           the reference clock's lock query (path selected and its list-mode check\n"
         "                                 not failed; it does not report the PLL's lock)\n"
         "  fpga-session                   an FPGA session: a personality with a bitfile, registers, a FIFO, an IRQ\n"
         "  help                           this list\n"
         "  quit                           take the board down and leave\n"
         "  expect-refusal COMMAND         COMMAND, expected to be refused: the step fails when it succeeds\n\n"
         "The exit status is the worst step's: 0 when every step went as it expected; 1 when a request answered\n"
         "an error, a self-test check failed, a command was not understood, an expected refusal did not come,\n"
         "or the board was not brought up; 2 for a command line that cannot run (an unknown option or fault,\n"
         "a script that cannot be read).\n";
}

void printUsage(std::ostream& out) {
  out << kBanner << "\n\n"
      << "usage: vl9738k-sim [options] [command ...]\n\n"
         "Loads the packaged driver module into the simulated kernel layer, brings up one simulated board,\n"
         "runs the commands (each argument one command; without any, one a line from --script or standard\n"
         "input) through the driver's main interface, then takes the board down and unloads the module.\n\n"
         "options:\n"
         "  --serial N       the board's serial number (default 0x01D2C3B4)\n"
         "  --slot N         the board's geographic slot, 0 to 255 (default 5)\n"
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
