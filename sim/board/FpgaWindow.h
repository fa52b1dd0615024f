// The FPGA's register window in BAR 0 (0x80000, 128 KiB) as far as the
// driver's interrupt and DMA code reaches it: the IRQ block and the DMA
// FIFO control blocks, each placed at the offset its test (the FPGA
// personality) gives. Everything else is plain memory.
//
// IRQ block (base + 0 enable, + 8 mask, + 12 level status, write 1 to
// clear): while enabled, a line that becomes pending under the mask, an
// enable, or a mask rewritten while a masked line is pending raises the
// bridge's IRQ source (status bit 9). Lines stay pending until cleared.
//
// FIFO control block (+0 command, +4 status, +8 byte count): it gates its
// DMA channel by byte-count credits (bytes the FPGA may move since its
// last reset), or not at all in whole-buffer mode (command 0x400, ended by
// 0x200). Command 4 disables (status bit 1), 1 resets (status bit 0, and
// for a device-to-host FIFO ends the channel, as the FPGA's end of stream
// does), 2 enables. Knobs keep the FPGA from disabling or resetting.
//
// All state is guarded by the bridge model's lock.
#ifndef VL9738K_SIM_BOARD_FPGA_WINDOW_H
#define VL9738K_SIM_BOARD_FPGA_WINDOW_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Bar.h"
#include "Bridge.h"
#include "RegisterFile.h"

namespace sim {

class FpgaWindow : public RegisterBlock {
 public:
  static constexpr uint64_t kBarOffset = 0x80000;
  static constexpr uint64_t kSize = 0x20000;
  // IRQ block.
  static constexpr uint64_t kIrqEnable = 0;
  static constexpr uint64_t kIrqMask = 8;
  static constexpr uint64_t kIrqStatus = 12;
  // FIFO control block.
  static constexpr uint64_t kFifoCommand = 0;
  static constexpr uint64_t kFifoStatus = 4;
  static constexpr uint64_t kFifoByteCount = 8;
  static constexpr uint32_t kCommandReset = 1;
  static constexpr uint32_t kCommandEnable = 2;
  static constexpr uint32_t kCommandDisable = 4;
  static constexpr uint32_t kCommandFlush = 0x10;
  static constexpr uint32_t kCommandCounted = 0x200;
  static constexpr uint32_t kCommandWholeBuffer = 0x400;
  static constexpr uint32_t kStatusResetDone = 1u << 0;
  static constexpr uint32_t kStatusDisabled = 1u << 1;

  // Direction as the driver numbers it: 0 the device writes host memory,
  // 1 the device reads it.
  enum class FifoDirection { DeviceToHost = 0, HostToDevice = 1 };

  struct FifoState {
    uint32_t channel = 0;
    FifoDirection direction = FifoDirection::DeviceToHost;
    uint32_t status = kStatusResetDone | kStatusDisabled;
    bool enabled = false;
    bool wholeBuffer = false;
    uint64_t credits = 0;
    bool neverDisables = false;
    bool neverResets = false;
    std::vector<uint32_t> commands;
    std::vector<uint32_t> byteCounts;
  };

  FpgaWindow(Bar& bar0, Bridge& bridge);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The IRQ block at `base` (offset in the window).
  void placeIrqBlock(uint64_t base);
  // The FPGA drives IRQ lines (they stay pending until cleared).
  void raiseIrqs(uint32_t lines);
  uint32_t irqPending();
  uint32_t irqMask();
  bool irqEnabled();

  // A FIFO control block at `offset` feeding DMA channel `channel`; the
  // channel's far end takes the matching direction.
  void addFifo(uint64_t offset, uint32_t channel, FifoDirection direction);
  // A copy of the block's state (taken under the lock).
  FifoState fifo(uint64_t offset);
  void setFifoNeverDisables(uint64_t offset, bool never);
  void setFifoNeverResets(uint64_t offset, bool never);

  // A block of the personality answering 32-bit accesses at [offset,
  // offset + size) of the window, with window offsets; not owned. Called
  // under no lock of the block's own. A later block at the same offset
  // takes the place over; `detach` removes every place of a block.
  void attach(uint64_t offset, uint64_t size, RegisterBlock& block);
  void detach(RegisterBlock& block);

 private:
  void writeIrq(uint64_t reg, uint32_t value);
  void evaluateIrq(uint32_t candidates);
  void writeFifo(FifoState& fifo, uint64_t reg, uint32_t value);
  void gate(FifoState& fifo);

  Bar& bar0_;
  Bridge& bridge_;
  RegisterFile registers_;
  std::optional<uint64_t> irqBase_;
  bool irqEnabled_ = false;
  uint32_t irqMask_ = 0;
  uint32_t irqPending_ = 0;
  std::map<uint64_t, FifoState> fifos_;
  struct Attached {
    uint64_t offset;
    uint64_t size;
    RegisterBlock* block;
  };
  RegisterBlock* attachedAt(uint64_t offset, unsigned width);
  std::vector<Attached> attached_;
};

}  // namespace sim

#endif
