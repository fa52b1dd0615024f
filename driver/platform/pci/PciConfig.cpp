#include "PciConfig.h"

#include "../zuk/ZukPci.h"
#include "PciSites.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

namespace {

bool failed(int32_t result, uint64_t line, tStatus& status) {
  if (result == 0) return false;
  status.setCode(nVLAPALS100::kStatusPlatformFailure, VL_SITE_AT(sites::kPCIConfig, line));
  return true;
}

}  // namespace

uint8_t readConfig8(uint64_t handle, uint32_t offset, tStatus& status) {
  if (status.isFatal()) return 0;
  uint8_t value = 0;
  if (failed(nVLZUK100_pciConfigRead8(handle, offset, &value), sites::lines::kConfigRead8, status)) return 0;
  return value;
}

uint16_t readConfig16(uint64_t handle, uint32_t offset, tStatus& status) {
  if (status.isFatal()) return 0;
  uint16_t value = 0;
  if (failed(nVLZUK100_pciConfigRead16(handle, offset, &value), sites::lines::kConfigRead16, status)) return 0;
  return value;
}

uint32_t readConfig32(uint64_t handle, uint32_t offset, tStatus& status) {
  if (status.isFatal()) return 0;
  uint32_t value = 0;
  if (failed(nVLZUK100_pciConfigRead32(handle, offset, &value), sites::lines::kConfigRead32, status)) return 0;
  return value;
}

void writeConfig8(uint64_t handle, uint32_t offset, uint8_t value, tStatus& status) {
  if (status.isFatal()) return;
  failed(nVLZUK100_pciConfigWrite8(handle, offset, value), sites::lines::kConfigWrite8, status);
}

void writeConfig16(uint64_t handle, uint32_t offset, uint16_t value, tStatus& status) {
  if (status.isFatal()) return;
  failed(nVLZUK100_pciConfigWrite16(handle, offset, value), sites::lines::kConfigWrite16, status);
}

void writeConfig32(uint64_t handle, uint32_t offset, uint32_t value, tStatus& status) {
  if (status.isFatal()) return;
  failed(nVLZUK100_pciConfigWrite32(handle, offset, value), sites::lines::kConfigWrite32, status);
}

}  // namespace nVLAPAL000
