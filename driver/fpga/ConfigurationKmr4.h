// The bridge chip's configuration port as the FPGA programming path uses it:
// the power-on self-configuration (POSC) wait, the bridge control bits, and
// the port's internal registers, reached through a command/data register
// pair. On top of those it closes and opens IO port 2, the bridge's port to
// the FPGA, which must stay closed while the FPGA is being reprogrammed.
#ifndef VL9738K_FPGA_CONFIGURATIONKMR4_H
#define VL9738K_FPGA_CONFIGURATIONKMR4_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/IIoAccessor.h"

namespace vllym {

class ConfigurationKmr4 {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Bridge registers, byte offsets into the bridge's BAR.
  static constexpr uint32_t kPoscStatus = 0x058;
  static constexpr uint32_t kBridgeControl = 0x0A4;
  static constexpr uint32_t kIoPortSetting = 0x604;
  static constexpr uint32_t kIoPortSelect = 0x680;
  static constexpr uint32_t kCommand = 0x688;
  static constexpr uint32_t kData = 0x68C;

  static constexpr uint32_t kControlBits = 0x8000C000;
  static constexpr uint32_t kPoscDone = 2;
  static constexpr uint32_t kOperationWrite = 1;
  static constexpr uint32_t kOperationRead = 2;
  static constexpr uint32_t kReadComplete = 1u << 2;
  static constexpr uint64_t kPoscBudgetMs = 15000;
  static constexpr uint64_t kPortBudgetMs = 1000;

  // The five selector bytes of a command word; each is ORed in at its
  // place unmasked, as the bridge expects them already in range.
  struct tSelector {
    uint8_t bytes[5];
  };
  // IO port 2 (byte 1 is the port number), all other fields 0.
  static constexpr tSelector kIoPort2{{0, 2, 0, 0, 0}};
  // Internal register 0 of a port holds its state; masked with 0xF1 it
  // reads 0x01 while the port is closed and 0xF0 while it is open.
  static constexpr uint32_t kPortState = 0;
  static constexpr uint32_t kPortStateMask = 0xF1;
  static constexpr uint32_t kPortClosed = 0x01;
  static constexpr uint32_t kPortOpen = 0xF0;

  // No hardware access: for subclasses that wait and set the bits later.
  explicit ConfigurationKmr4(kernel::IIoAccessor* accessor) : accessor_(accessor) {}
  // Waits for the POSC, then sets the control bits.
  ConfigurationKmr4(kernel::IIoAccessor* accessor, tStatus& status);

  virtual void disableIoPort2(tStatus& status);
  // The general form with (1, true, true, 3).
  virtual void enableIoPort2(tStatus& status);
  virtual void setControlBits(tStatus& status);
  virtual void waitForPosc(tStatus& status);

  // mode 1 asks for bit 2 of the state register and flag for bit 1; value
  // goes into bits 7:4 of 0x604 (replacing the register when replace is
  // set) and bits 23:20 of 0x680.
  void enableIoPort2(uint32_t mode, bool flag, bool replace, uint32_t value, tStatus& status);

  // Data first, then the command that makes the bridge take it; a write
  // is not waited for.
  void writeConfig(const tSelector& selector, uint32_t address, uint32_t data, tStatus& status);
  uint32_t readConfig(const tSelector& selector, uint32_t address, tStatus& status);

  static uint32_t commandWord(const tSelector& selector, uint32_t address, uint32_t operation);

  kernel::IIoAccessor* getAccessor() const { return accessor_; }

 private:
  // Reads the port state until (state & 0xF1) == wanted; -63150 with the
  // message when it does not get there.
  void waitForPortState(uint32_t wanted, const char* message, tStatus& status);

  kernel::IIoAccessor* accessor_;
};

}  // namespace vllym

#endif
