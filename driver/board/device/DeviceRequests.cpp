// The Device's answers to the identity, revision and self-test requests.
#include "Device.h"
#include "driver/board/status/BoardSites.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/board/version/VersionUtils.h"

namespace nVL9738K_24_0 {

namespace {

constexpr uint32_t kBoardSignature = 0x5B314F56;
constexpr uint32_t kCpldReady = 0x1;

// A register the map cannot reach, or whose read fails, answers its cached
// value: the check then judges what the driver last knew of the board.
template <typename tRecord>
uint32_t readOrCached(tRecord& record) {
  nVLAPALS100::tStatus local;
  return record.isAccessible() ? static_cast<uint32_t>(record.readRegister(local))
                               : static_cast<uint32_t>(record.getValue());
}

void failCheck(uint64_t line, nVLAPALS100::tStatus& status) {
  status.setCode(codes::kBoardVerificationFailed, VL_SITE_AT(sites::kDevice, line));
}

}  // namespace

void Device::verifyBoard(tStatus& status) {
  if (status.isFatal()) return;
  if (resources_ == nullptr || !resources_->isComplete()) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  auto& signature = resources_->getHostRegMap()->PrivateEndpoint.CoreBrdRegMap.BoardSignature;
  if (readOrCached(signature) != kBoardSignature) failCheck(sites::lines::kBoardSignatureWrong, status);
  struct Check {
    CompositeMaps::Cpld cpld;
    uint64_t line;
  };
  static constexpr Check kChecks[] = {{CompositeMaps::kRef, sites::lines::kRefCpldNotReady},
                                      {CompositeMaps::kLo0, sites::lines::kLo0CpldNotReady},
                                      {CompositeMaps::kLo1, sites::lines::kLo1CpldNotReady}};
  for (const Check& check : kChecks) {
    CompositeMaps::tAuxMap* aux = resources_->getCompositeMaps().auxInterface(check.cpld);
    if (aux == nullptr || (readOrCached(aux->SlaveStatus) & kCpldReady) == 0) failCheck(check.line, status);
  }
}

uint32_t Device::getModuleRev(uint32_t selector, tStatus& status) const {
  if (selector <= 2) return capabilities_.moduleRevision();
  status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(sites::kDevice, sites::lines::kModuleRevisionSelector));
  return 0;
}

void Device::getFirmwareRev(uint32_t& current, uint32_t& oldest) const {
  current = capabilities_.firmwareRevision();
  oldest = capabilities_.oldestFirmwareRevision();
}

uint32_t Device::getDriverAttributeU32(uint32_t attribute, uint32_t which, tStatus& status) const {
  if (status.isFatal()) return 0;
  if (attribute != 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kDevice, sites::lines::kDriverAttribute));
    return 0;
  }
  if (which > 1) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter,
                   VL_SITE_AT(sites::kDevice, sites::lines::kDriverAttributeSelector));
    return 0;
  }
  return parseVersionString(which == 0 ? kNewestDriverVersion : kOldestDriverVersion, status);
}

void Device::configurePersonalityOptions(const uint32_t (&)[4], tStatus& status) const {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kDevice, sites::lines::kPersonalityOptions));
}

}  // namespace nVL9738K_24_0
