// The routing topography of the board's FPGA design: its terminals, the
// edges between them and what each edge writes into the routing matrix.
// The tables are generated at build time (tools/topographygen.py).
#ifndef VL9738K_BOARD_ROUTING_TOPSERAPINREFERENCEFPGATOPOGRAPHY_H
#define VL9738K_BOARD_ROUTING_TOPSERAPINREFERENCEFPGATOPOGRAPHY_H

#include <stdint.h>

#include "driver/routing/TopographyTables.h"

namespace topSerapinReferenceFpga {

inline constexpr uint32_t kTerminalCount = 266;
inline constexpr uint32_t kEdgeCount = 6816;

extern const vlark::TopographyDescriptor kTopography;

}  // namespace topSerapinReferenceFpga

#endif
