// What the simulated kernel layer still holds on behalf of one PCI device:
// its registered interfaces, the properties published under it or under
// its interfaces, and its reserved interrupt. After the device's removal a
// driver must have taken all of it back.
#ifndef VL9738K_SIM_KERNEL_HOLDINGS_H
#define VL9738K_SIM_KERNEL_HOLDINGS_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One line per registration left ("property serialNumber", "interface
// vl9738_vl9738k", "interrupt"); empty when nothing is left. A property of
// an interface that is no longer registered counts as left over whoever
// owned it.
std::vector<std::string> kernelHoldingsOf(uint64_t device);

}  // namespace sim

#endif
