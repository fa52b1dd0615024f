// The kernel side of one open FPGA session: one handler per request of the
// FPGA-session interface. Each applies the session's stale-session code,
// takes the device's FPGA lock shared (register, block, IRQ and FIFO work)
// or exclusive (whatever changes the design or the personality counts) and
// forwards to the device's FPGA object, IRQ handler, policies or host
// memory buffers. Lock order: the device's request mutex (taken by the
// request interface), the state's recursive mutex, then the FPGA lock; no
// request waits for the FPGA lock holding the request mutex (configure and
// download give it back while they wait), and abort-waits takes no FPGA
// lock at all.
//
// The session counts the personality configurations it holds (the device
// count is their sum over all sessions), remembers the signature it
// expects of the design, and gives everything back when it closes.
#ifndef VL9738K_FPGASESSION_SESSION_H
#define VL9738K_FPGASESSION_SESSION_H

#include <stdint.h>

#include "AtomicLymDeviceState.h"
#include "driver/fpga/session/ConfigurePersonalityCommonDeserializer.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/device/tUserMemoryMap.h"

namespace vllym {

// Kind in bits 12-15, index in bits 0-11.
using MemoryMapId = uint16_t;

inline constexpr int64_t kStatusSignatureMismatch = -61018;
inline constexpr int64_t kStatusMemoryMapsHeld = -61217;
inline constexpr int64_t kStatusFlashInProgress = -61252;
// A session opened before the device was reset, stopped or shut down.
inline constexpr int64_t kStatusStaleSession = static_cast<int32_t>(0xBFFA9179u);

namespace kernel {

class Session {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kFailure32 = 0xFFFFFFFF;
  static constexpr uint64_t kFailure64 = 0xFFFFFFFFFFFFFFFF;

  // Points into `state`. `stateEpoch` is the owner's count of the states it
  // has deleted, which outlives the session: once it moved, `state` may be
  // gone, and the session is stale. Without one the state outlives the
  // session.
  explicit Session(AtomicLymDeviceState& state, const uint32_t* stateEpoch = nullptr);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  uint32_t getAttribute32(uint32_t attribute, tStatus& status);
  void setAttribute32(uint32_t attribute, uint32_t value, tStatus& status);
  bool isSessionValid(tStatus& status);
  void downloadToFpga(const nVLAPAL000::tPageList& bitfile, tStatus& status);
  void abortWaits(int32_t code, tStatus& status);
  void reset(tStatus& status);
  void abort(tStatus& status);
  void clientFunctionCall(nVLAPAL000::tEventDescriptor& descriptor, uint32_t client, uint32_t function,
                          uint64_t argument0, uint64_t argument1, uint64_t argument2, uint64_t argument3,
                          tStatus& status);
  // Reports nothing; a session that holds no personality changes no count.
  void releasePersonality(uint64_t ownerId, bool resetWhenLast);
  void readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t increment,
                 tStatus& status);
  // Block transfers come in parts of a caller's transfer: the whole one is
  // checked first, and a write with more parts to follow flushes its
  // posted writes, as the FPGA does between its own chunks.
  void checkBlock(uint32_t offset, uint32_t byteCount, uint32_t elementSize, uint32_t increment, bool writing,
                  tStatus& status);
  void writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t increment,
                  tStatus& status, bool moreFollows = false);
  uint32_t read32(uint32_t offset, tStatus& status);
  void write32(uint32_t offset, uint32_t value, tStatus& status);
  uint32_t getMemoryMappedIoWindowSize(tStatus& status);
  void irqNodeReserve(tStatus& status);
  void irqNodeUnreserve(tStatus& status);
  uint32_t waitOnIrqs(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status);
  void unlockFifoBuffer(uint64_t ownerId, uint32_t fifo, tStatus& status);
  void startFifo(uint64_t ownerId, uint32_t fifo, tStatus& status);
  void stopFifo(uint64_t ownerId, uint32_t fifo, tStatus& status);
  void deployFifoSettings(nVLAPAL000::tEventDescriptor& descriptor, uint64_t ownerId, uint32_t fifo,
                          const FpgaFifoSettings& settings, tStatus& status);
  uint64_t acquireFifoBytes(uint64_t ownerId, uint32_t fifo, uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut,
                            tStatus& status);
  void releaseFifoBytes(uint64_t ownerId, uint32_t fifo, uint64_t bytes, tStatus& status);
  void unreserveFifo(uint64_t ownerId, uint32_t fifo, tStatus& status);
  // The refusals of a flash download (a personality on the device, a
  // download in progress, a board that takes none), asked before the
  // caller's image is copied in; downloadToFlash asks them again.
  bool acceptsFlashDownload(tStatus& status);
  void downloadToFlash(const uint8_t* image, uint32_t size, tStatus& status);
  void setFlashAutoloadMode(uint32_t mode, tStatus& status);
  uint32_t getFlashAutoloadMode(tStatus& status);
  void clearFlash(tStatus& status);
  uint32_t getP2PEndpointId(uint32_t endpoint, tStatus& status);
  // `word` is carried, not interpreted. `downloaded` tells whether the
  // design was downloaded for this configuration.
  void configurePersonality(const nVLAPAL000::tPageList& bitfile, const CommonRegisterSet& registers, uint32_t word,
                            uint32_t attributes, const vlhtl::Vector<FifoInfo>& fifos, const Signature& signature,
                            int32_t refusalCode, uint8_t* downloaded, tStatus& status);
  // The map's region carries a MemoryMapId: kind 1 the FPGA's register
  // window, 2 a host memory buffer, 4 a peer-to-peer sink (listed while
  // linked); any other kind is refused.
  void mapMemory(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  void unmapMemory(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map);
  // Once set, never cleared: every later request fails with it.
  void setInvalidStatus(int32_t code) { invalidStatus_ = code; }
  // Gives back the session's FIFOs and personalities when the device state
  // it points into is still the device's; otherwise only its own data goes.
  void close(bool stateIsCurrent);
  // Whether the state the session was opened on is still its owner's.
  bool isOnCurrentState() const;

  uint64_t getMemoryMapCount() const { return memoryMaps_.size(); }
  uint32_t getPersonalityCount() const { return personalityCount_; }
  int32_t getInvalidStatus() const { return invalidStatus_; }
  const Signature& getExpectedSignature() const { return expected_; }

 private:
  // The stale-session guard: true when the request may go on. Every road
  // to the state passes it, once admitted on the device.
  bool guard(tStatus& status);
  uint64_t identity() const { return reinterpret_cast<uint64_t>(this); }
  void verifySignature(tStatus& status);
  void release(uint64_t ownerId, bool resetWhenLast);
  // Runs `work` with the flash in-progress mark set and the lock released.
  template <typename tWork>
  void runFlashOperation(tStatus& status, tWork work);
  void restoreRegisters(const CommonRegisterSet& registers);
  void discardOwnData();
  // The exclusive FPGA lock for configure and download, which run under the
  // device's request lock: a reader may wait without limit, so the request
  // lock is given back while the lock is waited for.
  void acquireExclusiveForRequest();
  MemoryMapId* findMemoryMap(MemoryMapId id);

  Fpga* fpga_;
  uint32_t* devicePersonalityCount_;
  ReaderWriterLock* lock_;
  nVLAPAL000::tMutex* mutex_;
  int32_t* downloadRefusal_;
  DownloadToFlashProgressCheckerSimple* progress_;
  FpgaDownloadPolicySingleFpgaSession* downloadPolicy_;
  OpenFpgaSessionPolicyCommon* openPolicy_;
  IrqHandler* irq_;
  uint32_t personalityCount_;
  SignatureRegisterCommon* signature_;
  Signature expected_;
  int32_t invalidStatus_;
  vlhtl::Vector<MemoryMapId> memoryMaps_;
  CommonRegisterSet* applied_;
  nVLAPAL000::tMutex* const* requestLock_;
  const uint32_t* stateEpoch_;
  uint32_t stateEpochAtOpen_;
};

}  // namespace kernel
}  // namespace vllym

#endif
