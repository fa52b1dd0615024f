// The driver's side of the FPGA's register port: an instruction target
// that hands each instruction to the port block as up to four 32-bit words,
// waits for a free instruction slot and for completion, fetches the result
// and turns the port's error reports into status codes.
//
// A failure sticks: once an instruction has failed, every later read and
// write fails with the same code until flush resets the port. The port
// holds no lock; its callers serialise.
#ifndef VL9738K_REGPORT_REGISTERPORT_H
#define VL9738K_REGPORT_REGISTERPORT_H

#include <stdint.h>

#include "PCIRegisterAccessor.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regmaps/regport/tRegisterPortRegMap.h"

namespace vlregport {

class RegisterPort final : public vlifw::InstructionTarget {
 public:
  static constexpr uint32_t kSignature = 0x78759;
  static constexpr uint32_t kVersion = 1;
  static constexpr uint32_t kOldestCompatibleVersion = 1;
  static constexpr uint32_t kResetTimeoutMs = 1000;

  // Verifies the block and resets it; a port whose construction failed
  // stays not ready and answers every call with that failure.
  RegisterPort(PCIRegisterAccessor* accessor, nVLAPALS100::tStatus& status);
  ~RegisterPort() override;
  RegisterPort(const RegisterPort&) = delete;
  RegisterPort& operator=(const RegisterPort&) = delete;

  void read(const vlifw::ReadInstruction& instruction, uint64_t* value, nVLAPALS100::tStatus& status,
            uint32_t timeoutMs) override;
  void readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values, nVLAPALS100::tStatus& status,
                uint32_t timeoutMs) override;
  void write(const vlifw::WriteInstruction& instruction, bool wait, nVLAPALS100::tStatus& status,
             uint32_t timeoutMs) override;
  void writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait, nVLAPALS100::tStatus& status,
                 uint32_t timeoutMs) override;
  // Resets the port and forgets the sticky failure; a port that never
  // became ready only reports why.
  void flush(nVLAPALS100::tStatus& status) override;

  bool isReady() const { return notReady_ == 0; }
  uint32_t getFreeSlots() const { return freeSlots_; }
  int64_t getStickyCode() const { return sticky_.getCode(); }
  const vlregport_regmap::tRegisterPortRegMap& getRegisterMap() const { return map_; }

 private:
  // An instruction cut into the pieces the four port words carry.
  struct tEncodedInstruction {
    uint8_t subsystemLow;
    uint8_t subsystemHigh;
    uint8_t address[4];  // bits 0-7, 8-15, 16-23, 24-31
    uint16_t data[4];    // bits 0-15, 16-31, 32-47, 48-63
    uint8_t isRead;
    uint8_t reportCompletion;
  };
  static_assert(sizeof(tEncodedInstruction) == 16, "the encoded instruction is 16 bytes");

  static tEncodedInstruction encode(uint32_t subsystem, uint64_t address, uint64_t data, bool isRead,
                                    bool reportCompletion);

  void verify(nVLAPALS100::tStatus& status);
  void reset(nVLAPALS100::tStatus& status);
  void waitForSlot(uint32_t timeoutMs, nVLAPALS100::tStatus& status);
  void issue(const tEncodedInstruction& instruction, uint32_t timeoutMs, nVLAPALS100::tStatus& status);
  // True when the time ran out before the port reported completion or an
  // error; `wide` tells whether the result has 64 bits.
  bool waitForCompletion(uint32_t timeoutMs, bool& wide, nVLAPALS100::tStatus& status);
  void reportInstructionError(bool wide, nVLAPALS100::tStatus& status);
  uint64_t fetchReadData(bool wide, nVLAPALS100::tStatus& status);
  void readOne(const vlifw::ReadInstruction& instruction, uint64_t* value, nVLAPALS100::tStatus& status,
               uint32_t timeoutMs);
  void writeOne(const vlifw::WriteInstruction& instruction, bool wait, nVLAPALS100::tStatus& status,
                uint32_t timeoutMs);

  vlregport_regmap::tRegisterPortRegMap map_;
  // Instructions the port can still take, as last read from it and counted
  // down since; read again only when it reaches 0.
  uint32_t freeSlots_;
  nVLAPALS100::tStatus sticky_;
  uint8_t notReady_;
};

}  // namespace vlregport

#endif
