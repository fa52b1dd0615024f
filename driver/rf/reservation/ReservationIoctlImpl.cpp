#include "ReservationIoctlImpl.h"

#include "../../platform/device/tUserBuffer.h"
#include "ReservationRequestTable.h"

namespace reservationHal {

using nVLAPAL000::tEventDescriptor;
using nVLAPAL000::tUserBuffer;
using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::ReserveErrorInfo;
using rfyulreserve_impl::DirtinessList;
using rfyulreserve_impl::PolicyIDList;
using rfyulreserve_impl::ReservationClient;

namespace {

constexpr const char kSite[] = "ReservationIoctlImpl";

// One byte past the longest descriptor a token may carry: enough for any
// answer, since a longer text is refused or not found whatever follows.
constexpr uint64_t kDescriptorReadLimit = rfyulreserve_impl::kMaxDescriptorLength + 1;

enum Number : uint32_t {
  kFindPolicyDescriptor = 0x00,
  kFindClientDescriptor = 0x01,
  kFindPolicyId = 0x02,
  kFindActivityId = 0x03,
  kGetClientId = 0x04,
  kGetChildCount = 0x05,
  kFindChildren = 0x06,
  kReserve = 0x07,
  kRelease = 0x08,
  kDeferRelease = 0x09,
  kSetDescriptor = 0x0A,
  kSetCache = 0x0B,
  kReserveCache = 0x0C,
  kReleaseCache = 0x0D,
  kDeferCache = 0x0E,
  kSetDescriptorAndId = 0x0F,
  kSetListMode = 0x10,
  kReleaseIdle = 0x11,
};

// Where each request's seeded out field (at offset 0 of the out-block)
// lies in its in-block; size 0 for none.
struct Seed {
  uint8_t inOffset;
  uint8_t size;
};
constexpr Seed kSeeds[kReservationRequestCount] = {
    {16, 4}, {16, 4}, {12, 4}, {12, 4}, {0, 4}, {4, 4}, {4, 4}, {24, 8}, {0, 0},
    {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0}, {0, 0}, {0, 0}, {0, 0},  {0, 0},
};

template <typename T>
T load(const uint8_t* block, uint64_t offset) {
  T value;
  __builtin_memcpy(&value, block + offset, sizeof(T));
  return value;
}

template <typename T>
void store(uint8_t* block, uint64_t offset, const T& value) {
  __builtin_memcpy(block + offset, &value, sizeof(T));
}

void readUser(tEventDescriptor& event, uint64_t address, void* to, uint64_t size, tStatus& status) {
  if (size == 0) return;
  tUserBuffer(event, address, size, status).readFromBuffer(0, to, size, status);
}

void writeUser(tEventDescriptor& event, uint64_t address, const void* from, uint64_t size, tStatus& status) {
  if (size == 0) return;
  tUserBuffer(event, address, size, status).writeToBuffer(0, from, size, status);
}

// A user list of `count` u32 ids. The count comes from user mode: it is
// bounded before anything is allocated for it.
void readPolicyList(tEventDescriptor& event, uint32_t count, uint64_t address, PolicyIDList& list, tStatus& status) {
  if (status.isFatal()) return;
  if (count > kMaxPolicyListCount) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  list.resize(count, rfyulreserve::kInvalidReservationPolicyID, status);
  readUser(event, address, list.data(), uint64_t{count} * sizeof(ReservationPolicyID), status);
}

// At most kDescriptorReadLimit bytes of a user string, terminated; returns
// how many were read.
uint64_t readDescriptor(tEventDescriptor& event, uint64_t address, uint32_t size,
                        char (&text)[kDescriptorReadLimit + 1], tStatus& status) {
  const uint64_t length = size < kDescriptorReadLimit ? size : kDescriptorReadLimit;
  readUser(event, address, text, length, status);
  text[status.isFatal() ? 0 : length] = '\0';
  return status.isFatal() ? 0 : length;
}

}  // namespace

struct ReservationIoctlImpl::Call {
  tEventDescriptor& event;
  ReservationSessionSlot& session;
  const uint8_t* in;
  uint8_t* out;
  ReservationClient* client;
};

void ReservationIoctlImpl::handle(uint32_t code, tEventDescriptor& event, ReservationSessionSlot& session,
                                  const void* in, uint64_t inSize, void* out, uint64_t outSize, tStatus& status) {
  const ReservationRequest* request = findReservationRequest(code);
  if (request == nullptr || inSize != request->inSize || outSize != request->outSize) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  Call call{event, session, static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out), session.client};
  // Out fields start as the in-block field of the same name; the result
  // and the error info of the cached reserve start at zero.
  const Seed seed = kSeeds[code - kReservationRequestBase];
  __builtin_memset(call.out, 0, outSize);
  __builtin_memcpy(call.out, call.in + seed.inOffset, seed.size);
  const int32_t callerCode = load<int32_t>(call.in, inSize - 4);
  if (callerCode != 0) status.setCode(callerCode, VL_SITE_AT(kSite, __LINE__));
  if (status.isNotFatal()) dispatch(code - kReservationRequestBase, call, status);
  store(call.out, outSize - 4, static_cast<int32_t>(status.getCode()));
}

void ReservationIoctlImpl::dispatch(uint32_t number, Call& call, tStatus& status) {
  if (number == kSetDescriptor || number == kSetDescriptorAndId) {
    setDescriptor(call, number == kSetDescriptorAndId, status);
    return;
  }
  ReservationClient* client = call.client;
  if (client == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  switch (number) {
    case kFindPolicyDescriptor:
    case kFindClientDescriptor:
      findDescriptor(call, number == kFindClientDescriptor, status);
      break;
    case kFindPolicyId:
    case kFindActivityId:
      findId(call, number == kFindActivityId, status);
      break;
    case kGetClientId:
      store(call.out, 0, rfyulreserve::tokenValue(client->getReservationClientID()));
      break;
    case kGetChildCount:
      store(call.out, 0,
            static_cast<uint32_t>(
                client->getNumOfReservableChildIDs(ReservationPolicyID{load<uint32_t>(call.in, 0)}, status)));
      break;
    case kFindChildren:
      findChildren(call, status);
      break;
    case kReserve:
      reserve(call, status);
      break;
    case kReserveCache: {
      uint32_t result = 0;
      ReserveErrorInfo errorInfo{0, 0};
      client->reserveCache(result, errorInfo, status);
      store(call.out, 0, result);
      store(call.out, 4, errorInfo);
      break;
    }
    case kReleaseCache:
      client->releaseCache(status);
      break;
    case kDeferCache:
      client->deferReleaseCacheUntilIdle(rfyulreserve::DeviceActivityContextID{load<uint32_t>(call.in, 0)}, status);
      break;
    case kSetListMode:
      client->setIsListModeActive(call.in[0] != 0, status);
      break;
    case kReleaseIdle:
      client->releaseIdleResources(status);
      break;
    default:
      passList(number, call, status);
      break;
  }
}

void ReservationIoctlImpl::setDescriptor(Call& call, bool attach, tStatus& status) {
  if (call.session.client != nullptr) {
    status.setCode(nVLAPALS100::kStatusListModeFailure, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  char text[kDescriptorReadLimit + 1];
  readDescriptor(call.event, load<uint64_t>(call.in, 0), load<uint32_t>(call.in, 8), text, status);
  if (status.isFatal()) return;
  const ReservationClientID wanted{load<uint32_t>(call.in, 12)};
  ReservationClient* client =
      attach ? clients_.attachClient(text, wanted, status) : clients_.createClient(text, status);
  if (client == nullptr) return;
  // A client without an id would hold the slot (every retry refused) and
  // could only release what is not its own: the session keeps none.
  if (status.isFatal() || client->getReservationClientID() == rfyulreserve::kInvalidReservationClientID) {
    delete client;
    return;
  }
  call.session.client = client;
  call.session.clientID = rfyulreserve::tokenValue(client->getReservationClientID());
}

void ReservationIoctlImpl::findDescriptor(Call& call, bool ofClient, tStatus& status) {
  const uint32_t id = load<uint32_t>(call.in, 0);
  const uint32_t capacity = load<uint32_t>(call.in, 16);
  vlhtl::String descriptor;
  if (ofClient) {
    call.client->findReservationClientIDDescriptor(ReservationClientID{id}, capacity, descriptor, status);
  } else {
    call.client->findReservationPolicyIDDescriptor(ReservationPolicyID{id}, capacity, descriptor, status);
  }
  // No terminating NUL goes out: the length says where the text ends.
  writeUser(call.event, load<uint64_t>(call.in, 8), descriptor.c_str(), descriptor.length(), status);
  store(call.out, 0, status.isFatal() ? 0u : static_cast<uint32_t>(descriptor.length()));
}

void ReservationIoctlImpl::findId(Call& call, bool ofActivity, tStatus& status) {
  char text[kDescriptorReadLimit + 1];
  const uint64_t length =
      readDescriptor(call.event, load<uint64_t>(call.in, 0), load<uint32_t>(call.in, 8), text, status);
  // The bytes as they stand, a trailing NUL included: such a name matches
  // no descriptor.
  const vlhtl::String name(text, length, status);
  const uint32_t id = ofActivity ? rfyulreserve::tokenValue(call.client->findDeviceActivityContextID(name, status))
                                 : rfyulreserve::tokenValue(call.client->findReservationPolicyID(name, status));
  store(call.out, 0, id);
}

void ReservationIoctlImpl::findChildren(Call& call, tStatus& status) {
  PolicyIDList children;
  call.client->findReservableChildIDs(ReservationPolicyID{load<uint32_t>(call.in, 0)}, load<uint32_t>(call.in, 4),
                                      children, status);
  writeUser(call.event, load<uint64_t>(call.in, 8), children.data(), children.size() * sizeof(ReservationPolicyID),
            status);
  store(call.out, 0, static_cast<uint32_t>(children.size()));
}

void ReservationIoctlImpl::reserve(Call& call, tStatus& status) {
  PolicyIDList policies;
  readPolicyList(call.event, load<uint32_t>(call.in, 0), load<uint64_t>(call.in, 8), policies, status);
  DirtinessList dirtiness;
  ReserveErrorInfo errorInfo = load<ReserveErrorInfo>(call.out, 0);
  call.client->reserve(policies, dirtiness, errorInfo, status);
  // The per-policy answers go back after a refusal too: they tell the
  // caller which policies were reached.
  tStatus copy;
  writeUser(call.event, load<uint64_t>(call.in, 16), dirtiness.data(), dirtiness.size() * sizeof(uint32_t), copy);
  status.merge(copy);
  store(call.out, 0, errorInfo);
}

void ReservationIoctlImpl::passList(uint32_t number, Call& call, tStatus& status) {
  const bool deferred = number == kDeferRelease;
  const uint32_t count = load<uint32_t>(call.in, deferred ? 4 : 0);
  PolicyIDList policies;
  readPolicyList(call.event, count, load<uint64_t>(call.in, 8), policies, status);
  if (number == kRelease) call.client->release(policies, status);
  if (number == kSetCache) call.client->setReservationCache(policies, status);
  if (deferred) {
    call.client->deferReleaseUntilIdle(rfyulreserve::DeviceActivityContextID{load<uint32_t>(call.in, 0)}, policies,
                                       status);
  }
}

}  // namespace reservationHal
