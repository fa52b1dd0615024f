// What every sharing policy does alike: one record per client in ascending
// id order, reserving and releasing, releases deferred until an engine is
// idle, and the coerced (to be committed) and committed values. How the
// clients' values merge is each policy's own (mergeForReserve).
//
// The policy takes no lock: its callers serialise every operation, and
// release callbacks run inside the call that triggers them.
#ifndef VL9738K_RF_RESERVATION_SHARED_RESERVATION_POLICY_BASE_H
#define VL9738K_RF_RESERVATION_SHARED_RESERVATION_POLICY_BASE_H

#include <stdint.h>

#include "../../platform/containers/VlitlMap.h"
#include "../../platform/memory/Memory.h"
#include "../../platform/status/tStatus.h"
#include "ReservationClientIDSetNode.h"
#include "ReservationStatus.h"
#include "ZeroedSettings.h"
#include "iReservationPolicy.h"

namespace rfyulreserve_impl {

// The codes a policy raises besides its conflict code; the device passes
// one code for all of them.
struct ReservationPolicyCodes {
  int32_t clientNotFound = kReservationInvalidCode;
  int32_t notReserved = kReservationInvalidCode;
  int32_t invalidClient = kReservationInvalidCode;
  int32_t alreadyDeferred = kReservationInvalidCode;
  int32_t nullArgument = kReservationInvalidCode;
};

template <typename tSettings>
class SharedReservationPolicyBase : public iSettingsDeployPolicy<tSettings> {
 public:
  using Settings = tSettings;
  using ClientRecord = ReservationClientIDSetNode<tSettings>;
  using ClientID = rfyulreserve::ReservationClientID;
  using tStatus = nVLAPALS100::tStatus;

  SharedReservationPolicyBase(const SharedReservationPolicyBase&) = delete;
  SharedReservationPolicyBase& operator=(const SharedReservationPolicyBase&) = delete;

  void reserve(ClientID client, rfyulreserve::reservation_ReservationDirtiness& dirtiness, ClientID& conflictingClient,
               tStatus& status) override {
    if (status.isFatal()) return;
    processDeferredReleases(status);
    if (status.isFatal()) return;
    ClientRecord* own = clients_.find(client);
    if (own == nullptr) {
      status.setCode(codes_.clientNotFound, VL_SITE_AT(sites::kPolicyBase, sites::kClientNotFoundLine));
      return;
    }
    if (!mergeForReserve(*own, conflictingClient, status)) return;
    ++own->reserveCount;
    // A new reservation cancels a deferred release.
    own->isReleaseDeferred = 0;
    own->deviceActivity = nullptr;
    own->releaseCallback = nullptr;
    dirtiness = dirtinessOf(own->settings);
  }

  // The record stays, with its value, when the count reaches 0.
  void release(ClientID client) override {
    ClientRecord* record = clients_.find(client);
    if (record == nullptr || record->reserveCount == 0) return;
    if (--record->reserveCount == 0 && record->releaseCallback != nullptr) {
      tStatus ignored;
      record->releaseCallback(client, true, ignored);
    }
  }

  void releaseAll(ClientID client) override {
    ClientRecord* record = clients_.find(client);
    if (record == nullptr) return;
    if (record->releaseCallback != nullptr) {
      tStatus ignored;
      record->releaseCallback(client, true, ignored);
    }
    clients_.erase(*record);
    delete record;
  }

  void releaseIfIdle(tStatus& status) override {
    if (status.isFatal()) return;
    processDeferredReleases(status);
  }

  // The board was reset under every client: the records go without any
  // callback; what was coerced and committed is kept.
  void deviceReset() override { destroyRecords(); }

  void deferReleaseUntilIdle(ClientID client, const rfyulreserve::iDeviceActivityAccess* activity,
                             rfyulreserve::ReservationIdleCallback callback, tStatus& status) override {
    if (status.isFatal()) return;
    if (activity == nullptr) {
      status.setCode(codes_.nullArgument, VL_SITE_AT(sites::kPolicyBase, sites::kNullActivityLine));
      return;
    }
    if (callback == nullptr) {
      status.setCode(codes_.nullArgument, VL_SITE_AT(sites::kPolicyBase, sites::kNullCallbackLine));
      return;
    }
    if (clients_.empty()) {
      status.setCode(codes_.clientNotFound, VL_SITE_AT(sites::kPolicyBase, sites::kNoRecordsLine));
      return;
    }
    ClientRecord* record = clients_.find(client);
    if (record == nullptr || record->reserveCount == 0) {
      status.setCode(codes_.notReserved, VL_SITE_AT(sites::kPolicyBase, sites::kNotReservedLine));
      return;
    }
    if (record->isReleaseDeferred != 0) {
      status.setCode(codes_.alreadyDeferred, VL_SITE_AT(sites::kPolicyBase, sites::kAlreadyDeferredLine));
      return;
    }
    record->deviceActivity = activity;
    record->releaseCallback = callback;
    record->isReleaseDeferred = 1;
  }

  // List mode keeps no per-client values of its own in these policies.
  void setIsListModeActive(ClientID, bool, tStatus&) override {}

  const char* getDescriptor() const override { return descriptor_ != nullptr ? descriptor_ : ""; }

  // Stores the client's value (creating its record on first use) before
  // anything is checked against other clients: the record always holds
  // what the client asked for.
  void deploySettings(ClientID client, const tSettings& settings, tStatus& status) override {
    if (status.isFatal()) return;
    ClientRecord* record = clients_.find(client);
    if (record == nullptr) {
      if (client == rfyulreserve::kInvalidReservationClientID) {
        status.setCode(codes_.invalidClient, VL_SITE_AT(sites::kPolicyBase, sites::kInvalidClientLine));
        return;
      }
      record = new (status, nVLAPAL000::kAllocationKindPlain) ClientRecord{};
      if (record == nullptr) return;
      record->id = client;
      clients_.insert(*record);
    }
    record->settings = settings;
    if (mergesOnDeploy()) mergeAfterDeploy(client, status);
  }

  void markSettingsCommitted(tStatus& status) override {
    if (status.isFatal()) return;
    recordCommitted();
  }

  void setCoercedSettings(const tSettings& settings) override { coercedSettings = settings; }

  // Called once the coerced value is on the hardware.
  virtual void recordCommitted() {
    committedSettings = coercedSettings;
    committedSettingsStale = 0;
  }

  // The records in ascending client-id order; null past the end.
  const ClientRecord* findClient(ClientID client) const { return clients_.find(client); }
  const ClientRecord* firstClient() const { return clients_.first(); }
  const ClientRecord* nextClient(const ClientRecord* record) const { return clients_.next(record); }

  // The merge result, which the next commit programs.
  tSettings coercedSettings = zeroedSettings<tSettings>();
  // The value last committed to the hardware; only meaningful while
  // committedSettingsStale is 0.
  tSettings committedSettings = zeroedSettings<tSettings>();
  // 1 from construction until a commit succeeds, and from the start of
  // every commit until it succeeds.
  uint8_t committedSettingsStale = 1;
  // One bit per LO path whose list run may be rewriting the registers of
  // this setting now: no commit vouches for the hardware until it ends.
  uint8_t listRunMayOverwrite = 0;

 protected:
  SharedReservationPolicyBase(const char* descriptor, const ReservationPolicyCodes& codes)
      : descriptor_(descriptor), codes_(codes) {}
  ~SharedReservationPolicyBase() override { destroyRecords(); }

  // The policy's merge for the acting client's record. On a conflict it
  // sets the status, names the holder in `conflictingClient` and answers
  // false, leaving the coerced value as it was.
  virtual bool mergeForReserve(ClientRecord& own, ClientID& conflictingClient, tStatus& status) = 0;
  // A suggestion only proposes a value and yields to concrete requests.
  virtual bool isSuggested(const tSettings&) const { return false; }
  virtual bool matchesCommitted(const tSettings& settings) const { return settings == committedSettings; }
  virtual bool mergesOnDeploy() const { return false; }

  // The suggestion rule: walking the other holders in ascending id order,
  // a suggestion takes every concrete holder's value in turn (the highest
  // id wins); a concrete request must agree with every concrete holder.
  // Other suggestions never matter. Returns the first holder that does
  // not agree, or null.
  template <typename tAgree>
  const ClientRecord* mergeWithSuggestions(const ClientRecord& own, tSettings& candidate, tAgree agree) const {
    const bool ownSuggests = isSuggested(own.settings);
    for (const ClientRecord* other = firstClient(); other != nullptr; other = nextClient(other)) {
      if (other == &own || other->reserveCount == 0 || isSuggested(other->settings)) continue;
      if (ownSuggests) {
        candidate = other->settings;
      } else if (!agree(candidate, other->settings)) {
        return other;
      }
    }
    return nullptr;
  }

  const ReservationPolicyCodes& codes() const { return codes_; }

 private:
  rfyulreserve::reservation_ReservationDirtiness dirtinessOf(const tSettings& own) const {
    if ((committedSettingsStale | listRunMayOverwrite) != 0) return rfyulreserve::kSettingsMustBeCommitted;
    if (isSuggested(own) || matchesCommitted(own)) return rfyulreserve::kCommittedSettingsServe;
    return rfyulreserve::kSettingsMustBeCommitted;
  }

  // A holder that changes its value merges at once; a conflict reaches the
  // caller only as the status, since no reserve is asking.
  void mergeAfterDeploy(ClientID client, tStatus& status) {
    if (status.isFatal()) return;
    ClientRecord* record = clients_.find(client);
    if (record == nullptr) {
      status.setCode(codes_.clientNotFound, VL_SITE_AT(sites::kPolicyBase, sites::kClientNotFoundLine));
      return;
    }
    if (record->reserveCount == 0) return;
    ClientID dropped = rfyulreserve::kInvalidReservationClientID;
    mergeForReserve(*record, dropped, status);
  }

  // Each idle pass takes one reservation from every deferred client whose
  // engine is idle; the deferral stays until the client reserves again.
  // The callback hears about busy engines too.
  void processDeferredReleases(tStatus& status) {
    for (ClientRecord* record = clients_.first(); record != nullptr; record = clients_.next(record)) {
      if (record->reserveCount == 0 || record->isReleaseDeferred == 0) continue;
      const bool idle = record->deviceActivity->isIdle(record->id, status);
      record->releaseCallback(record->id, idle, status);
      if (!idle) continue;
      if (status.isFatal()) return;
      --record->reserveCount;
    }
  }

  void destroyRecords() {
    while (ClientRecord* record = clients_.first()) {
      clients_.erase(*record);
      delete record;
    }
  }

  vlitl::Map<ClientID, ClientRecord, &ClientRecord::id, &ClientRecord::mapNode> clients_;
  const char* descriptor_;
  ReservationPolicyCodes codes_;
};

}  // namespace rfyulreserve_impl

#endif
