// The device's register-map dispatcher: every map user mode may reach is
// registered here by name, and the register-access requests find their map,
// its version verdict and its mutex through it.
#ifndef VL9738K_REGACCESS_REGISTRATION_ARMDISPATCHER_H
#define VL9738K_REGACCESS_REGISTRATION_ARMDISPATCHER_H

#include <stdint.h>

#include "Dispatcher.h"
#include "WrapperDispatcher.h"
#include "driver/regaccess/DynamicAccessInterfaceBase.h"

namespace armki {

using tMapInterface = arm::DynamicAccessInterfaceBase<nVLAPALS100::tStatus>;

class ARMDispatcher : public vlregitools::Dispatcher<tMapInterface, vlregitools::WrapperDispatcher> {
 public:
  // Field entries one format request can return.
  static constexpr uint32_t kFormatCapacity = 64;
  // Contexts of the extended requests must fit the maps' 24-bit argument.
  static constexpr uint64_t kLargestContext = 0xFFFFFF;

  // The field format of register `id` of the named map, under the map's
  // mutex: `count` holds the capacity of the user's arrays on entry (at most
  // 64 are used) and the number of fields on return; one byte per field type
  // goes to `userTypes` and one u64 mask per field to `userMasks`. A register
  // with more fields than the capacity answers -52019 and copies nothing.
  void getRegisterFormat(const nVLAPAL000::tEventDescriptor& request, const void* userName, uint64_t nameLength,
                         uint32_t id, uint32_t& count, void* userTypes, void* userMasks, nVLAPALS100::tStatus& status);

  // The map-call context of an extended request: the value itself, or -52002
  // (and 0) when it does not fit in 24 bits.
  static uint32_t extendedContext(uint64_t context, nVLAPALS100::tStatus& status);
};

}  // namespace armki

#endif
