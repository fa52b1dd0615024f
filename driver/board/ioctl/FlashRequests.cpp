#include "FlashRequests.h"

#include "IoctlCollection.h"
#include "RFPlatIoctlImpl.h"
#include "RequestTables.h"
#include "driver/board/device/Device.h"
#include "driver/board/status/BoardSites.h"
#include "driver/flash/FlashPartitionManager.h"
#include "driver/platform/device/tUserBuffer.h"

namespace nVL9738K_24_0::requests {

namespace {

using tImpl = rfplatimpl::RFPlatIoctlImpl<IoctlCollection>;

qrtk::FlashPartitionManager* manager(RequestContext& context, tStatus& status) {
  return tImpl::requireManager(context.collection(), status);
}

}  // namespace

void GetFlashDeviceInfo::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  qrtk::FlashPartitionManager* flash = manager(context, status);
  if (flash == nullptr) return;
  flash->getFlashDeviceInfo(out.totalSize, out.sectorSize, out.accessAlignment, in.flashId, status);
}

void ReadPartitionTable::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  qrtk::FlashPartitionManager* flash = manager(context, status);
  if (flash == nullptr) return;
  nVLAPAL000::tUserBuffer destination(context.descriptor(), in.bufferAddress, in.bufferLength, status);
  flash->readPartitionTable(destination, in.flashId, status);
}

void ReadPartition::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  tImpl(context.collection())
      .rfplat_readPartition(context.descriptor(), in.partitionId, in.bufferAddress, out.size, in.flashId,
                            out.sequenceNumber, status);
}

// No data is refused before the manager sees the request, so the caller's
// sequence number comes back unchanged.
void WritePartition::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  if (in.bufferAddress == 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kMainInterface, __LINE__));
    return;
  }
  qrtk::FlashPartitionManager* flash = manager(context, status);
  if (flash == nullptr) return;
  nVLAPAL000::tUserBuffer source(context.descriptor(), in.bufferAddress, in.bufferLength, status);
  flash->writePartition(in.partitionId, source, in.flags, in.flashId, out.sequenceNumber, status);
}

void DeletePartition::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  qrtk::FlashPartitionManager* flash = manager(context, status);
  if (flash != nullptr) flash->deletePartition(in.partitionId, in.flashId, out.sequenceNumber, status);
}

void GetPartitionList::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.partitionCount =
      tImpl(context.collection())
          .rfplat_getPartitionList(context.descriptor(), in.bufferAddress, in.bufferLength, in.flashId, status);
}

// Like every flash request, answered with the flash stage's outcome when
// the bring-up left no store.
void ProgramSubsystemId::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (manager(context, status) != nullptr) context.device().programSubsystemId(in.subsystemId, status);
}

// The index and the identifier name nothing on this board.
void ProgramFirmwareRevisions::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (manager(context, status) != nullptr) context.device().writeCapabilities(in.current, in.oldest, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<GetFlashDeviceInfo, 40, 16>(), makeRequest<ReadPartitionTable, 56, 4>(),
    makeRequest<ReadPartition, 64, 12>(),      makeRequest<WritePartition, 64, 8>(),
    makeRequest<DeletePartition, 48, 8>(),     makeRequest<GetPartitionList, 56, 8>(),
    makeRequest<ProgramSubsystemId, 8, 4>(),   makeRequest<ProgramFirmwareRevisions, 56, 4>(),
};

}  // namespace

const RequestTable kFlashRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
