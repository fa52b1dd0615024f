// The board's NOR flash: a 16-bit-wide part with the JEDEC command set and
// uniform 64 KiB sectors, reached through the bridge's window 0. It holds,
// from address 0, the directory, the power-on self-configuration record and
// the capability list, then the calibration data and the partition store.
//
// Bus side (addresses are byte addresses of the part):
// - reads return the array, little-endian, while no operation runs;
// - program: 0xAA at 0xAAA, 0x55 at 0x554, 0xA0 at 0xAAA, then the data
//   word at its address; programming can only clear bits;
// - sector erase: 0xAA at 0xAAA, 0x55 at 0x554, 0x80 at 0xAAA, 0xAA at
//   0xAAA, 0x55 at 0x554, then 0x30 at an address in the sector;
// - 0xF0 anywhere returns to reading the array; any other sequence too;
// - while a program or erase runs (until its time has passed on the kernel
//   layer's clock), reads return status: bit 7 the complement of the data
//   bit 7 being programmed (0 while erasing), bit 6 toggling on each read.
// Command cycles are 16 bits wide; a 32-bit write is two cycles, the low
// half first, and an 8-bit write is a cycle with the byte in its lane and
// the other lane left high.
#ifndef VL9738K_SIM_BOARD_NOR_FLASH_H
#define VL9738K_SIM_BOARD_NOR_FLASH_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "ModelLock.h"
#include "RegisterBlock.h"

namespace sim {

class NorFlash : public RegisterBlock {
 public:
  static constexpr uint64_t kDefaultSize = 0x800000;
  static constexpr uint64_t kSectorSize = 0x10000;
  static constexpr uint16_t kErased = 0xFFFF;

  explicit NorFlash(uint64_t size = kDefaultSize);

  uint64_t size() const { return array_.size(); }
  uint64_t sectorCount() const { return size() / kSectorSize; }

  // The bus side. Nothing answers beyond the part: reads give all ones,
  // writes are dropped.
  uint32_t read(uint64_t address, unsigned width) override;
  void write(uint64_t address, unsigned width, uint32_t value) override;

  // Test and factory side: the array itself, without commands.
  void load(uint64_t address, const void* data, size_t length);
  void load32(uint64_t address, uint32_t value);
  std::vector<uint8_t> contents(uint64_t address, size_t length) const;
  uint32_t peek32(uint64_t address) const;
  void eraseAll();

  // How long an operation keeps the part busy (0: done at once).
  void setProgramTimeNs(uint64_t ns);
  void setEraseTimeNs(uint64_t ns);
  bool busy() const;

  // The nth program or erase from now (1 = the next) is torn by a power
  // loss: the torn word or sector holds a mix of old and new bits (a
  // program clears only some of the bits it should, an erase sets only
  // some), drawn from the tear seed. From then on the part takes no
  // command and only answers reads until power comes back (the board is
  // added again).
  void losePowerDuring(uint64_t nthOperation);
  void restorePower();
  bool powered() const;
  void setTearSeed(uint64_t seed);

  // Bits that never change: those of `mask` in the word at `address` read
  // as the same bits of `value`, whatever is programmed or erased.
  void setStuckBits(uint64_t address, uint16_t mask, uint16_t value);

  // One program or erase as the part performed it, for replaying a run
  // into the array without the bus.
  struct Operation {
    enum class Kind { Program, Erase };
    Kind kind;
    uint64_t address;
    uint16_t value;
  };
  void recordOperations(bool on);
  std::vector<Operation> recordedOperations() const;
  // Performs an operation on the array as the bus would (torn: as a power
  // loss would leave it, and the part unpowered).
  void apply(const Operation& operation, bool torn = false);

  // Keeps the array as it is now; restoreSnapshot() gives it back, copying
  // only the sectors changed since, and brings the power back.
  void takeSnapshot();
  void restoreSnapshot();

  uint64_t programs() const;
  uint64_t erases() const;
  uint64_t sectorErases(uint64_t sector) const;
  // Programs that asked to turn a 0 bit into a 1 (the part cannot).
  uint64_t failedBitSets() const;

 private:
  enum class State { Array, Unlocked1, Unlocked2, ProgramSetup, EraseSetup, EraseUnlocked1, EraseUnlocked2 };

  void cycle(uint64_t address, uint16_t value);
  void command(uint64_t address, uint16_t value);
  void program(uint64_t address, uint16_t value);
  void eraseSector(uint64_t address);
  void perform(const Operation& operation, bool torn);
  void applyStuckBits(uint64_t from, uint64_t length);
  void touch(uint64_t sector) { dirty_[sector] = true; }
  uint16_t tearMask();
  bool tornNow();
  void startBusy(uint64_t durationNs, uint16_t statusBit7);
  bool busyLocked() const;
  uint16_t readWord(uint64_t address);

  mutable ModelLock mutex_;
  std::vector<uint8_t> array_;
  State state_;
  uint64_t busyUntilNs_;
  uint16_t statusBit7_;
  uint16_t toggle_;
  uint64_t programTimeNs_;
  uint64_t eraseTimeNs_;
  uint64_t operationsUntilLoss_;
  bool powered_;
  uint64_t programs_;
  uint64_t failedBitSets_;
  std::vector<uint64_t> sectorErases_;
  uint64_t tearState_;
  std::map<uint64_t, std::pair<uint16_t, uint16_t>> stuck_;
  bool recording_;
  std::vector<Operation> recorded_;
  std::vector<uint8_t> snapshot_;
  std::vector<bool> dirty_;
};

}  // namespace sim

#endif
