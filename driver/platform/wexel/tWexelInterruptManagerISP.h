// The bridge's interrupt control with an interrupt status page: a small
// DMA buffer into which the bridge writes the waiting status words (and
// after them a copy of its registers 0x3C0-0x3FF) before it interrupts, so
// that the deferred routine reads host memory instead of the device.
#ifndef VL9738K_PLATFORM_TWEXELINTERRUPTMANAGERISP_H
#define VL9738K_PLATFORM_TWEXELINTERRUPTMANAGERISP_H

#include <stdint.h>

#include "../dma/tDMAConfiguration.h"
#include "../dma/tStandardDMAMap.h"
#include "tWexelInterruptManager.h"

namespace nVLAPAL000 {

class tWexelInterruptManagerISP : public tWexelInterruptManager {
 public:
  static constexpr uint64_t kPageControl = 0x3B4;
  static constexpr uint64_t kPageAddress = 0x3B8;
  static constexpr uint64_t kPageData = 0x3C0;
  static constexpr uint64_t kPageDataWords = 8;
  static constexpr uint32_t kEnableOutputAndPage = 0x80000001;
  static constexpr uint32_t kPageOn = 1;
  static constexpr uint32_t kPageListFlags = 4;

  // A page of (dataWords + statusWords) * 8 bytes holding 2 * statusWords
  // four-byte status entries, then the data.
  tWexelInterruptManagerISP(volatile uint8_t* bridge, const tDMAConfiguration& configuration, uint32_t dataWords,
                            uint32_t statusWords, bool messageSignalled, nVLAPALS100::tStatus& status);
  ~tWexelInterruptManagerISP() override;

  void deactivate() override;
  void reactivate() override;
  uint8_t recognizeInterrupt() override;
  uint32_t dequeueInterrupt() override;
  void acknowledgeInterrupts() override;

  uint8_t* getStatusPage() const { return kernel_; }
  uint32_t getEntryCount() const { return entries_; }
  uint64_t getPageSize() const { return size_; }
  bool isActive() const { return active_ != 0; }

 private:
  // A page that could not be made leaves the manager reading nothing.
  bool pageReady() const { return kernel_ != nullptr && map_.getSize() != 0; }
  void program();
  void switchPageOff();
  volatile uint32_t* entry(uint32_t index) const { return reinterpret_cast<volatile uint32_t*>(kernel_) + index; }

  const tDMAConfiguration& configuration_;
  tPageList buffer_;
  uint8_t* kernel_;
  tStandardDMAMap map_;
  uint64_t size_;
  uint32_t entries_;
  uint32_t readIndex_;
  uint8_t active_;
};

}  // namespace nVLAPAL000

#endif
