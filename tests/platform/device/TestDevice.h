// A small device for driving the device layer through the kernel-layer
// entries: one interface with a trivial decoder framed like the generated
// ones, a few properties, sessions with a notifier, and hooks that let a
// test hold requests inside the device or make a transition fail.
#ifndef VL9738K_TESTS_TEST_DEVICE_H
#define VL9738K_TESTS_TEST_DEVICE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/platform/device/tDevice.h"
#include "driver/platform/device/tDeviceInterface.h"
#include "driver/platform/device/tIONotifier.h"
#include "driver/platform/device/tProperty.h"
#include "driver/platform/device/tSession.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"

namespace vltest {

using nVLAPAL000::tEventDescriptor;
using nVLAPALS100::tStatus;

// Requests of the test interface. The gated request passes the device's
// gate around its handler: in {u32 value; i32 inStatus}, out {u32 value;
// u32 requests in flight during the handler; i32 outStatus}.
inline constexpr uint32_t kCodeGated = 0xC00C7401;
inline constexpr uint32_t kGatedInSize = 8;
inline constexpr uint32_t kGatedOutSize = 12;
// Decoded, answers nothing and produces no output.
inline constexpr uint32_t kCodeSilent = 0x00007402;
inline constexpr uint32_t kNotifierKind = 0x80000000;
inline constexpr uint64_t kTestPageList = 0xAB000;
inline constexpr uint64_t kTestPhysicalWindow = 0xF0000000;

class TestDevice;

class TestSession : public nVLAPAL000::tSession {
 public:
  TestSession(nVLAPAL000::tDeviceInterface* interface, tStatus& status) : tSession(interface, status) {}
  nVLAPAL000::tIONotifier notifier;
};

class TestInterface : public nVLAPAL000::tDeviceInterface {
 public:
  TestInterface(TestDevice* device, nVLAPAL000::tProperty** properties);
  uint64_t decodeIOControl(tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize, void* out,
                           uint64_t outSize, tStatus& status) override;
  int decodes() const { return decodes_.load(); }

 private:
  uint64_t gated(tEventDescriptor& descriptor, const void* in, uint64_t inSize, void* out, uint64_t outSize,
                 tStatus& status);

  std::atomic<int> decodes_{0};
};

class TestDevice : public nVLAPAL000::tDevice {
 public:
  static constexpr const char* kInterfaceName = "vltest_device";
  // A second interface with the default decoder and no properties.
  static constexpr const char* kAuxInterfaceName = "vltest_aux";

  explicit TestDevice(tStatus& status);
  ~TestDevice() override;

  nVLAPAL000::tDeviceInterface** getDeviceInterfaces() override { return interfaces_; }
  nVLAPAL000::tProperty** getDeviceProperties() override { return deviceProperties_; }
  nVLAPAL000::tSession* createSession(tEventDescriptor& descriptor, nVLAPAL000::tDeviceInterface* interface,
                                      tStatus& status) override;
  void destroySession(tEventDescriptor& descriptor, nVLAPAL000::tSession* session) override;
  uint64_t read(tEventDescriptor& descriptor, nVLAPAL000::tUserBuffer& buffer, tStatus& status) override;
  void mapMemory(tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap* map, tStatus& status) override;
  void unmapMemory(tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap* map) override;
  void start(tEventDescriptor& descriptor, tStatus& status) override;
  void stop(tEventDescriptor& descriptor) override;
  bool quiesce(tEventDescriptor& descriptor, uint32_t reason, bool refuseIfOpen) override;
  void openStateGate(tEventDescriptor& descriptor) override;
  void sleep(tEventDescriptor& descriptor) override;
  void wake(tEventDescriptor& descriptor) override;
  void markNotPresent(tEventDescriptor& descriptor) override;
  void startBus(uint64_t, tStatus&) override {}
  void stopBus() override {}
  void buildProperties() override {}
  nVLAPAL000::tProperty** getPCIProperties() override { return pciProperties_; }

  TestInterface& interface() { return interface_; }
  nVLAPAL000::tProperty& deviceProperty(size_t index) { return deviceStorage_[index]; }

  // Gated requests admitted while held wait inside the handler.
  void holdRequests();
  void releaseRequests();
  int heldRequests() const { return held_.load(); }
  void waitInHandler();
  // Bound of a gated request's wait at a suspended gate.
  void setAdmissionTimeout(uint32_t timeoutMs) { admissionTimeoutMs_ = timeoutMs; }
  uint32_t admissionTimeout() const { return admissionTimeoutMs_; }
  // The state operations the device core ran, in order.
  std::vector<std::string> transitions() const;
  void clearTransitions();
  int mapsReleased() const { return mapsReleased_.load(); }

 private:
  void log(const char* transition);

  nVLAPAL000::tDeviceRecord record_;
  nVLAPAL000::tProperty deviceStorage_[3];
  nVLAPAL000::tProperty* deviceProperties_[4];
  nVLAPAL000::tProperty interfaceStorage_;
  nVLAPAL000::tProperty* interfaceProperties_[2];
  nVLAPAL000::tProperty pciStorage_;
  nVLAPAL000::tProperty* pciProperties_[2];
  TestInterface interface_;
  nVLAPAL000::tDeviceInterface auxInterface_;
  nVLAPAL000::tDeviceInterface* interfaces_[3];
  uint32_t admissionTimeoutMs_;
  std::atomic<int> mapsReleased_{0};
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool holding_ = false;
  std::atomic<int> held_{0};
  std::vector<std::string> transitions_;
};

// Serves notifiers of kind kNotifierKind on each session, as the board does.
class NotifyingTestDevice : public TestDevice {
 public:
  using TestDevice::TestDevice;
  void createIONotifier(tEventDescriptor& descriptor, uint32_t kind, nVLAPAL000::tIONotifierParams& params,
                        tStatus& status) override;
  void destroyIONotifier(tEventDescriptor& descriptor, uint32_t kind) override;
  int creations() const { return creations_.load(); }
  int64_t statusSeenAtCreation() const { return statusSeen_.load(); }

 private:
  std::atomic<int> creations_{0};
  std::atomic<int64_t> statusSeen_{0};
};

// The linked driver entered as the kernel layer would, with a test device
// plugged in the way the board's add-device entry plugs a board in:
// started, its interface registered, its properties published, announced.
class TestBoard {
 public:
  explicit TestBoard(bool notifying = false);
  ~TestBoard();

  sim::Module& module() { return *module_; }
  TestDevice& device() { return *device_; }
  std::unique_ptr<sim::DeviceFile> open(int32_t* result = nullptr);
  // The kernel layer's remove entry (the device stays until the board goes).
  void remove();

 private:
  std::unique_ptr<sim::Module> module_;
  TestDevice* device_;
};

struct GatedReply {
  int32_t status;
  int32_t resultField;
  uint32_t value;
  uint32_t inFlight;
  int32_t outStatus;
};

GatedReply gatedRequest(sim::DeviceFile& file, uint32_t value, int32_t inStatus = 0);

}  // namespace vltest

#endif
