// A dispatcher that registers maps themselves: it wraps each map in a
// registration of its own making, with the map's version texts parsed and a
// mutex of its own, and destroys those wrappers on removal and when it is
// destroyed. The maps stay their owners'.
#ifndef VL9738K_REGACCESS_REGISTRATION_WRAPPERDISPATCHER_H
#define VL9738K_REGACCESS_REGISTRATION_WRAPPERDISPATCHER_H

#include <stdint.h>

#include "DispatcherBase.h"
#include "Registration.h"
#include "RegistrationCodes.h"
#include "driver/platform/memory/Memory.h"

namespace vlregitools {

template <typename TMap>
class WrapperDispatcher : public DispatcherBase<RegistrationWrapper<TMap>> {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tWrapper = RegistrationWrapper<TMap>;
  using tBase = DispatcherBase<tWrapper>;
  using tBase::add;
  using tBase::getRegistration;

  WrapperDispatcher() = default;
  ~WrapperDispatcher() override {
    while (tWrapper* wrapper = this->removeFirst()) delete wrapper;
  }

  // Removes the name's first registration and destroys it; always null.
  // Runs whatever the status holds, so that teardown paths can use it.
  tWrapper* remove(const char* name, tStatus& status) override {
    if (name == nullptr) {
      status.setCode(kStatusRegistrationNullArgument, VL_SITE_AT(sites::kWrapperDispatcher, 91));
      return nullptr;
    }
    tWrapper* wrapper = tBase::remove(name);
    if (wrapper == nullptr) {
      status.setCode(kStatusRegistrationNotFound, VL_SITE_AT(sites::kWrapperDispatcher, 98));
      return nullptr;
    }
    delete wrapper;
    return nullptr;
  }
  tWrapper* remove(const char* name) override {
    tStatus dropped;
    return remove(name, dropped);
  }

  // Registers `map` under `name`; on any failure nothing stays registered.
  virtual void add(const char* name, TMap& map, tStatus& status) {
    if (status.isFatal()) return;
    tWrapper* wrapper = new (status, nVLAPAL000::kAllocationKindPlain) tWrapper(map, status);
    if (wrapper == nullptr) return;
    if (status.isNotFatal()) add(name, *wrapper, status);
    if (status.isFatal()) delete wrapper;
  }

  // The map registered under the name in `fullName`, or null.
  virtual void getRegistration(const char* fullName, TMap** out, tStatus& status, nVLAPAL000::tMutex** mutexOut) {
    tWrapper* wrapper = nullptr;
    if (status.isNotFatal()) getRegistration(fullName, &wrapper, status, mutexOut);
    *out = wrapper != nullptr ? wrapper->getMap() : nullptr;
  }
};

}  // namespace vlregitools

#endif
