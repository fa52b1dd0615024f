#include "PowerRegulation.h"

namespace qrtifwprim {

namespace {
constexpr bool kAlways = true;
}

PowerRegulation::PowerRegulation(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                                 tStatus& status)
    : target_(target, context, true), map_(&target_, 0, 0, 0xFFFFFFFF) {
  if (status.isFatal()) return;
  context->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, status);
}

void PowerRegulation::enable(bool on, tStatus& status) {
  if (!on) map_.Register1.writeWord(0, status, kAlways);
  map_.Register2.writeEnable(on, status, kAlways);
}

void PowerRegulation::setControlWord(uint32_t value, tStatus& status) {
  map_.Register2.writeWord0(value, status, kAlways);
}

void PowerRegulation::setControlByte(uint8_t value, tStatus& status) {
  map_.Register2.writeByte5(value, status, kAlways);
}

void PowerRegulation::setValue(uint32_t value, tStatus& status) { map_.Register3.writeWord(value, status, kAlways); }

uint64_t PowerRegulation::readValue(tStatus& status) { return map_.Register6.readRegister(status); }

}  // namespace qrtifwprim
