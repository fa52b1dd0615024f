#include "SettingsRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/resources/DeviceResources.h"
#include "driver/board/session/Session.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/text/TextRoutines.h"

namespace nVL9738K_24_0::requests {

namespace {

using Buffer = IoctlCollection::GrowableBuffer;

DeviceResources* requireResources(RequestContext& context, tStatus& status) {
  DeviceResources* resources = context.collection().getDeviceResources();
  if (resources == nullptr) status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  return resources;
}

// Makes `buffer` hold `size` bytes and fills them from user memory at
// `address`.
void readIn(RequestContext& context, Buffer& buffer, uint64_t address, uint64_t size, tStatus& status) {
  buffer.resize(size, status);
  if (status.isFatal() || size == 0) return;
  nVLAPAL000::tUserBuffer(context.descriptor(), address, size, status).readFromBuffer(0, buffer.data, size, status);
}

}  // namespace

void SettingsDeploy::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  DeviceResources* resources = requireResources(context, status);
  if (resources == nullptr) return;
  // A session without a reservation client deploys as client 0, which
  // every policy refuses.
  const Session* session = context.session();
  const rfyulreserve::ReservationClientID client{session != nullptr ? session->getReservationClientId() : 0};
  if (!nVLAPAL000::withinUserBound(in.messageSize, kMaxMessageBytes, VL_SITE, status)) return;
  Buffer& message = context.collection().getDeployMessage();
  readIn(context, message, in.messageAddress, in.messageSize, status);
  if (status.isFatal()) return;
  resources->reserveAndCommit(message.data, message.size, client, status);
}

void SettingsSendMessage::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  DeviceResources* resources = requireResources(context, status);
  if (resources == nullptr) return;
  if (!nVLAPAL000::withinUserBound(in.idCount, kMaxResourceIds, VL_SITE, status) ||
      !nVLAPAL000::withinUserBound(in.inputSize, kMaxAreaBytes, VL_SITE, status) ||
      !nVLAPAL000::withinUserBound(in.outputSize, kMaxAreaBytes, VL_SITE, status)) {
    return;
  }
  IoctlCollection& collection = context.collection();
  Buffer& ids = collection.getResourceIds();
  Buffer& input = collection.getMessageInput();
  Buffer& output = collection.getMessageOutput();
  readIn(context, ids, in.idsAddress, uint64_t{in.idCount} * sizeof(uint32_t), status);
  readIn(context, input, in.inputAddress, in.inputSize, status);
  output.resize(in.outputSize, status);
  if (status.isFatal()) return;
  // A reply never carries bytes of an earlier message.
  if (in.outputSize != 0) nVLAPAL000::memorySet(output.data, 0, in.outputSize);
  const auto* idList = reinterpret_cast<const uint32_t*>(ids.data);
  resources->processResourceList(idList, in.idCount, in.messageType, input.data, in.inputSize, output.data,
                                 in.outputSize, collection.getSnoopingManager(), status);
  if (status.isFatal() || in.outputSize == 0) return;
  nVLAPAL000::tUserBuffer(context.descriptor(), in.outputAddress, in.outputSize, status)
      .writeToBuffer(0, output.data, in.outputSize, status);
}

void CycleFrequency::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  context.collection().cycleFrequency(status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<SettingsDeploy, 16, 4>(),
    makeRequest<SettingsSendMessage, 48, 4>(),
    makeRequest<CycleFrequency, 4, 4>(),
};

}  // namespace

const RequestTable kSettingsRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
