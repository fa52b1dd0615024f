// Programs the board's FPGA through the bridge's FPGA-loading registers:
// the image length, a start strobe, then the bitstream as 32-bit words of
// bit-reversed bytes with the last one to three bytes as byte writes, and
// bounded waits for the ready, done and failed bits. IO port 2 is closed
// first when a programmed FPGA is being replaced, and opened again only
// after a clean load.
#ifndef VL9738K_FPGA_DOWNLOADKMR4_H
#define VL9738K_FPGA_DOWNLOADKMR4_H

#include <stdint.h>

#include "ConfigurationKmr4.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/IIoAccessor.h"

namespace vllym {

class DownloadKmr4 {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kLoadingControl = 0x440;
  static constexpr uint32_t kLoadStatus = 0x448;
  static constexpr uint32_t kByteCount = 0x458;
  static constexpr uint32_t kLoadingData = 0x460;
  static constexpr uint32_t kMonitor = 0x468;
  static constexpr uint32_t kActivePort = 0x510;

  static constexpr uint32_t kReady = 1u << 2;
  static constexpr uint32_t kFailed = 1u << 3;
  static constexpr uint32_t kDone = 1u << 5;
  static constexpr uint64_t kBudgetMs = 1000;

  // Neither is owned; no hardware access here.
  DownloadKmr4(kernel::IIoAccessor* accessor, ConfigurationKmr4* configuration)
      : accessor_(accessor), configuration_(configuration) {}
  virtual ~DownloadKmr4() {}

  // The bit of 0x468 that 0x510 bits 10:8 select; false after any failure.
  bool isFpgaProgrammed(tStatus& status);
  // A null image clears the FPGA instead.
  void download(const uint8_t* image, uint32_t byteCount, tStatus& status);
  // The image as a page list holds it (byte count, offset in the first page).
  void downloadFromPageList(const nVLAPAL000::tPageList& pages, tStatus& status);

 private:
  void load(const uint8_t* image, uint32_t byteCount, tStatus& status);
  void clear(tStatus& status);

  kernel::IIoAccessor* accessor_;
  ConfigurationKmr4* configuration_;
};

}  // namespace vllym

#endif
