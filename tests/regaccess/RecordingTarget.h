// Registers behind a register-instruction target, as an FPGA subsystem
// keeps them: every instruction is logged, failed ones too, and those to
// an address in `failures` fail with its code and change nothing.
#ifndef VL9738K_TESTS_REGACCESS_RECORDING_TARGET_H
#define VL9738K_TESTS_REGACCESS_RECORDING_TARGET_H

#include <map>
#include <vector>

#include "driver/platform/status/StatusSite.h"
#include "driver/regaccess/IRegisterInstructionTarget.h"

namespace vltest {

using nVLAPALS100::tStatus;

class RecordingTarget : public arm::IRegisterInstructionTarget {
 public:
  struct Instruction {
    bool write;
    unsigned bits;
    uint32_t address;
    uint64_t value;
    bool operator==(const Instruction&) const = default;
  };

  uint64_t read64(uint32_t address, tStatus& status) override { return read(address, 64, status); }
  uint32_t read32(uint32_t address, tStatus& status) override {
    return static_cast<uint32_t>(read(address, 32, status));
  }
  void write64(uint32_t address, uint64_t value, tStatus& status) override { write(address, 64, value, status); }
  void write32(uint32_t address, uint32_t value, tStatus& status) override { write(address, 32, value, status); }

  // The addresses the instructions reached, in order.
  std::vector<uint32_t> addresses() const {
    std::vector<uint32_t> reached;
    for (const Instruction& instruction : log) reached.push_back(instruction.address);
    return reached;
  }

  std::map<uint32_t, uint64_t> registers;
  std::map<uint32_t, int32_t> failures;
  std::vector<Instruction> log;

 private:
  uint64_t read(uint32_t address, unsigned bits, tStatus& status) {
    return logged({false, bits, address, 0}, status) ? registers[address] : 0;
  }
  void write(uint32_t address, unsigned bits, uint64_t value, tStatus& status) {
    if (logged({true, bits, address, value}, status)) registers[address] = value;
  }
  bool logged(const Instruction& instruction, tStatus& status) {
    log.push_back(instruction);
    const auto failure = failures.find(instruction.address);
    if (failure != failures.end()) status.setCode(failure->second, VL_SITE);
    return failure == failures.end();
  }
};

}  // namespace vltest

#endif
