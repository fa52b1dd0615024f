// One open of the main device interface: what a user-mode client owns on
// the board (its routing part, its notifier, its list-mode session and its
// reservation client) and the device's
// main-session generation at the open. Once the device has been reset,
// stopped, shut down or given a new FPGA image since, the session is stale
// and every request from it is refused until the client opens a new one.
#ifndef VL9738K_BOARD_SESSION_SESSION_H
#define VL9738K_BOARD_SESSION_SESSION_H

#include <stdint.h>

#include "SessionRoutingPart.h"
#include "driver/board/routing/RoutingResourcesManager.h"
#include "driver/listmode/Session.h"
#include "driver/platform/device/tIONotifier.h"
#include "driver/platform/device/tSession.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/rf/reservation/ReservationSessionSlot.h"

namespace nVL9738K_24_0 {

class Session final : public nVLAPAL000::tSession {
 public:
  static constexpr uint32_t kNotifierType = 0x80000000u;
  static constexpr int64_t kStaleSession = static_cast<int32_t>(0xBFFA9179u);

  // Registers the routing part with `manager` under `routingLock` (the
  // device's), so the device never walks a half-linked list. `listModeEpoch`
  // moves before the objects a list-mode session leans on go.
  Session(nVLAPAL000::tDeviceInterface* interface, const uint32_t& generation, const uint32_t& listModeEpoch,
          RoutingResourcesManager& manager, nVLAPAL000::tMutex& routingLock, nVLAPALS100::tStatus& status);
  ~Session() override;

  // Refuses a session opened before the device's generation moved on; on
  // any error in `status` the session loses what it owns on the board. A
  // recording whose snooping objects still stand is ended on them first.
  void checkValid(nVLAPALS100::tStatus& status);
  // Opened before the device's generation last moved on.
  bool isStale() const;
  void createIONotifier(uint32_t type, const nVLAPAL000::tIONotifierParams& params, nVLAPALS100::tStatus& status);
  void destroyIONotifier(uint32_t type);

  SessionRoutingPart& getRoutingPart() { return routing_; }
  const nVLAPAL000::tIONotifier& getNotifier() const { return notifier_; }
  uint32_t getReservationClientId() const { return reservation_.clientID; }
  // The session's reservation client and its id; the client is deleted
  // with the session, or as soon as a request finds the session failed.
  reservationHal::ReservationSessionSlot& getReservationSlot() { return reservation_; }
  uint32_t getGenerationAtOpen() const { return generationAtOpen_; }
  // The list-mode session of the caller's engine; null until one is set.
  listmodek::Session* getListModeSession() const { return listModeSession_; }
  // Takes `session` over (null allowed) and deletes the one held before.
  void setListModeSession(listmodek::Session* session);

 private:
  friend class OpenSessionList;

  void closeNotifier();

  reservationHal::ReservationSessionSlot reservation_;
  SessionRoutingPart routing_;
  nVLAPAL000::tIONotifier notifier_;
  RoutingResourcesManager& manager_;
  nVLAPAL000::tMutex& routingLock_;
  const uint32_t* generation_;
  uint32_t generationAtOpen_;
  const uint32_t* listModeEpoch_;
  // The epoch when the list-mode session was set.
  uint32_t listModeEpochAtSet_ = 0;
  listmodek::Session* listModeSession_ = nullptr;
  // The device's list of its open sessions.
  Session* previousOpen_ = nullptr;
  Session* nextOpen_ = nullptr;
};

}  // namespace nVL9738K_24_0

#endif
