#include "VisaRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/visa/VisaDispatcher.h"

namespace nVL9738K_24_0::requests {

void VisaInitialize::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  context.collection().getVisaDispatcher().initialize(status);
}

void VisaGetSpaceInfo::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  context.collection().getVisaDispatcher().getSpaceInfo(in.addressSpace, out.spaceType, out.base, out.size, status);
}

void VisaReadBlock::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  context.collection().getVisaDispatcher().readBlock(context.descriptor(), in.addressSpace, in.offset, in.itemWidth,
                                                     in.increment, in.bufferAddress, in.itemCount, in.mode, status);
}

void VisaWriteBlock::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  context.collection().getVisaDispatcher().writeBlock(context.descriptor(), in.addressSpace, in.offset, in.itemWidth,
                                                      in.increment, in.bufferAddress, in.itemCount, in.mode, status);
}

void VisaFinalize::handle(RequestContext& context, const In&, Out&, tStatus&) {
  context.collection().getVisaDispatcher().finalize();
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<VisaInitialize, 4, 4>(),  makeRequest<VisaGetSpaceInfo, 8, 32>(), makeRequest<VisaReadBlock, 48, 4>(),
    makeRequest<VisaWriteBlock, 48, 4>(), makeRequest<VisaFinalize, 4, 4>(),
};

}  // namespace

const RequestTable kVisaRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
