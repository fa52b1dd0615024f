#include "Context.h"

#include "IfwStatusCodes.h"
#include "SourceSites.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/text/tVersionCompatibility.h"

namespace vlifw {
namespace {

using nVLAPALS100::tStatus;

constexpr uint32_t kLineFlagsMissing = 76;
constexpr uint32_t kLineIncompatible = 90;
constexpr uint32_t kLineNoSuchChild = 109;

}  // namespace

Context::~Context() { delete[] children_; }

void Context::initialize(uint8_t subsystem, uint64_t offset, uint16_t uid, uint8_t instance, uint16_t version,
                         uint16_t oldestCompatible, Context** children, uint64_t childCount) {
  delete[] children_;
  subsystem_ = subsystem;
  offset_ = offset;
  uid_ = uid;
  instance_ = instance;
  version_ = version;
  oldestCompatible_ = oldestCompatible;
  children_ = children;
  childCount_ = childCount;
}

ReadInstruction Context::contextualizeRead(uint64_t offset, tStatus&) const {
  return ReadInstruction{subsystem_, offset + offset_};
}

WriteInstruction Context::contextualizeWrite(uint64_t offset, uint64_t data, tStatus&) const {
  return WriteInstruction{subsystem_, offset + offset_, data};
}

uint64_t Context::getInfo(tStatus&) const {
  return uint64_t{uid_} | uint64_t{instance_} << 16 | uint64_t{version_} << 32 | uint64_t{oldestCompatible_} << 48;
}

void Context::getSubsystemAndOffset(uint8_t* subsystem, uint64_t* offset, tStatus& status) const {
  if (status.isFatal()) return;
  if (subsystem != nullptr) *subsystem = subsystem_;
  if (offset != nullptr) *offset = offset_;
}

// The block is the peer: it is too old when its version lies below what
// the caller still accepts, too new when it no longer accepts the caller's
// version. Without failIfIncompatible the caller wants the verdict, not an
// error, so it must take both flags.
void Context::checkVersion(uint16_t version, uint16_t oldestCompatible, bool failIfIncompatible, bool* tooOld,
                           bool* tooNew, tStatus& status) const {
  if (status.isFatal()) return;
  if (!failIfIncompatible && (tooOld == nullptr || tooNew == nullptr)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kContext, kLineFlagsMissing));
    return;
  }
  nVLAPAL000::tVersionCompatibility verdict;
  nVLAPAL000::checkVersionCompatibility(verdict, version, oldestCompatible, version_, oldestCompatible_,
                                        failIfIncompatible ? codes::kBlockTooOld : 0,
                                        failIfIncompatible ? codes::kBlockTooNew : 0,
                                        nVLAPALS100::kStatusInvalidParameter, nVLAPALS100::kStatusBadSelector);
  if (verdict.getCode() != 0) status.setCode(verdict.getCode(), VL_SITE_AT(sites::kContext, kLineIncompatible));
  if (tooOld != nullptr) *tooOld = verdict.isPeerTooOld();
  if (tooNew != nullptr) *tooNew = verdict.isPeerTooNew();
}

const ContextInterface* Context::findChild(uint16_t uid, uint8_t instance, tStatus& status) const {
  if (status.isFatal()) return nullptr;
  for (uint64_t i = 0; i < childCount_; ++i) {
    if (children_[i]->uid_ == uid && children_[i]->instance_ == instance) return children_[i];
  }
  status.setCode(codes::kContextMissing, VL_SITE_AT(sites::kContext, kLineNoSuchChild));
  return nullptr;
}

void Context::getChildrenWithUid(uint16_t uid, tChildren& out, tStatus& status) const {
  if (status.isFatal()) return;
  out.clear();
  for (uint64_t i = 0; i < childCount_ && status.isNotFatal(); ++i) {
    if (children_[i]->uid_ == uid) out.push_back(children_[i], status);
  }
}

void Context::getChildren(tChildren& out, tStatus& status) const {
  if (status.isFatal()) return;
  out.clear();
  for (uint64_t i = 0; i < childCount_ && status.isNotFatal(); ++i) out.push_back(children_[i], status);
}

}  // namespace vlifw
