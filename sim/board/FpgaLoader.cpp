#include "FpgaLoader.h"

#include <algorithm>

#include "sim/board/SyntheticBitstream.h"

namespace sim {

namespace {

constexpr uint64_t kControl = 0x00;
constexpr uint64_t kMode = 0x04;
constexpr uint64_t kStatus = 0x08;
constexpr uint64_t kBaseAddress = 0x10;
constexpr uint64_t kByteCount = 0x18;
constexpr uint64_t kData = 0x20;
constexpr uint64_t kMonitor = 0x28;

// The loader sees every byte of an image: a table keeps that cheap.
struct ReversalTable {
  uint8_t entries[256];
  constexpr ReversalTable() : entries{} {
    for (int value = 0; value < 256; ++value) {
      for (int bit = 0; bit < 8; ++bit) entries[value] |= static_cast<uint8_t>(((value >> bit) & 1) << (7 - bit));
    }
  }
};
constexpr ReversalTable kReversal;

uint8_t reverse(uint8_t value) { return kReversal.entries[value]; }

}  // namespace

FpgaLoader::FpgaLoader(RegisterFile& configPort) : configPort_(configPort) {}

void FpgaLoader::expect(const std::vector<uint8_t>& image) {
  std::lock_guard<ModelLock> lock(mutex_);
  expected_ = std::make_shared<const std::vector<uint8_t>>(image);
}

const std::vector<uint8_t>& FpgaLoader::expectedLocked() {
  if (!expected_) {
    static const auto synthetic = std::make_shared<const std::vector<uint8_t>>(vlimage::makeSyntheticBitstream());
    expected_ = synthetic;
  }
  return *expected_;
}

void FpgaLoader::setFault(Fault fault) {
  std::lock_guard<ModelLock> lock(mutex_);
  fault_ = fault;
}

void FpgaLoader::setProgrammed(bool programmed) {
  std::lock_guard<ModelLock> lock(mutex_);
  programmed_ = programmed;
}

bool FpgaLoader::programmed() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return programmed_;
}

std::vector<uint8_t> FpgaLoader::received() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return std::vector<uint8_t>(received_.begin(), received_.begin() + static_cast<ptrdiff_t>(receivedCount_));
}

uint32_t FpgaLoader::status() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return statusLocked();
}

size_t FpgaLoader::starts() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return starts_;
}

size_t FpgaLoader::wordWrites() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return wordWrites_;
}

size_t FpgaLoader::byteWrites() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return byteWrites_;
}

uint32_t FpgaLoader::statusLocked() const {
  switch (state_) {
    case State::Idle:
      return 0;
    case State::Loading:
      return fault_ == Fault::NeverReady ? 0 : kReady;
    case State::Done:
      return kDone;
    case State::Failed:
      return fault_ == Fault::FailsWithDone ? kFailed | kDone : kFailed;
  }
  return 0;
}

uint32_t FpgaLoader::monitorLocked() const {
  const auto select = static_cast<unsigned>((configPort_.readable(kActivePort - 0x400, 4) >> 8) & 7);
  return programmed_ ? 1u << select : 0;
}

uint32_t FpgaLoader::read(uint64_t offset, unsigned width) {
  std::lock_guard<ModelLock> lock(mutex_);
  uint32_t value = ~0u;
  switch (offset) {
    case kStatus:
      value = statusLocked();
      break;
    case kByteCount:
      value = byteCount_;
      break;
    case kBaseAddress:
      value = baseAddress_;
      break;
    case kMonitor:
      value = monitorLocked();
      break;
    default:
      break;
  }
  return width >= 4 ? value : value & ((1u << (8 * width)) - 1);
}

void FpgaLoader::write(uint64_t offset, unsigned width, uint32_t value) {
  std::lock_guard<ModelLock> lock(mutex_);
  switch (offset) {
    case kControl:
      if ((value & 1) != 0) startLocked();
      break;
    case kMode:
      mode_ = value;
      break;
    case kBaseAddress:
      baseAddress_ = value;
      break;
    case kByteCount:
      byteCount_ = value;
      break;
    case kData:
      if (width == 4) ++wordWrites_;
      if (width == 1) ++byteWrites_;
      takeLocked(value, width);
      break;
    default:
      break;
  }
}

// A start clears the FPGA; it is loading from then on, and the design is
// only back once a load ends well.
void FpgaLoader::startLocked() {
  ++starts_;
  programmed_ = false;
  // Only the first receivedCount_ bytes are ever read: the room a load
  // before left is reused as it is, not cleared for each image again.
  const size_t room = std::min<size_t>(byteCount_, size_t{1} << 26);
  if (received_.size() < room) received_.resize(room);
  receivedCount_ = 0;
  state_ = State::Loading;
}

void FpgaLoader::takeLocked(uint32_t value, unsigned bytes) {
  if (state_ != State::Loading || fault_ == Fault::NeverReady) return;
  if (receivedCount_ + bytes > received_.size()) received_.resize(receivedCount_ + bytes);
  for (unsigned i = 0; i < bytes; ++i) received_[receivedCount_++] = reverse(static_cast<uint8_t>(value >> (8 * i)));
  if (receivedCount_ >= byteCount_) finishLocked();
}

void FpgaLoader::finishLocked() {
  if (fault_ == Fault::NeverEnds) return;
  const std::vector<uint8_t>& expected = expectedLocked();
  const bool intact = receivedCount_ == byteCount_ && receivedCount_ == expected.size() &&
                      std::equal(expected.begin(), expected.end(), received_.begin());
  if (intact && fault_ == Fault::None) {
    state_ = State::Done;
    programmed_ = true;
  } else {
    state_ = State::Failed;
  }
}

}  // namespace sim
