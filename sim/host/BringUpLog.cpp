#include "BringUpLog.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "../kernel/Console.h"

namespace sim {

std::vector<BringUpRecords> loggedBringUpRecords(size_t from) {
  std::vector<BringUpRecords> logged;
  const std::vector<std::string> lines = Console::lines();
  for (size_t index = 0; index < lines.size(); ++index) {
    const size_t at = lines[index].find("bring-up: FPGA image ");
    if (at == std::string::npos) continue;
    long long found[4];
    if (std::sscanf(lines[index].c_str() + at,
                    "bring-up: FPGA image %lld, properties %lld, power-up %lld, late initialisation %lld", &found[0],
                    &found[1], &found[2], &found[3]) != 4) {
      continue;
    }
    // Before `from`, only the last one counts.
    if (index < from && !logged.empty()) logged.pop_back();
    logged.push_back({found[0], found[1], found[2], found[3]});
  }
  return logged;
}

bool loggedBringUpRecords(int64_t (&codes)[4]) {
  const std::vector<BringUpRecords> logged = loggedBringUpRecords(Console::lineCount());
  if (logged.empty()) return false;
  std::copy(logged.back().begin(), logged.back().end(), codes);
  return true;
}

}  // namespace sim
