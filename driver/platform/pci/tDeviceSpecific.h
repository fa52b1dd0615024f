// The board's device-specific block: a length and that many bytes, read in
// 32-bit pieces, then one 16-bit and one 8-bit piece for the rest.
#ifndef VL9738K_PLATFORM_PCI_TDEVICESPECIFIC_H
#define VL9738K_PLATFORM_PCI_TDEVICESPECIFIC_H

#include <stdint.h>

#include "../memory/Memory.h"
#include "tVLCapability.h"

namespace nVLAPAL000 {

template <typename tWexel>
class tDeviceSpecific : public tVLCapability<tWexel> {
 public:
  static constexpr uint16_t kID = 1;

  tDeviceSpecific() = default;
  ~tDeviceSpecific() override { delete[] data_; }
  tDeviceSpecific(const tDeviceSpecific&) = delete;
  tDeviceSpecific& operator=(const tDeviceSpecific&) = delete;

  uint16_t getID() const override { return kID; }

  // The object keeps its previous block until a new one is read whole. A
  // length that runs past the end of the capability space is corrupt (an
  // erased length reads as all ones) and refused.
  void readCapability(tWexel& accessor, uint32_t offset, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    const uint32_t length = accessor.read32(offset + 4, status);
    if (status.isFatal()) return;
    const uint64_t first = uint64_t{offset} + 8;
    if (first + length > uint64_t{1} << 32) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    auto* data = new (status, kAllocationKindPlain) uint8_t[length];
    if (data == nullptr) return;
    copy(accessor, static_cast<uint32_t>(first), data, length, status);
    if (status.isFatal()) {
      delete[] data;
      return;
    }
    delete[] data_;
    data_ = data;
    length_ = length;
    this->offset_ = offset;
  }

  const uint8_t* getData() const { return data_; }
  uint32_t getLength() const { return length_; }

 private:
  static void copy(tWexel& accessor, uint32_t from, uint8_t* to, uint32_t length, nVLAPALS100::tStatus& status) {
    uint32_t done = 0;
    for (; length - done >= 4; done += 4) store(to + done, accessor.read32(from + done, status), 4);
    if (length - done >= 2) {
      store(to + done, accessor.read16(from + done, status), 2);
      done += 2;
    }
    if (length - done == 1) store(to + done, accessor.read8(from + done, status), 1);
  }

  static void store(uint8_t* to, uint32_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) to[i] = static_cast<uint8_t>(value >> (8 * i));
  }

  uint8_t* data_ = nullptr;
  uint32_t length_ = 0;
};

}  // namespace nVLAPAL000

#endif
