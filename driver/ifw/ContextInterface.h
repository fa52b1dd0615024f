// One node of the FPGA's subsystem tree as its users see it: a block of a
// kind (UID) and an instance, reached in one subsystem at a base address.
// A node turns an offset inside its block into an instruction, and leads
// to its children by kind and instance.
#ifndef VL9738K_IFW_CONTEXTINTERFACE_H
#define VL9738K_IFW_CONTEXTINTERFACE_H

#include <stdint.h>

#include "InstructionTarget.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/status/tStatus.h"

namespace vlifw {

class ContextInterface {
 public:
  using tChildren = vlhtl::Vector<const ContextInterface*>;

  virtual ~ContextInterface() {}

  // Neither looks at the status: building an instruction cannot fail.
  virtual ReadInstruction contextualizeRead(uint64_t offset, nVLAPALS100::tStatus& status) const = 0;
  virtual WriteInstruction contextualizeWrite(uint64_t offset, uint64_t data, nVLAPALS100::tStatus& status) const = 0;
  // uid | instance << 16 | version << 32 | oldest compatible version << 48.
  virtual uint64_t getInfo(nVLAPALS100::tStatus& status) const = 0;
  virtual void getSubsystemAndOffset(uint8_t* subsystem, uint64_t* offset, nVLAPALS100::tStatus& status) const = 0;
  // Compares the caller's (version, oldest compatible) with the block's.
  virtual void checkVersion(uint16_t version, uint16_t oldestCompatible, bool failIfIncompatible, bool* tooOld,
                            bool* tooNew, nVLAPALS100::tStatus& status) const = 0;
  virtual const ContextInterface* findChild(uint16_t uid, uint8_t instance, nVLAPALS100::tStatus& status) const = 0;
  virtual void getChildrenWithUid(uint16_t uid, tChildren& out, nVLAPALS100::tStatus& status) const = 0;
  virtual void getChildren(tChildren& out, nVLAPALS100::tStatus& status) const = 0;
};

}  // namespace vlifw

#endif
