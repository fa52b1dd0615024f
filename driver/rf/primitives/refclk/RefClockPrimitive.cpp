#include "RefClockPrimitive.h"

#include "../../../platform/status/StatusSite.h"
#include "RefClockStatus.h"
#include "RefClockWaits.h"
#include "RegisterSteps.h"
#include "driver/listmode/snooping/ListModeRegisterReadResources.h"

namespace nVL9738K_24_0 {

using namespace refclk_steps;

namespace {

// The lock wait after a source or PLL change: 50 ms, first sleep 50 us
// doubling up to 1 ms.
constexpr uint64_t kLockTimeoutUs = 50000;
constexpr uint64_t kLockFirstSleepUs = 50;
constexpr uint64_t kLockLongestSleepUs = 1000;
// The PLL needs this long to take a new reference before it can lock.
constexpr uint32_t kSourceSettleMs = 10;

// ClkPath's one-hot source code for each refClock value.
constexpr uint32_t kSourceCodes[] = {1, 2, 4};
constexpr uint32_t kSourceMask = 0x7;
// OcxoCtrlDac: bits 0-3 and 19-21 control the DAC, bits 4-15 the 12-bit
// tuning value.
constexpr uint32_t kDacControlMask = 0xFu | (0x7u << 19);
constexpr uint32_t kDacValueMask = 0xFFF0u;
constexpr uint32_t kDacRunning = 3u << 19;

}  // namespace

RefClockPrimitive::RefClockPrimitive(nVl9738RefCpld::tVl9738RefCpld& refCpld,
                                     nBoardControl::tBoardControl& boardControl, nKMR4::tTICDCE18005RegMap& clockBuffer,
                                     tStatus&)
    : refCpld_(refCpld),
      ad9512_(refCpld.Ad9512RegMap),
      hmc703_(refCpld.Hmc703RegMap),
      boardControl_(boardControl),
      clockBuffer_(clockBuffer),
      defaultSettings_(),
      requested_(defaultSettings_) {}

RefClockPrimitive::RefClockPrimitive(nVl9738RefCpld::tVl9738RefCpld& refCpld,
                                     nBoardControl::tBoardControl& boardControl, nKMR4::tTICDCE18005RegMap& clockBuffer,
                                     ListModeRegisterReadResources* readResources, tStatus& status)
    : RefClockPrimitive(refCpld, boardControl, clockBuffer, status) {
  readResources_ = readResources;
  if (readResources_ == nullptr) return;
  generationCheck_ = readResources_->getGenerationStatusRegisterCheckPool()->acquireCheck(status);
  acquisitionCheck_ = readResources_->getAcquisitionStatusRegisterCheckPool()->acquireCheck(status);
}

RefClockPrimitive::~RefClockPrimitive() {
  if (readResources_ == nullptr) return;
  tStatus local;
  if (generationCheck_ != nullptr) {
    readResources_->getGenerationStatusRegisterCheckPool()->releaseCheck(generationCheck_, local);
  }
  if (acquisitionCheck_ != nullptr) {
    readResources_->getAcquisitionStatusRegisterCheckPool()->releaseCheck(acquisitionCheck_, local);
  }
}

void RefClockPrimitive::onStartCommitSnooping(listmodek::iListInstructionInserter*, tStatus& status) {
  if (status.isNotFatal()) snooping_ = 1;
}

void RefClockPrimitive::onStopCommitSnooping(tStatus&) { snooping_ = 0; }

void RefClockPrimitive::setRequested(const tSettings& settings, tStatus& status) {
  if (status.isFatal()) return;
  requested_ = settings;
}

bool RefClockPrimitive::commit(uint32_t path, tStatus& status) { return applySource(path, true, status); }

bool RefClockPrimitive::readPathSelect(uint32_t path, tStatus& status) {
  auto& pll = refCpld_.PllHmc703;
  // A failed read leaves the shadow, whose bit then answers.
  if (status.isNotFatal()) pll.refresh(status);
  return (pll.getValue() & selectBit(path)) != 0;
}

bool RefClockPrimitive::anySelected(tStatus& status) { return readPathSelect(0, status) || readPathSelect(1, status); }

void RefClockPrimitive::writePathSelect(uint32_t path, tStatus& status) {
  if (status.isFatal()) return;
  auto& pll = refCpld_.PllHmc703;
  const uint32_t old = pll.getValue();
  const uint32_t own = selectBit(path);
  const uint32_t other = selectBit(path == 0 ? 1 : 0);
  pll.setValue((old & ~other) | own, status);
  pll.flush(status, true);
  // The shadow keeps the other path's selection; when it differs from what
  // was written the register is dirty again.
  arm::records::store<uint32_t>(pll, (pll.getValue() & ~other) | (old & other));
}

void RefClockPrimitive::selectReferencePath(uint32_t path, tStatus& status) {
  if (status.isFatal()) return;
  if (snooping_ != 0) {
    // The snooping accessor turns the write into a list instruction.
    writePathSelect(path, status);
    return;
  }
  const bool wasSelected = anySelected(status);
  writePathSelect(path, status);
  const bool selected = readPathSelect(path, status);
  if (!wasSelected && selected) alignReferenceOutput(status);
}

void RefClockPrimitive::resetToDefaults(tStatus& status) {
  if (status.isFatal()) return;
  selectReferencePath(0, status);
  selectReferencePath(1, status);
  initializeHardware(status);
}

bool RefClockPrimitive::applySource(uint32_t path, bool checkPath, tStatus& status) {
  if (status.isFatal()) return true;
  // Nothing is read, written or waited for while a commit is recorded.
  if (snooping_ != 0) return false;
  const bool noneSelected = !anySelected(status);

  if (requested_.onboardRefClkDac != kKeepOscillatorDac) {
    assignAndWrite(refCpld_.OcxoCtrlDac, kDacControlMask | kDacValueMask,
                   kDacRunning | ((requested_.onboardRefClkDac & 0xFFFu) << 4), status);
  }

  if (requested_.refClock >= sizeof(kSourceCodes) / sizeof(kSourceCodes[0])) {
    status.setCode(nVLAPALS100::kStatusNotSupported,
                   VL_SITE_AT(refclk_sites::kRefClockPrimitive, refclk_sites::kUnknownSourceLine));
    return true;
  }
  assign(refCpld_.ClkPath, kSourceMask, kSourceCodes[requested_.refClock], status);
  if (requested_.refClock == 1) {
    programCdce18005ForPxie(status);
  } else {
    programCdce18005ForLocal(status);
  }

  const bool sourceChanged = refCpld_.ClkPath.isDirty();
  const bool pllChanged = programHmc703(requested_, status);
  // Unchanged, they are written only when a list run may have rewritten
  // them; that is no change of source and needs no settling.
  refCpld_.ClkPath.flush(status, false);
  hmc703_.ReferenceDivisorReg.flush(status, false);
  if (sourceChanged) refclk_waits::sleepFor(kSourceSettleMs);
  if (status.isFatal()) return true;

  tStatus lock;
  refclk_waits::pollUntilSet(refCpld_.PllHmc703, kPllLocked, kLockFirstSleepUs, kLockLongestSleepUs, kLockTimeoutUs,
                             static_cast<int32_t>(kStatusPllLockTimeout), lock);
  // A commit fails on a PLL that does not lock; power-up goes on without it.
  if (checkPath) status.merge(lock);
  finishSource(path, checkPath, noneSelected, sourceChanged, pllChanged, status);
  return true;
}

void RefClockPrimitive::finishSource(uint32_t path, bool checkPath, bool noneSelected, bool sourceChanged,
                                     bool pllChanged, tStatus& status) {
  const uint32_t other = path == 0 ? 1 : 0;
  writePathSelect(path, status);
  const bool selected = readPathSelect(path, status);
  if (checkPath && !selected) {
    status.setCode(kStatusReferencePathNotSelected,
                   VL_SITE_AT(refclk_sites::kRefClockPrimitive, refclk_sites::kPathNotSelectedLine));
  }
  if (selected) {
    if (noneSelected) {
      applyReferenceOutput(status);
      alignReferenceOutput(status);
      return;
    }
    writePathSelect(other, status);
  }
  const bool outputChanged = applyReferenceOutput(status);
  if (sourceChanged || noneSelected || pllChanged || outputChanged) alignReferenceOutput(status);
}

uint32_t RefClockPrimitive::queryLockStatus(uint32_t path, vl9738settings::RefClockLockReport& report,
                                            tStatus& status) {
  if (status.isFatal()) return 1;
  StatusRegisterCheck::StatusRegisterCheckWithRedirection* check = path != 0 ? acquisitionCheck_ : generationCheck_;
  if (check == nullptr) {
    // Without a list-mode check of the path the query is direct: the select
    // bit answers and no list engine can have flagged the path.
    const bool selected = readPathSelect(path, status);
    report = vl9738settings::RefClockLockReport{};
    return selected ? 0 : 1;
  }
  auto& pll = refCpld_.PllHmc703;
  const StatusRegisterCheck::CheckOutcome outcome = StatusRegisterCheck::evaluateCheck(
      *check, selectBit(path), true, pll.getValue(),
      [&](tStatus& s) -> uint64_t { return readPathSelect(path, s) ? selectBit(path) : 0; }, status);
  // A recorded query becomes the list's lock wait; it has nothing to report.
  if (!check->isDirect()) return 0;
  report = vl9738settings::RefClockLockReport{static_cast<uint8_t>(outcome.failedInList ? 1 : 0), outcome.info0,
                                              outcome.info1};
  return outcome.problem() ? 1 : 0;
}

}  // namespace nVL9738K_24_0
