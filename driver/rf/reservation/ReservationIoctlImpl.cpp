#include "ReservationIoctlImpl.h"

#include "../../platform/device/tUserBuffer.h"

namespace reservationHal {

using nVLAPAL000::tEventDescriptor;
using nVLAPAL000::tUserBuffer;
using nVLAPALS100::tStatus;
using rfyulreserve::DeviceActivityContextID;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::ReserveErrorInfo;
using rfyulreserve::tokenValue;
using rfyulreserve_impl::DirtinessList;
using rfyulreserve_impl::PolicyIDList;
using rfyulreserve_impl::ReservationClient;

namespace {

constexpr const char kSite[] = "ReservationIoctlImpl";

// One byte past the longest descriptor a token may carry: enough for any
// answer, since a longer text is refused or not found whatever follows.
constexpr uint64_t kDescriptorReadLimit = rfyulreserve_impl::kMaxDescriptorLength + 1;

void readUser(tEventDescriptor& event, uint64_t address, void* to, uint64_t size, tStatus& status) {
  if (status.isFatal() || size == 0) return;
  tUserBuffer(event, address, size, status).readFromBuffer(0, to, size, status);
}

void writeUser(tEventDescriptor& event, uint64_t address, const void* from, uint64_t size, tStatus& status) {
  if (status.isFatal() || size == 0) return;
  tUserBuffer(event, address, size, status).writeToBuffer(0, from, size, status);
}

// A user list of `count` u32 ids. A failed copy leaves the ids zero, and
// the status stops what follows.
void readPolicyList(tEventDescriptor& event, uint32_t count, uint64_t address, PolicyIDList& list, tStatus& status) {
  if (status.isFatal()) return;
  if (!nVLAPAL000::withinUserBound(count, kMaxPolicyListCount, VL_SITE_AT(kSite, __LINE__), status)) return;
  list.resize(count, rfyulreserve::kInvalidReservationPolicyID, status);
  readUser(event, address, list.data(), uint64_t{count} * sizeof(ReservationPolicyID), status);
}

// At most kDescriptorReadLimit bytes of a user string, terminated; returns
// how many were read.
uint64_t readDescriptor(tEventDescriptor& event, uint64_t address, uint32_t size,
                        char (&text)[kDescriptorReadLimit + 1], tStatus& status) {
  const uint64_t length = size < kDescriptorReadLimit ? size : kDescriptorReadLimit;
  readUser(event, address, text, length, status);
  const uint64_t read = status.isFatal() ? 0 : length;
  text[read] = '\0';
  return read;
}

}  // namespace

ReservationClient* ReservationIoctlImpl::requireClient(tSlot& session, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (session.client == nullptr) status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(kSite, __LINE__));
  return session.client;
}

void ReservationIoctlImpl::reservation_findReservationPolicyIDDescriptor(tEventDescriptor& event, tSlot& session,
                                                                         uint32_t policyID, uint64_t buffer,
                                                                         uint32_t& size, tStatus& status) {
  findDescriptor(event, session, policyID, false, buffer, size, status);
}

void ReservationIoctlImpl::reservation_findReservationClientIDDescriptor(tEventDescriptor& event, tSlot& session,
                                                                         uint32_t clientID, uint64_t buffer,
                                                                         uint32_t& size, tStatus& status) {
  findDescriptor(event, session, clientID, true, buffer, size, status);
}

void ReservationIoctlImpl::findDescriptor(tEventDescriptor& event, tSlot& session, uint32_t id, bool ofClient,
                                          uint64_t buffer, uint32_t& size, tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  vlhtl::String descriptor;
  if (ofClient) {
    client->findReservationClientIDDescriptor(ReservationClientID{id}, size, descriptor, status);
  } else {
    client->findReservationPolicyIDDescriptor(ReservationPolicyID{id}, size, descriptor, status);
  }
  // No terminating NUL goes out: the length says where the text ends.
  writeUser(event, buffer, descriptor.c_str(), descriptor.length(), status);
  size = status.isFatal() ? 0u : static_cast<uint32_t>(descriptor.length());
}

void ReservationIoctlImpl::reservation_findReservationPolicyID(tEventDescriptor& event, tSlot& session, uint64_t buffer,
                                                               uint32_t size, uint32_t& id, tStatus& status) {
  findId(event, session, buffer, size, false, id, status);
}

void ReservationIoctlImpl::reservation_findDeviceActivityContextID(tEventDescriptor& event, tSlot& session,
                                                                   uint64_t buffer, uint32_t size, uint32_t& id,
                                                                   tStatus& status) {
  findId(event, session, buffer, size, true, id, status);
}

void ReservationIoctlImpl::findId(tEventDescriptor& event, tSlot& session, uint64_t buffer, uint32_t size,
                                  bool ofActivity, uint32_t& id, tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  char text[kDescriptorReadLimit + 1];
  const uint64_t length = readDescriptor(event, buffer, size, text, status);
  // The bytes as they stand, a trailing NUL included: such a name matches
  // no descriptor, nor does one longer than any descriptor may be.
  const vlhtl::String name(text, length, status);
  id = ofActivity ? tokenValue(client->findDeviceActivityContextID(name, status))
                  : tokenValue(client->findReservationPolicyID(name, status));
}

void ReservationIoctlImpl::reservation_findReservableChildIDs(tEventDescriptor& event, tSlot& session,
                                                              uint32_t policyID, uint32_t& count, uint64_t buffer,
                                                              tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  PolicyIDList children;
  client->findReservableChildIDs(ReservationPolicyID{policyID}, count, children, status);
  writeUser(event, buffer, children.data(), children.size() * sizeof(ReservationPolicyID), status);
  count = static_cast<uint32_t>(children.size());
}

void ReservationIoctlImpl::reservation_reserve(tEventDescriptor& event, tSlot& session, uint32_t count,
                                               uint64_t policyIDs, uint64_t dirtiness, ReserveErrorInfo& errorInfo,
                                               tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  PolicyIDList policies;
  readPolicyList(event, count, policyIDs, policies, status);
  DirtinessList answers;
  client->reserve(policies, answers, errorInfo, status);
  tStatus copy;
  writeUser(event, dirtiness, answers.data(), answers.size() * sizeof(uint32_t), copy);
  status.merge(copy);
}

void ReservationIoctlImpl::reservation_release(tEventDescriptor& event, tSlot& session, uint32_t count,
                                               uint64_t policyIDs, tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  PolicyIDList policies;
  readPolicyList(event, count, policyIDs, policies, status);
  client->release(policies, status);
}

void ReservationIoctlImpl::reservation_deferReleaseUntilIdle(tEventDescriptor& event, tSlot& session,
                                                             uint32_t contextID, uint32_t count, uint64_t policyIDs,
                                                             tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  PolicyIDList policies;
  readPolicyList(event, count, policyIDs, policies, status);
  client->deferReleaseUntilIdle(DeviceActivityContextID{contextID}, policies, status);
}

void ReservationIoctlImpl::reservation_setReservationCache(tEventDescriptor& event, tSlot& session, uint32_t count,
                                                           uint64_t policyIDs, tStatus& status) {
  ReservationClient* client = requireClient(session, status);
  if (client == nullptr) return;
  PolicyIDList policies;
  readPolicyList(event, count, policyIDs, policies, status);
  client->setReservationCache(policies, status);
}

void ReservationIoctlImpl::reservation_setDescriptor(tEventDescriptor& event, tSlot& session,
                                                     rfyulreserve_impl::iReservationClientFactory& clients,
                                                     uint64_t buffer, uint32_t size, tStatus& status) {
  setDescriptor(event, session, clients, buffer, size, nullptr, status);
}

void ReservationIoctlImpl::reservation_setDescriptorAndClientID(tEventDescriptor& event, tSlot& session,
                                                                rfyulreserve_impl::iReservationClientFactory& clients,
                                                                uint64_t buffer, uint32_t size, uint32_t clientID,
                                                                tStatus& status) {
  setDescriptor(event, session, clients, buffer, size, &clientID, status);
}

void ReservationIoctlImpl::setDescriptor(tEventDescriptor& event, tSlot& session,
                                         rfyulreserve_impl::iReservationClientFactory& clients, uint64_t buffer,
                                         uint32_t size, const uint32_t* attachTo, tStatus& status) {
  if (status.isFatal()) return;
  if (session.client != nullptr) {
    status.setCode(nVLAPALS100::kStatusListModeFailure, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  // The text up to its first NUL is the descriptor.
  char text[kDescriptorReadLimit + 1];
  readDescriptor(event, buffer, size, text, status);
  if (status.isFatal()) return;
  ReservationClient* client = attachTo != nullptr ? clients.attachClient(text, ReservationClientID{*attachTo}, status)
                                                  : clients.createClient(text, status);
  if (client == nullptr) return;
  // A client without an id would hold the slot (every retry refused) and
  // could only release what is not its own: the session keeps none.
  if (status.isFatal() || client->getReservationClientID() == rfyulreserve::kInvalidReservationClientID) {
    delete client;
    return;
  }
  session.client = client;
  session.clientID = tokenValue(client->getReservationClientID());
}

}  // namespace reservationHal
