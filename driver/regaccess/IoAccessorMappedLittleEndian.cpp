#include "IoAccessorMappedLittleEndian.h"

#include "SourceSites.h"
#include "driver/platform/zuk/ZukRegisters.h"

namespace vllym {
namespace {

using nVLAPALS100::tStatus;

// A 64-bit register is one plain load or store; the device decides about
// alignment, so the compiler must not assume any.
typedef uint64_t __attribute__((aligned(1), may_alias)) tUnalignedU64;

uint64_t load64(volatile uint8_t* address) { return *reinterpret_cast<volatile tUnalignedU64*>(address); }

void store64(volatile uint8_t* address, uint64_t value) { *reinterpret_cast<volatile tUnalignedU64*>(address) = value; }

void fail(tStatus& status, int64_t code, int line) {
  status.setCode(code, VL_SITE_AT(sites::kIoAccessorMappedLittleEndian, line));
}

// One element between the buffer and the device, in the element's width.
void put(volatile uint8_t* device, const uint8_t* buffer, uint32_t elementSize) {
  switch (elementSize) {
    case 1:
      nVLZUK100_memoryWrite8(device, buffer[0]);
      break;
    case 2:
      nVLZUK100_memoryWrite16(device, static_cast<uint16_t>(buffer[0] | buffer[1] << 8));
      break;
    case 4: {
      uint32_t value = 0;
      __builtin_memcpy(&value, buffer, sizeof value);
      nVLZUK100_memoryWrite32(device, value);
      break;
    }
    default: {
      uint64_t value = 0;
      __builtin_memcpy(&value, buffer, sizeof value);
      store64(device, value);
      break;
    }
  }
}

void get(volatile uint8_t* device, uint8_t* buffer, uint32_t elementSize) {
  switch (elementSize) {
    case 1:
      buffer[0] = nVLZUK100_memoryRead8(device);
      break;
    case 2: {
      const uint16_t value = nVLZUK100_memoryRead16(device);
      __builtin_memcpy(buffer, &value, sizeof value);
      break;
    }
    case 4: {
      const uint32_t value = nVLZUK100_memoryRead32(device);
      __builtin_memcpy(buffer, &value, sizeof value);
      break;
    }
    default: {
      const uint64_t value = load64(device);
      __builtin_memcpy(buffer, &value, sizeof value);
      break;
    }
  }
}

}  // namespace

IoAccessorMappedLittleEndian::IoAccessorMappedLittleEndian(uint64_t windowSize, uint64_t busAddress,
                                                           uint64_t mappedBase, uint8_t flag)
    : windowSize_(windowSize),
      busAddress_(busAddress),
      mapping_{mappedBase, windowSize},
      mappedBase_(mappedBase),
      flag_(flag) {}

// The whole register must lie inside the window: an offset just below the
// end would otherwise reach past the mapping with the register's upper bytes.
volatile uint8_t* IoAccessorMappedLittleEndian::single(uint32_t offset, uint32_t width, tStatus& status) {
  if (windowSize_ < width || offset > windowSize_ - width) fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
  if (status.isFatal()) return nullptr;
  return reinterpret_cast<volatile uint8_t*>(mappedBase_ + offset);
}

// Every element a block touches must lie inside the window, and the buffer
// must hold whole elements only: a caller's wrong count must neither reach
// past the mapping nor past its own buffer.
volatile uint8_t* IoAccessorMappedLittleEndian::block(uint32_t offset, uint32_t byteCount, uint32_t elementSize,
                                                      uint32_t stride, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (elementSize != 1 && elementSize != 2 && elementSize != 4 && elementSize != 8) {
    fail(status, nVLAPALS100::kStatusBadSelector, __LINE__);
    return nullptr;
  }
  if (byteCount == 0) return nullptr;
  const uint64_t elements = byteCount / elementSize;
  const uint64_t reach = (elements - 1) * uint64_t{stride} + elementSize;
  if (byteCount % elementSize != 0 || offset > windowSize_ || reach > windowSize_ - offset) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return nullptr;
  }
  return reinterpret_cast<volatile uint8_t*>(mappedBase_ + offset);
}

uint64_t IoAccessorMappedLittleEndian::read64(uint32_t offset, tStatus& status) {
  volatile uint8_t* address = single(offset, 8, status);
  return address != nullptr ? load64(address) : ~uint64_t{0};
}

uint32_t IoAccessorMappedLittleEndian::read32(uint32_t offset, tStatus& status) {
  volatile uint8_t* address = single(offset, 4, status);
  return address != nullptr ? nVLZUK100_memoryRead32(address) : ~uint32_t{0};
}

uint16_t IoAccessorMappedLittleEndian::read16(uint32_t offset, tStatus& status) {
  volatile uint8_t* address = single(offset, 2, status);
  return address != nullptr ? nVLZUK100_memoryRead16(address) : uint16_t{0xFFFF};
}

uint8_t IoAccessorMappedLittleEndian::read8(uint32_t offset, tStatus& status) {
  volatile uint8_t* address = single(offset, 1, status);
  return address != nullptr ? nVLZUK100_memoryRead8(address) : uint8_t{0xFF};
}

void IoAccessorMappedLittleEndian::write64(uint32_t offset, uint64_t value, tStatus& status) {
  if (volatile uint8_t* address = single(offset, 8, status)) store64(address, value);
}

void IoAccessorMappedLittleEndian::write32(uint32_t offset, uint32_t value, tStatus& status) {
  if (volatile uint8_t* address = single(offset, 4, status)) nVLZUK100_memoryWrite32(address, value);
}

void IoAccessorMappedLittleEndian::write16(uint32_t offset, uint16_t value, tStatus& status) {
  if (volatile uint8_t* address = single(offset, 2, status)) nVLZUK100_memoryWrite16(address, value);
}

void IoAccessorMappedLittleEndian::write8(uint32_t offset, uint8_t value, tStatus& status) {
  if (volatile uint8_t* address = single(offset, 1, status)) nVLZUK100_memoryWrite8(address, value);
}

void IoAccessorMappedLittleEndian::writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount,
                                              uint32_t elementSize, uint32_t stride, tStatus& status) {
  volatile uint8_t* device = block(offset, byteCount, elementSize, stride, status);
  if (device == nullptr) return;
  for (const uint8_t* at = buffer; at < buffer + byteCount; at += elementSize, device += stride) {
    put(device, at, elementSize);
  }
}

void IoAccessorMappedLittleEndian::readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize,
                                             uint32_t stride, tStatus& status) {
  volatile uint8_t* device = block(offset, byteCount, elementSize, stride, status);
  if (device == nullptr) return;
  for (uint8_t* at = buffer; at < buffer + byteCount; at += elementSize, device += stride) {
    get(device, at, elementSize);
  }
}

}  // namespace vllym
