#include "DeviceResources.h"

#include "PowerUpSequence.h"
#include "SettingsMessages.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

DeviceResources::DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer,
                                 iPolicyRegistrar* registrar, cbak::SettlingTimerHandler* lo0Settling,
                                 cbak::SettlingTimerHandler* lo1Settling, ListModeRegisterReadResources* readResources,
                                 tStatus& status)
    : board_(createHostRegMap(fixedLogic, status)), composites_(board_, clockBuffer, status), rf_(nullptr) {
  // The primitives hold references into every map: they exist only when
  // all of them were built.
  if (status.isNotFatal()) {
    rf_ = new (status, nVLAPAL000::kAllocationKindPlain)
        RfResources(board_, composites_, registrar, lo0Settling, lo1Settling, readResources, status);
  }
  registerRegisterMaps(status);
}

DeviceResources::~DeviceResources() { delete rf_; }

nHostRegMap::tHostRegMap* DeviceResources::createHostRegMap(vllym::kernel::IIoAccessor* fixedLogic, tStatus& status) {
  if (status.isFatal()) return nullptr;
  return new (status, nVLAPAL000::kAllocationKindPlain) nHostRegMap::tHostRegMap(fixedLogic);
}

void DeviceResources::registerRegisterMaps(tStatus& status) {
  if (status.isFatal()) return;
  board_.getHostRegMap()->registerMaps(dispatcher_, status);
  composites_.registerMaps(dispatcher_, status);
}

void DeviceResources::invalidateRegisterCaches() {
  if (board_.getHostRegMap() != nullptr) board_.getHostRegMap()->markDirtyRegMap();
  composites_.markDirty();
}

void DeviceResources::powerUp(tStatus& status) {
  if (status.isFatal()) return;
  if (board_.getHostRegMap() == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  PowerUpSequence(*board_.getHostRegMap(), composites_, rf_).run(status);
}

bool DeviceResources::requireRf(tStatus& status) const {
  if (status.isFatal()) return false;
  if (rf_ == nullptr) status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  return rf_ != nullptr;
}

void DeviceResources::processResourceList(const uint32_t* ids, uint32_t count, uint32_t type, const uint8_t* input,
                                          uint32_t inputSize, uint8_t* output, uint32_t outputCapacity,
                                          const SnoopingManager::SnoopingManager* recordings, tStatus& status) {
  if (!requireRf(status)) return;
  const RecordedMaps recorded = recordedMaps(recordings);
  SettingsMessages(*rf_, &recorded).process(ids, count, type, input, inputSize, output, outputCapacity, status);
}

void DeviceResources::reserveAndCommit(const uint8_t* message, uint64_t size, rfyulreserve::ReservationClientID client,
                                       tStatus& status) {
  if (requireRf(status)) rf_->reserveAndCommit(message, size, client, status);
}

// Cycling is never recorded: it waits for any list that records LO0 or
// the reference CPLD.
void DeviceResources::cycleFrequency(const SnoopingManager::SnoopingManager* recordings, tStatus& status) {
  recordedMaps(recordings).refuseUnrecorded(RecordedMaps::kReference | RecordedMaps::kLo0Path, status);
  if (requireRf(status)) rf_->cycleFrequency(status);
}

void DeviceResources::readTemperature(uint32_t samples, uint32_t& sum, uint32_t& divisor, tStatus& status) {
  if (requireRf(status)) rf_->temperature().readTemperatureSum(samples, sum, divisor, status);
}

void DeviceResources::readDacTemperature(uint32_t which, uint32_t samples, uint32_t& sum, uint32_t& divisor,
                                         const SnoopingManager::SnoopingManager* recordings, tStatus& status) {
  if (status.isFatal()) return;
  if (which > 1) {
    status.setCode(codes::kInvalidArgument, VL_SITE);
    return;
  }
  // The sensor is read through the DAC's own registers.
  recordedMaps(recordings).refuseUnrecorded(RecordedMaps::loPath(which), status);
  if (requireRf(status)) rf_->frequency(which).readDacTemperatureSum(samples, sum, divisor, status);
}

}  // namespace nVL9738K_24_0
