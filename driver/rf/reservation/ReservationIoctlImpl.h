// The reservation requests once decoded: the request interface has found
// the request, taken its entry guard and checked nothing else; this layer
// checks the block sizes, reads the in-block, moves arrays and strings
// between user memory and kernel vectors, calls the session's client and
// fills the out-block (the results, then the final status).
#ifndef VL9738K_RF_RESERVATION_RESERVATION_IOCTL_IMPL_H
#define VL9738K_RF_RESERVATION_RESERVATION_IOCTL_IMPL_H

#include <stdint.h>

#include "../../platform/device/DeviceTypes.h"
#include "ReservationClient.h"
#include "ReservationResources.h"

namespace reservationHal {

// Longest policy list a request may carry: far above the board's six
// policies, low enough that a hostile count never becomes a huge kernel
// allocation.
inline constexpr uint32_t kMaxPolicyListCount = 65536;

// What a session keeps of the reservation system: its client (none until
// a set-descriptor request made one) and that client's id, which the
// settings deploy reads. Closing the session deletes the client, which
// releases everything it holds.
class ReservationSessionSlot {
 public:
  ReservationSessionSlot() = default;
  ReservationSessionSlot(const ReservationSessionSlot&) = delete;
  ReservationSessionSlot& operator=(const ReservationSessionSlot&) = delete;
  ~ReservationSessionSlot() { close(); }

  void close() {
    delete client;
    client = nullptr;
    clientID = 0;
  }

  rfyulreserve_impl::ReservationClient* client = nullptr;
  uint32_t clientID = 0;
};

class ReservationIoctlImpl {
 public:
  explicit ReservationIoctlImpl(rfyulreserve_impl::iReservationClientFactory& clients) : clients_(clients) {}

  // Runs one reservation request. Blocks whose sizes are not exactly the
  // request's are refused with -52005 and left untouched; otherwise the
  // out-block always ends with the final status, and its fields carry the
  // in-block's seeded values wherever the request did not replace them. A
  // status that already holds an error (the guard's) or an error code in
  // the caller's status word stops the request before the client is asked.
  void handle(uint32_t code, nVLAPAL000::tEventDescriptor& event, ReservationSessionSlot& session, const void* in,
              uint64_t inSize, void* out, uint64_t outSize, nVLAPALS100::tStatus& status);

 private:
  struct Call;

  void dispatch(uint32_t number, Call& call, nVLAPALS100::tStatus& status);
  void setDescriptor(Call& call, bool attach, nVLAPALS100::tStatus& status);
  void findDescriptor(Call& call, bool ofClient, nVLAPALS100::tStatus& status);
  void findId(Call& call, bool ofActivity, nVLAPALS100::tStatus& status);
  void findChildren(Call& call, nVLAPALS100::tStatus& status);
  void reserve(Call& call, nVLAPALS100::tStatus& status);
  void passList(uint32_t number, Call& call, nVLAPALS100::tStatus& status);

  rfyulreserve_impl::iReservationClientFactory& clients_;
};

}  // namespace reservationHal

#endif
