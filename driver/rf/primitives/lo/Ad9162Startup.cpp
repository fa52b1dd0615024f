#include "Ad9162Startup.h"

#include "LoStatus.h"
#include "RegisterSteps.h"
#include "driver/platform/poller/Poller.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
using steps::setBits;
using steps::write;

// The private start-up engine needs up to a few milliseconds after it is
// started; it is polled with a sleeping wait that starts short.
constexpr uint64_t kHandshakeTimeoutUs = 3000;
constexpr uint64_t kHandshakeFirstWaitUs = 100;
constexpr uint64_t kHandshakeLongestWaitUs = 800;
constexpr uint32_t kHandshakeDone = 1u << 1;

constexpr uint32_t bits() { return 0; }
template <typename... tRest>
constexpr uint32_t bits(unsigned bit, tRest... rest) {
  return (1u << bit) | bits(rest...);
}

// Sets the bits of `ones`, clears those of `zeros`, then writes the
// register when that changed it or it is still dirty.
template <typename tRegister>
void writeBits(tRegister& reg, uint32_t ones, uint32_t zeros, tStatus& status) {
  steps::setMasked(reg, ones | zeros, ones, status);
  reg.flush(status, false);
}

void awaitHandshake(nShared::nAd9162RegMap::tAd9162RegMap::tPrivateInit_604& reg, tStatus& status) {
  const atut::PreciseSleepingPoller poller(kHandshakeFirstWaitUs, kHandshakeLongestWaitUs, kStatusDacStartUpFailed);
  poller.poll(
      reg, [](auto& r, tStatus& s) { return r.readRegister(s); }, kHandshakeDone, kHandshakeDone, kHandshakeTimeoutUs,
      true, atut::PreciseSleepingPoller::kConditionAllMaskBitsSet, status);
}

}  // namespace

void initializeDac(nShared::nAd9162RegMap::tAd9162RegMap& dac, tStatus& status) {
  if (status.isFatal()) return;
  writeBits(dac.SpiInitConfigA, bits(4, 3), bits(7, 6, 5, 2, 1, 0), status);
  // The private register is written twice: the chip takes the first value
  // as a command and the second as its resting value.
  write(dac.PrivateInit_0D2, 7, 0, 0x52, status);
  write(dac.PrivateInit_0D2, 7, 0, 0xD2, status);
  write(dac.PrivateInit_606, 7, 0, 0x02, status);
  write(dac.PrivateInit_607, 7, 0, 0x00, status);
  writeBits(dac.PrivateInit_604, bits(0), bits(), status);
  if (status.isNotFatal()) awaitHandshake(dac.PrivateInit_604, status);
  write(dac.PrivateInit_058, 7, 0, 0x03, status);
  writeBits(dac.DllPD, bits(4, 3, 2, 1), bits(0), status);
  writeBits(dac.ClockPowerDownReg, bits(), bits(0), status);
  writeBits(dac.AnalogDacBiasPD, bits(), bits(6, 1), status);
  write(dac.PrivateInit_09E, 7, 0, 0x85, status);
  setBits(dac.DllCtrl, 7, 5, 7, status);
  setBits(dac.DllCtrl, 4, 3, 2, status);
  setBits(dac.DllCtrl, 2, 1, 0, status);
  writeBits(dac.DllCtrl, bits(0), bits(), status);
  write(dac.PrivateInit_0E8, 7, 0, 0x20, status);
  writeBits(dac.TempSenseCtrl, bits(0, 7), bits(), status);
  setBits(dac.InterpModeReg, 7, 4, 8, status);
  write(dac.InterpModeReg, 3, 0, 0, status);
  writeBits(dac.DatapathCfg, bits(6, 2, 0), bits(7, 4, 1), status);
  writeBits(dac.DigTestReg, bits(1), bits(), status);
  write(dac.ClockPhaseTuneReg, 5, 0, 0x1F, status);
  setBits(dac.PllRefClockPD, 5, 4, 0, status);
  writeBits(dac.PllRefClockPD, bits(0), bits(), status);
  writeBits(dac.DecodeCtrlReg, bits(2), bits(), status);
  writeBits(dac.GenericPD, bits(1), bits(), status);
  writeBits(dac.FtwUpdate, bits(), bits(0), status);
}

}  // namespace nVL9738K_24_0
