// The FPGA's user interrupt lines (IRQs) as waits: the FPGA's IRQ block
// (enable, mask, level status) is driven through the FPGA window, the
// handler sits in the interrupt manager's IRQ slot, and any number of
// threads wait each on its own node for any IRQ of a mask. The interrupt
// routine masks the block, reads the pending lines, wakes every waiter
// whose mask holds one of them and unmasks only what the remaining waiters
// still want: lines stay pending until user mode acknowledges them.
//
// Nodes are reserved ahead of the waits so that a wait need not allocate;
// the idle list, the waiting list and the mask register change only under
// the ISR lock or inside the routine.
#ifndef VL9738K_FPGA_IRQ_IRQHANDLER_H
#define VL9738K_FPGA_IRQ_IRQHANDLER_H

#include <stdint.h>

#include "driver/fpga/AutoResetEvent.h"
#include "driver/fpga/interrupt/InterruptManagerBase.h"
#include "driver/regaccess/IIoAccessor.h"

namespace vllym {

class IrqHandler : public IIrqInterruptHandler {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kUnset = 0xFFFFFFFF;
  static constexpr uint32_t kEnableOffset = 0;
  static constexpr uint32_t kMaskOffset = 8;
  static constexpr uint32_t kStatusOffset = 12;
  static constexpr uint32_t kAllLines = 0xFFFFFFFF;

  // Neither is owned; no hardware access here.
  IrqHandler(kernel::IIoAccessor* registers, InterruptManagerBase* manager, tStatus& status);
  ~IrqHandler() override;
  IrqHandler(const IrqHandler&) = delete;
  IrqHandler& operator=(const IrqHandler&) = delete;

  // The block's registers from its base; returns the mask register's offset.
  virtual uint32_t setBaseOffset(uint32_t base);
  virtual void enable(tStatus& status);
  virtual void disable(tStatus& status);
  virtual void reserveIrqNode(tStatus& status);
  virtual void unreserveIrqNode(tStatus& status);
  virtual void freeIrqNodes();
  // Time-out in milliseconds: 0 polls the status register, 0xFFFFFFFF has
  // no bound. Returns the IRQs that ended the wait, 0 on time-out (with
  // *timedOut set) or error.
  virtual uint32_t waitOnIrqs(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status);
  virtual void acknowledge(uint32_t irqMask, tStatus& status);
  // Wakes every waiter with the code; later waits fail with it until clearAbort.
  virtual void abortWaits(int32_t abortStatus);
  // The same for good, for a device that resets, stops or loses its board:
  // clearAbort no longer ends it, so a design reset admitted before the
  // gate closed cannot let a later wait block the drain.
  virtual void closeWaits(int32_t abortStatus);
  virtual void clearAbort();
  // Interrupt context.
  virtual void serviceInterrupt();
  void handleInterrupt() override { serviceInterrupt(); }

  bool isUsable() const { return enabled_ != 0 && enableRegister_ != kUnset; }
  // Counts for checks; taken under the ISR lock.
  uint32_t countIdleNodes();
  uint32_t countWaitingNodes();
  uint32_t getCombinedMask();

 private:
  struct Node {
    Node* next;
    Node* previous;
    uint32_t mask;
    uint32_t fired;
    AutoResetEvent event;
    explicit Node(tStatus& status) : next(nullptr), previous(nullptr), mask(0), fired(0), event(status) {}
  };
  // A doubly linked list of nodes in arrival order.
  struct NodeList {
    Node* head = nullptr;
    Node* tail = nullptr;
    void append(Node* node);
    void remove(Node* node);
    Node* takeFirst();
    bool contains(const Node* node) const;
    uint32_t count() const;
  };

  static constexpr uint8_t kAborted = 1;
  static constexpr uint8_t kAbortedForGood = 2;

  uint32_t waitStep(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status);
  void abort(int32_t abortStatus, uint8_t how);
  void setEnabled(uint8_t enabled);
  // Signals each waiter with the pending lines; signalled ones leave.
  // Returns the mask the remaining waiters want.
  uint32_t wakeWaiters(uint32_t pending);
  uint32_t rebuildMask() const;
  void destroyNode(Node* node);
  IsrLockPrimary* isrLock() const { return manager_ != nullptr ? manager_->getIsrLock() : nullptr; }

  NodeList idle_;
  uint32_t combinedMask_;
  NodeList waiting_;
  kernel::IIoAccessor* registers_;
  InterruptManagerBase* manager_;
  uint32_t statusRegister_;
  uint32_t maskRegister_;
  uint32_t enableRegister_;
  uint8_t enabled_;
  // 0, kAborted or kAbortedForGood.
  uint8_t aborted_;
  int32_t abortStatus_;
};

}  // namespace vllym

#endif
