#include "CpldAuxModel.h"

namespace sim {

CpldAuxModel::CpldAuxModel(RegisterFile& registers) : registers_(registers) {
  for (unsigned cpld = 0; cpld < kCount; ++cpld) {
    for (uint64_t offset : {kRevision, kOldestRevision, kSetup, kLiteSetup})
      registers_.split(kWindow[cpld] + offset, 4);
    const uint32_t* range = cpld == 0 ? kRefRange : kLoRange;
    setRevisionRange(cpld, range[0], range[1]);
    setReady(cpld, true);
  }
}

void CpldAuxModel::setReady(unsigned cpld, bool ready) {
  const uint64_t status = registers_.readable(kWindow[cpld] + kSetup, 4);
  registers_.setReadable(kWindow[cpld] + kSetup, 4, ready ? status | kReady : status & ~uint64_t{kReady});
}

unsigned CpldAuxModel::cpldAt(uint64_t offset) {
  for (unsigned cpld = 0; cpld < kCount; ++cpld) {
    if (offset >= kWindow[cpld] && offset < kWindow[cpld] + kWindowSize) return cpld;
  }
  return kCount;
}

bool CpldAuxModel::write(uint64_t offset, uint32_t value, bool& strobed) {
  const unsigned cpld = cpldAt(offset);
  if (cpld == kCount || offset != kWindow[cpld] + kSetup) return false;
  // The commands are over once taken: the CPLD holds the rest of the word.
  registers_.write(offset, 4, value & ~kSetupStrobes);
  strobed = (value & kLinkStrobe) != 0;
  if (strobed) ++strobes_[cpld];
  return true;
}

void CpldAuxModel::setRevisionRange(unsigned cpld, uint32_t oldest, uint32_t newest) {
  registers_.setReadable(kWindow[cpld] + kOldestRevision, 4, oldest);
  registers_.setReadable(kWindow[cpld] + kRevision, 4, newest);
}

}  // namespace sim
