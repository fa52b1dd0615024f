// One open of the FPGA-session interface: the platform session with the
// kernel FPGA session inside, and the device's FPGA-session generation at
// the open. Once the device has been started again, stopped, reset or shut
// down since, the session is stale: every request fails with the stale
// code until the client closes it and opens a new one.
//
// The kernel session also remembers which FPGA state it was opened on (the
// device's state epoch), so that a stale session whose state still lives
// can give back what it holds in it when it closes, and a request admitted
// after that state went touches nothing of it.
#ifndef VL9738K_FPGASESSION_ATOMICLYMSESSION_H
#define VL9738K_FPGASESSION_ATOMICLYMSESSION_H

#include <stdint.h>

#include "AtomicLymDeviceState.h"
#include "Session.h"
#include "driver/platform/device/tSession.h"

namespace qrtlym {

// A version of the routing matrix block that the routing set-up knows.
struct RoutingMatrixVersion {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};

extern const RoutingMatrixVersion kRoutingMatrixVersion1;
extern const RoutingMatrixVersion kRoutingMatrixVersion2;

class AtomicLymSession final : public nVLAPAL000::tSession {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr int64_t kStaleSession = vllym::kStatusStaleSession;

  // Both counters belong to the device and outlive the session.
  AtomicLymSession(nVLAPAL000::tDeviceInterface* interface, const uint32_t* generation, const uint32_t* stateEpoch,
                   AtomicLymDeviceState* state, tStatus& status);
  ~AtomicLymSession() override;

  vllym::kernel::Session& getKernelSession() { return session_; }
  // A session opened before the generation moved gets the stale code; any
  // error in `status` then becomes the kernel session's invalid status.
  void checkValid(tStatus& status);
  void refreshGeneration();

 private:
  vllym::kernel::Session session_;
  const uint32_t* generation_;
  uint32_t generationAtOpen_;
};

}  // namespace qrtlym

#endif
