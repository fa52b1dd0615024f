// Kernel sockets towards user-mode listeners: the buffers the driver holds
// and a log of every message sent.
#ifndef VL9738K_SIM_KERNEL_SOCKETS_H
#define VL9738K_SIM_KERNEL_SOCKETS_H

#include <cstdint>
#include <vector>

#include "FaultSite.h"

namespace sim {

class KernelSockets {
 public:
  // What a send through a buffer the kernel does not know returns.
  static constexpr int32_t kUnknownBuffer = -51009;

  struct Message {
    uint32_t port;
    uint32_t type;
    std::vector<uint8_t> bytes;
  };

  // A refused buffer creation returns 0; a failed send the armed code.
  static FaultSite& bufferCreationFaults();
  static FaultSite& sendFaults();

  static std::vector<Message> sent();
  // Buffers created and neither sent nor released.
  static int64_t outstandingBuffers();

  static void reset();
};

}  // namespace sim

#endif
