// The id-addressed interface of every register map: what user mode reaches
// through the register-access requests and what composite maps use to fan
// whole-map operations out to their children. Slot order matters to the
// maps' users and stays as declared.
#ifndef VL9738K_REGACCESS_DYNAMICACCESSINTERFACEBASE_H
#define VL9738K_REGACCESS_DYNAMICACCESSINTERFACEBASE_H

#include <stdint.h>

#include "FieldType.h"

namespace arm {

// The trailing u32 of the per-register operations is an access context:
// most maps ignore it; a map with register arrays takes it as the element.
template <typename TStatus>
class DynamicAccessInterfaceBase {
 public:
  virtual void get(uint32_t id, uint64_t& value, TStatus& status, uint32_t context) = 0;
  virtual void set(uint32_t id, uint64_t value, TStatus& status, uint32_t context) = 0;
  virtual void read(uint32_t id, uint64_t& value, TStatus& status, uint32_t context) = 0;
  virtual void write(uint32_t id, uint64_t value, bool force, TStatus& status, uint32_t context) = 0;
  virtual void flush(uint32_t id, bool force, TStatus& status, uint32_t context) = 0;
  virtual void refresh(uint32_t id, TStatus& status, uint32_t context) = 0;
  virtual void getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                                 TStatus& status) const = 0;
  virtual void flushRegMap(bool force, TStatus& status) = 0;
  virtual void refreshRegMap(TStatus& status) = 0;
  virtual void markDirtyRegMap() = 0;
  virtual const char* getVersion() const = 0;
  virtual const char* getOldestCompatibleVersion() const = 0;
  virtual ~DynamicAccessInterfaceBase() {}
  virtual void reinitialize() = 0;
};

}  // namespace arm

#endif
