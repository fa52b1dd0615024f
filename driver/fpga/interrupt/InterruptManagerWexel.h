// The device ISR of the board: a bridge interrupt manager (with the
// interrupt status page, or message-signalled, or legacy shared-line)
// recognises the interrupt; servicing drains the bridge's status words,
// hands each to the handler slots by its bits, gives the status page's
// data to its handler and acknowledges, all in interrupt context.
#ifndef VL9738K_FPGA_INTERRUPT_INTERRUPTMANAGERWEXEL_H
#define VL9738K_FPGA_INTERRUPT_INTERRUPTMANAGERWEXEL_H

#include <stdint.h>

#include "InterruptManagerBase.h"
#include "driver/platform/pci/tPCIDevice.h"
#include "driver/platform/wexel/tWexelInterruptManager.h"
#include "driver/platform/wexel/tWexelInterruptManagerISP.h"

namespace vllym {

class InterruptManagerWexel : public InterruptManagerBase, public IInterruptHandler {
 public:
  // Status-page geometry: 8 status words of 8 bytes (16 entries of 4
  // bytes), then 8 data words (64 bytes).
  static constexpr uint32_t kPageDataWords = 8;
  static constexpr uint32_t kPageStatusWords = 8;
  static constexpr uint32_t kPageDataBytes = 64;
  static constexpr uint32_t kStatusMore = 1u << 30;
  static constexpr uint32_t kDeviceGone = 0xFFFFFFFF;

  // `bridge` is the bridge's register window. Building the bridge manager
  // writes 0x54000500 to 0x5C; its allocation failure (-52000) leaves a
  // manager that recognises nothing and writes no enables.
  InterruptManagerWexel(DeviceInterruptProviderPrimary* provider, nVLAPAL000::tPCIDevice* device, bool useStatusPage,
                        volatile uint8_t* bridge, tStatus& status);
  ~InterruptManagerWexel() override;

  void registerDeviceIsr(tStatus& status) override;
  void writeInterruptEnables(bool irq, bool dma, bool shutdown, bool statusPage, tStatus& status) override;
  uint8_t recognizeInterrupt() override;
  void serviceInterrupt() override;
  virtual void deactivate();
  virtual void reactivate();

  nVLAPAL000::tWexelInterruptManager* getBridgeManager() const { return bridgeManager_; }
  bool usesStatusPage() const { return useStatusPage_ != 0; }

  // Non-zero when the kernel layer delivers the device's interrupt as a
  // message (never shared).
  static bool isMessageSignalled(const nVLAPAL000::tPCIDevice& device);

 private:
  nVLAPAL000::tWexelInterruptManager* bridgeManager_;
  uint8_t useStatusPage_;
};

}  // namespace vllym

#endif
