// One DMA channel of the bridge: its register block in BAR 0 and the engine
// behind it. Started with the bus address and size of a first link page, it
// walks the chain in host memory as the hardware does (address descriptors
// move bytes, register-write descriptors write a bridge register, headers
// lead to the next link; a ring is walked round and round), moving bytes
// between host memory and the device-side FIFO at its other end. Tests are
// that other end: they feed the FIFO of a channel that writes host memory
// and drain the FIFO of one that reads it.
//
// The engine moves as much as the FIFO allows at the moment a register is
// written or the FIFO is fed or drained, and stalls where it must wait.
// It keeps the 64-bit bytes-transferred register in BAR memory, raises
// status bits (link ready, stop, end of chain, byte count, error) and
// posts the enabled ones as a status word to the interrupt logic.
#ifndef VL9738K_SIM_BOARD_DMA_CHANNEL_H
#define VL9738K_SIM_BOARD_DMA_CHANNEL_H

#include <cstdint>
#include <deque>
#include <vector>

#include "Bar.h"
#include "InterruptController.h"
#include "RegisterFile.h"

namespace sim {

class DmaChannel : public RegisterBlock {
 public:
  enum class Direction { HostToDevice, DeviceToHost };

  // Channel register block.
  static constexpr uint64_t kLinkAddress = 0x48;  // 64-bit
  static constexpr uint64_t kLinkSize = 0x50;
  static constexpr uint64_t kControl = 0x54;           // CHCR
  static constexpr uint64_t kOperation = 0x58;         // CHOR
  static constexpr uint64_t kStatus = 0x60;            // CHSR
  static constexpr uint64_t kCountThreshold = 0x90;    // 64-bit
  static constexpr uint64_t kBytesTransferred = 0xA0;  // 64-bit

  // CHCR: bit 0 resets the channel, bit 1 enables it; the interrupt enables
  // sit at the positions of the status bits they enable.
  static constexpr uint32_t kControlReset = 1u << 0;
  static constexpr uint32_t kControlEnable = 1u << 1;
  static constexpr uint32_t kInterruptEnableMask = 0x0F00B000;
  // CHOR commands, and its read side.
  static constexpr uint32_t kStart = 1;
  static constexpr uint32_t kStartVariant = 5;
  static constexpr uint32_t kStop = 2;
  static constexpr uint32_t kArmCount = 0x02000000;
  static constexpr uint32_t kStopped = 1u << 1;
  // CHSR bits.
  static constexpr uint32_t kLinkReady = 1u << 14;
  static constexpr uint32_t kStopEvent = 1u << 15;
  static constexpr uint32_t kCountReached = 1u << 25;
  static constexpr uint32_t kChainEnd = 1u << 26;
  static constexpr uint32_t kError = 1u << 27;

  // A register write the chain made the engine do.
  struct RegisterWrite {
    uint64_t offset;
    unsigned width;
    uint32_t value;
    bool operator==(const RegisterWrite&) const = default;
  };

  DmaChannel(Bar& bar0, uint32_t index, uint64_t offset, uint64_t size, InterruptController& interrupts);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The far end.
  void setDirection(Direction direction);
  Direction direction() const { return direction_; }
  // Host-to-device: how many bytes the FIFO holds before the channel waits.
  void setFifoCapacity(uint64_t bytes);
  // Device-to-host: bytes the device offers.
  void feed(const std::vector<uint8_t>& bytes);
  // Host-to-device: up to `max` bytes that arrived.
  std::vector<uint8_t> drain(uint64_t max = UINT64_MAX);
  uint64_t fifoLevel() const { return fifo_.size(); }

  // Highest bus address the channel may reach (a device limited to 32-bit
  // addressing); beyond it an access fails like one to absent memory.
  void setAddressLimit(uint64_t highest);

  // The device end's gate: the channel moves no byte beyond `bytes` counted
  // from its start (an FPGA FIFO's credits); UINT64_MAX lets it run free.
  void setMoveLimit(uint64_t bytes);
  // The device end finished the stream: a running channel stops (stop event).
  void endFromDevice();
  // Knobs: a channel that never reports its link ready (and moves nothing),
  // and host memory that fails every access (error bit 27).
  void setLinkNeverReady(bool never);
  void setHostMemoryError(bool failing);

  bool running() const { return running_; }
  uint32_t status() const { return status_; }
  uint64_t bytesTransferred() const { return bytes_; }
  uint64_t linksFetched() const { return linksFetched_; }
  std::vector<RegisterWrite> registerWrites() const { return registerWrites_; }
  uint64_t offset() const { return offset_; }

 private:
  void control(uint32_t value);
  void operation(uint32_t value);
  void resetChannel();
  void start();
  void stop(uint32_t event);
  void raise(uint32_t bits);
  void pump();
  bool fetchLink(uint64_t address, uint32_t size);
  bool followHeader();
  void applyRegisterWrite(uint32_t value, uint32_t control);
  bool moveBytes(uint64_t address, uint64_t count);
  bool reachable(uint64_t address, uint64_t size) const;
  void setBytes(uint64_t bytes);
  uint32_t word(size_t at) const;

  Bar& bar0_;
  uint32_t index_;
  uint64_t offset_;
  RegisterFile registers_;
  InterruptController& interrupts_;

  Direction direction_ = Direction::HostToDevice;
  uint64_t capacity_ = 0;
  std::deque<uint8_t> fifo_;
  uint64_t addressLimit_ = UINT64_MAX;
  uint64_t moveLimit_ = UINT64_MAX;
  bool linkNeverReady_ = false;
  bool hostMemoryError_ = false;

  bool running_ = false;
  bool pumping_ = false;
  uint32_t status_ = 0;
  uint64_t bytes_ = 0;
  bool countArmed_ = false;
  uint64_t countThreshold_ = 0;

  // Where the walk stands: the fetched link, the position in it and the
  // bytes of the current address descriptor already moved.
  uint64_t linkAddress_ = 0;
  std::vector<uint8_t> link_;
  size_t position_ = 0;
  uint64_t pieceDone_ = 0;
  uint64_t linksFetched_ = 0;
  std::vector<RegisterWrite> registerWrites_;
};

}  // namespace sim

#endif
