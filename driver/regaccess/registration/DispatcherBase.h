// Registered names in order of addition with a registration each, typed by
// the registration kind. Lookups find a name's first registration; the
// caller of add keeps owning what it added.
#ifndef VL9738K_REGACCESS_REGISTRATION_DISPATCHERBASE_H
#define VL9738K_REGACCESS_REGISTRATION_DISPATCHERBASE_H

#include <stdint.h>

#include "DispatcherStore.h"
#include "driver/platform/sync/tMutex.h"

namespace vlregitools {

template <typename TRegistration>
class DispatcherBase {
 public:
  using tStatus = nVLAPALS100::tStatus;

  DispatcherBase() = default;
  virtual ~DispatcherBase() {}
  DispatcherBase(const DispatcherBase&) = delete;
  DispatcherBase& operator=(const DispatcherBase&) = delete;

  virtual void add(const char* name, TRegistration& registration, tStatus& status) {
    store_.add(name, registration, status);
  }
  // The removed registration now belongs to the caller.
  virtual TRegistration* remove(const char* name, tStatus& status) { return typed(store_.remove(name, status)); }
  virtual TRegistration* remove(const char* name) { return typed(store_.remove(name)); }
  // `fullName` is a registered name, optionally followed by "_Ver" and the
  // client's version text. On success (a version warning included) the
  // registration and, if asked for, its mutex.
  virtual void getRegistration(const char* fullName, TRegistration** out, tStatus& status,
                               nVLAPAL000::tMutex** mutexOut) {
    TRegistration* found = typed(store_.find(fullName, status));
    if (found == nullptr) return;
    *out = found;
    if (mutexOut != nullptr) *mutexOut = &found->getMutex();
  }
  virtual uint64_t getNumberOfRegistrations() const { return store_.count(); }
  virtual uint64_t getSizeOfRegistrationList() const { return store_.listSize(); }
  // Every name in registration order, separated by tabs.
  virtual void getRegistrationList(vlhtl::BasicString<char>& out, tStatus& status) const { store_.list(out, status); }
  // Name i into its 64-byte slot at out + 64 * i; the caller provides
  // 64 * getNumberOfRegistrations() bytes.
  virtual void getRegistrationNames(char* out, tStatus& status) const { store_.names(out, status); }

 protected:
  TRegistration* removeFirst() { return typed(store_.removeFirst()); }

 private:
  // Only TRegistration objects are ever added.
  static TRegistration* typed(Registration* registration) { return static_cast<TRegistration*>(registration); }

  DispatcherStore store_;
};

}  // namespace vlregitools

#endif
