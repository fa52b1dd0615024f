// The register-map access requests' work on the device's dispatcher: find
// the map user mode names and hold its registration's mutex around the one
// map call, and the whole-dispatcher operations (flush a whole map, the
// tab-separated list of names, the names in 64-byte slots). Everything
// here runs inside the request's guard: the session lock, then a
// registration's mutex.
#ifndef VL9738K_BOARD_IOCTL_ARMIOCTLIMPL_H
#define VL9738K_BOARD_IOCTL_ARMIOCTLIMPL_H

#include <stdint.h>

#include "driver/platform/containers/BasicString.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/regaccess/registration/ARMDispatcher.h"

namespace armhal {

// A device whose bring-up never built its maps answers as a missing
// subsystem does.
void recordNoDispatcher(nVLAPALS100::tStatus& status);

template <typename TCollection>
class ArmIoctlImpl {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tMap = armki::tMapInterface;

  // The device's dispatcher, or null after recording why.
  static armki::ARMDispatcher* dispatcherOf(TCollection& collection, tStatus& status) {
    if (status.isFatal()) return nullptr;
    armki::ARMDispatcher* dispatcher = collection.getARMDispatcher();
    if (dispatcher == nullptr) recordNoDispatcher(status);
    return dispatcher;
  }

  // Runs `call(map, mapContext)` on the map named by the `nameLength` bytes
  // at `userName`, under the registration's mutex. With `extended`, the
  // map's context is `context` when it fits in 24 bits; otherwise -52002 and
  // no call. Nothing runs once the status holds an error.
  template <typename TCall>
  static void onMap(TCollection& collection, nVLAPAL000::tEventDescriptor& descriptor, uint64_t userName,
                    uint64_t nameLength, bool extended, uint64_t context, TCall&& call, tStatus& status) {
    armki::ARMDispatcher* dispatcher = dispatcherOf(collection, status);
    if (dispatcher == nullptr) return;
    tMap* map = nullptr;
    nVLAPAL000::tMutex* mutex = nullptr;
    dispatcher->getRegistration(descriptor, reinterpret_cast<const void*>(userName), nameLength, &map, status, &mutex);
    if (status.isFatal() || map == nullptr || mutex == nullptr) return;
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(*mutex);
    const uint32_t mapContext = extended ? armki::ARMDispatcher::extendedContext(context, status) : 0;
    if (status.isFatal()) return;
    call(*map, mapContext);
  }

  // The names separated by tabs, without a terminating zero: the caller
  // sized its buffer from the list-size request.
  static void arm_getRegistrationList(TCollection& collection, nVLAPAL000::tEventDescriptor& descriptor,
                                      uint64_t buffer, tStatus& status) {
    armki::ARMDispatcher* dispatcher = dispatcherOf(collection, status);
    if (dispatcher == nullptr) return;
    vlhtl::BasicString<char> list;
    dispatcher->getRegistrationList(list, status);
    if (status.isFatal() || list.size() == 0) return;
    nVLAPAL000::tUserBuffer(descriptor, buffer, list.size(), status).writeToBuffer(0, list.data(), list.size(), status);
  }

  // 64 bytes per registered name, zero-filled past each name.
  static void arm_getRegistrationNames(TCollection& collection, nVLAPAL000::tEventDescriptor& descriptor,
                                       uint64_t buffer, tStatus& status) {
    armki::ARMDispatcher* dispatcher = dispatcherOf(collection, status);
    if (dispatcher == nullptr) return;
    const uint64_t size = dispatcher->getNumberOfRegistrations() * vlregitools::DispatcherStore::kNameSlotSize;
    // Without registrations there is no buffer, which the dispatcher refuses.
    char* names = size == 0 ? nullptr : new (status, nVLAPAL000::kAllocationKindPlain) char[size]();
    if (status.isFatal()) return;
    dispatcher->getRegistrationNames(names, status);
    if (status.isNotFatal()) {
      nVLAPAL000::tUserBuffer(descriptor, buffer, size, status).writeToBuffer(0, names, size, status);
    }
    delete[] names;
  }
};

}  // namespace armhal

#endif
