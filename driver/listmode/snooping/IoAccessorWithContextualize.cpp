#include "IoAccessorWithContextualize.h"

#include "SnoopingSites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

uint64_t IoAccessorWithContextualize::read64(uint32_t offset, tStatus& status) {
  const vlifw::ReadInstruction instruction = context_->contextualizeRead(translate(offset), status);
  uint64_t result = 0;
  target_->read(instruction, &result, status, vlifw::kDefaultInstructionTimeoutMs);
  return result;
}

void IoAccessorWithContextualize::write64(uint32_t offset, uint64_t value, tStatus& status) {
  const vlifw::WriteInstruction instruction = context_->contextualizeWrite(translate(offset), value, status);
  target_->write(instruction, false, status, vlifw::kDefaultInstructionTimeoutMs);
}

void IoAccessorWithContextualize::writeBlock(uint32_t, const uint8_t*, uint32_t, uint32_t, uint32_t, tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(listmodek::snooping_sites::kDecorators, __LINE__));
}

void IoAccessorWithContextualize::readBlock(uint32_t, uint8_t*, uint32_t, uint32_t, uint32_t, tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(listmodek::snooping_sites::kDecorators, __LINE__));
}

}  // namespace nVL9738K_24_0
