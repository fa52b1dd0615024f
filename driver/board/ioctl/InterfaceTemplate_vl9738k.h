// The main device interface, "vl9738_vl9738k": decodes every request code
// of the board's families and runs each through one frame (sizes, copy in,
// the operation status seeded from the caller, guard, handler, copy out).
// It keeps no state between requests besides the collection's buffers.
#ifndef VL9738K_BOARD_IOCTL_INTERFACETEMPLATE_VL9738K_H
#define VL9738K_BOARD_IOCTL_INTERFACETEMPLATE_VL9738K_H

#include <stdint.h>

#include "IoctlCollection.h"
#include "RequestFrame.h"
#include "driver/platform/device/tDeviceInterface.h"

namespace nVL9738K_24_0 {

class tInterfaceTemplate_vl9738k final : public nVLAPAL000::tDeviceInterface {
 public:
  static constexpr uint32_t kMaxRequests = 128;

  tInterfaceTemplate_vl9738k(Device& device, const char* name);
  ~tInterfaceTemplate_vl9738k() override;

  // The factory the device builds its main interface with.
  static nVLAPAL000::tDeviceInterface* create(Device& device, const char* name, nVLAPALS100::tStatus& status);

  uint64_t decodeIOControl(nVLAPAL000::tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize,
                           void* out, uint64_t outSize, nVLAPALS100::tStatus& status) override;

  // The entry serving `code` exactly (direction bits included), or null.
  const RequestEntry* find(uint32_t code) const;
  IoctlCollection& getCollection() { return collection_; }

 private:
  uint64_t run(const RequestEntry& entry, nVLAPAL000::tEventDescriptor& descriptor, const void* in, uint64_t inSize,
               void* out, uint64_t outSize, nVLAPALS100::tStatus& status);
  void admitAndHandle(const RequestEntry& entry, RequestContext& context, const void* in, void* out,
                      nVLAPALS100::tStatus& operation);

  IoctlCollection collection_;
  Device& device_;
  const RequestEntry* sorted_[kMaxRequests];
  uint32_t count_;
};

}  // namespace nVL9738K_24_0

#endif
