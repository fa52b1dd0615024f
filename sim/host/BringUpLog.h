// What the driver logged of a board's bring-up, read back from the kernel
// log as a person (or a test) reads it.
#ifndef VL9738K_SIM_HOST_BRINGUPLOG_H
#define VL9738K_SIM_HOST_BRINGUPLOG_H

#include <cstdint>

namespace sim {

// The four deferred bring-up records (FPGA image, properties, power-up,
// late initialisation) of the last bring-up the driver logged; false when
// it logged none.
bool loggedBringUpRecords(int64_t (&codes)[4]);

}  // namespace sim

#endif
