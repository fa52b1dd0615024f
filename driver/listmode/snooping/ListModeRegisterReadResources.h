// The device's redirectable register reads: the poller that engine
// controls fetch by subsystem, the wait that the LO frequency primitives
// hold and the status-register check pools of the list engines. Attaching
// a list-mode session lets them learn its inserter while its commit is
// recorded.
#ifndef VL9738K_LISTMODE_SNOOPING_LISTMODEREGISTERREADRESOURCES_H
#define VL9738K_LISTMODE_SNOOPING_LISTMODEREGISTERREADRESOURCES_H

#include "PollerWithRedirection.h"
#include "StatusRegisterCheckPool.h"
#include "driver/listmode/Session.h"
#include "driver/listmode/snooping/WaitWithRedirection.h"
#include "driver/platform/containers/Vector.h"

namespace nVL9738K_24_0 {

class ListModeRegisterReadResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPool = StatusRegisterCheck::StatusRegisterCheckPool;
  using tSubsystems = vlhtl::Vector<uint8_t>;

  explicit ListModeRegisterReadResources(tStatus& status);
  ListModeRegisterReadResources(const ListModeRegisterReadResources&) = delete;
  ListModeRegisterReadResources& operator=(const ListModeRegisterReadResources&) = delete;

  RegisterPoller::PollerWithRedirection* getPollerWithRedirection() { return &poller_; }
  RegisterPoller::PollerStore* getPollerStore() { return &pollerStore_; }
  tPool* getAcquisitionStatusRegisterCheckPool() { return &acquisitionPool_; }
  tPool* getGenerationStatusRegisterCheckPool() { return &generationPool_; }
  tPool* getOtherStatusRegisterCheckPool() { return &otherPool_; }
  StatusRegisterCheck::StatusRegisterCheckPoolStore* getStatusRegisterCheckPoolStore() { return &poolStore_; }
  WaitWithRedirection* getWaitWithRedirection() { return &wait_; }
  // The engines' numbers as configure received them; 0 when none is set.
  uint8_t getAcquisitionSubsystem() const { return acquisition_.empty() ? 0 : acquisition_[0]; }
  uint8_t getGenerationSubsystem() const { return generation_.empty() ? 0 : generation_[0]; }

  void configure(uint8_t acquisition, uint8_t generation, tStatus& status);
  void configure3(uint8_t acquisition, uint8_t generation, uint8_t other, tStatus& status);
  // Each list ends at its first 0 (or its end); earlier registrations stay
  // in the stores until clearSubsystems.
  void registerSubsystems(const tSubsystems& acquisition, const tSubsystems& generation, tStatus& status);
  void registerSubsystems3(const tSubsystems& acquisition, const tSubsystems& generation, const tSubsystems& other,
                           tStatus& status);
  void clearSubsystems(tStatus& status);
  // Poller, pool (snooping, then state), the pool's command control, wait;
  // -52010 for a subsystem in no list.
  void attachSession(listmodek::Session& session, tStatus& status);

 private:
  void fill(tSubsystems& list, const tSubsystems& numbers, tPool& pool, tStatus& status);
  tPool* poolOf(uint8_t subsystem);

  tSubsystems acquisition_;
  tSubsystems generation_;
  tSubsystems other_;
  RegisterPoller::PollerWithRedirection poller_;
  RegisterPoller::PollerStore pollerStore_;
  StatusRegisterCheck::StatusRegisterCheckPoolStore poolStore_;
  tPool acquisitionPool_;
  tPool generationPool_;
  tPool otherPool_;
  WaitWithRedirection wait_;
};

}  // namespace nVL9738K_24_0

#endif
