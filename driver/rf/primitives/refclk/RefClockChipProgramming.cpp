// The register-level programming of the reference-clock path: power-up,
// the HMC703 PLL, the CDCE18005's output 0, the reference output through
// the AD9512's divider 4 and the Ref CPLD, and the alignment of that
// output in the FPGA. HMC703 words carry the chip's register in bits 1-24.
#include "../../../platform/status/StatusSite.h"
#include "RefClockPrimitive.h"
#include "RefClockStatus.h"
#include "RefClockWaits.h"
#include "RegisterSteps.h"

namespace nVL9738K_24_0 {

using namespace refclk_steps;

namespace {

// Chip data bits 0-23 in word bits 1-24.
constexpr uint32_t kChipBits = 0x1FFFFFEu;
constexpr uint32_t chipField(unsigned lowWordBit, unsigned width) { return ((1u << width) - 1u) << lowWordBit; }

// The chip id the HMC703 shows in bits 1-24 once it is powered and out of
// reset, and how often it is reset again before the board is given up.
constexpr uint32_t kHmc703ChipId = 0x97370;
constexpr unsigned kChipIdRetries = 4;
constexpr uint32_t kSeedWord = 0xCA8642u;
constexpr uint32_t kAnalogEnableWord = 0x2DFFEu;

// Settling times of the power-up, and of the PLL after its registers changed.
constexpr uint32_t kOscillatorPowerMs = 10;
constexpr uint32_t kPllResetMs = 20;
constexpr uint32_t kPllPowerMs = 250;
constexpr uint32_t kPllProgramMs = 50;

// PllHmc703 bit 0 powers the PLL, bit 2 releases its reset.
constexpr uint32_t kPllPower = 1u << 0;
constexpr uint32_t kPllRun = 1u << 2;

// The CDCE18005 output-control fields.
constexpr uint32_t kOutMuxSelect = 0x3u << 8;
constexpr uint32_t kOutputDividerEnabled = 1u << 24;
constexpr uint32_t kPosOutputCmosMode = 0x3u << 26;
constexpr uint32_t kNegOutputCmosMode = 0x3u << 28;
constexpr uint32_t kOutputType = 0x3u << 30;

// The FPGA's reference-output alignment: bits 0-2 the source, bit 31
// starts an alignment, bit 8 takes its result.
constexpr uint32_t kAlignSourceMask = 0x7;
constexpr uint32_t kAlignStart = 1u << 31;
constexpr uint32_t kAlignTake = 1u << 8;
constexpr uint64_t kAlignTimeoutUs = 50000;
constexpr uint64_t kAlignSleepUs = 10000;

}  // namespace

bool RefClockPrimitive::programHmc703(const tSettings& s, tStatus& status) {
  auto& pll = hmc703_;
  const bool seedMode1 = s.seedMode == 1;
  bool wrote = false;
  wrote |= assignAndWrite(pll.ReferenceDivisorReg, chipField(1, 14), uint32_t{s.referenceDivisor} << 1, status);
  wrote |= assignAndWrite(pll.SeedReg, kChipBits, kSeedWord, status);
  wrote |= assignAndWrite(
      pll.SeedConfigReg, chipField(1, 13),
      (0x7u << 11) | bitIf(seedMode1, 10) | (1u << 9) | ((s.seedMode & 0x7u) << 6) | (0xFu << 2) | bitIf(seedMode1, 1),
      status);
  wrote |= assignAndWrite(pll.LockDetectReg, (0x3u << 21) | (0x3u << 15) | (1u << 12) | chipField(1, 11),
                          (0x3u << 21) | bitIf(s.cycleSlipPreventionEn != 0, 16) | bitIf(!seedMode1, 15) | (1u << 12) |
                              (0x0Cu << 4) | ((s.lockDetectWindow & 0x7u) << 1),
                          status);
  wrote |= assignAndWrite(pll.AnalogEnableReg, chipField(1, 17), kAnalogEnableWord, status);
  wrote |= assignAndWrite(pll.ChargePumpReg, kChipBits,
                          bitIf(s.hiKChargePumpMode != 0, 24) | bitIf(s.offsetCurrentSinkEnable != 0, 23) |
                              bitIf(s.offsetCurrentSourceEnable != 0, 22) | ((s.offsetCurrent & 0x7Fu) << 15) |
                              ((s.chargePumpUpGain & 0x7Fu) << 8) | ((s.chargePumpDnGain & 0x7Fu) << 1),
                          status);
  wrote |= assignAndWrite(pll.PhaseFreqDetectReg, (0xFu << 14) | (0x3u << 6) | chipField(1, 3),
                          bitIf(!seedMode1, 16) | (0x3u << 14) | (0x3u << 6) | (1u << 1), status);
  wrote |= assignAndWrite(pll.AlternateFractionalReg, kChipBits, s.alternateFractional << 1, status);
  wrote |= assignAndWrite(pll.FrequencyIntegerReg, chipField(1, 16), uint32_t{s.frequencyInteger} << 1, status);
  // The fractional word makes the chip take the new frequency, so it comes last.
  wrote |= assignAndWrite(pll.FrequencyFractionalReg, kChipBits, s.frequencyFractional << 1, status);
  if (wrote) refclk_waits::sleepFor(kPllProgramMs);
  return wrote;
}

void RefClockPrimitive::programCdce18005ForPxie(tStatus& status) {
  assignAndWrite(clockBuffer_.DividerNControl0,
                 kOutMuxSelect | kOutputDividerEnabled | kPosOutputCmosMode | kNegOutputCmosMode | kOutputType,
                 kOutputDividerEnabled | (2u << 30), status);
}

void RefClockPrimitive::programCdce18005ForLocal(tStatus& status) {
  assignAndWrite(clockBuffer_.DividerNControl0,
                 kOutputDividerEnabled | kPosOutputCmosMode | kNegOutputCmosMode | kOutputType,
                 (2u << 26) | (2u << 28) | (1u << 30), status);
}

bool RefClockPrimitive::applyReferenceOutput(tStatus& status) {
  if (status.isFatal()) return false;
  auto& divider = ad9512_.Divider2Out4;
  assign(divider, 1u << 7, bitIf(requested_.bypassRefOutDivider != 0, 7), status);
  // A divider a list run may have rewritten goes out again with its
  // strobe, but is no change of output.
  const bool changed = divider.isDirty();
  if (changed || divider.runMayOverwrite != 0) {
    divider.flush(status, false);
    // The AD9512 takes over its settings only on the update strobe.
    assign(ad9512_.UpdateRegs, 1u, 1u, status);
    ad9512_.UpdateRegs.flush(status, true);
  }
  bool wrote = changed;
  wrote |= assignAndWrite(refCpld_.RefOut, 0x3u, requested_.refOut == 1 ? 0x3u : 0u, status);
  return wrote;
}

void RefClockPrimitive::alignReferenceOutput(tStatus& status) {
  if (status.isFatal()) return;
  const tSettings& s = requested_;
  const bool pllAtDefault = s.seedMode == 1 && s.alternateFractional == 0 && s.frequencyInteger == 20 &&
                            (s.referenceDivisor == 2 || s.referenceDivisor == 20);
  const bool externalSource = s.refClock == 1 || s.refClock == 2;
  if (!pllAtDefault || !externalSource || s.refOut != 1) return;
  const bool refIn = s.refClock == 2;
  auto& alignment = boardControl_.RefOutAlignment;
  // Bit 31 cleared itself after the previous write, so this always writes.
  assign(alignment, kAlignSourceMask | kAlignStart, (refIn ? 4u : 2u) | kAlignStart, status);
  alignment.flush(status, false);
  refclk_waits::pollUntilSet(boardControl_.RefOutAlignmentStatus, refIn ? kRefInAlignedMask : kPxieAlignedMask,
                             kAlignSleepUs, kAlignSleepUs, kAlignTimeoutUs,
                             static_cast<int32_t>(kStatusRefOutAlignmentTimeout), status);
  if (status.isFatal()) return;
  assign(alignment, kAlignTake, kAlignTake, status);
  alignment.flush(status, false);
}

bool RefClockPrimitive::checkChipId(tStatus& status) {
  const uint32_t word = hmc703_.ChipId.readRegister(status);
  return ((word >> 1) & 0xFFFFFFu) == kHmc703ChipId;
}

void RefClockPrimitive::initializeHardware(tStatus& status) {
  if (status.isFatal()) return;
  auto& cpld = refCpld_;
  assignAndWrite(cpld.OcxoPower, 1u, 1u, status);
  assignAndWrite(cpld.OcxoCtrlDac, 0xFu | (0x7u << 19), 0x1u | (5u << 19), status);
  refclk_waits::sleepFor(kOscillatorPowerMs);
  assignAndWrite(cpld.OcxoCtrlDac, 0x7u << 19, 7u << 19, status);
  assignAndWrite(cpld.PllHmc703, kPllPower | kPllRun, kPllPower | kPllRun, status);
  refclk_waits::sleepFor(kPllPowerMs);

  bool answered = checkChipId(status);
  for (unsigned retry = 0; !answered && retry < kChipIdRetries; ++retry) {
    assignAndWrite(cpld.PllHmc703, kPllRun, 0, status);
    refclk_waits::sleepFor(kPllResetMs);
    assignAndWrite(cpld.PllHmc703, kPllRun, kPllRun, status);
    refclk_waits::sleepFor(kPllPowerMs);
    answered = checkChipId(status);
  }
  if (!answered) {
    status.setCode(kStatusBoardCheckFailed, VL_SITE_AT(refclk_sites::kRefClockPrimitive, refclk_sites::kChipIdLine));
  }

  assignAndWrite(ad9512_.ConfigClk1Clk2, 0x5u, 0x5u, status);
  assignAndWrite(ad9512_.ConfigOut4, 1u << 3, 1u << 3, status);
  assignAndWrite(ad9512_.DividerOut4, 0xFFu, 0x44u, status);
  assignAndWrite(ad9512_.FunctionPin, 0x3u << 5, 1u << 5, status);
  assignAndWrite(ad9512_.UpdateRegs, 1u, 1u, status);

  // A soft reset, then every PLL register is written from the defaults.
  hmc703_.markDirtyRegMap();
  assignAndWrite(hmc703_.ResetStrobeReg, 1u << 6, 1u << 6, status);
  assignAndWrite(hmc703_.ResetReg, 0xFFAu, 0xFFAu, status);

  assignAndWrite(clockBuffer_.DividerNControl4,
                 kOutMuxSelect | kOutputDividerEnabled | kPosOutputCmosMode | kNegOutputCmosMode | kOutputType,
                 (2u << 8) | kOutputDividerEnabled | (3u << 30), status);

  programHmc703(defaultSettings_, status);
  if (status.isNotFatal()) requested_ = defaultSettings_;
  applySource(0, false, status);
  writePathSelect(1, status);
}

}  // namespace nVL9738K_24_0
