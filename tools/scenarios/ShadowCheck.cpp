#include "ShadowCheck.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Family.h"
#include "Scenario.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

namespace rq = nVL9738K_24_0::requests;

constexpr int kNoDac = -1;

// The maps whose shadows are checked: the host's board control, the Ref
// CPLD with the blocks behind it, and the LO CPLDs' blocks. Their registers
// come from the register-map tables of the tree (every writable one);
// `base` is where the map starts in the fixed-logic window, or for a DAC,
// which LO path's chip holds it. Left out as a whole: the endpoints and
// register ports of the CPLD links and the auxiliary interfaces (handshake
// words whose hardware answers what no write set), the temperature blocks
// (read-only readings) and the routing host's registers (the routing
// family checks the matrix itself). A family may leave maps out for a step
// (`Scenario::leaveOutShadows`): the list-mode family, the maps an engine's
// list may write once it ran a list recorded before the last bring-up (the
// driver's record of recorded registers begins at the bring-up).
struct CheckedMap {
  const char* name;
  const char* table;
  uint64_t base;
  int dac;
};
constexpr CheckedMap kMaps[] = {
    {"BoardControl", "board/tBoardControl.regmap", 0x1000, kNoDac},
    {"Vl9738RefCpld", "board/cpld/tVl9738RefCpld.regmap", 0x4000, kNoDac},
    {"Lo0RefClkToLoRegMap", "board/cpld/tRefClkToLoRegMap.regmap", 0x4160, kNoDac},
    {"Lo1RefClkToLoRegMap", "board/cpld/tRefClkToLoRegMap.regmap", 0x4170, kNoDac},
    {"Ad9512RegMap", "board/cpld/tAd9512RegMap.regmap", 0x4200, kNoDac},
    {"Hmc703RegMap", "board/cpld/tHmc703RegMap.regmap", 0x4400, kNoDac},
    {"Lo0BoardCtrlRegMap", "board/cpld/tBoardCtrlRegMap.regmap", 0x8120, kNoDac},
    {"Lo1BoardCtrlRegMap", "board/cpld/tBoardCtrlRegMap.regmap", 0xC120, kNoDac},
    {"CxSwCtrlRegMap", "board/cpld/tCxSwCtrlRegMap.regmap", 0xC140, kNoDac},
    {"Lo0Ad9162RegMap", "dac/tAd9162RegMap.regmap", 0, 0},
    {"Lo1Ad9162RegMap", "dac/tAd9162RegMap.regmap", 0, 1},
};

// Writable registers whose board word reads other than what was written,
// and why they are left out.
struct LeftOut {
  const char* table;
  const char* name;
  const char* reason;
};
constexpr LeftOut kLeftOut[] = {
    {"board/tBoardControl.regmap", "RefOutAlignment", "its strobes end once taken; the board keeps the rest"},
    {"board/tBoardControl.regmap", "LockDetectorControl", "its strobe ends once taken"},
    {"board/cpld/tHmc703RegMap.regmap", "ResetStrobeReg", "a strobe sharing its word with the chip id"},
    {"board/cpld/tAd9512RegMap.regmap", "UpdateRegs", "a strobe the chip clears once it takes the settings"},
};

bool leftOut(const std::string& table, const std::string& name) {
  for (const LeftOut& entry : kLeftOut) {
    if (table == entry.table && name == entry.name) return true;
  }
  return false;
}

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  std::string cell;
  std::getline(in, cell, '|');
  while (std::getline(in, cell, '|')) {
    const size_t first = cell.find_first_not_of(' ');
    const size_t last = cell.find_last_not_of(' ');
    out.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
  }
  return out;
}

// The writable registers of a table's "Registers" section: each row's
// first id (a second row at one offset is a read view).
void readTable(uint32_t map, std::vector<ShadowCheck::Register>& registers) {
  std::ifstream file(std::string(VL_SOURCE_DIR) + "/driver/regmaps/" + kMaps[map].table);
  std::string line;
  bool inRegisters = false;
  int offsetAt = -1, nameAt = -1, accessAt = -1, idAt = -1;
  while (std::getline(file, line)) {
    if (line.rfind("## ", 0) == 0) inRegisters = line == "## Registers";
    if (!inRegisters || line.rfind("|", 0) != 0) continue;
    const std::vector<std::string> row = cells(line);
    if (offsetAt < 0) {
      for (size_t i = 0; i < row.size(); ++i) {
        if (row[i] == "Offset") offsetAt = static_cast<int>(i);
        if (row[i] == "Register") nameAt = static_cast<int>(i);
        if (row[i] == "Access") accessAt = static_cast<int>(i);
        if (row[i] == "Id") idAt = static_cast<int>(i);
      }
      continue;
    }
    if (static_cast<int>(row.size()) <= idAt || row[offsetAt].rfind("0x", 0) != 0) continue;
    if (row[accessAt] != "W" && row[accessAt] != "RW") continue;
    std::string name = row[nameAt].substr(row[nameAt].rfind(' ') + 1);
    if (name.size() > 1 && name[0] == 't' && std::isupper(static_cast<unsigned char>(name[1]))) name.erase(0, 1);
    if (leftOut(kMaps[map].table, name)) continue;
    registers.push_back({map, name, static_cast<uint32_t>(std::stoul(row[idAt], nullptr, 16)),
                         static_cast<uint32_t>(std::stoul(row[offsetAt], nullptr, 16))});
  }
}

}  // namespace

ShadowCheck::ShadowCheck() {
  for (uint32_t map = 0; map < std::size(kMaps); ++map) readTable(map, registers_);
}

uint32_t ShadowCheck::boardValue(Scenario& scenario, const Register& entry) const {
  const CheckedMap& map = kMaps[entry.map];
  if (map.dac != kNoDac) return scenario.board().dac(static_cast<unsigned>(map.dac)).reg(entry.offset / 4);
  return static_cast<uint32_t>(scenario.board().fixedLogic().registers().written(map.base + entry.offset, 4));
}

void ShadowCheck::afterStep(Scenario& scenario) {
  if (registers_.empty()) return scenario.fail("the shadow check found no register tables");
  scenario.runTask("shadow check", [this, &scenario] { check(scenario); });
}

void ShadowCheck::check(Scenario& scenario) {
  Session session;
  session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!session.file) return;
  // A run of a list older than the bring-up may have moved what the
  // left-out maps hold without making their policies stale, as their shadows.
  for (const std::string& map : scenario.shadowsLeftOut()) policies_.writtenByName(map);
  policies_.check(scenario, session);
  sim::UserBlock name(64);
  uint32_t refusedMap = ~0u;
  for (const Register& entry : registers_) {
    const CheckedMap& map = kMaps[entry.map];
    if (entry.map == refusedMap || scenario.shadowsLeftOut().count(map.name) != 0) continue;
    const uint32_t mask = map.dac != kNoDac ? 0xFFu : ~0u;
    const uint64_t length = std::strlen(map.name);
    std::memcpy(name.data(), map.name, length);
    rq::ArmGet::Out got{};
    // A map an open recording holds refuses other sessions: its shadows
    // are ahead of the board until the recording ends.
    if (scenario.call<rq::ArmGet>(session, {name.address(), length, entry.id, 0}, &got).answer() != 0) {
      refusedMap = entry.map;
      continue;
    }
    const uint32_t shadow = got.value & mask;
    const uint32_t before = boardValue(scenario, entry);
    if (shadow == before) continue;
    if (scenario.call<rq::ArmFlushRegister>(session, {name.address(), length, entry.id, 0, 0}).answer() != 0) continue;
    const uint32_t after = boardValue(scenario, entry);
    if (after != shadow) {
      std::string text = "the clean shadow of ";
      text.append(map.name).append(" ").append(entry.name).append(" holds ").append(hex(shadow));
      scenario.fail(text.append(", the board ").append(hex(after)));
      break;
    }
  }
  session.file->close();
}

}  // namespace vlscenario
