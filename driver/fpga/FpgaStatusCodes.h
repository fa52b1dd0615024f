// Codes of the FPGA side (programming, interrupts, DMA and FIFOs) that the
// platform's table does not carry.
#ifndef VL9738K_FPGA_FPGASTATUSCODES_H
#define VL9738K_FPGA_FPGASTATUSCODES_H

#include <stdint.h>

namespace vllym {

// The bridge or the FPGA did not answer as the programming protocol
// requires (a bit that never came, a load the FPGA rejected).
inline constexpr int64_t kStatusHardwareFault = -63150;
// An object was asked to do what its state forbids (a second ISR).
inline constexpr int64_t kStatusInternalError = -61499;
// No IRQ node left for a wait; the wait reserves one and retries.
inline constexpr int64_t kStatusNoIrqNode = -63191;
// An attribute or FIFO mode the FPGA side does not know.
inline constexpr int64_t kStatusUnknownAttribute = -63196;
// A FIFO buffer whose size does not fit the FPGA's 32-bit byte counts.
inline constexpr int64_t kStatusBufferTooLarge = -61072;

}  // namespace vllym

#endif
