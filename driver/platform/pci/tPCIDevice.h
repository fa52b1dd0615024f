// The device base for boards on the PCI bus: on top of the device core it
// keeps the kernel layer's description of the function, finds capabilities
// in configuration space, reads the PCI Express link, publishes the PCI
// property table, maps BAR windows into the kernel or into a user mapping,
// sets the DMA mask and reserves the interrupt for an interrupt handler.
#ifndef VL9738K_PLATFORM_PCI_TPCIDEVICE_H
#define VL9738K_PLATFORM_PCI_TPCIDEVICE_H

#include <stdint.h>

#include "../containers/tBasicString.h"
#include "../device/tDevice.h"
#include "../device/tProperty.h"
#include "../sync/tSpinLock.h"
#include "iPrimaryInterruptHandler.h"
#include "tPCIInformation.h"
#include "tPhysicalKVAMap.h"

namespace nVLAPAL000 {

class tUserMemoryMap;

class tPCIDevice : public tDevice {
 public:
  static constexpr uint8_t kCapabilityExpress = 0x10;
  static constexpr uint32_t kBusTypePCI = 0x20706369;      // "pci "
  static constexpr uint32_t kBusSubTypePCIe = 0x70636965;  // "pcie"
  static constexpr uint32_t kPropertyCount = 16;
  static constexpr uint32_t kPropertyCountWithoutLink = 12;
  // Cache modes of a kernel mapping.
  static constexpr uint32_t kCacheModeUncached = 0;
  static constexpr uint32_t kCacheModeWriteCombined = 1;
  static constexpr uint32_t kCacheModeCached = 2;

  // The routine the kernel layer calls with the device as its context.
  using tInterruptRoutine = nVLZUK_tInterruptRoutine;

  ~tPCIDevice() override;

  // Reads the PCI Express link values; a missing capability is no error.
  void startBus(uint64_t word, nVLAPALS100::tStatus& status) override;
  void stopBus() override;
  // A 64-bit request falls back to 32 bits when the platform refuses it.
  void configureDMA(tDMAConfiguration::tDMAType type, nVLAPALS100::tStatus& status) override;
  void buildProperties() override;
  tProperty** getPCIProperties() override;

  // The interrupt: the handler is called from interrupt context until the
  // reservation is given up. The locked form runs it under a spin lock at
  // interrupt level and returns that lock, for code that must keep the
  // handler out while it works.
  virtual void reserveInterrupt(iPrimaryInterruptHandler* handler, nVLAPALS100::tStatus& status, uint32_t flags);
  virtual void relinquishInterrupt();
  virtual tSpinLock* reserveInterruptWithLock(iPrimaryInterruptHandler* handler, nVLAPALS100::tStatus& status,
                                              uint32_t flags);
  virtual void releaseInterruptLock(tSpinLock* lock);
  void reserveInterruptWithRoutine(iPrimaryInterruptHandler* handler, tInterruptRoutine routine, uint32_t flags,
                                   nVLAPALS100::tStatus& status);
  bool isInterruptReserved() const { return interruptHandler_ != nullptr; }

  // Offset of a capability in configuration space, 0 (and -52006) when the
  // function has none with that id.
  uint8_t findCapability(uint8_t id, nVLAPALS100::tStatus& status);

  // Kernel mappings of memory window `bar` (by its index in the block). A
  // whole window is always mapped and unmapped write-combined, whatever
  // mode the caller names, so a map and its unmap can never disagree.
  void* mapBAR(uint8_t bar, nVLAPALS100::tStatus& status, uint32_t cacheMode = kCacheModeWriteCombined);
  void unmapBAR(void* address, uint32_t cacheMode = kCacheModeWriteCombined);
  void mapBARRange(uint8_t bar, uint64_t offset, uint64_t length, tPhysicalKVAMap& map, nVLAPALS100::tStatus& status,
                   uint32_t cacheMode);
  void mapBARToUser(uint8_t bar, uint64_t offset, uint64_t length, tUserMemoryMap& map, nVLAPALS100::tStatus& status,
                    uint32_t cacheMode);
  uint64_t getBARLength(uint8_t bar) const;

  const tPCIInformation& getPCIInformation() const { return information_; }
  uint64_t getConfigurationHandle() const { return information_.record.configurationHandle; }
  uint8_t getMaxTransferRate() const { return maxTransferRate_; }
  uint8_t getTransferRate() const { return transferRate_; }
  uint8_t getMaxLinkWidth() const { return maxLinkWidth_; }
  uint8_t getLinkWidth() const { return linkWidth_; }
  // True once a PCI Express link was found (it has a width).
  bool isPCIExpress() const { return linkWidth_ != 0; }
  const char* getSlotPath() const { return slotPath_.c_str(); }

 protected:
  // Copies the block, points the device record into the copy, presets the
  // property records and builds the slot path.
  tPCIDevice(const tPCIInformation& information, nVLAPALS100::tStatus& status);

 private:
  static int32_t interruptRoutine(void* context);
  static int32_t lockedInterruptRoutine(void* context);

  void readLink(nVLAPALS100::tStatus& status);
  void presetProperties();
  void buildSlotPath(nVLAPALS100::tStatus& status);
  const tPCIMemoryWindow* window(uint8_t bar, nVLAPALS100::tStatus& status) const;
  const tPCIMemoryWindow* windowRange(uint8_t bar, uint64_t offset, uint64_t length,
                                      nVLAPALS100::tStatus& status) const;

  tPCIInformation information_;
  uint8_t maxTransferRate_;
  uint8_t transferRate_;
  uint8_t maxLinkWidth_;
  uint8_t linkWidth_;
  tProperty propertyStorage_[kPropertyCount];
  tProperty* properties_[kPropertyCount + 1];
  uint32_t propertyCount_;
  tBasicString<char> slotPath_;
  tSpinLock interruptLock_;
  iPrimaryInterruptHandler* interruptHandler_;
};

}  // namespace nVLAPAL000

#endif
