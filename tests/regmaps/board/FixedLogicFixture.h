// A board with the fixed-logic accessor the board object builds (BAR 0 +
// 0xA0000, 128 KiB), on which the fixed-logic maps are built.
#ifndef VL9738K_TESTS_REGMAPS_BOARD_FIXED_LOGIC_FIXTURE_H
#define VL9738K_TESTS_REGMAPS_BOARD_FIXED_LOGIC_FIXTURE_H

#include <vector>

#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {

class FixedLogicOnBoard : public RegisterMapOnBoard {
 protected:
  static constexpr uint64_t kWindow = sim::FixedLogic::kBarOffset;

  // BAR 0 offset of a fixed-logic address.
  static uint64_t at(uint64_t fixedLogicOffset) { return kWindow + fixedLogicOffset; }

  sim::FixedLogic& model() { return board.fixedLogic(); }
  void answerRead(uint64_t offset, uint32_t word) override {
    model().registers().setReadable(offset - kWindow, 4, word);
  }

  // Fixed-logic offsets of the accesses of one kind, in order.
  std::vector<uint64_t> addresses(BusAccess::Kind kind) {
    std::vector<uint64_t> found;
    for (const BusAccess& access : board.bar0().traffic()) {
      if (access.kind == kind) found.push_back(access.offset - kWindow);
    }
    return found;
  }
  std::vector<uint64_t> writtenAddresses() { return addresses(BusAccess::Kind::Write); }
  // Where the blocks' own passes go, one block after the other.
  static std::vector<uint64_t> passes(const std::vector<arm::tRegisterMapEngine*>& blocks, bool flushing) {
    std::vector<uint64_t> found;
    for (const arm::tRegisterMapEngine* block : blocks) {
      const arm::tMapDescriptor& d = block->getDescriptor();
      const uint16_t* steps = flushing ? d.flushOrder : d.refreshOrder;
      for (uint16_t i = 0; i < (flushing ? d.flushStepCount : d.refreshStepCount); ++i) {
        found.push_back(block->getBase() + d.records[steps[i]].offset);
      }
    }
    return found;
  }
  std::vector<uint64_t> readAddresses() { return addresses(BusAccess::Kind::Read); }

  vllym::IoAccessorMappedPci fixedLogic{sim::FixedLogic::kSize, kBar0BusAddress + kWindow,
                                        board.bar0().mappedAddress() + kWindow, 0};
};

}  // namespace vltest

#endif
