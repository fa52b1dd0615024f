// Configuration-space access of a PCI function through the kernel layer.
// A failed access records -52008 at its width's published site and reads
// as 0; nothing is accessed while the status holds an error.
#ifndef VL9738K_PLATFORM_PCI_CONFIG_H
#define VL9738K_PLATFORM_PCI_CONFIG_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

uint8_t readConfig8(uint64_t handle, uint32_t offset, nVLAPALS100::tStatus& status);
uint16_t readConfig16(uint64_t handle, uint32_t offset, nVLAPALS100::tStatus& status);
uint32_t readConfig32(uint64_t handle, uint32_t offset, nVLAPALS100::tStatus& status);
void writeConfig8(uint64_t handle, uint32_t offset, uint8_t value, nVLAPALS100::tStatus& status);
void writeConfig16(uint64_t handle, uint32_t offset, uint16_t value, nVLAPALS100::tStatus& status);
void writeConfig32(uint64_t handle, uint32_t offset, uint32_t value, nVLAPALS100::tStatus& status);

}  // namespace nVLAPAL000

#endif
