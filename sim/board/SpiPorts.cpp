#include "SpiPorts.h"

#include "sim/kernel/Clock.h"

namespace sim {

SpiPorts::SpiPorts(RegisterFile& configPort) : configPort_(configPort) {
  for (unsigned port = 0; port < kPorts; ++port) targets_[port] = std::make_unique<DataTarget>(*this, port);
}

// The register file keeps the status word's other bits and the control
// word written here; the engine adds its busy bit.
uint32_t SpiPorts::read(uint64_t offset, unsigned width) {
  return configPort_.read(kStatusOffset - 0x400 + offset, width) | (busy() ? 1u : 0u);
}

void SpiPorts::write(uint64_t offset, unsigned width, uint32_t value) {
  configPort_.write(kStatusOffset - 0x400 + offset, width, value);
}

void SpiPorts::DataTarget::write(uint64_t, unsigned width, uint32_t value) {
  if (width == 4) ports_.start(port_, value);
}

void SpiPorts::start(unsigned port, uint32_t word) {
  const uint64_t modeOffset = kPortWindows + kPortWindowSize * port + 0x8 - 0x400;
  const auto bits = static_cast<unsigned>((configPort_.readable(modeOffset, 4) >> 24) & 0x7F);
  SpiDevice* device = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shifts_.push_back({port, word, bits});
    busyUntilNs_ = Clock::instance().nowNs() + busyNs_;
    device = devices_[port];
  }
  if (device != nullptr) device->shift(word, bits);
}

void SpiPorts::connect(unsigned port, SpiDevice& device) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.at(port) = &device;
}

void SpiPorts::setBusyNs(uint64_t ns) {
  std::lock_guard<std::mutex> lock(mutex_);
  busyNs_ = ns;
}

void SpiPorts::setStuckBusy(bool stuck) {
  std::lock_guard<std::mutex> lock(mutex_);
  stuck_ = stuck;
}

bool SpiPorts::busy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stuck_ || Clock::instance().nowNs() < busyUntilNs_;
}

std::vector<SpiPorts::Shift> SpiPorts::shifts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shifts_;
}

}  // namespace sim
