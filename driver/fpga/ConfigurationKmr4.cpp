#include "ConfigurationKmr4.h"

#include "HardwareFault.h"
#include "HardwareWait.h"

namespace vllym {

using nVLAPAL000::tTimeWasterSpin;
using nVLAPAL000::tTimeWasterYield;

ConfigurationKmr4::ConfigurationKmr4(kernel::IIoAccessor* accessor, tStatus& status) : accessor_(accessor) {
  waitForPosc(status);
  setControlBits(status);
}

uint32_t ConfigurationKmr4::commandWord(const tSelector& selector, uint32_t address, uint32_t operation) {
  return address << 24 | uint32_t{selector.bytes[0]} << 20 | uint32_t{selector.bytes[1]} << 8 |
         uint32_t{selector.bytes[2]} << 11 | uint32_t{selector.bytes[3]} << 14 | uint32_t{selector.bytes[4]} << 17 |
         operation;
}

void ConfigurationKmr4::writeConfig(const tSelector& selector, uint32_t address, uint32_t data, tStatus& status) {
  if (status.isFatal()) return;
  accessor_->write32(kData, data, status);
  accessor_->write32(kCommand, commandWord(selector, address, kOperationWrite), status);
}

uint32_t ConfigurationKmr4::readConfig(const tSelector& selector, uint32_t address, tStatus& status) {
  if (status.isFatal()) return 0;
  accessor_->write32(kCommand, commandWord(selector, address, kOperationRead), status);
  const uint32_t command = waitForValue<tTimeWasterSpin>(
      kPortBudgetMs, [&] { return accessor_->read32(kCommand, status); },
      [](uint32_t value) { return (value & kReadComplete) != 0; }, status);
  if ((command & kReadComplete) == 0 || status.isFatal()) {
    VL_HARDWARE_FAULT("timed out reading KMR4 config", status);
    return 0;
  }
  return accessor_->read32(kData, status);
}

void ConfigurationKmr4::waitForPortState(uint32_t wanted, const char* message, tStatus& status) {
  const uint32_t state = waitForValue<tTimeWasterSpin>(
      kPortBudgetMs, [&] { return readConfig(kIoPort2, kPortState, status); },
      [wanted](uint32_t value) { return (value & kPortStateMask) == wanted; }, status);
  if ((state & kPortStateMask) != wanted) VL_HARDWARE_FAULT(message, status);
}

void ConfigurationKmr4::disableIoPort2(tStatus& status) {
  if (status.isFatal()) return;
  writeConfig(kIoPort2, kPortState, 1, status);
  waitForPortState(kPortClosed, "timed out disabling IOPort 2", status);
}

void ConfigurationKmr4::enableIoPort2(tStatus& status) { enableIoPort2(1, true, true, 3, status); }

void ConfigurationKmr4::enableIoPort2(uint32_t mode, bool flag, bool replace, uint32_t value, tStatus& status) {
  if (status.isFatal()) return;
  writeConfig(kIoPort2, kPortState, (mode == 1 ? 4u : 0u) | (flag ? 2u : 0u), status);
  waitForPortState(kPortOpen, "timed out enabling IOPort2", status);
  // After a failure the accessor skips these, so the first error stays.
  const uint32_t low = replace ? 0 : accessor_->read32(kIoPortSetting, status) & ~uint32_t{0xF0};
  accessor_->write32(kIoPortSetting, value << 4 | low, status);
  accessor_->write32(kIoPortSelect, value << 20 | uint32_t{kIoPort2.bytes[1]} << 8, status);
}

void ConfigurationKmr4::setControlBits(tStatus& status) {
  if (status.isFatal()) return;
  // Around the core map on purpose: its shadow of this register is left as it was.
  const uint32_t value = accessor_->read32(kBridgeControl, status);
  accessor_->write32(kBridgeControl, value | kControlBits, status);
}

void ConfigurationKmr4::waitForPosc(tStatus& status) {
  if (status.isFatal()) return;
  // The core map calls this address a write-only control register; read,
  // it reports the POSC's progress.
  const uint32_t value = waitForValue<tTimeWasterYield>(
      kPoscBudgetMs, [&] { return accessor_->read32(kPoscStatus, status); },
      [](uint32_t read) { return (read & 3) == kPoscDone; }, status);
  if ((value & 3) != kPoscDone) VL_HARDWARE_FAULT("timed out waiting for the POSC to finish", status);
}

}  // namespace vllym
