// Memory-mapped register access of the kernel layer. A device model claims
// a range of host memory (the backing store of a simulated BAR) with a
// handler; every 8-, 16- and 32-bit kernel-layer access inside that range is
// a bus access and goes to the handler, while plain loads and stores of the
// driver (64-bit registers) land in the backing memory itself. Accesses
// outside every claimed range touch plain memory, as a real mapping would.
#ifndef VL9738K_SIM_REGISTERS_H
#define VL9738K_SIM_REGISTERS_H

#include <cstdint>

namespace sim {

class MmioHandler {
 public:
  virtual ~MmioHandler() = default;
  // `offset` counts from the start of the claimed range; width in bytes.
  virtual uint32_t mmioRead(uint64_t offset, unsigned width) = 0;
  virtual void mmioWrite(uint64_t offset, unsigned width, uint32_t value) = 0;
};

class Registers {
 public:
  // Claims [base, base + size); returns a handle for release. Ranges must
  // not overlap.
  static uint64_t claim(void* base, uint64_t size, MmioHandler& handler);
  static void release(uint64_t handle);
  // Kernel-layer accesses that hit no claimed range.
  static uint64_t unclaimedAccesses();
  // Forgets every claim (a model that outlives the reset releases nothing).
  static void reset();

  // An access that no claim answers: the plain memory at `address`.
  static uint32_t loadPlain(const volatile void* address, unsigned width);
  static void storePlain(volatile void* address, unsigned width, uint32_t value);
};

}  // namespace sim

#endif
