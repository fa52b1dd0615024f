#include "InterruptController.h"

#include <algorithm>
#include <vector>

#include "sim/kernel/PhysicalMemory.h"

namespace sim {
namespace {

// Control-word bit pairs (enable, disable) and the status-word bit of the
// source each pair drives.
struct SourcePair {
  uint32_t enable;
  uint32_t disable;
  uint32_t source;
};
constexpr SourcePair kSourcePairs[] = {
    {1u << 29, 1u << 28, InterruptController::kSource24},
    {1u << 27, 1u << 26, InterruptController::kSource25},
    {1u << 11, 1u << 10, InterruptController::kSourceShutdown},
    {1u << 9, 1u << 8, InterruptController::kSourceIrq},
};
constexpr uint32_t kEnableOutput = 1u << 31;
constexpr uint32_t kDisableOutput = 1u << 30;
constexpr uint32_t kPageOn = 1u << 0;
constexpr uint32_t kPageEnable = 1u << 16;
constexpr uint32_t kAsserted = 1u << 31;
constexpr uint64_t kPageDataBytes = 64;

}  // namespace

InterruptController::InterruptController(RegisterFile& core) : core_(core) {}

void InterruptController::enter() {
  mutex_.lock();
  ++depth_;
}

void InterruptController::leave() {
  const bool raise = --depth_ == 0 && raisePending_;
  if (raise) raisePending_ = false;
  std::function<void()> line = raise ? line_ : nullptr;
  mutex_.unlock();
  if (line) line();
}

void InterruptController::setLine(std::function<void()> line) {
  BridgeGuard guard(*this);
  line_ = std::move(line);
}

uint32_t InterruptController::read(uint64_t offset, unsigned width) {
  BridgeGuard guard(*this);
  if (width == 4 && offset == kControl) return state();
  if (width == 4 && offset == kStatus) {
    uint32_t sources = 0;
    for (uint32_t word : queue_) sources |= word & (kSourceIrq | kSourceShutdown | kSource24 | kSource25 | kDma);
    return (asserted_ ? kAsserted : 0) | sources;
  }
  if (width == 4 && offset == kQueue) {
    if (queue_.empty()) return 0;
    uint32_t word = queue_.front();
    queue_.pop_front();
    if (!queue_.empty()) word |= kMore;
    update();
    return word;
  }
  return core_.read(offset, width);
}

void InterruptController::write(uint64_t offset, unsigned width, uint32_t value) {
  BridgeGuard guard(*this);
  core_.write(offset, width, value);
  if (width != 4) return;
  if (offset == kControl) control(value);
  if (offset == kPageControl) programPage(value);
}

void InterruptController::control(uint32_t value) {
  if ((value & kDisableOutput) != 0) outputEnabled_ = false;
  if ((value & kEnableOutput) != 0) {
    outputEnabled_ = true;
    pageBusy_ = false;  // the driver is done with the page
  }
  for (const SourcePair& pair : kSourcePairs) {
    if ((value & pair.disable) != 0) sources_ &= ~pair.source;
    if ((value & pair.enable) != 0) sources_ |= pair.source;
  }
  if ((value & kPageOn) != 0) pageOn_ = true;
  update();
}

// The control word's fields: bits 9-0 the bytes after the status entries,
// bits 15-10 the entry count, bit 16 the page on. 0 switches it off.
void InterruptController::programPage(uint32_t value) {
  pageBusy_ = false;
  if ((value & kPageEnable) == 0) {
    pageProgrammed_ = false;
    pageOn_ = false;
    return;
  }
  pageAddress_ = core_.readable(kPageAddress, 8);
  pageEntries_ = (value >> 10) & 0x3F;
  pageDataBytes_ = value & 0x3FF;
  pageProgrammed_ = true;
  update();
}

void InterruptController::raiseSource(uint32_t sourceBit) {
  BridgeGuard guard(*this);
  if ((sources_ & sourceBit) == 0) return;
  queue_.push_back(sourceBit);
  update();
}

void InterruptController::post(uint32_t word) {
  BridgeGuard guard(*this);
  queue_.push_back(word);
  update();
}

uint32_t InterruptController::state() const { return (asserted_ ? kAsserted : 0) | sources_; }

void InterruptController::update() {
  bool assertedNow = false;
  if (statusPageActive()) {
    if (outputEnabled_ && !pageBusy_ && !queue_.empty()) deliverPage();
    assertedNow = outputEnabled_ && pageBusy_;
  } else {
    assertedNow = outputEnabled_ && !queue_.empty();
  }
  if (assertedNow && !asserted_) {
    raisePending_ = true;
    ++raised_;
  }
  asserted_ = assertedNow;
  core_.setReadable(kControl, 4, state());
}

void InterruptController::deliverPage() {
  const size_t count = std::min<size_t>(queue_.size(), pageEntries_);
  std::vector<uint8_t> page(4 * size_t{pageEntries_} + std::min<uint64_t>(pageDataBytes_, kPageDataBytes), 0);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t word = queue_.front() | (i + 1 < count ? kMore : 0);
    queue_.pop_front();
    for (unsigned b = 0; b < 4; ++b) page[4 * i + b] = static_cast<uint8_t>(word >> (8 * b));
  }
  // Entries after a terminating 0 keep what the driver left there.
  const size_t words = count < pageEntries_ ? count + 1 : count;
  PhysicalMemory::deviceWrite(pageAddress_, page.data(), 4 * words);
  const size_t data = page.size() - 4 * size_t{pageEntries_};
  for (size_t i = 0; i < data; ++i) page[4 * pageEntries_ + i] = static_cast<uint8_t>(core_.readable(kPageData + i, 1));
  PhysicalMemory::deviceWrite(pageAddress_ + 4 * pageEntries_, page.data() + 4 * pageEntries_, data);
  pageBusy_ = true;
}

}  // namespace sim
