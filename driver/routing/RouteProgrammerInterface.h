// How routing writes edges into the hardware: a transaction is begun before
// the first programming item of a walk, every item goes through
// `programRoute` with the selector of the terminal it drives, and the
// transaction ends after the walk.
#ifndef VL9738K_ROUTING_ROUTEPROGRAMMERINTERFACE_H
#define VL9738K_ROUTING_ROUTEPROGRAMMERINTERFACE_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vlark {

class RouteProgrammerInterface {
 public:
  virtual ~RouteProgrammerInterface() = default;
  // Given the first item of the transaction, which a programmer may use to
  // pick its target.
  virtual void beginTransaction(uint32_t selector, uint32_t itemWord0, uint32_t itemWord1,
                                nVLAPALS100::tStatus& status);
  virtual void programRoute(uint32_t selector, uint32_t itemWord0, uint32_t itemWord1, nVLAPALS100::tStatus& status);
  virtual void endTransaction(nVLAPALS100::tStatus& status);
  // Whether the writes go into a list-mode recording instead of the
  // hardware.
  virtual bool recordsInstead() const { return false; }
};

}  // namespace vlark

#endif
