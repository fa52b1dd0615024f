#include "IoctlCollection.h"

#include "driver/board/device/Device.h"
#include "driver/board/status/BoardSites.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace nVL9738K_24_0 {

namespace {

// Sensors of the board's temperature chip, and the two DACs' own.
constexpr uint32_t kBoardSensors[] = {1, 2, 16, 17};
constexpr uint32_t kLo0DacSensor = 24;
constexpr uint32_t kLo1DacSensor = 25;

bool isBoardSensor(uint32_t selector) {
  for (uint32_t sensor : kBoardSensors) {
    if (sensor == selector) return true;
  }
  return false;
}

// Readings travel as unsigned sums; a board below 0 degrees wraps them,
// which the signed request field carries back unchanged.
void readBoardTemperature(Device& device, uint32_t samples, int32_t& sum, uint32_t& divisor,
                          nVLAPALS100::tStatus& status) {
  DeviceResources* resources = device.getDeviceResources();
  if (resources == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(sites::kIoctlCollection, __LINE__));
    return;
  }
  uint32_t raw = static_cast<uint32_t>(sum);
  resources->readTemperature(samples, raw, divisor, status);
  sum = static_cast<int32_t>(raw);
}

void readDacTemperature(Device& device, uint32_t which, uint32_t samples, int32_t& sum, uint32_t& divisor,
                        nVLAPALS100::tStatus& status) {
  DeviceResources* resources = device.getDeviceResources();
  if (resources == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(sites::kIoctlCollection, __LINE__));
    return;
  }
  uint32_t raw = static_cast<uint32_t>(sum);
  resources->readDacTemperature(which, samples, raw, divisor, device.getSnoopingManager(), status);
  sum = static_cast<int32_t>(raw);
}

}  // namespace

ov3ifw::OV3IFWResources* IoctlCollection::getIFWResources() const { return device_->getIFWResources(); }

void IoctlCollection::startCommitSnooping(listmodek::Session* session, tStatus& status) const {
  device_->startCommitSnooping(session, status);
}

void IoctlCollection::attachListStartListeners(listmodek::Session* session, tStatus& status) const {
  device_->attachListStartListeners(session, status);
}

void IoctlCollection::markListRun(listmodek::Session& session, ListRunEdge edge) const {
  device_->markListRun(session, edge);
}

const SnoopingManager::SnoopingManager* IoctlCollection::getSnoopingManager() const {
  return device_->getSnoopingManager();
}

void IoctlCollection::refuseUnrecordedMapAccess(const arm::DynamicAccessInterfaceBase<nVLAPALS100::tStatus>& map,
                                                tStatus& status) const {
  DeviceResources* resources = device_->getDeviceResources();
  if (resources != nullptr) resources->recordedMaps(device_->getSnoopingManager()).refuseUnrecordedMap(&map, status);
}

void IoctlCollection::GrowableBuffer::resize(uint64_t newSize, tStatus& status) {
  if (status.isFatal()) return;
  if (newSize > capacity) {
    auto* grown = static_cast<uint8_t*>(nVLAPAL000::allocateWithStatus(newSize, status));
    if (grown == nullptr) return;
    if (data != nullptr) nVLZUK100_free(data);
    data = grown;
    capacity = newSize;
  }
  size = newSize;
}

void IoctlCollection::GrowableBuffer::release() {
  if (data != nullptr) nVLZUK100_free(data);
  *this = GrowableBuffer{};
}

IoctlCollection::IoctlCollection(Device* device)
    : deployMessage_{}, resourceIds_{}, messageInput_{}, messageOutput_{}, device_(device) {}

IoctlCollection::~IoctlCollection() {
  deployMessage_.release();
  resourceIds_.release();
  messageInput_.release();
  messageOutput_.release();
}

DeviceResources* IoctlCollection::getDeviceResources() const { return device_->getDeviceResources(); }

armki::ARMDispatcher* IoctlCollection::getARMDispatcher() const {
  DeviceResources* resources = device_->getDeviceResources();
  return resources != nullptr ? &resources->getARMDispatcher() : nullptr;
}

VisaDispatcher& IoctlCollection::getVisaDispatcher() const { return device_->getVisaDispatcher(); }

qrtk::FlashPartitionManager* IoctlCollection::getFlashPartitionManager() const {
  return device_->getFlashPartitionManager();
}

uint32_t IoctlCollection::getModuleRev(uint32_t index, tStatus& status) const {
  return device_->getModuleRev(index, status);
}

void IoctlCollection::getFirmwareRev(uint32_t& current, uint32_t& oldest) const {
  device_->getFirmwareRev(current, oldest);
}

uint64_t IoctlCollection::getSerialNumber() const { return device_->getSerialNumber(); }

bool IoctlCollection::checkInitializationStatus(uint32_t level, tStatus& status) const {
  device_->mergeDeferredStatus(level, status);
  return status.isNotFatal();
}

void IoctlCollection::checkTemperature(uint32_t selector, uint32_t samples, int32_t& sum, uint32_t& divisor,
                                       tStatus& status) const {
  if (status.isFatal()) return;
  int32_t boardSum = 0;
  uint32_t boardDivisor = 1;
  if (isBoardSensor(selector)) {
    readBoardTemperature(*device_, samples, sum, divisor, status);
    boardSum = sum;
    boardDivisor = divisor;
  } else if (selector == kLo0DacSensor || selector == kLo1DacSensor) {
    readDacTemperature(*device_, selector - kLo0DacSensor, samples, sum, divisor, status);
    readBoardTemperature(*device_, 1, boardSum, boardDivisor, status);
  } else {
    status.setCode(codes::kInvalidArgument, VL_SITE_AT(sites::kIoctlCollection, __LINE__));
  }
  // A sample count of 0 leaves no reading to judge: the board is not
  // checked rather than divided by zero.
  if (status.isFatal() || boardDivisor == 0) return;
  device_->thermalShutdown(boardSum / static_cast<int32_t>(boardDivisor), status);
}

// Frequency cycling steps through presets the device's resources keep;
// until they exist the request is not supported.
void IoctlCollection::cycleFrequency(tStatus& status) const {
  if (status.isFatal()) return;
  DeviceResources* resources = device_->getDeviceResources();
  if (resources == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(sites::kIoctlCollection, __LINE__));
    return;
  }
  resources->cycleFrequency(device_->getSnoopingManager(), status);
}

vllym::AtomicLymInterface<qrtlym::AtomicLymSession>& IoctlCollection::getAtomicLymInterface() const {
  return device_->getAtomicLymInterface();
}

void IoctlCollection::refreshLymSessionValidity(nVLAPAL000::tSession* session) const {
  device_->refreshLymSessionValidity(session);
}

void IoctlCollection::configurePersonalityOptions(uint32_t word0, uint32_t word1, uint32_t word2, uint32_t word3,
                                                  tStatus& status) const {
  const uint32_t options[4] = {word0, word1, word2, word3};
  device_->configurePersonalityOptions(options, status);
}

}  // namespace nVL9738K_24_0
