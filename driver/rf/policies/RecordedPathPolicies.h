// The frequency and power policies of the LO path a list-mode engine
// records. A recorded commit leaves its values in the list, not on the
// hardware; when the recording ends, and whenever the list is started, the
// hardware may hold either, so both policies go stale and the next client
// that reserves is told to commit.
#ifndef VL9738K_RF_POLICIES_RECORDED_PATH_POLICIES_H
#define VL9738K_RF_POLICIES_RECORDED_PATH_POLICIES_H

#include "CommitHelper.h"
#include "FrequencyPolicy.h"
#include "driver/listmode/iListSnoopingListener.h"
#include "driver/listmode/iListStateListener.h"

namespace nVL9738K_24_0 {

class RecordedPathPolicies final : public listmodek::iListSnoopingListener, public listmodek::iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;

  RecordedPathPolicies(FrequencyPolicy& frequency, PowerPolicy& power) : frequency_(frequency), power_(power) {}

  void onStartCommitSnooping(listmodek::iListInstructionInserter*, tStatus&) override {}
  void onStopCommitSnooping(tStatus&) override {}
  void onEndCommitSnooping(tStatus&) override { markStale(); }
  void saveDeployedSettings(tStatus&) override {}
  void restoreDeployedSettings(tStatus&) override {}
  void onListInitiate(tStatus&) override { markStale(); }
  void onListAbort(tStatus&) override {}

 private:
  void markStale() {
    frequency_.committedSettingsStale = 1;
    power_.committedSettingsStale = 1;
  }

  FrequencyPolicy& frequency_;
  PowerPolicy& power_;
};

}  // namespace nVL9738K_24_0

#endif
