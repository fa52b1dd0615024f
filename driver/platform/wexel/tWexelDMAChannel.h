// One DMA channel's register block in the bridge: reset, start with the
// first link of a scatter-gather chain, stop, interrupt enables and the
// byte counter. Channel n's block lies at the bridge window + [0x1C] +
// (n << stride), stride being bits 19-16 of [0x0C].
#ifndef VL9738K_PLATFORM_TWEXELDMACHANNEL_H
#define VL9738K_PLATFORM_TWEXELDMACHANNEL_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "tWexelSGL.h"

namespace nVLAPAL000 {

class tWexelDMAChannel {
 public:
  // Bridge core registers that place the channel blocks.
  static constexpr uint64_t kCoreCapabilities = 0x0C;
  static constexpr uint64_t kRegisterGroupBase = 0x1C;
  // Channel block.
  static constexpr uint64_t kOption64A = 0x20;
  static constexpr uint64_t kOption64B = 0x28;
  static constexpr uint64_t kOption32A = 0x30;
  static constexpr uint64_t kOption32B = 0x34;
  static constexpr uint64_t kLinkAddress = 0x48;
  static constexpr uint64_t kLinkSize = 0x50;
  static constexpr uint64_t kControl = 0x54;
  static constexpr uint64_t kOperation = 0x58;
  static constexpr uint64_t kCountThreshold = 0x90;
  static constexpr uint64_t kBytesTransferred = 0xA0;
  // Operations.
  static constexpr uint32_t kStart = 1;
  static constexpr uint32_t kStop = 2;
  static constexpr uint32_t kStartVariant = 5;
  static constexpr uint32_t kArmCount = 0x02000000;
  // Control: the interrupt-enable bits; status bits that end a run.
  static constexpr uint32_t kInterruptEnableMask = 0x0F00B000;
  static constexpr uint32_t kStopStatus = 0x0C008000;

  tWexelDMAChannel(volatile uint8_t* bridge, uint32_t index, nVLAPALS100::tStatus& status);
  tWexelDMAChannel(volatile uint8_t* base, uint64_t blockSize, uint32_t index, nVLAPALS100::tStatus& status);
  tWexelDMAChannel(volatile uint8_t* bridge, uint32_t index);
  virtual ~tWexelDMAChannel();
  tWexelDMAChannel(const tWexelDMAChannel&) = delete;
  tWexelDMAChannel& operator=(const tWexelDMAChannel&) = delete;

  virtual void deactivate();
  virtual void reactivate();
  virtual void handleInterrupt(uint32_t status);

  void rebase(volatile uint8_t* base, uint64_t blockSize);
  void reset();
  void setInterruptEnables(uint32_t enables);
  void startWithLink(const tWexelSGLFirstLink& link, bool mode);
  uint64_t bytesTransferred();
  void armCountInterrupt(uint64_t bytes);
  void setOptions(uint32_t flags, uint32_t first32, uint64_t first64, uint32_t second32, uint64_t second64);

  volatile uint8_t* getBase() const { return base_; }
  uint64_t getBlockSize() const { return blockSize_; }
  bool isRunning() const { return running_ != 0; }
  uint32_t getIndex() const { return index_; }
  uint32_t getInterruptEnables() const { return enables_; }

 private:
  void locate(volatile uint8_t* bridge);

  volatile uint8_t* base_;
  uint64_t blockSize_;
  uint8_t running_;
  uint32_t index_;
  uint32_t enables_;
};

}  // namespace nVLAPAL000

#endif
