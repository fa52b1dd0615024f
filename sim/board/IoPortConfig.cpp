#include "IoPortConfig.h"

namespace sim {

namespace {

constexpr uint64_t kSetting604 = 0x04;
constexpr uint64_t kSetting680 = 0x80;
constexpr uint64_t kCommand = 0x88;
constexpr uint64_t kData = 0x8C;
constexpr uint32_t kReadDone = 1u << 2;
constexpr uint32_t kFpgaPort = 2;

}  // namespace

IoPortConfig::IoPortConfig() { internal_[{kFpgaPort, 0}] = kClosed; }

uint32_t IoPortConfig::read(uint64_t offset, unsigned) {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (offset) {
    case kSetting604:
      return setting604_;
    case kSetting680:
      return setting680_;
    case kCommand:
      return command_;
    case kData:
      return data_;
    default:
      return 0;
  }
}

void IoPortConfig::write(uint64_t offset, unsigned, uint32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (offset) {
    case kSetting604:
      setting604_ = value;
      break;
    case kSetting680:
      setting680_ = value;
      break;
    case kCommand:
      executeLocked(value);
      break;
    case kData:
      data_ = value;
      break;
    default:
      break;
  }
}

void IoPortConfig::executeLocked(uint32_t command) {
  command_ = command & ~kReadDone;
  const uint32_t address = command >> 24;
  const uint32_t port = (command >> 8) & 7;
  const uint32_t operation = command & 3;
  const uint32_t selector = command & 0x00FFFF00u;
  if (operation == 1) {
    commands_.push_back({selector, port, address, true, data_});
    if (port == kFpgaPort && address == 0) {
      if (port2Stuck_) return;
      if (data_ == 1) {
        internal_[{port, address}] = kClosed;
      } else if ((data_ & 6) != 0) {
        internal_[{port, address}] = kOpen | (data_ & 6);
      }
      return;
    }
    internal_[{port, address}] = data_;
  } else if (operation == 2) {
    const auto found = internal_.find({port, address});
    data_ = found != internal_.end() ? found->second : 0;
    commands_.push_back({selector, port, address, false, data_});
    if (!readsNeverFinish_) command_ |= kReadDone;
  }
}

uint32_t IoPortConfig::port2State() const { return internalRegister(kFpgaPort, 0); }

bool IoPortConfig::port2Open() const { return (port2State() & 0xF1) == kOpen; }

void IoPortConfig::setPort2State(uint32_t state) {
  std::lock_guard<std::mutex> lock(mutex_);
  internal_[{kFpgaPort, 0}] = state;
}

uint32_t IoPortConfig::internalRegister(uint32_t port, uint32_t address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = internal_.find({port, address});
  return found != internal_.end() ? found->second : 0;
}

uint32_t IoPortConfig::setting604() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return setting604_;
}

uint32_t IoPortConfig::setting680() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return setting680_;
}

std::vector<IoPortConfig::Command> IoPortConfig::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

void IoPortConfig::clearCommands() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
}

void IoPortConfig::setReadsNeverFinish(bool never) {
  std::lock_guard<std::mutex> lock(mutex_);
  readsNeverFinish_ = never;
}

void IoPortConfig::setPort2Stuck(bool stuck) {
  std::lock_guard<std::mutex> lock(mutex_);
  port2Stuck_ = stuck;
}

}  // namespace sim
