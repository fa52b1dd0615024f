// What a session keeps of the reservation system: its client (none until a
// set-descriptor request made one) and that client's id, which the
// settings deploy reads. Closing the slot deletes the client, which
// releases everything it holds, and forgets the id with it, so the session
// never deploys under an id it no longer holds and may set a descriptor
// again.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_SESSION_SLOT_H
#define VL9738K_RF_RESERVATION_RESERVATION_SESSION_SLOT_H

#include <stdint.h>

#include "ReservationClient.h"

namespace reservationHal {

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

}  // namespace reservationHal

#endif
