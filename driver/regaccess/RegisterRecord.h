// Register records: the objects of a map's nested register classes. A
// shadowed record keeps the register's address, a shadow of the register's
// own width, a dirty flag, whether it lies inside the map's window, and its
// owning map (through which it reaches the bus). A direct record keeps no
// copy. The nested classes add typed field access on top; the by-id engine
// and the nested classes share the flush and refresh rules below.
//
// A register that a list engine's run may rewrite behind its shadow carries
// the bit of that engine's LO path in `runMayOverwrite`, from the run's
// start until its end: an unchanged shadow then proves nothing about the
// hardware, so a flush writes the register all the same. It is not the
// dirty flag: the value did not change, and nothing that acts on a change
// (a settling time, a DLL stop) acts on it.
#ifndef VL9738K_REGACCESS_REGISTERRECORD_H
#define VL9738K_REGACCESS_REGISTERRECORD_H

#include <stdint.h>

#include "RegisterMapEngine.h"
#include "driver/platform/status/StatusCodes.h"

namespace arm {

template <typename T>
struct tShadowedRecord {
  uint32_t address;
  T shadow;
  uint8_t dirty;
  uint8_t accessible;
  uint8_t runMayOverwrite;
  tRegisterMapEngine* owner;
};

struct tDirectRecord {
  uint32_t address;
  uint8_t present;
  tRegisterMapEngine* owner;
};

enum tRegisterAccess : uint8_t {
  kReadable = 1u << 0,
  kWritable = 1u << 1,
};

namespace records {

using nVLAPALS100::tStatus;

// A changed value makes the register dirty; an equal one changes nothing,
// dirty included.
template <typename T>
inline void store(tShadowedRecord<T>& record, T value) {
  if (value == record.shadow) return;
  record.shadow = value;
  record.dirty = 1;
}

// Writes only a dirty register, or one a list run may overwrite, unless
// forced; a failed write leaves it dirty so that a later flush retries. Strobe bits clear themselves in hardware,
// so the shadow forgets them once written.
template <typename T>
inline void flush(tShadowedRecord<T>& record, T selfClearing, bool force, tStatus& status) {
  if (status.isFatal()) return;
  if (!force && (record.dirty | record.runMayOverwrite) == 0) return;
  if (record.accessible == 0) {
    record.owner->recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
    return;
  }
  record.owner->getBus().writeRegister(record.address, sizeof(T), record.shadow, status);
  if (status.isFatal()) return;
  record.dirty = 0;
  record.shadow = static_cast<T>(record.shadow & ~selfClearing);
}

// A failed read keeps the old shadow. Bits the hardware cannot report back
// (`kept`) keep the shadow's value.
template <typename T>
inline void refresh(tShadowedRecord<T>& record, T kept, tStatus& status) {
  if (status.isFatal()) return;
  if (record.accessible == 0) {
    record.owner->recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
    return;
  }
  const T value = static_cast<T>(record.owner->getBus().readRegister(record.address, sizeof(T), status));
  if (status.isFatal()) return;
  record.shadow = static_cast<T>((value & ~kept) | (record.shadow & kept));
  record.dirty = 0;
}

}  // namespace records

// Base of the nested class of a shadowed register. The generated class adds
// get<Field>, set<Field> and write<Field> for each field; operations the
// register's access class does not allow do not exist on it.
template <typename T, uint8_t kAccess, T kSelfClearing = 0, T kKeptOnRefresh = 0>
class tRegister : public tShadowedRecord<T> {
 public:
  using tValue = T;
  using tStatus = nVLAPALS100::tStatus;
  static constexpr bool kIsReadable = (kAccess & kReadable) != 0;
  static constexpr bool kIsWritable = (kAccess & kWritable) != 0;

  T getValue() const { return this->shadow; }
  bool isDirty() const { return this->dirty != 0; }
  bool isAccessible() const { return this->accessible != 0; }
  uint32_t getRegisterAddress() const { return this->address; }

  void setValue(T value, tStatus& status) requires kIsWritable {
    if (status.isFatal()) return;
    records::store<T>(*this, value);
  }

  void flush(tStatus& status, bool force) requires kIsWritable {
    records::flush<T>(*this, kSelfClearing, force, status);
  }

  void refresh(tStatus& status) requires kIsReadable { records::refresh<T>(*this, kKeptOnRefresh, status); }

  // The hardware value, or the shadow when the read failed.
  T readRegister(tStatus& status) requires kIsReadable {
    records::refresh<T>(*this, kKeptOnRefresh, status);
    return this->shadow;
  }

 protected:
  uint64_t getField(T mask, uint32_t lowestBit) const { return (this->shadow & mask) >> lowestBit; }

  void setField(T mask, uint32_t lowestBit, uint64_t value, tStatus& status) {
    if (status.isFatal()) return;
    records::store<T>(*this, static_cast<T>((this->shadow & ~mask) | ((value << lowestBit) & mask)));
  }

  void writeField(T mask, uint32_t lowestBit, uint64_t value, tStatus& status, bool force) {
    setField(mask, lowestBit, value, status);
    records::flush<T>(*this, kSelfClearing, force, status);
  }
};

// Base of the nested class of a register without a shadow: reads return
// the hardware value, writes go out at once.
template <typename T, uint8_t kAccess>
class tDirectRegister : public tDirectRecord {
 public:
  using tValue = T;
  using tStatus = nVLAPALS100::tStatus;
  static constexpr bool kIsReadable = (kAccess & kReadable) != 0;
  static constexpr bool kIsWritable = (kAccess & kWritable) != 0;

  bool isAccessible() const { return present != 0; }
  uint32_t getRegisterAddress() const { return address; }

  // All ones when the register is outside the window or the status already
  // holds an error.
  T readRegister(tStatus& status) requires kIsReadable {
    if (status.isFatal()) return static_cast<T>(~T{0});
    if (present == 0) {
      owner->recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
      return static_cast<T>(~T{0});
    }
    return static_cast<T>(owner->getBus().readRegister(address, sizeof(T), status));
  }

  void writeRegister(T value, tStatus& status) requires kIsWritable {
    if (status.isFatal()) return;
    if (present == 0) {
      owner->recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
      return;
    }
    owner->getBus().writeRegister(address, sizeof(T), value, status);
  }

  // Nothing is held back, so there is nothing to flush.
  void flush(tStatus&, bool) requires kIsWritable {}

 protected:
  uint64_t getField(T word, T mask, uint32_t lowestBit) const { return (word & mask) >> lowestBit; }

  // Only the field's bits go out; the rest of the register is written as 0.
  void writeField(T mask, uint32_t lowestBit, uint64_t value, tStatus& status) {
    writeRegister(static_cast<T>((value << lowestBit) & mask), status);
  }
};

}  // namespace arm

#endif
