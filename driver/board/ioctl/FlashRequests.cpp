#include "FlashRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void GetFlashDeviceInfo::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ReadPartitionTable::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ReadPartition::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void WritePartition::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void DeletePartition::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void GetPartitionList::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ProgramSubsystemId::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ProgramFirmwareRevisions::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
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
