#include "tWexelInterruptManager.h"

#include "WexelRegisters.h"

namespace nVLAPAL000 {

tWexelInterruptManager::tWexelInterruptManager(volatile uint8_t* bridge, bool messageSignalled)
    : bridge_(bridge), messageSignalled_(messageSignalled ? 1 : 0) {
  writeControl(kResetState);
}

tWexelInterruptManager::~tWexelInterruptManager() { writeControl(kDisableOutput); }

void tWexelInterruptManager::writeControl(uint32_t value) { wexel::write32(bridge_, kControl, value); }

uint32_t tWexelInterruptManager::readRegister(uint64_t offset) { return wexel::read32(bridge_, offset); }

void tWexelInterruptManager::deactivate() { writeControl(kDisableOutput); }

void tWexelInterruptManager::reactivate() { writeControl(kResetState); }

uint8_t tWexelInterruptManager::recognizeInterrupt() {
  if (messageSignalled_ != 0) return 1;
  const uint32_t status = readRegister(kStatus);
  if ((status & kPending) == 0 || status == kDeviceGone) return 0;
  writeControl(kDisableOutput);
  return 1;
}

uint32_t tWexelInterruptManager::controlWordFor(uint32_t mask) {
  if (mask == 0) return kResetState;
  uint32_t word = kEnableOutput;
  word |= (mask & (1u << 24)) != 0 ? 1u << 29 : 1u << 28;
  word |= (mask & (1u << 9)) != 0 ? 1u << 9 : 1u << 8;
  word |= (mask & (1u << 11)) != 0 ? 1u << 11 : 1u << 10;
  word |= (mask & (1u << 25)) != 0 ? 1u << 27 : 1u << 26;
  return word;
}

void tWexelInterruptManager::setInterruptEnables(uint32_t mask) { writeControl(controlWordFor(mask)); }

uint32_t tWexelInterruptManager::dequeueInterrupt() {
  const uint32_t word = readRegister(kQueue);
  return word == kDeviceGone ? 0 : word;
}

void tWexelInterruptManager::acknowledgeInterrupts() {
  if (messageSignalled_ == 0) writeControl(kEnableOutput);
}

}  // namespace nVLAPAL000
