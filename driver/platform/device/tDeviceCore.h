// The base of every device object: its plug-and-play state, the gate that
// admits, holds or refuses requests, the counts of admitted requests and
// open sessions with the events that report them drained, the list of
// pending asynchronous operations, and the table of operations through
// which the kernel-layer callbacks reach the board driver.
#ifndef VL9738K_PLATFORM_TDEVICECORE_H
#define VL9738K_PLATFORM_TDEVICECORE_H

#include <stdint.h>

#include "../dma/tDMAConfiguration.h"
#include "../status/tStatus.h"
#include "../sync/tSpinLock.h"
#include "../sync/tWaitQueue.h"
#include "DeviceTypes.h"
#include "tAsyncIO.h"

namespace nVLAPAL000 {

class tDeviceInterface;
class tSession;
class tUserBuffer;
class tUserMemoryMap;
struct tProperty;

class tDeviceCore {
 public:
  virtual ~tDeviceCore();
  tDeviceCore(const tDeviceCore&) = delete;
  tDeviceCore& operator=(const tDeviceCore&) = delete;

  // Device operations. An operation a device does not override either does
  // nothing or refuses with "not supported".
  // Null-terminated lists, or null when the device publishes none.
  virtual tDeviceInterface** getDeviceInterfaces();
  virtual tProperty** getDeviceProperties();
  virtual tSession* createSession(tEventDescriptor& descriptor, tDeviceInterface* interface,
                                  nVLAPALS100::tStatus& status);
  virtual void beginSessionClose(tEventDescriptor& descriptor);
  virtual void destroySession(tEventDescriptor& descriptor, tSession* session);
  virtual uint64_t read(tEventDescriptor& descriptor, tUserBuffer& buffer, nVLAPALS100::tStatus& status);
  virtual uint64_t write(tEventDescriptor& descriptor, tUserBuffer& buffer, nVLAPALS100::tStatus& status);
  virtual uint64_t ioControl(tEventDescriptor& descriptor, uint32_t code, tUserBuffer& in, tUserBuffer& out,
                             nVLAPALS100::tStatus& status);
  virtual void mapMemory(tEventDescriptor& descriptor, tUserMemoryMap* map, nVLAPALS100::tStatus& status);
  virtual void unmapMemory(tEventDescriptor& descriptor, tUserMemoryMap* map);
  // State transitions, run by changeState.
  virtual void start(tEventDescriptor& descriptor, nVLAPALS100::tStatus& status);          // not started -> ready
  virtual void stop(tEventDescriptor& descriptor);                                         // suspended -> not started
  virtual bool quiesce(tEventDescriptor& descriptor, uint32_t reason, bool refuseIfOpen);  // ready -> suspended
  virtual void openStateGate(tEventDescriptor& descriptor);                                // suspended -> ready
  virtual void sleep(tEventDescriptor& descriptor);                                        // suspended -> sleep
  virtual void wake(tEventDescriptor& descriptor);                                         // sleep -> suspended
  virtual void markNotPresent(tEventDescriptor& descriptor);                               // not started -> not present
  virtual void createIONotifier(tEventDescriptor& descriptor, uint32_t kind, tIONotifierParams& params,
                                nVLAPALS100::tStatus& status);
  virtual void destroyIONotifier(tEventDescriptor& descriptor, uint32_t kind);
  // The bus side of a device; a bus device defines both.
  virtual void startBus(uint64_t word, nVLAPALS100::tStatus& status) = 0;
  virtual void stopBus() = 0;
  virtual void configureDMA(tDMAConfiguration::tDMAType type, nVLAPALS100::tStatus& status);
  // Admission of one request (session may be null): true when admitted, and
  // then endIO must follow. `timeoutMs` bounds a wait on a suspended gate.
  virtual bool beginIO(tSession* session, nVLAPALS100::tStatus& status, uint32_t timeoutMs);
  virtual void endIO(tSession* session);
  // Counts work that runs whatever the gate says (a session's close) among
  // the requests in flight, so that a drain waits for it; endIO(nullptr)
  // ends it.
  void beginUnadmittedIO();
  virtual void acquireAsyncIOLock();
  virtual void releaseAsyncIOLock();

  // Walks the state machine to `target`. False when a transition refused
  // or failed; the state is then where the walk stopped.
  bool changeState(tEventDescriptor& descriptor, tPnPState target, uint32_t reason, bool refuseIfOpen,
                   nVLAPALS100::tStatus& status);
  // Waits until no admitted request remains (0: do not wait, kWaitForever: no bound).
  void waitForDrain(bool interruptible, nVLAPALS100::tStatus& status, uint32_t timeoutMs);
  tSession* openDeviceInterface(tEventDescriptor& descriptor, tDeviceInterface* interface,
                                nVLAPALS100::tStatus& status);
  void closeDeviceInterface(tEventDescriptor& descriptor, tSession* session);
  // Starts an asynchronous operation: admits it without waiting and queues it.
  bool startAsyncIO(tAsyncIO& operation, nVLAPALS100::tStatus& status);
  // Ends a pending operation with its result; false when it was no longer pending.
  bool completeAsyncIO(tAsyncIO& operation, void* result);
  void flushPendingAsyncIO();
  void cancelSessionAsyncIO(tSession* session);

  static const char* stateName(tPnPState state);

  tPnPState getState() const { return state_; }
  tPnPState getPreviousState() const { return previousState_; }
  uint32_t getGate() const;
  // Closing or opening the gate wakes the requests waiting at it; a
  // suspension only makes new requests wait.
  void setGate(uint32_t gate);
  uint32_t getOpenSessionCount() const;
  uint32_t getInFlightCount() const;
  const tDMAConfiguration& getDMAConfiguration() const { return dmaConfiguration_; }

 protected:
  explicit tDeviceCore(nVLAPALS100::tStatus& status);

  tDMAConfiguration& dmaConfiguration() { return dmaConfiguration_; }

 private:
  bool admit(tSession* session);
  bool tryBeginIO(tSession* session, nVLAPALS100::tStatus& status);
  bool waitWhileSuspended(nVLAPALS100::tStatus& status, uint32_t timeoutMs);
  bool stepTowards(tEventDescriptor& descriptor, tPnPState target, uint32_t reason, bool refuseIfOpen,
                   nVLAPALS100::tStatus& status, bool& arrived);
  void setState(tPnPState state);
  void cancelQueued(tAsyncIOLink& head);
  void cancelOne(tAsyncIO& operation);
  void withdraw(tAsyncIO& operation);

  tSpinLock asyncIOLock_;
  tPnPState state_;
  tPnPState previousState_;
  tEvent drainEvent_;
  uint32_t openSessions_;
  uint32_t inFlight_;
  tAsyncIOLink asyncList_;
  tEvent gateEvent_;
  uint32_t gate_;
  tDMAConfiguration dmaConfiguration_;
};

}  // namespace nVLAPAL000

#endif
