// The 32 status-register checks of one list engine, handed out from a
// stack and following the attached session's snooping and list state.
#ifndef VL9738K_LISTMODE_SNOOPING_STATUSREGISTERCHECKPOOL_H
#define VL9738K_LISTMODE_SNOOPING_STATUSREGISTERCHECKPOOL_H

#include "StatusRegisterCheckWithRedirection.h"
#include "driver/listmode/iListSnoopingListener.h"
#include "driver/listmode/iListStateListener.h"
#include "driver/platform/containers/Vector.h"

namespace StatusRegisterCheck {

class StatusRegisterCheckPool : public listmodek::iListSnoopingListener, public listmodek::iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;
  static constexpr uint32_t kCheckCount = 32;

  explicit StatusRegisterCheckPool(tStatus& status);
  ~StatusRegisterCheckPool() override;
  StatusRegisterCheckPool(const StatusRegisterCheckPool&) = delete;
  StatusRegisterCheckPool& operator=(const StatusRegisterCheckPool&) = delete;

  // The most recently released check first; -52006 when all are held.
  StatusRegisterCheckWithRedirection* acquireCheck(tStatus& status);
  void releaseCheck(StatusRegisterCheckWithRedirection* check, tStatus& status);
  void setRedirection(listmodek::CommandControlInterface* control, tStatus& status);

  void onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, tStatus& status) override;
  void onStopCommitSnooping(tStatus& status) override;
  void saveDeployedSettings(tStatus&) override {}
  void restoreDeployedSettings(tStatus&) override {}
  void onListInitiate(tStatus& status) override;
  void onListAbort(tStatus& status) override;

  StatusRegisterCheckWithRedirection* check(uint32_t index) const { return checks_[index]; }

 private:
  vlhtl::Vector<StatusRegisterCheckWithRedirection*> free_;
  StatusRegisterCheckWithRedirection* checks_[kCheckCount] = {};
};

// The pool of each list-engine subsystem number.
class StatusRegisterCheckPoolStore {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~StatusRegisterCheckPoolStore() {}
  void setPool(uint8_t subsystem, StatusRegisterCheckPool* pool, tStatus& status) {
    if (status.isNotFatal()) pools_[subsystem] = pool;
  }
  // -52006 when the subsystem has no pool.
  StatusRegisterCheckPool* getPool(uint8_t subsystem, tStatus& status) const;

 private:
  StatusRegisterCheckPool* pools_[256] = {};
};

}  // namespace StatusRegisterCheck

#endif
