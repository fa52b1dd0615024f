// What the device core knows of a device's DMA addressing, and the
// allocation of DMA-able buffers that follows from it. Set once at bring-up
// by the device's configureDMA operation; the PCI device adds its
// information record, which names the device's NUMA node and the handle the
// kernel layer's scatter-gather objects are made for.
#ifndef VL9738K_PLATFORM_TDMACONFIGURATION_H
#define VL9738K_PLATFORM_TDMACONFIGURATION_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "tPageList.h"

namespace nVLAPAL000 {

struct tPCIInformation;

class tDMAConfiguration {
 public:
  enum tDMAType : uint32_t {
    kDMATypeNotConfigured = 0,
    kDMAType32Bit = 1,
    kDMAType64Bit = 2,
  };

  static constexpr uint32_t kNUMANodeUnknown = 0xFFFFFFFF;

  tDMAConfiguration() : type_(kDMATypeNotConfigured), deviceInformation_(nullptr) {}
  virtual ~tDMAConfiguration();
  tDMAConfiguration(const tDMAConfiguration&) = delete;
  tDMAConfiguration& operator=(const tDMAConfiguration&) = delete;

  // Whole pages for `size` bytes; `alignment` is what the caller needs of
  // the buffer's start, which a page start gives when the page size is a
  // multiple of it.
  virtual void allocateDMABuffer(tPageList& out, uint64_t size, uint32_t pageListFlags, nVLAPALS100::tStatus& status,
                                 uint64_t alignment) const;
  virtual void freeDMABuffer(tPageList& buffer) const;

  tDMAType getType() const { return type_; }
  // The PCI device's information block, or null when the device did not
  // provide one.
  const tPCIInformation* getDeviceInformation() const { return deviceInformation_; }
  void configure(tDMAType type, const tPCIInformation* deviceInformation) {
    type_ = type;
    deviceInformation_ = deviceInformation;
  }
  uint32_t getNUMANode() const;
  // The handle scatter-gather objects are made for; 0 without device information.
  uint64_t getPCIHandle() const;

 private:
  tDMAType type_;
  const tPCIInformation* deviceInformation_;
};

}  // namespace nVLAPAL000

#endif
