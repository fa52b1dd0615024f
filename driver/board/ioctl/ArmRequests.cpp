#include "ArmRequests.h"

#include "ArmIoctlImpl.h"
#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace armhal {

void recordNoDispatcher(nVLAPALS100::tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(nVL9738K_24_0::sites::kMainInterface, __LINE__));
}

}  // namespace armhal

namespace nVL9738K_24_0::requests {

namespace {

using Impl = armhal::ArmIoctlImpl<IoctlCollection>;
using tMap = armki::tMapInterface;

// The per-register requests: one call on the named map under its
// registration's mutex; `context` counts only for the extended forms.
template <typename TIn, typename TCall>
void onMap(RequestContext& context, const TIn& in, bool extended, uint64_t mapContext, TCall&& call, tStatus& status) {
  Impl::onMap(context.collection(), context.descriptor(), in.nameAddress, in.nameLength, extended, mapContext, call,
              status);
}

// Every operation but get reaches the hardware or moves a shadow a list
// may be recording into: it waits for that list unless it is recorded too.
template <typename TCall>
auto unlessRecorded(RequestContext& context, TCall call, tStatus& status) {
  return [&context, call, &status](tMap& map, uint32_t at) {
    context.collection().refuseUnrecordedMapAccess(map, status);
    if (status.isNotFatal()) call(map, at);
  };
}

}  // namespace

void ArmWrite::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.write(in.id, in.value, in.force != 0, status, at); }, status),
        status);
}

// The short forms answer the low 32 bits of the map's 64-bit value.
void ArmRead::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  uint64_t value = 0;
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.read(in.id, value, status, at); }, status),
        status);
  out.value = static_cast<uint32_t>(value);
}

void ArmFlushRegister::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.flush(in.id, in.force != 0, status, at); }, status),
        status);
}

void ArmRefreshRegister::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.refresh(in.id, status, at); }, status),
        status);
}

void ArmGetNumberOfRegistrations::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  armki::ARMDispatcher* dispatcher = Impl::dispatcherOf(context.collection(), status);
  if (dispatcher != nullptr) out.count = dispatcher->getNumberOfRegistrations();
}

void ArmGetRegistrationNames::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  Impl::arm_getRegistrationNames(context.collection(), context.descriptor(), in.bufferAddress, status);
}

void ArmFlushRegMap::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t) { map.flushRegMap(in.force != 0, status); }, status),
        status);
}

void ArmSet::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, false, 0,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.set(in.id, in.value, status, at); }, status),
        status);
}

void ArmGet::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  uint64_t value = 0;
  onMap(
      context, in, false, 0, [&](tMap& map, uint32_t at) { map.get(in.id, value, status, at); }, status);
  out.value = static_cast<uint32_t>(value);
}

void ArmWriteEx::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, true, in.context,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.write(in.id, in.value, in.force != 0, status, at); }, status),
        status);
}

void ArmReadEx::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  onMap(context, in, true, in.context,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.read(in.id, out.value, status, at); }, status),
        status);
}

void ArmSetEx::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, true, in.context,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.set(in.id, in.value, status, at); }, status),
        status);
}

void ArmGetEx::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  onMap(
      context, in, true, in.context, [&](tMap& map, uint32_t at) { map.get(in.id, out.value, status, at); }, status);
}

void ArmFlushRegisterEx::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, true, in.context,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.flush(in.id, in.force != 0, status, at); }, status),
        status);
}

void ArmRefreshRegisterEx::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  onMap(context, in, true, in.context,
        unlessRecorded(
            context, [&](tMap& map, uint32_t at) { map.refresh(in.id, status, at); }, status),
        status);
}

// `count` comes back as the number of fields described, as the map's
// refusal leaves it, or as sent when the request never reached the map.
void ArmGetRegisterFormat::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  armki::ARMDispatcher* dispatcher = Impl::dispatcherOf(context.collection(), status);
  if (dispatcher == nullptr) return;
  dispatcher->getRegisterFormat(context.descriptor(), reinterpret_cast<const void*>(in.nameAddress), in.nameLength,
                                in.id, out.count, reinterpret_cast<void*>(in.fieldTypesAddress),
                                reinterpret_cast<void*>(in.masksAddress), status);
}

void ArmGetSizeOfRegistrationList::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  armki::ARMDispatcher* dispatcher = Impl::dispatcherOf(context.collection(), status);
  if (dispatcher != nullptr) out.size = dispatcher->getSizeOfRegistrationList();
}

void ArmGetRegistrationList::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  Impl::arm_getRegistrationList(context.collection(), context.descriptor(), in.bufferAddress, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<ArmWrite, 32, 4>(),
    makeRequest<ArmRead, 24, 8>(),
    makeRequest<ArmFlushRegister, 32, 4>(),
    makeRequest<ArmRefreshRegister, 24, 4>(),
    makeRequest<ArmGetNumberOfRegistrations, 4, 16>(),
    makeRequest<ArmGetRegistrationNames, 16, 4>(),
    makeRequest<ArmFlushRegMap, 24, 4>(),
    makeRequest<ArmSet, 32, 4>(),
    makeRequest<ArmGet, 24, 8>(),
    makeRequest<ArmWriteEx, 48, 4>(),
    makeRequest<ArmReadEx, 40, 16>(),
    makeRequest<ArmSetEx, 48, 4>(),
    makeRequest<ArmGetEx, 40, 16>(),
    makeRequest<ArmFlushRegisterEx, 40, 4>(),
    makeRequest<ArmRefreshRegisterEx, 40, 4>(),
    makeRequest<ArmGetRegisterFormat, 48, 8>(),
    makeRequest<ArmGetSizeOfRegistrationList, 4, 16>(),
    makeRequest<ArmGetRegistrationList, 16, 4>(),
};

}  // namespace

const RequestTable kArmRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
