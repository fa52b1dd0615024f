#include "BringUpLog.h"

#include <cstdio>
#include <string>

#include "../kernel/Console.h"

namespace sim {

bool loggedBringUpRecords(int64_t (&codes)[4]) {
  bool logged = false;
  for (const std::string& line : Console::lines()) {
    const size_t at = line.find("bring-up: FPGA image ");
    if (at == std::string::npos) continue;
    long long found[4];
    if (std::sscanf(line.c_str() + at,
                    "bring-up: FPGA image %lld, properties %lld, power-up %lld, late initialisation %lld", &found[0],
                    &found[1], &found[2], &found[3]) != 4) {
      continue;
    }
    logged = true;
    for (int i = 0; i < 4; ++i) codes[i] = found[i];
  }
  return logged;
}

}  // namespace sim
