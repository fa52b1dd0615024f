#include "RFPlatIoctlImpl.h"

#include "IoctlCollection.h"
#include "driver/board/device/Device.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "driver/board/status/BoardSites.h"
#include "driver/flash/FlashPartitionManager.h"

namespace rfplatimpl {

namespace {

using nVL9738K_24_0::Device;

// Only a non-empty pair names memory; anything else is an empty buffer.
nVLAPAL000::tUserBuffer userBuffer(nVLAPAL000::tEventDescriptor& descriptor, uint64_t address, uint32_t length,
                                   nVLAPALS100::tStatus& status) {
  const bool empty = address == 0 || length == 0;
  return nVLAPAL000::tUserBuffer(descriptor, empty ? 0 : address, empty ? 0 : length, status);
}

}  // namespace

template <typename tCollection>
qrtk::FlashPartitionManager* RFPlatIoctlImpl<tCollection>::requireManager(tCollection& collection, tStatus& status) {
  if (status.isFatal()) return nullptr;
  qrtk::FlashPartitionManager* manager = collection.getFlashPartitionManager();
  if (manager != nullptr) return manager;
  const tStatus* stage = collection.getDevice().getDriverStatus(Device::kLevelFpgaImage);
  if (stage != nullptr) status.merge(*stage);
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(nVL9738K_24_0::sites::kMainInterface, __LINE__));
  return nullptr;
}

template <typename tCollection>
void RFPlatIoctlImpl<tCollection>::rfplat_readPartition(nVLAPAL000::tEventDescriptor& descriptor, uint32_t partitionId,
                                                        uint64_t buffer, uint32_t& size,
                                                        const rfplatki::FlashId& flashId, uint32_t& sequenceNumber,
                                                        tStatus& status) {
  nVL9738K_24_0::IoctlEntryHelper entry(collection_.getDevice(), descriptor, Device::kLevelFpgaImage, status, true);
  qrtk::FlashPartitionManager* manager = requireManager(collection_, status);
  if (manager == nullptr) return;
  nVLAPAL000::tUserBuffer destination = userBuffer(descriptor, buffer, size, status);
  size = manager->readPartition(partitionId, destination, flashId, sequenceNumber, status);
}

template <typename tCollection>
uint32_t RFPlatIoctlImpl<tCollection>::rfplat_getPartitionList(nVLAPAL000::tEventDescriptor& descriptor,
                                                               uint64_t buffer, uint32_t length,
                                                               const rfplatki::FlashId& flashId, tStatus& status) {
  nVL9738K_24_0::IoctlEntryHelper entry(collection_.getDevice(), descriptor, Device::kLevelFpgaImage, status, true);
  qrtk::FlashPartitionManager* manager = requireManager(collection_, status);
  if (manager == nullptr) return 0;
  nVLAPAL000::tUserBuffer destination = userBuffer(descriptor, buffer, length, status);
  return manager->getPartitionList(destination, flashId, status);
}

template class RFPlatIoctlImpl<nVL9738K_24_0::IoctlCollection>;

}  // namespace rfplatimpl
