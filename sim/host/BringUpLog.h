// What the driver logged of a board's bring-up, read back from the kernel
// log as a person (or a test) reads it.
#ifndef VL9738K_SIM_HOST_BRINGUPLOG_H
#define VL9738K_SIM_HOST_BRINGUPLOG_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// The four deferred bring-up records (FPGA image, properties, power-up,
// late initialisation) of one bring-up the driver logged.
using BringUpRecords = std::array<int64_t, 4>;

// The records of the last bring-up the driver logged before the log's line
// `from` (they stood when that line was written), then of every bring-up
// logged from it on, oldest first; empty when it logged none. Lines count
// by their position in the log, whether the console still keeps them or
// not; the records of the last 1,024 bring-ups are kept.
std::vector<BringUpRecords> loggedBringUpRecords(size_t from);

// The records of the last bring-up the driver logged; false when it logged
// none.
bool loggedBringUpRecords(int64_t (&codes)[4]);

}  // namespace sim

#endif
