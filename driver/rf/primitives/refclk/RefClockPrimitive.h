// The board's reference-clock path: the choice of reference source (the
// onboard oven-controlled oscillator, the PXI Express 100 MHz clock or REF
// IN), the HMC703 PLL that locks to it, the AD9512 distributor and the
// CDCE18005 buffer that pass it on, the reference output and the two
// per-path select bits in the Ref CPLD. Resource ids 1 and 2 are paths 0
// and 1 of this one object.
//
// There is no applied copy of the settings: the register shadows are the
// applied state, so a register is written only when its shadow changes or
// it is still dirty.
//
// While a list-mode commit is being recorded (between the snooping
// notifications) the primitive issues no hardware access of its own: a
// commit is then only recorded, and says so, so that its caller does not
// take the settings as programmed.
#ifndef VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_PRIMITIVE_H

#include <stdint.h>

#include "../../../platform/status/tStatus.h"
#include "../../settings/RefClockSettings.h"
#include "../../wire/RefClockLockReport.h"
#include "driver/listmode/iListSnoopingListener.h"
#include "driver/listmode/snooping/StatusRegisterCheckWithRedirection.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "driver/regmaps/board/tBoardControl.h"
#include "driver/regmaps/board/tTICDCE18005RegMap.h"

namespace nVL9738K_24_0 {

class ListModeRegisterReadResources;

class RefClockPrimitive : public listmodek::iListSnoopingListener {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tSettings = vl9738settings::RefClockSettings;

  // Select bits of the two paths and the PLL's lock indicator in PllHmc703.
  static constexpr uint32_t kPath0Select = 1u << 8;
  static constexpr uint32_t kPath1Select = 1u << 16;
  static constexpr uint32_t kPllLocked = 1u << 9;
  // Status bits the FPGA sets once the reference output is aligned.
  static constexpr uint32_t kRefInAlignedMask = 0xE00;
  static constexpr uint32_t kPxieAlignedMask = 0xA00;
  // An oscillator DAC value that leaves the oscillator's tuning alone.
  static constexpr uint16_t kKeepOscillatorDac = 0xFFFF;

  RefClockPrimitive(nVl9738RefCpld::tVl9738RefCpld& refCpld, nBoardControl::tBoardControl& boardControl,
                    nKMR4::tTICDCE18005RegMap& clockBuffer, tStatus& status);
  // Takes one status-register check from the generation pool (path 0) and
  // then one from the acquisition pool (path 1), for recorded lock waits;
  // gives them back when destroyed.
  RefClockPrimitive(nVl9738RefCpld::tVl9738RefCpld& refCpld, nBoardControl::tBoardControl& boardControl,
                    nKMR4::tTICDCE18005RegMap& clockBuffer, ListModeRegisterReadResources* readResources,
                    tStatus& status);
  ~RefClockPrimitive() override;
  RefClockPrimitive(const RefClockPrimitive&) = delete;
  RefClockPrimitive& operator=(const RefClockPrimitive&) = delete;

  // Bracket a recorded list-mode commit; the inserter is not kept.
  void onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, tStatus& status) override;
  void onStopCommitSnooping(tStatus& status) override;

  void setRequested(const tSettings& settings, tStatus& status);
  // Programs `requested` and selects the path. Returns false when the
  // commit was only recorded into a list (nothing reached the hardware),
  // true otherwise; either way failures are in the status.
  bool commit(uint32_t path, tStatus& status);
  bool applySource(uint32_t path, bool checkPath, tStatus& status);
  void selectReferencePath(uint32_t path, tStatus& status);
  void resetToDefaults(tStatus& status);
  // 0 when the path is selected and no list-mode check of it failed, else 1.
  uint32_t queryLockStatus(uint32_t path, vl9738settings::RefClockLockReport& report, tStatus& status);
  bool readPathSelect(uint32_t path, tStatus& status);
  // Every hardware write carries this path's select bit alone; the shadow
  // keeps the other path's bit as it was.
  void writePathSelect(uint32_t path, tStatus& status);

  // Chip programming and the power-up of the path.
  void initializeHardware(tStatus& status);
  bool programHmc703(const tSettings& settings, tStatus& status);
  void programCdce18005ForPxie(tStatus& status);
  void programCdce18005ForLocal(tStatus& status);
  bool applyReferenceOutput(tStatus& status);
  void alignReferenceOutput(tStatus& status);

  const tSettings& getRequested() const { return requested_; }
  const tSettings& getDefaultSettings() const { return defaultSettings_; }
  bool isSnooping() const { return snooping_ != 0; }

 private:
  static uint32_t selectBit(uint32_t path) { return path != 0 ? kPath1Select : kPath0Select; }
  // Whether either path is selected, by fresh reads of PllHmc703.
  bool anySelected(tStatus& status);
  // The end of a source change: select the path and bring the output up.
  void finishSource(uint32_t path, bool checkPath, bool noneSelected, bool sourceChanged, bool pllChanged,
                    tStatus& status);
  bool checkChipId(tStatus& status);

  nVl9738RefCpld::tVl9738RefCpld& refCpld_;
  nAd9512RegMap::tAd9512RegMap& ad9512_;
  nHmc703RegMap::tHmc703RegMap& hmc703_;
  nBoardControl::tBoardControl& boardControl_;
  nKMR4::tTICDCE18005RegMap& clockBuffer_;
  const tSettings defaultSettings_;
  tSettings requested_;
  ListModeRegisterReadResources* readResources_ = nullptr;
  StatusRegisterCheck::StatusRegisterCheckWithRedirection* generationCheck_ = nullptr;
  StatusRegisterCheck::StatusRegisterCheckWithRedirection* acquisitionCheck_ = nullptr;
  uint8_t snooping_ = 0;
};

}  // namespace nVL9738K_24_0

#endif
