// What the request handlers of the main interface reach: the device and
// the services it owns, through one-line forwards, and the four growable
// buffers the settings requests copy their variable-length data into.
// Handlers run inside their request guard (session lock held), so the
// buffers serve one request at a time.
#ifndef VL9738K_BOARD_IOCTL_IOCTLCOLLECTION_H
#define VL9738K_BOARD_IOCTL_IOCTLCOLLECTION_H

#include <stdint.h>

#include "driver/board/device/EngineRunRecord.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/DynamicAccessInterfaceBase.h"

namespace armki {
class ARMDispatcher;
}
namespace qrtk {
class FlashPartitionManager;
}

namespace qrtlym {
class AtomicLymSession;
}
namespace vllym {
template <typename tLymSession>
class AtomicLymInterface;
}
namespace nVLAPAL000 {
class tSession;
}
namespace SnoopingManager {
class SnoopingManager;
}
namespace listmodek {
class Session;
}

namespace ov3ifw {
class OV3IFWResources;
}

namespace nVL9738K_24_0 {

class Device;
class DeviceResources;
class VisaDispatcher;

class IoctlCollection {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Grows (never shrinks) to the size a request needs; the size then says
  // how much of it the request uses.
  struct GrowableBuffer {
    uint8_t* data;
    uint64_t capacity;
    uint64_t size;

    void resize(uint64_t newSize, tStatus& status);
    void release();
  };

  explicit IoctlCollection(Device* device);
  ~IoctlCollection();
  IoctlCollection(const IoctlCollection&) = delete;
  IoctlCollection& operator=(const IoctlCollection&) = delete;

  Device& getDevice() const { return *device_; }
  // Null while the board's resources are not built.
  DeviceResources* getDeviceResources() const;
  armki::ARMDispatcher* getARMDispatcher() const;
  VisaDispatcher& getVisaDispatcher() const;
  // Null when the flash stage of the bring-up failed.
  qrtk::FlashPartitionManager* getFlashPartitionManager() const;
  // Null while no FPGA image is configured.
  ov3ifw::OV3IFWResources* getIFWResources() const;
  void startCommitSnooping(listmodek::Session* session, tStatus& status) const;
  void attachListStartListeners(listmodek::Session* session, tStatus& status) const;
  // The start or end of a run of the session's engine (Device::markListRun).
  void markListRun(listmodek::Session& session, ListRunEdge edge) const;
  // Null while no engine can record a list.
  const SnoopingManager::SnoopingManager* getSnoopingManager() const;
  // -52031 when `map` (as a register-access request names it) is recorded
  // into an open list and this request does not record into it.
  void refuseUnrecordedMapAccess(const arm::DynamicAccessInterfaceBase<nVLAPALS100::tStatus>& map,
                                 tStatus& status) const;

  GrowableBuffer& getDeployMessage() { return deployMessage_; }
  GrowableBuffer& getResourceIds() { return resourceIds_; }
  GrowableBuffer& getMessageInput() { return messageInput_; }
  GrowableBuffer& getMessageOutput() { return messageOutput_; }

  uint32_t getModuleRev(uint32_t index, tStatus& status) const;
  void getFirmwareRev(uint32_t& current, uint32_t& oldest) const;
  uint64_t getSerialNumber() const;
  uint64_t getSerialNumberPrefix() const { return 0; }
  uint32_t getFlashDevices() const { return 0; }
  uint32_t getConnectedDevices() const { return 0; }
  bool checkInitializationStatus(uint32_t level, tStatus& status) const;
  // Reads the sensor `selector` names into sum and divisor (readings in
  // 1/32 degree), then lets the device check the board against its limit.
  void checkTemperature(uint32_t selector, uint32_t samples, int32_t& sum, uint32_t& divisor, tStatus& status) const;
  void cycleFrequency(tStatus& status) const;

  // The FPGA-session interface's device-wide operations and checks.
  vllym::AtomicLymInterface<qrtlym::AtomicLymSession>& getAtomicLymInterface() const;
  void refreshLymSessionValidity(nVLAPAL000::tSession* session) const;
  void configurePersonalityOptions(uint32_t word0, uint32_t word1, uint32_t word2, uint32_t word3,
                                   tStatus& status) const;

 private:
  GrowableBuffer deployMessage_;
  GrowableBuffer resourceIds_;
  GrowableBuffer messageInput_;
  GrowableBuffer messageOutput_;
  Device* device_;
};

}  // namespace nVL9738K_24_0

#endif
