// One user session's handle on the list engine of one FPGA subsystem. It
// records a commit (a list compiled by the engine's assembler) while the
// user session's ordinary requests run, keeps the listeners that take part
// in it, and drives the engine for that user: list location, start, stop,
// progress and status.
//
// The command control and the assembler belong to the engine and are
// shared by every session of it; only one of them records a list at a
// time. Listeners record only between resumeSnooping and pauseSnooping,
// which the request entry calls around each request of the owning user
// session, under the device's request lock; the session has no lock of
// its own.
#ifndef VL9738K_LISTMODE_SESSION_H
#define VL9738K_LISTMODE_SESSION_H

#include <stdint.h>

#include "CommandControlInterface.h"
#include "CompositeListSnoopingListener.h"
#include "CompositeListStateListener.h"
#include "ListTraits.h"
#include "driver/listmode/pcode/Assembler.h"

namespace listmodek {

class Session {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Cannot fail; owns neither pointer.
  Session(CommandControlInterface* control, pcode::Assembler* assembler, uint8_t subsystem, tStatus& status);
  // Ends a commit under way and stops a list it started, reporting to no
  // one; with an invalidation code set it leaves the engine alone.
  virtual ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  virtual void setInvalidationCode(uint32_t code) { invalidationCode_ = code; }
  // Read from the engine once, then from the cache.
  virtual void getCapabilities(ListTraits& traits, tStatus& status);
  virtual void deployListSettings(const uint64_t (&location)[2], tStatus& status);
  virtual void commit(tStatus& status);
  // Starts the engine and marks it running, also when a listener or the
  // start failed, so that a later abort stops it.
  virtual void initiate(tStatus& status);
  virtual void abortIfRunning(tStatus& status);
  virtual uint64_t readStepInProgress(tStatus& status);
  virtual uint64_t readIterationInProgress(tStatus& status);
  virtual bool readListIsDone(tStatus& status);
  virtual bool readIsFifoUnderflow(tStatus& status);
  virtual void pulseControlBit3(tStatus& status);
  virtual void readDeviceStatus(uint32_t& errorCount, uint64_t& info0, uint64_t& info1, tStatus& status);
  virtual CommandControlInterface* getCommandControl() { return control_; }
  virtual uint8_t getSubsystem() { return subsystem_; }
  virtual bool isCommitting() { return committing_ != 0; }
  virtual void addSnoopingListener(iListSnoopingListener* listener, tStatus& status);
  virtual void addStateListener(iListStateListener* listener, tStatus& status);
  virtual bool hasSnoopingListeners() { return !snoopingListeners_.empty(); }
  virtual bool hasStateListeners() { return !stateListeners_.empty(); }
  bool hasStateListener(const iListStateListener* listener) const { return stateListeners_.contains(listener); }
  virtual void clearListeners();
  virtual void setReservationClientID(const uint64_t& id) { reservationClientId_ = id; }
  virtual uint64_t getReservationClientID() { return reservationClientId_; }
  // Saves the deployed settings, opens a list and starts the snooping
  // listeners; -52031 and nothing changed while the engine's list is open.
  virtual void beginCommit(tStatus& status);
  // Numbers are taken modulo 256. -52017 unless this session records a list.
  virtual void generateListEvent(uint32_t event, tStatus& status);
  virtual void waitForListTrigger(uint32_t trigger, tStatus& status);
  virtual void readyForListTrigger(uint32_t trigger, tStatus& status);
  // -52005 above 32 bits; then -52017 unless this session records a list.
  // Step 0 starts again from the settings saved when the commit began.
  virtual void setListStepUnderCompile(uint64_t step, tStatus& status);
  // Stops snooping, closes the list and tells the snooping listeners the
  // recording is over; reports a failure kept from a pause once.
  virtual void endCommit(tStatus& status);
  virtual void resumeSnooping(tStatus& status);
  // Has no caller to report to: a failure waits for endCommit.
  virtual void pauseSnooping();
  // -52000 and 0 for a list of more than 2^32 - 1 words.
  virtual uint32_t getWordCount(tStatus& status);
  virtual const uint64_t* getBuffer(tStatus& status);

  // What a commit request does before the device attaches the engine's
  // listeners: -52031 and nothing changed while this session records a
  // list; otherwise keeps the reservation client's 32-bit token
  // (zero-extended) and empties the listener lists of an earlier commit.
  void prepareCommitSnooping(uint32_t reservationClient, tStatus& status);
  // Stops the engine, tells the state listeners, and forgets the run only
  // when all went well.
  void abort(tStatus& status);
  // Ends a commit under way as the destructor does, reporting to no one:
  // the listeners stop and end their recording and the list closes. The
  // engine itself is not touched, so a session dropped after a failure
  // can still release the snooping it holds, while the objects last.
  void endCommitUnreported();
  // What the destructor does, answering the stop of a list this session
  // started: whether the engine stopped is the caller's to act on.
  void close(tStatus& status);
  bool isRunning() const { return running_ != 0; }

 private:
  // Whether a list instruction may be added now (-52017 when not).
  bool mayEmit(tStatus& status);
  void fail(int64_t code, tStatus& status, uint64_t line);

  uint32_t invalidationCode_ = 0;
  uint8_t subsystem_;
  ListTraits traits_{};
  uint8_t traitsCached_ = 0;
  uint8_t committing_ = 0;
  uint8_t running_ = 0;
  CommandControlInterface* control_;
  pcode::Assembler* assembler_;
  tStatus pauseStatus_;
  CompositeListSnoopingListener snoopingListeners_;
  CompositeListStateListener stateListeners_;
  uint64_t reservationClientId_ = 0;
};

}  // namespace listmodek

#endif
