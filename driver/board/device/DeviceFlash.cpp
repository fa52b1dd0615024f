// The Device's side of the board's calibration flash: the partition store
// it mounts at bring-up, and the two board-level records it rewrites on
// request (the PCI subsystem id and the device-specific capability block).
#include "Device.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/pci/tVLCapabilities.h"

namespace nVL9738K_24_0 {

namespace {

// The controller of the board object, or none with the FPGA-image outcome
// (or -52002) when the bring-up never built a board.
OVCalEEPROMController* flashController(Device::tBoard* board, const nVLAPALS100::tStatus& fpgaImage,
                                       nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (board != nullptr) return board->getEEPROMController(status);
  status.merge(fpgaImage);
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
  return nullptr;
}

}  // namespace

// Mounts the existing store only: a blank or unreadable flash is reported,
// never formatted, so that a board with a damaged table keeps what can
// still be recovered from it.
void Device::createFlashPartitionManager(tStatus& status) {
  if (status.isFatal()) return;
  OVCalEEPROMController* controller = flashController(board_, records_[kLevelFpgaImage - 1], status);
  const qrtk::FlashPartitionManager::tIdVector noCorePartitions;
  auto* manager = new (status, nVLAPAL000::kAllocationKindPlain) qrtk::FlashPartitionManager(
      controller, noCorePartitions, rfplatki::FlashId{}, false, &flashNumberOffset_, status);
  releaseFlashPartitionManager();
  if (status.isFatal()) {
    delete manager;
    return;
  }
  flash_ = manager;
}

void Device::releaseFlashPartitionManager() {
  delete flash_;
  flash_ = nullptr;
}

void Device::programSubsystemId(uint16_t id, tStatus& status) {
  OVCalEEPROMController* controller = flashController(board_, records_[kLevelFpgaImage - 1], status);
  if (controller != nullptr) controller->programSubsystemId(id, status);
}

// The block is re-read from the bridge rather than rebuilt from the
// record, so records this driver does not interpret go back unchanged. The
// record takes the new revisions only once the flash holds them: after a
// failure it still describes the board.
void Device::writeCapabilities(uint32_t firmwareRevision, uint32_t oldestFirmwareRevision, tStatus& status) {
  if (status.isFatal()) return;
  nVLAPAL000::tWexel wexel(this, status);
  nVLAPAL000::tVLCapabilityPCIAccessor<nVLAPAL000::tWexel> walker(wexel);
  nVLAPAL000::tDeviceSpecific<nVLAPAL000::tWexel> block;
  walker.getCapability(block, status);
  DeviceCapabilities updated = capabilities_;
  vlhtl::Vector<uint8_t> serialised;
  DeviceCapabilities::parse(updated, block.getData(), block.getLength(), true, firmwareRevision, oldestFirmwareRevision,
                            &serialised, status);
  OVCalEEPROMController* controller = flashController(board_, records_[kLevelFpgaImage - 1], status);
  if (controller == nullptr) return;
  controller->writeDeviceSpecificCapabilities(serialised.data(), static_cast<uint32_t>(serialised.size()), status);
  if (status.isNotFatal()) capabilities_ = updated;
}

}  // namespace nVL9738K_24_0
