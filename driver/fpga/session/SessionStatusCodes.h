// Codes of the FPGA session's personality, policies and FIFOs that the
// platform's table does not carry.
#ifndef VL9738K_FPGA_SESSION_SESSIONSTATUSCODES_H
#define VL9738K_FPGA_SESSION_SESSIONSTATUSCODES_H

#include <stdint.h>

namespace vllym {

// An operation this board does not provide (serialisation, flash, peer to peer).
inline constexpr int64_t kStatusNotProvided = -63193;
// A download another session's personality forbids; also the initial
// download refusal code of a device.
inline constexpr int64_t kStatusDownloadRefused = -61141;
// A FIFO number that another session owns.
inline constexpr int64_t kStatusFifoOwnedElsewhere = -63082;
// A FIFO started without a buffer, or started twice.
inline constexpr int64_t kStatusFifoNotStartable = -61252;
// The code with which reset, abort and abort-waits end every wait, and
// with which a release wakes a waiter on the FIFO it gives back.
inline constexpr int32_t kStatusWaitAborted = -50405;

}  // namespace vllym

#endif
