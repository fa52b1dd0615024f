// The serial engine of the bridge's configuration port in SPI mode. A
// 32-bit write into port n's data window (bridge window n) shifts the word
// out least significant bit first, as many bits as the port's second
// read/write mode register (port window + 0x8) holds in bits 30:24, to the
// chip on that port. The shift keeps the engine busy for a while of
// virtual time: the SPI status (BAR 0 offset 0x528) reads bit 0 set until
// then, or for ever with the stuck knob. Writes to 0x528 go to the
// state-machine control, which the register file keeps apart.
#ifndef VL9738K_SIM_BOARD_SPI_PORTS_H
#define VL9738K_SIM_BOARD_SPI_PORTS_H

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "RegisterBlock.h"
#include "RegisterFile.h"

namespace sim {

// A chip on an SPI port.
class SpiDevice {
 public:
  virtual ~SpiDevice() = default;
  // `word` as the bus wrote it (first bit out in bit 0), `bits` long.
  virtual void shift(uint32_t word, unsigned bits) = 0;
};

class SpiPorts : public RegisterBlock {
 public:
  static constexpr uint64_t kStatusOffset = 0x528;
  static constexpr uint64_t kPortWindows = 0x580;
  static constexpr uint64_t kPortWindowSize = 0x10;
  static constexpr unsigned kPorts = 8;
  static constexpr uint64_t kDefaultBusyNs = 2000;

  struct Shift {
    unsigned port;
    uint32_t word;
    unsigned bits;
    bool operator==(const Shift&) const = default;
  };

  // `configPort` is the configuration-port block at BAR offset 0x400.
  explicit SpiPorts(RegisterFile& configPort);

  // The status register at 0x528.
  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // What sits behind port n's data window.
  RegisterBlock& dataTarget(unsigned port) { return *targets_.at(port); }
  void connect(unsigned port, SpiDevice& device);

  void setBusyNs(uint64_t ns);
  void setStuckBusy(bool stuck);
  bool busy() const;
  std::vector<Shift> shifts() const;

 private:
  class DataTarget : public RegisterBlock {
   public:
    DataTarget(SpiPorts& ports, unsigned port) : ports_(ports), port_(port) {}
    uint32_t read(uint64_t, unsigned) override { return 0; }
    void write(uint64_t offset, unsigned width, uint32_t value) override;

   private:
    SpiPorts& ports_;
    unsigned port_;
  };

  void start(unsigned port, uint32_t word);

  RegisterFile& configPort_;
  std::array<std::unique_ptr<DataTarget>, kPorts> targets_;
  std::array<SpiDevice*, kPorts> devices_{};
  mutable std::mutex mutex_;
  uint64_t busyNs_ = kDefaultBusyNs;
  uint64_t busyUntilNs_ = 0;
  bool stuck_ = false;
  std::vector<Shift> shifts_;
};

}  // namespace sim

#endif
