// The FPGA-session interface as the scenario runner drives it.
#ifndef VL9738K_TOOLS_SCENARIOS_FPGAFAMILY_H
#define VL9738K_TOOLS_SCENARIOS_FPGAFAMILY_H

#include <vector>

#include "tests/module/PublishedRequests.h"

namespace vlscenario {

inline constexpr char kFpgaInterface[] = "vl9738_atomiclymddkqrt";

// Every request of the interface that answers a status word, with its
// block sizes and status offsets (release-personality answers none).
const std::vector<vltest::PublishedRequest>& fpgaSessionRequests();

// The design the family places in the board model, as other families
// configure it: its personality block (no download forced), its FIFO list,
// the FIFO that streams from the device and the IRQ line nobody raises.
std::vector<uint8_t> fpgaDesignPersonality();
std::vector<uint8_t> fpgaDesignFifoList();
inline constexpr uint32_t kFpgaDesignFromDevice = 1;
inline constexpr uint32_t kFpgaDesignSilentLine = 1u << 31;
inline constexpr uint32_t kFpgaDesignIrqStatus = 0x200 + 12;
// The board's own bitstream, which the model's loader takes.
const std::vector<uint8_t>& fpgaDesignBitstream();

}  // namespace vlscenario

#endif
