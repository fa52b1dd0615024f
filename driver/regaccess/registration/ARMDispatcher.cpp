#include "ARMDispatcher.h"

#include "RegistrationCodes.h"
#include "driver/platform/device/tUserBuffer.h"

namespace armki {

using nVLAPALS100::tStatus;

namespace {
inline constexpr uint64_t kContextLine = 49;
}  // namespace

void ARMDispatcher::getRegisterFormat(const nVLAPAL000::tEventDescriptor& request, const void* userName,
                                      uint64_t nameLength, uint32_t id, uint32_t& count, void* userTypes,
                                      void* userMasks, tStatus& status) {
  if (status.isFatal()) return;
  tMapInterface* map = nullptr;
  nVLAPAL000::tMutex* mutex = nullptr;
  getRegistration(request, userName, nameLength, &map, status, &mutex);
  if (status.isFatal() || map == nullptr) return;

  // The user's arrays hold `count` entries: never describe more fields
  // than they can take.
  const uint32_t offered = count < kFormatCapacity ? count : kFormatCapacity;
  uint32_t fields = offered;
  arm::FieldType types[kFormatCapacity];
  uint64_t masks[kFormatCapacity];
  {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(*mutex);
    map->getRegisterFormat(id, fields, types, masks, status);
  }
  if (status.isFatal()) {
    // An unlisted id answers a count of 0; arrays too small leave the
    // caller's count as it was.
    if (fields != offered) count = fields;
    return;
  }
  count = fields;
  uint8_t typeBytes[kFormatCapacity];
  for (uint32_t i = 0; i < fields; ++i) typeBytes[i] = static_cast<uint8_t>(types[i]);
  nVLAPAL000::tEventDescriptor descriptor = request;
  nVLAPAL000::tUserBuffer(descriptor, userTypes, fields, status).writeToBuffer(0, typeBytes, fields, status);
  nVLAPAL000::tUserBuffer(descriptor, userMasks, uint64_t{fields} * 8, status)
      .writeToBuffer(0, masks, uint64_t{fields} * 8, status);
}

uint32_t ARMDispatcher::extendedContext(uint64_t context, tStatus& status) {
  if (status.isFatal()) return 0;
  if (context <= kLargestContext) return static_cast<uint32_t>(context);
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(vlregitools::sites::kARMDispatcher, kContextLine));
  return 0;
}

}  // namespace armki
