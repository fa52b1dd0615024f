// The accessor for windows of the board's PCI memory BAR: the mapped
// accessor unchanged, with its own record of the window it was built over.
#ifndef VL9738K_REGACCESS_IOACCESSORMAPPEDPCI_H
#define VL9738K_REGACCESS_IOACCESSORMAPPEDPCI_H

#include <stdint.h>

#include "IoAccessorMappedLittleEndian.h"

namespace vllym {

class IoAccessorMappedPci : public IoAccessorMappedLittleEndian {
 public:
  IoAccessorMappedPci(uint64_t windowSize, uint64_t busAddress, uint64_t mappedBase, uint8_t flag)
      : IoAccessorMappedLittleEndian(windowSize, busAddress, mappedBase, flag),
        pciMappedBase_(mappedBase),
        pciWindowSize_(windowSize) {}
  ~IoAccessorMappedPci() override;

  uint64_t getPciMappedBase() const { return pciMappedBase_; }
  uint64_t getPciWindowSize() const { return pciWindowSize_; }

 private:
  uint64_t pciMappedBase_;
  uint64_t pciWindowSize_;
};

}  // namespace vllym

#endif
