// A device the kernel layer knows: the device core plus the kernel
// layer's device record, the publication of property lists, and the
// kernel layer's remove and delete entries.
#ifndef VL9738K_PLATFORM_TDEVICE_H
#define VL9738K_PLATFORM_TDEVICE_H

#include <stddef.h>
#include <stdint.h>

#include "../zuk/ZukPci.h"
#include "tDeviceCore.h"

namespace nVLAPAL000 {

// The kernel layer's view of a device. It lies inside the PCI information
// block, so its words are the kernel layer's wire format.
struct tDeviceRecord {
  void* device;
  uint64_t kernelDeviceHandle;
  // The handle for configuration space, the DMA mask and the domain query.
  uint64_t configurationHandle;
  // The interrupt line as the kernel layer described it: {u32 number;
  // u16 kind; u16 reserved}; passed back when the interrupt is reserved.
  uint64_t interruptLine;
  // What the kernel layer calls for each interrupt while it is reserved.
  nVLZUK_tInterruptRecord interrupt;
  uint64_t kernelWords[9];
  uint64_t physicalDevice;
};
static_assert(offsetof(tDeviceRecord, kernelDeviceHandle) == 8, "the device handle follows the device");
static_assert(offsetof(tDeviceRecord, configurationHandle) == 16, "the configuration handle lies at offset 16");
static_assert(offsetof(tDeviceRecord, interruptLine) == 24, "the interrupt line lies at offset 24");
static_assert(offsetof(tDeviceRecord, interrupt) == 32, "the interrupt routine lies at offset 32");
static_assert(offsetof(tDeviceRecord, physicalDevice) == 120, "the physical device object lies at offset 120");

// A deferred procedure call the kernel layer created for a device.
class tDPC {
 public:
  explicit tDPC(uint64_t kernelHandle) : kernelHandle_(kernelHandle) {}
  uint64_t getKernelHandle() const { return kernelHandle_; }

 private:
  uint64_t kernelHandle_;
};

class tDevice : public tDeviceCore {
 public:
  ~tDevice() override;

  // The PCI property table: filled by the bus device, published by
  // registerPCIProperties.
  virtual void buildProperties() = 0;
  virtual tProperty** getPCIProperties() = 0;

  tDeviceRecord* getDeviceRecord() const { return deviceRecord_; }
  void setDeviceRecord(tDeviceRecord* record) { deviceRecord_ = record; }
  uint64_t getKernelDeviceHandle() const;
  uint64_t getPhysicalDevice() const;

  // One descriptive line into `buffer`; returns the length the whole
  // line needs.
  int64_t print(char* buffer, uint64_t size, const char* prefix, const char* suffix) const;
  void scheduleDPC(const tDPC& dpc);

  // Registers every entry of a null-terminated list under `owner`. When the
  // kernel layer refuses one, the whole list is taken back and -52003 recorded.
  static void registerProperties(uint32_t kind, uint64_t owner, tProperty** list, nVLAPALS100::tStatus& status);
  static void unregisterProperties(tProperty** list);
  void registerDeviceProperties(nVLAPALS100::tStatus& status);
  void registerInterfaceProperties(nVLAPALS100::tStatus& status);
  void registerPCIProperties(nVLAPALS100::tStatus& status);
  void unregisterDeviceProperties();
  void unregisterInterfaceProperties();
  void unregisterPCIProperties();
  // Takes the registered device interfaces back from the kernel layer, the
  // last one first.
  void unregisterInterfaces();

  // The kernel layer's remove entry: withdraw what user space sees, walk
  // the device to "not present", then drop its interfaces.
  static void onRemoveDevice(tDevice* device);
  // The kernel layer's delete entry.
  static void onDeleteDevice(tDevice* device);

 protected:
  explicit tDevice(nVLAPALS100::tStatus& status);

 private:
  tDeviceRecord* deviceRecord_;
};

}  // namespace nVLAPAL000

#endif
