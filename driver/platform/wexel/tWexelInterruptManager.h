// The bridge's interrupt control through its registers: 0x5C takes
// write-one command bits that enable or disable the interrupt output and
// four sources, 0x60 tells whether the shared line is the bridge's, and
// 0x68 hands out the waiting status words one per read. A message-
// signalled interrupt is never shared: it is the bridge's without a read,
// and its output needs no re-enabling.
//
// The flow: the interrupt routine claims (and masks the output), the
// deferred routine dequeues status words until 0, dispatches them and
// acknowledges, which enables the output again.
#ifndef VL9738K_PLATFORM_TWEXELINTERRUPTMANAGER_H
#define VL9738K_PLATFORM_TWEXELINTERRUPTMANAGER_H

#include <stdint.h>

namespace nVLAPAL000 {

class tWexelInterruptManager {
 public:
  static constexpr uint64_t kControl = 0x5C;
  static constexpr uint64_t kStatus = 0x60;
  static constexpr uint64_t kQueue = 0x68;
  // Control words.
  static constexpr uint32_t kResetState = 0x54000500;  // output and all four sources off
  static constexpr uint32_t kDisableOutput = 0x40000000;
  static constexpr uint32_t kEnableOutput = 0x80000000;
  static constexpr uint32_t kPending = 0x80000000;
  static constexpr uint32_t kDeviceGone = 0xFFFFFFFF;

  tWexelInterruptManager(volatile uint8_t* bridge, bool messageSignalled);
  virtual ~tWexelInterruptManager();
  tWexelInterruptManager(const tWexelInterruptManager&) = delete;
  tWexelInterruptManager& operator=(const tWexelInterruptManager&) = delete;

  virtual void deactivate();
  virtual void reactivate();
  // Non-zero when the interrupt is the bridge's; its output is then masked
  // until acknowledgeInterrupts.
  virtual uint8_t recognizeInterrupt();
  // Enable mask: bit 9 and bit 11 their sources, bit 24 and bit 25 the
  // sources driven by control bits 29/28 and 27/26; 0 switches all off.
  virtual void setInterruptEnables(uint32_t mask);
  // The next status word, 0 when none (or the device is gone).
  virtual uint32_t dequeueInterrupt();
  virtual void acknowledgeInterrupts();

  static uint32_t controlWordFor(uint32_t mask);
  bool isMessageSignalled() const { return messageSignalled_ != 0; }

 protected:
  void writeControl(uint32_t value);
  uint32_t readRegister(uint64_t offset);
  volatile uint8_t* bridge() const { return bridge_; }

 private:
  volatile uint8_t* bridge_;
  uint8_t messageSignalled_;
};

}  // namespace nVLAPAL000

#endif
