// The two flash requests whose handlers take their own request guard: the
// partition read, which also answers the size of a partition, and the
// partition list, which also answers the count. Both run at the flash
// stage's status level with list-mode snooping resumed.
#ifndef VL9738K_BOARD_IOCTL_RFPLATIOCTLIMPL_H
#define VL9738K_BOARD_IOCTL_RFPLATIOCTLIMPL_H

#include <stdint.h>

#include "FlashId.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/status/tStatus.h"

namespace qrtk {
class FlashPartitionManager;
}

namespace rfplatimpl {

template <typename tCollection>
class RFPlatIoctlImpl {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit RFPlatIoctlImpl(tCollection& collection) : collection_(collection) {}

  // An empty buffer (address or size 0) asks for the size alone. `size`
  // comes back as the partition's size and `sequenceNumber` as its current
  // number, also when the buffer is too short (-52019).
  void rfplat_readPartition(nVLAPAL000::tEventDescriptor& descriptor, uint32_t partitionId, uint64_t buffer,
                            uint32_t& size, const rfplatki::FlashId& flashId, uint32_t& sequenceNumber,
                            tStatus& status);
  // The number of partitions; their ids go to the buffer as u32 words when
  // it holds them all. A length of 0 asks for the count alone; a shorter
  // buffer gives the count with -52019. 0 when the request is refused.
  uint32_t rfplat_getPartitionList(nVLAPAL000::tEventDescriptor& descriptor, uint64_t buffer, uint32_t length,
                                   const rfplatki::FlashId& flashId, tStatus& status);

  // The device's manager. Without one (its bring-up stage failed) the
  // status takes that stage's outcome, so no handler reaches a manager
  // that is not there.
  static qrtk::FlashPartitionManager* requireManager(tCollection& collection, tStatus& status);

 private:
  tCollection& collection_;
};

}  // namespace rfplatimpl

#endif
