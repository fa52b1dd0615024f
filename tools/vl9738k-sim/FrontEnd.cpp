#include "FrontEnd.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <vector>

#include "FpgaSessionMode.h"
#include "MapCatalog.h"
#include "StatusNames.h"

namespace vlcli {
namespace {

// At least eight digits; a 64-bit value takes all sixteen.
std::string hex32(uint64_t value) {
  char text[24];
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

// What the bring-up's power-up waits for, in its order: a wait that runs
// out ends the power-up with "board check failed", and the later ones are
// never reached.
struct PowerUpWait {
  const char* what;
  const char* map;
  const char* registerName;
  uint64_t mask;
};

constexpr PowerUpWait kPowerUpWaits[] = {
    {"Ref CPLD link up", "RefEndpointRegMap", "AuxStatusReg", 0x100},
    {"LO card power good", "BoardControl", "LoCardPowerStatus", 0x8888888},
    {"LO0 CPLD link up", "Lo0EndpointRegMap", "AuxStatusReg", 0x100},
    {"LO1 CPLD link up", "Lo1EndpointRegMap", "AuxStatusReg", 0x100},
};

constexpr int64_t kBoardCheckFailed = static_cast<int32_t>(0xBFFA9176u);
constexpr int kFpgaImageRecord = 0;
constexpr int kPowerUpRecord = 2;
constexpr int kAnyAnswer = -1;

// What a person cannot tell from these codes alone.
struct AnswerNote {
  int64_t code;
  // Said only when this bring-up record holds the code (kAnyAnswer: always).
  int record;
  const char* text;
};

constexpr AnswerNote kAnswerNotes[] = {
    {static_cast<int32_t>(0xBFFA9174u), kFpgaImageRecord,
     "  why 0xBFFA9174: the bring-up could not read the calibration flash's records when it mounted the flash (an\n"
     "  erased flash), and every bring-up record but the late initialisation's takes that in: requests that need the\n"
     "  board's maps or settings answer it; the self test's request looks at the late-initialisation record only.\n"},
    {kBoardCheckFailed, kPowerUpRecord,
     "  why 0xBFFA9176: a wait of the bring-up's power-up ran out ('selftest' shows which). Requests that drive the\n"
     "  powered board (tune, lock, the board's sensors 1 and 2) answer that record; register reads, the self test's\n"
     "  request and the other sensors do not take it in.\n"},
    {static_cast<int32_t>(0xBFFA9046u), kAnyAnswer,
     "  why 0xBFFA9046: reading the board's sensor found the FPGA overheating: the driver powered\n"
     "  the board off and keeps the shutdown as its power-up record, which requests that need the powered board\n"
     "  answer from then on; the shutdown also made every session opened before it stale.\n"},
    {static_cast<int32_t>(0xBFFA9179u), kAnyAnswer,
     "  why 0xBFFA9179: the device's generation moved on since this session opened the main interface (a shutdown,\n"
     "  a reset or a new FPGA image), and the driver refuses every later request of the session; a client would open\n"
     "  the interface again. This front end keeps its session, so its later requests answer the same.\n"},
    {static_cast<int32_t>(0xBFFA90E2u), kAnyAnswer,
     "  why 0xBFFA90E2: the commit wrote the LO settings ('after' shows them), then waited for the reference PLL to\n"
     "  lock, which it never did; the lock query reports the path's selection, not the PLL's lock, so it answers 0.\n"},
};

}  // namespace

int FrontEnd::run(const CommandLine& line, std::istream& input) {
  out_ << kBanner << "\n\n";
  takeShownFailures();
  if (!bringUp(line.bringUp)) {
    board_.takeDown();
    bringUpFailed_ = true;
    return finish();
  }
  commandsFromArguments_ = !line.commands.empty();
  if (commandsFromArguments_) {
    for (const std::string& command : line.commands) {
      if (!step(command)) break;
    }
  } else {
    if (interactive_) out_ << "\nType a command ('help' lists them, 'quit' or end of input leaves).\n";
    for (std::string command; prompt(), std::getline(input, command);) {
      const size_t start = command.find_first_not_of(" \t");
      if (start == std::string::npos || command[start] == '#') continue;
      if (!step(command.substr(start))) break;
    }
  }
  out_ << "\nTaking the board down and unloading the module\n";
  maps_.reset();
  settings_.reset();
  requests_.reset();
  board_.takeDown();
  return finish();
}

int FrontEnd::finish() {
  if (bringUpFailed_) {
    out_ << "\nSession status 1: the board was not brought up\n";
    return 1;
  }
  if (failedSteps_.empty()) {
    out_ << "\nSession status 0: every step went as it expected\n";
    return 0;
  }
  out_ << "\nSession status 1: " << failedSteps_.size() << (failedSteps_.size() == 1 ? " step" : " steps")
       << " failed:";
  for (size_t i = 0; i < failedSteps_.size(); ++i) out_ << (i == 0 ? " " : "; ") << failedSteps_[i];
  out_ << "\n";
  return 1;
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
    explainRefusedBringUp();
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

bool FrontEnd::step(const std::string& command) {
  if (!interactive_) out_ << "\n> " << command << "\n";
  std::vector<std::string> word = words(command);
  if (word.size() == 1 && word[0] == "quit") return false;
  // A step that sends a request on purpose to see it refused.
  // Alone, it is short of its command and shows its usage.
  const bool expectsRefusal = word.size() > 1 && word[0] == "expect-refusal";
  if (expectsRefusal) word.erase(word.begin());
  const Outcome outcome = execute(word);
  bool failed = outcome != Outcome::kSucceeded;
  if (expectsRefusal && outcome == Outcome::kRefused) {
    out_ << "  refused, as this step expects (a deliberate refusal)\n";
    failed = false;
  } else if (expectsRefusal && outcome == Outcome::kSucceeded) {
    out_ << "  this step expects a refusal, but its requests answered success\n";
    failed = true;
  }
  if (failed) failedSteps_.push_back(command);
  explainAnswers();
  return true;
}

void FrontEnd::explainAnswers() {
  int64_t records[4] = {};
  const bool logged = board_.bringUpRecords(records);
  for (const int64_t code : takeShownFailures()) {
    if (std::find(explained_.begin(), explained_.end(), code) != explained_.end()) continue;
    for (const AnswerNote& note : kAnswerNotes) {
      if (note.code != code || (note.record != kAnyAnswer && (!logged || records[note.record] != code))) continue;
      out_ << note.text;
      explained_.push_back(code);
    }
  }
}

void FrontEnd::explainRefusedBringUp() {
  if (!board_.hasBoard() || board_.addDeviceResult() == 0) return;
  const sim::FpgaLoader& loader = board_.board().bridge().fpgaLoader();
  if (loader.starts() != 0 && !loader.programmed() && (loader.status() & sim::FpgaLoader::kFailed) != 0) {
    out_ << "  the FPGA refused the image: its loader took " << loader.received().size()
         << " bytes and reported the download failed, never\n"
            "  done; without an FPGA design the board's registers cannot be reached, so the driver refused the board\n";
  }
  int64_t records[4] = {};
  if (board_.bringUpRecords(records)) bringUpStatuses();
}

FrontEnd::Outcome FrontEnd::execute(const std::vector<std::string>& word) {
  const CommandUsage* command = word.empty() ? nullptr : findCommand(word[0]);
  if (command == nullptr) {
    out_ << "  not a command; 'help' lists them\n";
    return Outcome::kNotUnderstood;
  }
  // A command short of its arguments, or given more, sends nothing.
  const size_t arguments = word.size() - 1;
  if (command->count == kAnyWords ? arguments == 0 : arguments != static_cast<size_t>(command->count)) {
    out_ << "  usage: " << command->name << (command->count == 0 ? " (no arguments)" : " ") << command->arguments
         << (commandsFromArguments_ && command->count != 0 ? " (one quoted argument on the command line)" : "") << "\n";
    return Outcome::kNotUnderstood;
  }
  const std::string& verb = word[0];
  bool answered = true;
  if (verb == "help") {
    printCommands(out_);
  } else if (verb == "properties") {
    answered = properties();
  } else if (verb == "selftest") {
    answered = selfTest();
  } else if (verb == "temperature") {
    answered = temperature();
  } else if (verb == "maps") {
    answered = maps_->list();
  } else if (verb == "dump") {
    answered = maps_->dump(word[1]);
  } else if (verb == "read") {
    answered = maps_->read(word[1], word[2]);
  } else if (verb == "write") {
    answered = maps_->write(word[1], word[2], word[3]);
  } else if (verb == "tune") {
    answered = settings_->showDac("before");
    answered = settings_->tune() && answered;
    answered = settings_->showDac("after ") && answered;
  } else if (verb == "lock") {
    answered = settings_->lockQuery();
  } else if (verb == "fpga-session") {
    answered = runFpgaSessionMode(board_.module(), board_.board(), out_) == 0;
  } else {
    // `quit` and `expect-refusal` after an `expect-refusal`.
    out_ << "  not a command that sends requests, which is what 'expect-refusal' takes\n";
    return Outcome::kNotUnderstood;
  }
  return answered ? Outcome::kSucceeded : Outcome::kRefused;
}

bool FrontEnd::properties() {
  const std::vector<sim::DeviceRegistry::Property> published = board_.properties();
  out_ << "  device properties:";
  // The driver fills the list only when the bring-up's properties stage
  // succeeds: with a failed stage (a blank flash fails the first) there is
  // nothing to show.
  out_ << (published.empty() ? " none published (the bring-up's properties stage did not succeed; below)\n" : "\n");
  for (const sim::DeviceRegistry::Property& property : published) {
    out_ << "    " << padded(property.name, 24) << valueText(property.value) << "\n";
  }
  const bool answered = identity();
  bringUpStatuses();
  return answered;
}

bool FrontEnd::identity() {
  bool answered = true;
  auto shown = [&answered](const Answer& answer, const std::string& value) {
    answered = answered && answer.status >= 0;
    return answer.status < 0 ? statusText(answer.status) : value;
  };
  out_ << "  identity:\n";
  const Answer serial = requests_->serialNumber();
  // The driver holds all ones until a bring-up has read the serial number.
  out_ << "    serial number           "
       << shown(serial, hex32(serial.value) +
                            (serial.value == ~uint64_t{0} ? " (all ones: no bring-up has read a serial number)" : ""))
       << "\n";
  const Answer module = requests_->moduleRevision(0);
  out_ << "    module revision         " << shown(module, hex32(module.value)) << "\n";
  const Answer firmware = requests_->firmwareRevisions();
  out_ << "    firmware revisions      "
       << shown(firmware, "current " + hex32(firmware.value & 0xFFFFFFFF) + ", oldest " + hex32(firmware.value >> 32))
       << "\n";
  static const char* const kSelectors[] = {"newest", "oldest"};
  for (uint32_t selector = 0; selector < 2; ++selector) {
    const Answer version = requests_->driverAttribute(0, selector);
    out_ << "    driver version, " << kSelectors[selector] << "  " << shown(version, hex32(version.value)) << "\n";
  }
  return answered;
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

// The request's answer is the driver's own board check under its guard,
// which looks at the late-initialisation record only; the checks below are
// the front end's register reads of the same registers, whose guard answers
// any failed bring-up record. Both are shown, and either failing fails the
// step.
bool FrontEnd::selfTest() {
  const int64_t status = requests_->selfTest();
  out_ << "  self test request (the driver's board check): " << statusText(status) << "\n";
  out_ << "  checks (the front end's reads of the registers the board check reads):\n";
  size_t failed = 0;
  for (const SelfTestCheck& check : kSelfTestChecks) {
    const Answer answer = requests_->read(check.map, check.id, 0);
    out_ << "    " << padded(check.what, 18) << padded(std::string(check.map) + " " + check.registerName, 36);
    const bool pass = answer.status >= 0 && (answer.value & check.mask) == check.expected;
    failed += pass ? 0 : 1;
    out_ << (answer.status < 0 ? statusText(answer.status) : hex32(answer.value)) << "  " << (pass ? "pass" : "FAIL")
         << "\n";
  }
  out_ << "  " << failed << " of " << std::size(kSelfTestChecks) << " checks failed";
  if (failed != 0 && status == 0) {
    out_ << "; the request answers success: its guard looks at the late-initialisation record only, and its board\n"
            "  check passed, while the reads' guard answers the first failed bring-up record";
  }
  out_ << "\n";
  int64_t records[4] = {};
  if (board_.bringUpRecords(records) && records[kPowerUpRecord] == kBoardCheckFailed) {
    powerUpWaits(records[kPowerUpRecord]);
  }
  return status >= 0 && failed == 0;
}

// Which wait of the power-up ran out; the self test's request and its
// checks cannot tell, since neither looks at the power-up.
void FrontEnd::powerUpWaits(int64_t record) {
  out_ << "  power-up waits (the bring-up's power-up record: " << statusText(record) << "):\n";
  bool stopped = false;
  for (const PowerUpWait& wait : kPowerUpWaits) {
    out_ << "    " << padded(wait.what, 20) << padded(std::string(wait.map) + " " + wait.registerName, 34);
    const CatalogMap* map = catalogMapFor(wait.map);
    const CatalogRegister* entry = map != nullptr ? findRegister(*map, wait.registerName) : nullptr;
    if (entry == nullptr) {
      out_ << "not in the front end's catalogue\n";
      continue;
    }
    const Answer answer = requests_->read(requestName(wait.map), entry->id, entry->context);
    if (answer.status < 0) {
      out_ << statusText(answer.status) << "\n";
      continue;
    }
    const bool good = (answer.value & wait.mask) == wait.mask;
    out_ << hex32(answer.value) << "  "
         << (stopped ? "not reached"
             : good  ? "pass"
                     : "FAIL: the power-up waited here in vain and stopped")
         << "\n";
    stopped = stopped || !good;
  }
  out_ << "  both hold: the self test's request answers from the late-initialisation record, which does not take\n"
          "  the power-up record in, and its checks read ready bits that the CPLDs answer without their links\n";
}

bool FrontEnd::temperature() {
  bool answered = true;
  for (uint32_t sensor : kTemperatureSensors) {
    const TemperatureAnswer answer = requests_->temperature(sensor, 1);
    out_ << "    sensor " << padded(std::to_string(sensor), 4);
    if (answer.status < 0 || answer.divisor == 0) {
      answered = false;
      out_ << statusText(answer.status) << (answer.status >= 0 ? " (divisor 0)" : "") << "\n";
      continue;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.2f degrees C", static_cast<double>(answer.sum) / answer.divisor);
    out_ << text << "\n";
  }
  return answered;
}

}  // namespace vlcli
