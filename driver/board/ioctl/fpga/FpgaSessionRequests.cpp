#include "FpgaSessionRequests.h"

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/IoctlCollection.h"
#include "driver/fpgasession/AtomicLymSession.h"
#include "driver/fpgasession/Fpga.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/sync/tWaitQueue.h"

namespace nVL9738K_24_0 {
namespace lymrequests {

namespace {

using tStatus = nVLAPALS100::tStatus;

// Block transfers up to this size need no allocation.
constexpr uint32_t kLocalBlock = 64;
constexpr uint32_t kInterfaceAttribute = 1;

vllym::kernel::Session& kernel(RequestContext& context) {
  return static_cast<qrtlym::AtomicLymSession*>(context.descriptor().session)->getKernelSession();
}

void refresh(RequestContext& context) { context.collection().refreshLymSessionValidity(context.descriptor().session); }

// Admission around `work`, which runs whether or not the device admitted
// the request: the session's handlers answer for themselves.
template <typename tWork>
void admitted(RequestContext& context, tStatus& status, tWork work) {
  Device& device = context.device();
  nVLAPAL000::tSession* session = context.descriptor().session;
  const bool entered = device.beginIO(session, status, nVLAPAL000::kWaitForever);
  work();
  if (entered) device.endIO(session);
}

// A kernel buffer for a block transfer: the caller's local one when it is
// large enough, else one of exactly the count. While the status holds an
// error no buffer is made, and the session's handler returns before using it.
class BlockBuffer {
 public:
  BlockBuffer(uint32_t count, tStatus& status) : data_(local_), allocated_(false) {
    if (count <= kLocalBlock || status.isFatal()) return;
    void* block = nVLAPAL000::operatorNewArrayWithStatus(count, status, nVLAPAL000::kAllocationKindPlain);
    if (block == nullptr) return;
    data_ = static_cast<uint8_t*>(block);
    allocated_ = true;
  }
  ~BlockBuffer() {
    if (allocated_) nVLAPAL000::operatorDelete(data_);
  }
  BlockBuffer(const BlockBuffer&) = delete;
  BlockBuffer& operator=(const BlockBuffer&) = delete;
  uint8_t* data() { return data_; }

 private:
  alignas(8) uint8_t local_[kLocalBlock];
  uint8_t* data_;
  bool allocated_;
};

}  // namespace

void GetAttribute32::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  refresh(context);
  out.value = 0xFFFFFFFF;
  if (status.isFatal()) return;
  if (in.attribute == kInterfaceAttribute) {
    out.value = context.collection().getAtomicLymInterface().getAttribute1();
    return;
  }
  admitted(context, status, [&] { out.value = kernel(context).getAttribute32(in.attribute, status); });
  if (status.isFatal()) out.value = 0xFFFFFFFF;
}

void SetAttribute32::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  refresh(context);
  if (status.isFatal()) return;
  if (in.attribute == kInterfaceAttribute) {
    context.collection().getAtomicLymInterface().setAttribute1(in.value);
    return;
  }
  admitted(context, status, [&] { kernel(context).setAttribute32(in.attribute, in.value, status); });
}

void IsSessionValid::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  refresh(context);
  const bool valid = context.collection().getAtomicLymInterface().vllym_isSessionValid(context.descriptor(), status);
  out.valid = valid ? 1 : 0;
}

// The device's request mutex keeps the configuration apart from every
// main-interface request and from downloads; the bitfile pages are locked
// for as long as the personality record lives.
void ConfigurePersonalityQrt::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  Device& device = context.device();
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(device.getSessionLock());
  admitted(context, status, [&] {
    refresh(context);
    vllym::ConfigurePersonalityCommonDeserializer personality(context.descriptor(), in.personalityAddress,
                                                              in.personalitySize, in.fifoListAddress, in.fifoListSize,
                                                              in.bitfileAddress, in.bitfileSize, status, true);
    if (in.optionsPresent != 0) {
      context.collection().configurePersonalityOptions(in.options[0], in.options[1], in.options[2], in.options[3],
                                                       status);
    }
    if (status.isFatal()) return;
    kernel(context).configurePersonality(personality.getBitfile(), personality.getCommonRegisterSet(),
                                         personality.getPersonalityWord(), personality.getAttributes(),
                                         personality.getFifos(), personality.getSignature(),
                                         personality.getDownloadRefusalCode(), &out.downloaded, status);
  });
}

void DownloadToFpga::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(context.device().getSessionLock());
  refresh(context);
  context.collection().getAtomicLymInterface().vllym_downloadToFpga(
      context.descriptor(), reinterpret_cast<void*>(in.address), in.size, status);
}

void AbortWaits::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  kernel(context).abortWaits(vllym::kStatusWaitAborted, status);
}

void Reset::handle(RequestContext& context, const In&, Out&, tStatus& status) { kernel(context).reset(status); }

void Abort::handle(RequestContext& context, const In&, Out&, tStatus& status) { kernel(context).abort(status); }

void ClientFunctionCall::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).clientFunctionCall(context.descriptor(), in.client, in.function, in.arguments[0], in.arguments[1],
                                     in.arguments[2], in.arguments[3], status);
}

namespace {

// The part of a block transfer that starts `done` bytes in: whole groups of
// the FPGA's own write chunks, so that a part boundary falls where the FPGA
// flushes its posted writes anyway.
struct BlockPart {
  BlockPart(uint32_t byteCount, uint32_t elementSize)
      : bytes(byteCount),
        most(kBlockPartBytes / (vllym::kernel::Fpga::kElementsPerChunk * elementSize) *
             vllym::kernel::Fpga::kElementsPerChunk * elementSize) {}
  uint32_t length(uint32_t done) const { return bytes - done < most ? bytes - done : most; }
  uint32_t bytes;
  uint32_t most;
};

// Between two parts a reset, stop or removal that closed the device's gate
// ends the transfer: its drain must not wait for the rest of it.
bool gateStillOpen(RequestContext& context, tStatus& status) {
  if (context.device().getGate() == nVLAPAL000::kGateOpen) return true;
  status.setCode(nVLAPALS100::kStatusGateClosed, VL_SITE);
  return false;
}

// A block transfer, checked whole before its buffer is made, then moved a
// part at a time: `move` (session, user buffer, kernel buffer, FPGA offset,
// bytes done, length) takes each part between the FPGA and user memory.
template <typename tIn, typename tMove>
void inParts(RequestContext& context, const tIn& in, bool writing, tStatus& status, tMove move) {
  vllym::kernel::Session& session = kernel(context);
  session.checkBlock(in.offset, in.byteCount, in.elementSize, in.increment, writing, status);
  if (status.isFatal()) return;
  const BlockPart part(in.byteCount, in.elementSize);
  BlockBuffer buffer(part.length(0), status);
  nVLAPAL000::tUserBuffer user(context.descriptor(), in.address, in.byteCount, status);
  uint32_t done = 0;
  do {
    const uint32_t length = part.length(done);
    const auto offset = static_cast<uint32_t>(in.offset + uint64_t{done / in.elementSize} * in.increment);
    move(session, user, buffer.data(), offset, done, length);
    done += length;
  } while (done < in.byteCount && status.isNotFatal() && gateStillOpen(context, status));
}

}  // namespace

// The copies to and from user memory run outside every FPGA lock.
void ReadBlock::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  refresh(context);
  admitted(context, status, [&] {
    inParts(context, in, false, status,
            [&](auto& session, auto& user, uint8_t* data, uint32_t offset, uint32_t done, uint32_t length) {
              session.readBlock(offset, data, length, in.elementSize, in.increment, status);
              if (status.isNotFatal()) user.writeToBuffer(done, data, length, status);
            });
  });
}

// A part with more to follow flushes its posted writes before the next.
void WriteBlock::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  refresh(context);
  admitted(context, status, [&] {
    inParts(context, in, true, status,
            [&](auto& session, auto& user, uint8_t* data, uint32_t offset, uint32_t done, uint32_t length) {
              user.readFromBuffer(done, data, length, status);
              if (status.isNotFatal()) {
                session.writeBlock(offset, data, length, in.elementSize, in.increment, status,
                                   done + length < in.byteCount);
              }
            });
  });
}

void Read32::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.value = kernel(context).read32(in.offset, status);
}

void Write32::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).write32(in.offset, in.value, status);
}

void GetMemoryMappedIoWindowSize::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  out.size = kernel(context).getMemoryMappedIoWindowSize(status);
}

void IrqNodeReserve::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  kernel(context).irqNodeReserve(status);
}

void IrqNodeUnreserve::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  kernel(context).irqNodeUnreserve(status);
}

void WaitOnIrqs::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.irqs = kernel(context).waitOnIrqs(in.irqMask, in.timeoutMs, &out.timedOut, status);
}

void UnlockFifoBuffer::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).unlockFifoBuffer(in.ownerId, in.fifo, status);
}

void StartFifo::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).startFifo(in.ownerId, in.fifo, status);
}

void StopFifo::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).stopFifo(in.ownerId, in.fifo, status);
}

void AcquireFifoBytes::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.bytes = kernel(context).acquireFifoBytes(in.ownerId, in.fifo, in.bytes, in.timeoutMs, &out.timedOut, status);
}

void ReleaseFifoBytes::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).releaseFifoBytes(in.ownerId, in.fifo, in.bytes, status);
}

void UnreserveFifo::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  kernel(context).unreserveFifo(in.ownerId, in.fifo, status);
}

void DeployFifoSettings::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  const vllym::FpgaFifoSettings settings{static_cast<int32_t>(in.mode), in.bufferAddress, in.bufferSize};
  kernel(context).deployFifoSettings(context.descriptor(), in.ownerId, in.fifo, settings, status);
}

void DownloadToFlash::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  refresh(context);
  context.collection().getAtomicLymInterface().vllym_downloadToFlash(
      context.descriptor(), reinterpret_cast<void*>(in.address), in.size, status);
}

void SetFlashAutoloadMode::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  refresh(context);
  context.collection().getAtomicLymInterface().vllym_setFlashAutoloadMode(context.descriptor(), in.mode, status);
}

void GetFlashAutoloadMode::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  refresh(context);
  out.mode = context.collection().getAtomicLymInterface().vllym_getFlashAutoloadMode(context.descriptor(), status);
}

void ClearFlash::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  refresh(context);
  context.collection().getAtomicLymInterface().vllym_clearFlash(context.descriptor(), status);
}

void GetP2PEndpointId::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.id = kernel(context).getP2PEndpointId(in.endpoint, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeLymRequest<GetAttribute32, 8, 8>(),
    makeLymRequest<SetAttribute32, 12, 4>(),
    makeLymRequest<IsSessionValid, 4, 8>(),
    makeLymRequest<ConfigurePersonalityQrt, 72, 8>(),
    makeLymRequest<DownloadToFpga, 16, 4>(),
    makeLymRequest<AbortWaits, 4, 4>(),
    makeLymRequest<Reset, 4, 4>(),
    makeLymRequest<Abort, 4, 4>(),
    makeLymRequest<ClientFunctionCall, 48, 4>(),
    makeLymRequest<ReadBlock, 32, 4>(),
    makeLymRequest<WriteBlock, 32, 4>(),
    makeLymRequest<Read32, 8, 8>(),
    makeLymRequest<Write32, 12, 4>(),
    makeLymRequest<GetMemoryMappedIoWindowSize, 4, 8>(),
    makeLymRequest<IrqNodeReserve, 4, 4>(),
    makeLymRequest<IrqNodeUnreserve, 4, 4>(),
    makeLymRequest<WaitOnIrqs, 12, 12>(),
    makeLymRequest<UnlockFifoBuffer, 16, 4>(),
    makeLymRequest<StartFifo, 16, 4>(),
    makeLymRequest<StopFifo, 16, 4>(),
    makeLymRequest<AcquireFifoBytes, 32, 16>(),
    makeLymRequest<ReleaseFifoBytes, 32, 4>(),
    makeLymRequest<UnreserveFifo, 16, 4>(),
    makeLymRequest<DeployFifoSettings, 56, 4>(),
    makeLymRequest<DownloadToFlash, 16, 4>(),
    makeLymRequest<SetFlashAutoloadMode, 8, 4>(),
    makeLymRequest<GetFlashAutoloadMode, 4, 8>(),
    makeLymRequest<ClearFlash, 4, 4>(),
    makeLymRequest<GetP2PEndpointId, 8, 8>(),
};

}  // namespace

const RequestTable kFpgaSessionRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace lymrequests
}  // namespace nVL9738K_24_0
