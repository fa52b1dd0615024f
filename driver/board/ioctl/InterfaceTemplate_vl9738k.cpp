#include "InterfaceTemplate_vl9738k.h"

#include "RequestTables.h"
#include "driver/board/device/Device.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "driver/board/status/BoardSites.h"
#include "driver/platform/device/IoctlCodegen.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/sync/tWaitQueue.h"
#include "driver/platform/zuk/ZukMemory.h"
#include "driver/platform/zuk/ZukUserMemory.h"

namespace nVL9738K_24_0 {

Device& RequestContext::device() const { return collection_.getDevice(); }

Session* RequestContext::session() const { return collection_.getDevice().asMainSession(descriptor_.session); }

tInterfaceTemplate_vl9738k::tInterfaceTemplate_vl9738k(Device& device, const char* name)
    : tDeviceInterface(&device, name), collection_(&device), device_(device), sorted_(), count_(0) {
  // The families' tables merge into one index sorted by code.
  for (const RequestTable* table : kRequestTables) {
    for (uint32_t i = 0; i < table->count && count_ < kMaxRequests; ++i) {
      const RequestEntry* entry = &table->entries[i];
      uint32_t at = count_++;
      for (; at > 0 && sorted_[at - 1]->code > entry->code; --at) sorted_[at] = sorted_[at - 1];
      sorted_[at] = entry;
    }
  }
}

tInterfaceTemplate_vl9738k::~tInterfaceTemplate_vl9738k() = default;

nVLAPAL000::tDeviceInterface* tInterfaceTemplate_vl9738k::create(Device& device, const char* name,
                                                                 nVLAPALS100::tStatus& status) {
  return new (status, nVLAPAL000::kAllocationKindPlain) tInterfaceTemplate_vl9738k(device, name);
}

const RequestEntry* tInterfaceTemplate_vl9738k::find(uint32_t code) const {
  uint32_t low = 0;
  uint32_t high = count_;
  while (low < high) {
    const uint32_t middle = (low + high) / 2;
    if (sorted_[middle]->code < code) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < count_ && sorted_[low]->code == code ? sorted_[low] : nullptr;
}

uint64_t tInterfaceTemplate_vl9738k::decodeIOControl(nVLAPAL000::tEventDescriptor& descriptor, uint32_t code,
                                                     const void* in, uint64_t inSize, void* out, uint64_t outSize,
                                                     nVLAPALS100::tStatus& status) {
  const RequestEntry* entry = find(code);
  if (entry == nullptr) return tDeviceInterface::decodeIOControl(descriptor, code, in, inSize, out, outSize, status);
  return run(*entry, descriptor, in, inSize, out, outSize, status);
}

uint64_t tInterfaceTemplate_vl9738k::run(const RequestEntry& entry, nVLAPAL000::tEventDescriptor& descriptor,
                                         const void* in, uint64_t inSize, void* out, uint64_t outSize,
                                         nVLAPALS100::tStatus& status) {
  if (inSize != entry.inSize || outSize != entry.outSize) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kMainInterface, __LINE__));
    return 0;
  }
  alignas(8) uint8_t input[kMaxRequestBlock];
  alignas(8) uint8_t output[kMaxRequestBlock];
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(input, in, entry.inSize);
  if (copied < 0) {
    nVLAPALS100::setStatusFromZUKStatus(copied, status, sites::kMainInterface, __LINE__);
    return 0;
  }
  __builtin_memset(output, 0, entry.outSize);
  int32_t inStatus;
  __builtin_memcpy(&inStatus, input + entry.inStatusAt, sizeof(inStatus));
  nVLAPALS100::tStatus operation;
  if (inStatus != 0) operation.setCode(inStatus, VL_SITE_AT(sites::kMainInterface, __LINE__));
  if (entry.seed != nullptr) entry.seed(input, output);
  RequestContext context(collection_, descriptor);
  admitAndHandle(entry, context, input, output, operation);
  const int32_t outStatus = static_cast<int32_t>(operation.getCode());
  __builtin_memcpy(output + entry.outStatusAt, &outStatus, sizeof(outStatus));
  nVLAPAL200_copyIoctlOutBufferForCodegen(out, output, entry.outSize, &status);
  return entry.outSize;
}

void tInterfaceTemplate_vl9738k::admitAndHandle(const RequestEntry& entry, RequestContext& context, const void* in,
                                                void* out, nVLAPALS100::tStatus& operation) {
  nVLAPAL000::tSession* session = context.descriptor().session;
  switch (entry.guard.kind) {
    case RequestGuard::kNone:
    case RequestGuard::kInHandler:
      if (operation.isNotFatal()) entry.handle(context, in, out, operation);
      return;
    case RequestGuard::kGate: {
      if (operation.isFatal()) return;
      const bool admitted = device_.beginIO(session, operation, nVLAPAL000::kWaitForever);
      if (admitted && operation.isNotFatal()) entry.handle(context, in, out, operation);
      if (admitted) device_.endIO(session);
      return;
    }
    case RequestGuard::kLockAndGate: {
      if (operation.isFatal()) return;
      nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(device_.getSessionLock());
      const bool admitted = device_.beginIO(session, operation, nVLAPAL000::kWaitForever);
      if (admitted && operation.isNotFatal()) entry.handle(context, in, out, operation);
      if (admitted) device_.endIO(session);
      return;
    }
    case RequestGuard::kEntryHelper: {
      const uint32_t level = entry.levelOf != nullptr ? entry.levelOf(in) : entry.guard.level;
      IoctlEntryHelper guard(device_, context.descriptor(), level, operation, entry.guard.snoop);
      if (operation.isNotFatal()) entry.handle(context, in, out, operation);
      return;
    }
  }
}

}  // namespace nVL9738K_24_0
