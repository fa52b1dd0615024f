// The untyped core of a register-map dispatcher: the registered names in
// order of addition, each with its registration, and the lookups on them.
// Names are not unique; every lookup finds the first entry with a name.
// The typed dispatchers (DispatcherBase and its descendants) are thin
// shells over it.
#ifndef VL9738K_REGACCESS_REGISTRATION_DISPATCHERSTORE_H
#define VL9738K_REGACCESS_REGISTRATION_DISPATCHERSTORE_H

#include <stdint.h>

#include "Registration.h"
#include "driver/platform/containers/BasicString.h"
#include "driver/platform/containers/Vector.h"

namespace vlregitools {

class DispatcherStore {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Each name has a slot of this many bytes in getRegistrationNames' output.
  static constexpr uint64_t kNameSlotSize = 64;

  using tText = vlhtl::BasicString<char>;

  DispatcherStore() = default;
  // Frees the names and the store; the registrations belong to whoever
  // added them.
  ~DispatcherStore();
  DispatcherStore(const DispatcherStore&) = delete;
  DispatcherStore& operator=(const DispatcherStore&) = delete;

  void add(const char* name, Registration& registration, tStatus& status);
  // Splits `fullName` at its first "_Ver" into the name and the client's
  // version text, finds the name's first registration and checks the
  // client's version against it. Null unless the status ends without error.
  Registration* find(const char* fullName, tStatus& status) const;
  // Removes the first entry with the name, keeping the order of the rest;
  // null when there is none.
  Registration* remove(const char* name);
  // The same, recording a null name (-240031) or a missing one (-240024);
  // nothing when the status holds an error.
  Registration* remove(const char* name, tStatus& status);
  // Removes the first entry, whatever its name; null when empty.
  Registration* removeFirst();

  uint64_t count() const { return entries_.size(); }
  // The names joined by tabs, and that text's length with a terminator.
  uint64_t listSize() const;
  void list(tText& out, tStatus& status) const;
  // Name i into out + 64 * i, terminated if it fits in the slot.
  void names(char* out, tStatus& status) const;

 private:
  struct Entry {
    char* name;
    uint64_t length;
    Registration* registration;
  };

  const Entry* entryNamed(const char* name, uint64_t length) const;
  Registration* removeAt(uint64_t index);

  // The names are owned here; the vector only moves the entries.
  vlhtl::Vector<Entry> entries_;
};

}  // namespace vlregitools

#endif
