// The bridge's interrupt logic, answering in its core register block:
// interrupt control (0x5C, write-one bits that enable or disable the output
// and four sources; read: the interrupt state), the shared-line status
// (0x60), the status-word queue (0x68, one word per read, 0 when empty)
// and the interrupt status page (0x3B4 control, 0x3B8 its bus address,
// 0x3C0-0x3FF the data the bridge copies after the status entries).
//
// Status words wait in a queue; a word that another follows carries bit 30. In the plain form the output is asserted
// while the output is enabled and a word waits; the driver masks the
// output, reads 0x68 until 0 and enables it again. In the status-page form
// the bridge writes up to the page's entry count of words into host memory
// (a 0 after the last when fewer), asserts the output, and writes the page
// again only after the output has been enabled again.
//
// Every entry point of the bridge model runs under one lock (BridgeGuard);
// the interrupt line is raised on a rising edge of the output, after the
// outermost guard has let go, because the driver's routine runs at once
// and comes back into the model.
#ifndef VL9738K_SIM_BOARD_INTERRUPT_CONTROLLER_H
#define VL9738K_SIM_BOARD_INTERRUPT_CONTROLLER_H

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "ModelLock.h"
#include "RegisterBlock.h"
#include "RegisterFile.h"

namespace sim {

class InterruptController : public RegisterBlock {
 public:
  static constexpr uint64_t kControl = 0x5C;
  static constexpr uint64_t kStatus = 0x60;
  static constexpr uint64_t kQueue = 0x68;
  static constexpr uint64_t kPageControl = 0x3B4;
  static constexpr uint64_t kPageAddress = 0x3B8;
  static constexpr uint64_t kPageData = 0x3C0;
  // Status-word bits of the sources; DMA words carry bit 28 and the channel.
  static constexpr uint32_t kSourceIrq = 1u << 9;
  static constexpr uint32_t kSourceShutdown = 1u << 11;
  static constexpr uint32_t kSource24 = 1u << 24;
  static constexpr uint32_t kSource25 = 1u << 25;
  static constexpr uint32_t kDma = 1u << 28;
  // Set in a status word that another follows (in the queue, or in the
  // page's entries but the last).
  static constexpr uint32_t kMore = 1u << 30;

  // `core` is the block's register file, which answers everything else.
  explicit InterruptController(RegisterFile& core);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The function's interrupt line (raised on every rising edge).
  void setLine(std::function<void()> line);
  uint64_t raisedCount() const { return raised_; }

  // A source of the board reports an event; kept only while the source is enabled.
  void raiseSource(uint32_t sourceBit);
  // A DMA channel's status word (always kept).
  void post(uint32_t word);

  bool outputEnabled() const { return outputEnabled_; }
  bool asserted() const { return asserted_; }
  // Enabled sources as status-word bits.
  uint32_t sourceEnables() const { return sources_; }
  bool statusPageActive() const { return pageOn_ && pageProgrammed_; }
  uint32_t statusPageEntries() const { return pageEntries_; }
  uint64_t statusPageAddress() const { return pageAddress_; }
  size_t queued() const { return queue_.size(); }

  // The bridge model's lock (recursive: a DMA register-write descriptor
  // reaches the bridge's own registers).
  void enter();
  void leave();

 private:
  void control(uint32_t value);
  void programPage(uint32_t value);
  void update();
  void deliverPage();
  uint32_t state() const;

  RegisterFile& core_;
  RecursiveModelLock mutex_;
  int depth_ = 0;
  bool raisePending_ = false;
  std::function<void()> line_;
  uint64_t raised_ = 0;

  bool outputEnabled_ = false;
  bool asserted_ = false;
  uint32_t sources_ = 0;
  std::deque<uint32_t> queue_;
  bool pageOn_ = false;
  bool pageProgrammed_ = false;
  bool pageBusy_ = false;
  uint64_t pageAddress_ = 0;
  uint32_t pageEntries_ = 0;
  uint32_t pageDataBytes_ = 0;
};

class BridgeGuard {
 public:
  explicit BridgeGuard(InterruptController& controller) : controller_(controller) { controller_.enter(); }
  ~BridgeGuard() { controller_.leave(); }
  BridgeGuard(const BridgeGuard&) = delete;
  BridgeGuard& operator=(const BridgeGuard&) = delete;

 private:
  InterruptController& controller_;
};

}  // namespace sim

#endif
