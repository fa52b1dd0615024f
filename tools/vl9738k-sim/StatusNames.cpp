#include "StatusNames.h"

#include <algorithm>
#include <cstdio>

namespace vlcli {
namespace {

struct StatusName {
  int64_t code;
  const char* name;
};

// The board family's codes are negative 32-bit words written in hex.
constexpr int64_t board(uint32_t word) { return static_cast<int32_t>(word); }

constexpr StatusName kStatusNames[] = {
    {0, "success"},
    {240000, "warning: client describes a newer map"},
    // The platform layer.
    {-52000, "out of memory"},
    {-52001, "memory handling failed"},
    {-52002, "not supported"},
    {-52003, "bad selector"},
    {-52005, "invalid parameter"},
    {-52006, "not accessible"},
    {-52007, "timed out"},
    {-52008, "platform failure"},
    {-52009, "session closing"},
    {-52010, "request failed"},
    {-52012, "read too long"},
    {-52013, "kernel failure"},
    {-52016, "thread running"},
    {-52017, "assembly failed"},
    {-52018, "value out of range"},
    {-52019, "lookup failed"},
    {-52020, "route failed"},
    {-52022, "gate closed"},
    {-52023, "kernel code 51405"},
    {-52024, "kernel code 51401"},
    {-52025, "interrupted"},
    {-52029, "content misplaced"},
    {-52031, "list mode failed"},
    // The kernel layer's codes, as calls into the driver return them.
    {-51000, "kernel: failure"},
    {-51001, "kernel: unlisted failure"},
    {-51009, "kernel: invalid parameter or unreachable user memory"},
    {-51101, "kernel: not accessible or no such interface"},
    {-51104, "kernel: request failed"},
    {-51106, "kernel: list mode failed"},
    {-51150, "kernel: bad selector"},
    {-51152, "kernel: value out of range"},
    {-51202, "kernel: platform failure"},
    {-51256, "kernel: not supported"},
    {-51300, "kernel: route failed"},
    {-51352, "kernel: out of memory"},
    {-51353, "kernel: memory handling failed"},
    {-51400, "kernel: timed out"},
    {-51401, "kernel: code 51401"},
    {-51405, "kernel: code 51405"},
    {-51409, "kernel: lookup failed"},
    {-51550, "kernel: timed out"},
    // Register-map registration.
    {-240000, "client version too old"},
    {-240008, "malformed version"},
    {-240022, "unexpected client version"},
    {-240023, "client version missing"},
    {-240024, "no map of that name"},
    {-240026, "version out of range"},
    {-240031, "null name"},
    {-240046, "version needs an extended build"},
    // FPGA, DMA and routing.
    {-61072, "buffer too large"},
    {-61141, "download refused"},
    {-61207, "reset timed out"},
    {-61252, "FIFO not startable"},
    {-61499, "internal error"},
    {-63082, "FIFO owned elsewhere"},
    {-63150, "hardware fault"},
    {-63151, "secondary taken"},
    {-63191, "no IRQ node"},
    {-63193, "not provided"},
    {-63196, "unknown attribute"},
    {-63198, "too many mappings"},
    {-89124, "destination unreachable"},
    {-89127, "terminal in use"},
    {-89128, "no reset edge"},
    {-89137, "route conflict"},
    // The board.
    {board(0xBFFA8180), "register port read timed out"},
    {board(0xBFFA8181), "register port write timed out"},
    {board(0xBFFA8183), "map signature wrong"},
    {board(0xBFFA8184), "map not ready"},
    {board(0xBFFA8185), "context missing"},
    {board(0xBFFA8186), "block too old"},
    {board(0xBFFA8187), "block too new"},
    {board(0xBFFA8189), "instruction failed"},
    {board(0xBFFA818B), "version too old"},
    {board(0xBFFA818C), "version too new"},
    {board(0xBFFA818D), "register port fault"},
    {board(0xBFFA818E), "unknown instruction error"},
    {board(0xBFFA818F), "reset timed out"},
    {board(0xBFFA8190), "no free slot"},
    {board(0xBFFA8710), "settling control missing"},
    {board(0xBFFA8711), "reference clock conflict"},
    {board(0xBFFA8712), "list engine limit"},
    {board(0xBFFA8713), "p-code version"},
    {board(0xBFFA8761), "read during compile"},
    {board(0xBFFA9010), "protected"},
    {board(0xBFFA9020), "no sequence number"},
    {board(0xBFFA9021), "sequence mismatch"},
    {board(0xBFFA9023), "driver too old"},
    {board(0xBFFA9024), "component range empty"},
    {board(0xBFFA9025), "needs newer software"},
    {board(0xBFFA902C), "FPGA too old"},
    {board(0xBFFA902D), "FPGA needs newer software"},
    {board(0xBFFA9046), "over-temperature shutdown"},
    {board(0xBFFA90B0), "reference alignment timed out"},
    {board(0xBFFA90E1), "reference path not selected"},
    {board(0xBFFA90E2), "PLL lock timed out"},
    {board(0xBFFA916E), "too many readings"},
    {board(0xBFFA916F), "image length out of range"},
    {board(0xBFFA9171), "core partition missing"},
    {board(0xBFFA9174), "record unreadable"},
    {board(0xBFFA9176), "board check failed"},
    {board(0xBFFA9178), "invalid argument or missing resource"},
    {board(0xBFFA9179), "stale session"},
    {board(0xBFFA9196), "reservation conflict"},
};

std::vector<int64_t> gShownFailures;

}  // namespace

const char* statusName(int64_t code) {
  for (const StatusName& entry : kStatusNames) {
    if (entry.code == code) return entry.name;
  }
  return nullptr;
}

std::string statusText(int64_t code) {
  char number[24];
  const bool boardCode = code < 0 && code >= INT32_MIN && (static_cast<uint32_t>(code) >> 16) == 0xBFFA;
  if (boardCode) {
    std::snprintf(number, sizeof number, "0x%08X", static_cast<uint32_t>(code));
  } else {
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(code));
  }
  if (code < 0 && std::find(gShownFailures.begin(), gShownFailures.end(), code) == gShownFailures.end()) {
    gShownFailures.push_back(code);
  }
  const char* name = statusName(code);
  return std::string(number) + " " + (name != nullptr ? name : "unknown status");
}

std::vector<int64_t> takeShownFailures() {
  std::vector<int64_t> shown;
  shown.swap(gShownFailures);
  return shown;
}

}  // namespace vlcli
