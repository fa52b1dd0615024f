#include "TestDevice.h"

#include <cstring>

#include "driver/platform/device/IoctlCodegen.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "driver/platform/entry/EntryPoints.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/Zuk.h"
#include "sim/kernel/FaultSite.h"

namespace vltest {
namespace {

using nVLAPAL000::tProperty;

std::atomic<uint64_t> gNextDevice{1};

tProperty makeProperty(const char* name, uint64_t type) {
  tProperty property{};
  property.name = name;
  property.type = type;
  return property;
}

template <typename T>
T load(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

TestInterface::TestInterface(TestDevice* device, tProperty** properties)
    : tDeviceInterface(device, TestDevice::kInterfaceName, properties) {}

uint64_t TestInterface::decodeIOControl(tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize,
                                        void* out, uint64_t outSize, tStatus& status) {
  ++decodes_;
  if (code == kCodeGated) return gated(descriptor, in, inSize, out, outSize, status);
  if (code == kCodeSilent) return 0;
  return tDeviceInterface::decodeIOControl(descriptor, code, in, inSize, out, outSize, status);
}

// Framed like a generated decoder: sizes first, then the copy in, the
// operation status seeded from the input, the gate around the handler,
// and the output block with the operation status copied out.
uint64_t TestInterface::gated(tEventDescriptor& descriptor, const void* in, uint64_t inSize, void* out,
                              uint64_t outSize, tStatus& status) {
  if (inSize != kGatedInSize || outSize != kGatedOutSize) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return 0;
  }
  uint8_t input[kGatedInSize];
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(input, in, kGatedInSize);
  if (copied < 0) {
    nVLAPALS100::setStatusFromZUKStatus(copied, status, __FILE__, __LINE__);
    return 0;
  }
  uint8_t output[kGatedOutSize] = {};
  tStatus operation;
  operation.setCode(load<int32_t>(input + 4), VL_SITE);
  auto& device = static_cast<TestDevice&>(*getDevice());
  if (device.beginIO(descriptor.session, operation, device.admissionTimeout())) {
    device.waitInHandler();
    const uint32_t value = load<uint32_t>(input);
    const uint32_t inFlight = device.getInFlightCount();
    std::memcpy(output, &value, 4);
    std::memcpy(output + 4, &inFlight, 4);
    device.endIO(descriptor.session);
  }
  const auto outStatus = static_cast<int32_t>(operation.getCode());
  std::memcpy(output + 8, &outStatus, 4);
  nVLAPAL200_copyIoctlOutBufferForCodegen(out, output, kGatedOutSize, &status);
  return kGatedOutSize;
}

TestDevice::TestDevice(tStatus& status)
    : tDevice(status),
      record_{},
      deviceStorage_{makeProperty("serialNumber", tProperty::kTypeString), makeProperty("slot", tProperty::kTypeUInt32),
                     makeProperty("calibration", tProperty::kTypeBytes)},
      deviceProperties_{&deviceStorage_[0], &deviceStorage_[1], &deviceStorage_[2], nullptr},
      interfaceStorage_(makeProperty("interfaceGeneration", tProperty::kTypeUInt64)),
      interfaceProperties_{&interfaceStorage_, nullptr},
      pciStorage_(makeProperty("numaNode", tProperty::kTypeNUMANode)),
      pciProperties_{&pciStorage_, nullptr},
      interface_(this, interfaceProperties_),
      auxInterface_(this, kAuxInterfaceName),
      interfaces_{&interface_, &auxInterface_, nullptr},
      admissionTimeoutMs_(nVLAPAL000::kWaitForever) {
  static constexpr uint8_t kCalibration[] = {0xCA, 0x11, 0xB0};
  const uint64_t number = gNextDevice++;
  record_.device = this;
  record_.kernelDeviceHandle = 0xDE000000 + number;
  record_.physicalDevice = 0xBD000000 + number;
  setDeviceRecord(&record_);
  deviceStorage_[0].value.text = "VL-0001";
  deviceStorage_[1].value.u32 = 7;
  deviceStorage_[2].value.bytes = {sizeof kCalibration, kCalibration};
  interfaceStorage_.value.u64 = 0x0102030405060708ull;
  pciStorage_.value.u32 = 1;
}

TestDevice::~TestDevice() = default;

nVLAPAL000::tSession* TestDevice::createSession(tEventDescriptor&, nVLAPAL000::tDeviceInterface* interface,
                                                tStatus& status) {
  auto* session = new (status, nVLAPAL000::kAllocationKindPlain) TestSession(interface, status);
  if (session != nullptr && status.isFatal()) {
    delete session;
    return nullptr;
  }
  return session;
}

void TestDevice::destroySession(tEventDescriptor&, nVLAPAL000::tSession* session) { delete session; }

// Reads produce a counting pattern as long as the caller's block.
uint64_t TestDevice::read(tEventDescriptor&, nVLAPAL000::tUserBuffer& buffer, tStatus& status) {
  std::vector<uint8_t> pattern(buffer.getSize());
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i);
  buffer.writeToBuffer(0, pattern.data(), pattern.size(), status);
  return status.isFatal() ? 0 : pattern.size();
}

// Region 0 is backed by a kernel page list, region 1 by a device window.
void TestDevice::mapMemory(tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap* map, tStatus& status) {
  switch (map->getRegion()) {
    case 0:
      map->mapPageList(kTestPageList, 0, map->getSize(), status);
      return;
    case 1:
      map->mapPhysicalAddress(kTestPhysicalWindow, map->getSize(), 0, status);
      return;
    default:
      tDevice::mapMemory(descriptor, map, status);
  }
}

void TestDevice::unmapMemory(tEventDescriptor&, nVLAPAL000::tUserMemoryMap*) { ++mapsReleased_; }

// A real bring-up opens the gate as its last step.
void TestDevice::start(tEventDescriptor&, tStatus&) {
  log("start");
  setGate(nVLAPAL000::kGateOpen);
}

void TestDevice::stop(tEventDescriptor& descriptor) {
  log("stop");
  tDevice::stop(descriptor);
}

bool TestDevice::quiesce(tEventDescriptor& descriptor, uint32_t reason, bool refuseIfOpen) {
  log("quiesce");
  return tDevice::quiesce(descriptor, reason, refuseIfOpen);
}

void TestDevice::openStateGate(tEventDescriptor& descriptor) {
  log("openStateGate");
  tDevice::openStateGate(descriptor);
}

void TestDevice::sleep(tEventDescriptor& descriptor) {
  log("sleep");
  tDevice::sleep(descriptor);
}

void TestDevice::wake(tEventDescriptor& descriptor) {
  log("wake");
  tDevice::wake(descriptor);
}

void TestDevice::markNotPresent(tEventDescriptor& descriptor) {
  log("markNotPresent");
  tDevice::markNotPresent(descriptor);
}

void TestDevice::holdRequests() {
  std::lock_guard<std::mutex> guard(mutex_);
  holding_ = true;
}

void TestDevice::releaseRequests() {
  std::lock_guard<std::mutex> guard(mutex_);
  holding_ = false;
  released_.notify_all();
}

void TestDevice::waitInHandler() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!holding_) return;
  ++held_;
  released_.wait(lock, [this] { return !holding_; });
  --held_;
}

std::vector<std::string> TestDevice::transitions() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return transitions_;
}

void TestDevice::clearTransitions() {
  std::lock_guard<std::mutex> guard(mutex_);
  transitions_.clear();
}

void TestDevice::log(const char* transition) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(mutex_);
  transitions_.emplace_back(transition);
}

void NotifyingTestDevice::createIONotifier(tEventDescriptor& descriptor, uint32_t kind,
                                           nVLAPAL000::tIONotifierParams& params, tStatus& status) {
  ++creations_;
  statusSeen_ = status.getCode();
  if (status.isFatal() || kind != kNotifierKind) return;
  static_cast<TestSession*>(descriptor.session)->notifier.initialize(params, status);
}

void NotifyingTestDevice::destroyIONotifier(tEventDescriptor& descriptor, uint32_t kind) {
  if (kind != kNotifierKind) return;
  static_cast<TestSession*>(descriptor.session)->notifier.close();
}

TestBoard::TestBoard(bool notifying) : module_(sim::Module::enter(&nVLAPAL200_driverEntry)), device_(nullptr) {
  tStatus status;
  device_ = notifying ? new (status, nVLAPAL000::kAllocationKindPlain) NotifyingTestDevice(status)
                      : new (status, nVLAPAL000::kAllocationKindPlain) TestDevice(status);
  if (device_ == nullptr) return;
  tEventDescriptor descriptor{nullptr};
  device_->changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status);
  nVLAPAL000::tDeviceInterface** interfaces = device_->getDeviceInterfaces();
  for (uint32_t i = 0; interfaces[i] != nullptr; ++i) {
    interfaces[i]->setKernelHandle(nVLZUK240_registerDeviceInterface(
        nVLAPAL000::getDriverRecord(), device_->getKernelDeviceHandle(), interfaces[i]->getName(), i, interfaces[i]));
  }
  device_->buildProperties();
  device_->registerPCIProperties(status);
  device_->registerDeviceProperties(status);
  device_->registerInterfaceProperties(status);
  for (uint32_t i = 0; status.isNotFatal() && interfaces[i] != nullptr; ++i) {
    nVLZUK240_notifyUserspaceAddEvent(interfaces[i]->getKernelHandle());
  }
  device_->clearTransitions();
}

// Remove and delete, as the kernel layer does when the board goes.
TestBoard::~TestBoard() {
  if (device_ == nullptr) return;
  module_->record().removeDevice(device_);
  module_->record().deleteDevice(device_);
}

std::unique_ptr<sim::DeviceFile> TestBoard::open(int32_t* result) {
  return sim::DeviceFile::open(*module_, TestDevice::kInterfaceName, result);
}

void TestBoard::remove() { module_->record().removeDevice(device_); }

GatedReply gatedRequest(sim::DeviceFile& file, uint32_t value, int32_t inStatus) {
  sim::DeviceFile::Request request;
  request.code = kCodeGated;
  request.input.resize(kGatedInSize);
  std::memcpy(request.input.data(), &value, 4);
  std::memcpy(request.input.data() + 4, &inStatus, 4);
  request.outputSize = kGatedOutSize;
  const sim::DeviceFile::Reply reply = file.ioctl(request);
  GatedReply gated{reply.status, reply.resultField, 0, 0, 0};
  std::memcpy(&gated.value, reply.output.data(), 4);
  std::memcpy(&gated.inFlight, reply.output.data() + 4, 4);
  std::memcpy(&gated.outStatus, reply.output.data() + 8, 4);
  return gated;
}

}  // namespace vltest
