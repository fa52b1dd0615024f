#include "FrontEnd.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "FpgaSessionMode.h"
#include "StatusNames.h"

namespace vlcli {
namespace {

std::string hex32(uint64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

// A published value as user space reads it: text with its terminator, or
// a little-endian number.
std::string valueText(const std::vector<uint8_t>& value) {
  bool isText = value.size() > 1 && value.back() == 0;
  for (size_t i = 0; isText && i + 1 < value.size(); ++i) isText = value[i] >= 0x20 && value[i] < 0x7F;
  if (isText) return "\"" + std::string(value.begin(), value.end() - 1) + "\"";
  uint64_t number = 0;
  for (size_t i = 0; i < value.size() && i < 8; ++i) number |= uint64_t{value[i]} << (8 * i);
  char text[48];
  std::snprintf(text, sizeof text, "%llu (0x%llX)", static_cast<unsigned long long>(number),
                static_cast<unsigned long long>(number));
  return text;
}

std::string padded(const std::string& text, size_t width) {
  return text.size() < width ? text + std::string(width - text.size(), ' ') : text + " ";
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> found;
  for (std::string word; stream >> word;) found.push_back(word);
  return found;
}

// The checks of the board's self test, as user mode can see them: the
// register each reads and the value or bit that passes.
struct SelfTestCheck {
  const char* what;
  const char* map;
  const char* registerName;
  uint32_t id;
  uint64_t mask;
  uint64_t expected;
};

constexpr SelfTestCheck kSelfTestChecks[] = {
    {"board signature", "CoreBrdRegMap", "BoardSignature", 0x8048A13C, 0xFFFFFFFF, 0x5B314F56},
    {"Ref CPLD ready", "RefAuxInterfaceRegMap", "SlaveStatus", 0x80C7410C, 0x1, 0x1},
    {"LO0 CPLD ready", "Lo0AuxInterfaceRegMap", "SlaveStatus", 0x80C7410C, 0x1, 0x1},
    {"LO1 CPLD ready", "Lo1AuxInterfaceRegMap", "SlaveStatus", 0x80C7410C, 0x1, 0x1},
};

// The sensors the temperature request serves.
constexpr uint32_t kTemperatureSensors[] = {1, 2, 16, 17, 24, 25};

}  // namespace

int FrontEnd::run(const CommandLine& line, std::istream& input) {
  out_ << kBanner << "\n\n";
  if (!bringUp(line.bringUp)) {
    board_.takeDown();
    return 1;
  }
  if (!line.commands.empty()) {
    for (const std::string& command : line.commands) {
      if (!execute(command)) break;
    }
  } else {
    if (interactive_) out_ << "\nType a command ('help' lists them, 'quit' or end of input leaves).\n";
    for (std::string command; prompt(), std::getline(input, command);) {
      const size_t start = command.find_first_not_of(" \t");
      if (start == std::string::npos || command[start] == '#') continue;
      if (!execute(command.substr(start))) break;
    }
  }
  out_ << "\nTaking the board down and unloading the module\n";
  maps_.reset();
  settings_.reset();
  requests_.reset();
  board_.takeDown();
  return failed_ ? 1 : 0;
}

bool FrontEnd::bringUp(const BringUpOptions& options) {
  const sim::BoardOptions defaults;
  out_ << "Bringing up a simulated board: serial number " << hex32(options.serialNumber.value_or(defaults.serialNumber))
       << ", slot " << unsigned{options.slot.value_or(defaults.geographicSlot)} << ", ";
  if (options.faults.empty()) out_ << "no faults";
  for (size_t i = 0; i < options.faults.size(); ++i) out_ << (i == 0 ? "faults: " : ", ") << options.faults[i]->name;
  out_ << "\n";
  if (!board_.bringUp(options)) {
    out_ << "  " << board_.error() << "\n";
    return false;
  }
  out_ << "  add device: " << statusText(board_.addDeviceResult()) << "\n";
  out_ << "  main interface \"vl9738_vl9738k\" open\n";
  requests_ = std::make_unique<BoardRequests>(*board_.mainInterface());
  maps_ = std::make_unique<MapCommands>(*requests_, out_);
  settings_ = std::make_unique<SettingsCommands>(*board_.mainInterface(), out_);
  return true;
}

void FrontEnd::prompt() {
  if (interactive_) out_ << "\nvl9738k> " << std::flush;
}

bool FrontEnd::execute(const std::string& command) {
  if (!interactive_) out_ << "\n> " << command << "\n";
  const std::vector<std::string> word = words(command);
  const std::string verb = word.empty() ? "" : word[0];
  const size_t arguments = word.size() - 1;
  if (verb == "quit" && arguments == 0) return false;
  if (verb == "help" && arguments == 0) {
    printCommands(out_);
  } else if (verb == "properties" && arguments == 0) {
    properties();
  } else if (verb == "selftest" && arguments == 0) {
    selfTest();
  } else if (verb == "temperature" && arguments == 0) {
    temperature();
  } else if (verb == "maps" && arguments == 0) {
    maps_->list();
  } else if (verb == "dump" && arguments == 1) {
    maps_->dump(word[1]);
  } else if (verb == "read" && arguments == 2) {
    maps_->read(word[1], word[2]);
  } else if (verb == "write" && arguments == 3) {
    maps_->write(word[1], word[2], word[3]);
  } else if (verb == "tune" && arguments == 0) {
    settings_->showDac("before");
    if (!settings_->tune()) failed_ = true;
    settings_->showDac("after ");
  } else if (verb == "lock" && arguments == 0) {
    if (!settings_->lockQuery()) failed_ = true;
  } else if (verb == "fpga-session" && arguments == 0) {
    if (runFpgaSessionMode(board_.module(), board_.board(), out_) != 0) failed_ = true;
  } else {
    out_ << "  not a command (or not its arguments); 'help' lists them\n";
    failed_ = true;
  }
  return true;
}

void FrontEnd::properties() {
  out_ << "  device properties:\n";
  for (const sim::DeviceRegistry::Property& property : board_.properties()) {
    out_ << "    " << padded(property.name, 24) << valueText(property.value) << "\n";
  }
  identity();
  bringUpStatuses();
}

void FrontEnd::identity() {
  out_ << "  identity:\n";
  const Answer serial = requests_->serialNumber();
  out_ << "    serial number           " << (serial.status < 0 ? statusText(serial.status) : hex32(serial.value))
       << "\n";
  const Answer module = requests_->moduleRevision(0);
  out_ << "    module revision         " << (module.status < 0 ? statusText(module.status) : hex32(module.value))
       << "\n";
  const Answer firmware = requests_->firmwareRevisions();
  out_ << "    firmware revisions      "
       << (firmware.status < 0
               ? statusText(firmware.status)
               : "current " + hex32(firmware.value & 0xFFFFFFFF) + ", oldest " + hex32(firmware.value >> 32))
       << "\n";
  static const char* const kSelectors[] = {"newest", "oldest"};
  for (uint32_t selector = 0; selector < 2; ++selector) {
    const Answer version = requests_->driverAttribute(0, selector);
    out_ << "    driver version, " << kSelectors[selector] << "  "
         << (version.status < 0 ? statusText(version.status) : hex32(version.value)) << "\n";
  }
}

void FrontEnd::bringUpStatuses() {
  int64_t codes[4] = {};
  out_ << "  bring-up statuses:\n";
  if (!board_.bringUpRecords(codes)) {
    out_ << "    (the driver logged none)\n";
    return;
  }
  static const char* const kStages[] = {"FPGA image", "properties", "power-up", "late initialisation"};
  for (int i = 0; i < 4; ++i) out_ << "    " << padded(kStages[i], 24) << statusText(codes[i]) << "\n";
}

void FrontEnd::selfTest() {
  const int64_t status = requests_->selfTest();
  for (const SelfTestCheck& check : kSelfTestChecks) {
    const Answer answer = requests_->read(check.map, check.id, 0);
    out_ << "    " << padded(check.what, 18) << padded(std::string(check.map) + " " + check.registerName, 36);
    if (answer.status < 0) {
      out_ << statusText(answer.status) << "  FAIL\n";
      continue;
    }
    const bool pass = (answer.value & check.mask) == check.expected;
    out_ << hex32(answer.value) << "  " << (pass ? "pass" : "FAIL") << "\n";
  }
  out_ << "  self test: " << statusText(status) << "\n";
}

void FrontEnd::temperature() {
  for (uint32_t sensor : kTemperatureSensors) {
    const TemperatureAnswer answer = requests_->temperature(sensor, 1);
    out_ << "    sensor " << padded(std::to_string(sensor), 4);
    if (answer.status < 0 || answer.divisor == 0) {
      out_ << statusText(answer.status) << "\n";
      continue;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.2f degrees C", static_cast<double>(answer.sum) / answer.divisor);
    out_ << text << "\n";
  }
}

}  // namespace vlcli
