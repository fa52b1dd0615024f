#include "StatusRegisterCheckPool.h"

#include <new>

#include "SnoopingSites.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace StatusRegisterCheck {

namespace {
constexpr const char* kSite = listmodek::snooping_sites::kChecks;
}

StatusRegisterCheckPool::StatusRegisterCheckPool(tStatus& status) {
  for (uint32_t i = 0; i < kCheckCount && status.isNotFatal(); ++i) {
    checks_[i] = new (status, nVLAPAL000::kAllocationKindPlain) StatusRegisterCheckWithRedirection(i);
    free_.push_back(checks_[i], status);
  }
}

StatusRegisterCheckPool::~StatusRegisterCheckPool() {
  for (StatusRegisterCheckWithRedirection* check : checks_) delete check;
}

StatusRegisterCheckWithRedirection* StatusRegisterCheckPool::acquireCheck(tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (free_.empty()) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(kSite, __LINE__));
    return nullptr;
  }
  StatusRegisterCheckWithRedirection* check = free_.back();
  free_.pop_back();
  return check;
}

void StatusRegisterCheckPool::releaseCheck(StatusRegisterCheckWithRedirection* check, tStatus& status) {
  if (status.isFatal()) return;
  if (check == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  free_.push_back(check, status);
}

void StatusRegisterCheckPool::setRedirection(listmodek::CommandControlInterface* control, tStatus& status) {
  for (StatusRegisterCheckWithRedirection* check : checks_) {
    if (check != nullptr) check->setRedirection(control, status);
  }
}

void StatusRegisterCheckPool::onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, tStatus& status) {
  for (StatusRegisterCheckWithRedirection* check : checks_) {
    if (check != nullptr) check->setInserter(inserter, status);
  }
}

// Stop and abort reach every check whatever came before: a check left with
// an inserter or a started flag would skip its hardware read for good.
void StatusRegisterCheckPool::onStopCommitSnooping(tStatus& status) {
  for (StatusRegisterCheckWithRedirection* check : checks_) {
    if (check == nullptr) continue;
    tStatus local;
    check->setInserter(nullptr, local);
    status.merge(local);
  }
}

void StatusRegisterCheckPool::onListInitiate(tStatus& status) {
  for (StatusRegisterCheckWithRedirection* check : checks_) {
    if (check != nullptr) check->setListInitiated(1, status);
  }
}

void StatusRegisterCheckPool::onListAbort(tStatus& status) {
  for (StatusRegisterCheckWithRedirection* check : checks_) {
    if (check == nullptr) continue;
    tStatus local;
    check->setListInitiated(0, local);
    status.merge(local);
  }
}

StatusRegisterCheckPool* StatusRegisterCheckPoolStore::getPool(uint8_t subsystem, tStatus& status) const {
  if (status.isFatal()) return nullptr;
  if (pools_[subsystem] == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(kSite, __LINE__));
    return nullptr;
  }
  return pools_[subsystem];
}

}  // namespace StatusRegisterCheck
