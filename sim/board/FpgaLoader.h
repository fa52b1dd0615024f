// The bridge's FPGA-loading registers and the FPGA's configuration logic
// behind them (BAR 0 offsets 0x440-0x46F):
//   0x440 write 1: start (clears the FPGA; with a byte count, a load)
//   0x444 loading mode, 0x450 base address: kept as written
//   0x448 status: bit 2 ready for data, bit 3 failed, bit 5 done
//   0x458 byte count of the load
//   0x460 data: 32-bit writes carry four bytes, 8-bit writes one, each
//         bit-reversed as the configuration interface takes them
//   0x468 programmed flags: the bit that the active-port register (0x510)
//         selects in bits 10:8 is set while the FPGA holds a design
// The FPGA reports done only for a complete, intact image: as many bytes
// as announced, which (un-reversed) are byte for byte the image
// the board was built for. Faults a test can inject: never ready, a
// failed load (alone or together with done) and a load that never ends.
#ifndef VL9738K_SIM_BOARD_FPGA_LOADER_H
#define VL9738K_SIM_BOARD_FPGA_LOADER_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ModelLock.h"
#include "RegisterBlock.h"
#include "RegisterFile.h"

namespace sim {

class FpgaLoader : public RegisterBlock {
 public:
  static constexpr uint64_t kBarOffset = 0x440;
  static constexpr uint64_t kSize = 0x30;
  static constexpr uint32_t kReady = 1u << 2;
  static constexpr uint32_t kFailed = 1u << 3;
  static constexpr uint32_t kDone = 1u << 5;
  // Within the configuration-port block: the active-port register.
  static constexpr uint64_t kActivePort = 0x510;

  enum class Fault { None, NeverReady, Fails, FailsWithDone, NeverEnds };

  // `configPort` is the configuration-port block at BAR offset 0x400.
  explicit FpgaLoader(RegisterFile& configPort);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // What a load must deliver to succeed (default: the board's synthetic
  // bitstream, computed on first use).
  void expect(const std::vector<uint8_t>& image);
  void setFault(Fault fault);
  void setProgrammed(bool programmed);

  bool programmed() const;
  // The bytes of the current or last load, un-reversed.
  std::vector<uint8_t> received() const;
  uint32_t status() const;
  size_t starts() const;
  size_t wordWrites() const;
  size_t byteWrites() const;

 private:
  enum class State { Idle, Loading, Done, Failed };

  uint32_t statusLocked() const;
  uint32_t monitorLocked() const;
  void startLocked();
  void takeLocked(uint32_t value, unsigned bytes);
  void finishLocked();
  const std::vector<uint8_t>& expectedLocked();

  RegisterFile& configPort_;
  mutable ModelLock mutex_;
  Fault fault_ = Fault::None;
  State state_ = State::Idle;
  bool programmed_ = false;
  // Null until a load needs it: then the board's synthetic bitstream, made
  // once per process and shared by every board.
  std::shared_ptr<const std::vector<uint8_t>> expected_;
  uint32_t byteCount_ = 0;
  uint32_t mode_ = 0;
  uint32_t baseAddress_ = 0;
  // Sized for the announced load up front; the first receivedCount_ bytes
  // have arrived.
  std::vector<uint8_t> received_;
  size_t receivedCount_ = 0;
  size_t starts_ = 0;
  size_t wordWrites_ = 0;
  size_t byteWrites_ = 0;
};

}  // namespace sim

#endif
