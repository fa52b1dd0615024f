// The FPGA-session interface, "vl9738_atomiclymddkqrt": decodes its request
// codes (matched as whole numbers) and runs each through this interface's
// frame: sizes (input first), copy in, the operation status seeded from
// the caller's word, the session's validity refreshed, admission on the
// device, the handler, the admission given back, and the zero-filled
// output block with the result status copied out in full, also on failure.
// Unknown codes go to the device's generic operation.
#ifndef VL9738K_BOARD_IOCTL_FPGA_INTERFACETEMPLATE_ATOMICLYMDDKQRT_H
#define VL9738K_BOARD_IOCTL_FPGA_INTERFACETEMPLATE_ATOMICLYMDDKQRT_H

#include <stdint.h>

#include "driver/board/ioctl/IoctlCollection.h"
#include "driver/board/ioctl/RequestFrame.h"
#include "driver/platform/device/tDeviceInterface.h"

namespace nVL9738K_24_0 {

class tInterfaceTemplate_atomiclymddkqrt final : public nVLAPAL000::tDeviceInterface {
 public:
  tInterfaceTemplate_atomiclymddkqrt(Device* device, const char* name);
  ~tInterfaceTemplate_atomiclymddkqrt() override;

  uint64_t decodeIOControl(nVLAPAL000::tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize,
                           void* out, uint64_t outSize, nVLAPALS100::tStatus& status) override;

  // The entry serving `code`, or null.
  static const RequestEntry* find(uint32_t code);
  IoctlCollection& getCollection() { return collection_; }

 private:
  uint64_t run(const RequestEntry& entry, nVLAPAL000::tEventDescriptor& descriptor, const void* in, uint64_t inSize,
               void* out, uint64_t outSize, nVLAPALS100::tStatus& status);
  uint64_t releasePersonality(nVLAPAL000::tEventDescriptor& descriptor, const void* in, uint64_t inSize,
                              uint64_t outSize, nVLAPALS100::tStatus& status);
  bool checkSizes(uint64_t inSize, uint64_t expectedIn, uint64_t outSize, uint64_t expectedOut,
                  nVLAPALS100::tStatus& status);

  IoctlCollection collection_;
  Device& device_;
};

}  // namespace nVL9738K_24_0

#endif
