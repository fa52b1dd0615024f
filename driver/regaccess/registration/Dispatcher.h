// A dispatcher that finds maps by the name user mode sends: the name is
// read from the caller's memory, then looked up as any other full name.
#ifndef VL9738K_REGACCESS_REGISTRATION_DISPATCHER_H
#define VL9738K_REGACCESS_REGISTRATION_DISPATCHER_H

#include <stdint.h>

#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace vlregitools {

// Longest map name accepted from user mode. Every registered name is far
// shorter; the bound keeps a user-given length from sizing the copy.
inline constexpr uint64_t kMaxUserNameLength = 4096;

// A zero-terminated copy of the `length` bytes at `userName`, to be freed
// with delete[]; null after recording why. Lengths above the bound: -52005.
char* copyUserName(const nVLAPAL000::tEventDescriptor& request, const void* userName, uint64_t length,
                   nVLAPALS100::tStatus& status);

template <typename TMap, template <typename> class TBase>
class Dispatcher : public TBase<TMap> {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using TBase<TMap>::getRegistration;

  virtual void getRegistration(const nVLAPAL000::tEventDescriptor& request, const void* userName, uint64_t nameLength,
                               TMap** out, tStatus& status, nVLAPAL000::tMutex** mutexOut) {
    *out = nullptr;
    char* name = copyUserName(request, userName, nameLength, status);
    if (name == nullptr) return;
    getRegistration(name, out, status, mutexOut);
    delete[] name;
  }
};

}  // namespace vlregitools

#endif
