// The requests of the FPGA-session interface, one struct each: its code,
// its two blocks (natural alignment, the caller's status word last in the
// input block, the result status word last in the output block) and its
// handler. The frame of the interface reads each guard as:
//   kNoGuard         validity refresh, admission, the handler whether or
//                    not admitted (a stale session answers its own code),
//                    then the admission given back;
//   kGateGuard       the same, but the handler only once admitted;
//   kInHandlerGuard  the handler admits itself (attribute 1 needs no
//                    admission, the device-wide operations and the block
//                    transfers do their own, configure and download hold the
//                    device's request mutex around theirs).
// Release-personality has no status and no output block; the interface
// serves it by itself.
#ifndef VL9738K_BOARD_IOCTL_FPGA_FPGASESSIONREQUESTS_H
#define VL9738K_BOARD_IOCTL_FPGA_FPGASESSIONREQUESTS_H

#include <stddef.h>
#include <stdint.h>

#include "driver/board/ioctl/RequestFrame.h"

namespace nVL9738K_24_0 {
namespace lymrequests {

// The largest block of the interface: configure-personality's input.
inline constexpr size_t kMaxLymBlock = 72;

// One table line, as the main interface's makeRequest but for this
// interface's larger blocks.
template <class Op, size_t kIn, size_t kOut>
constexpr RequestEntry makeLymRequest() {
  using In = typename Op::In;
  using Out = typename Op::Out;
  static_assert(sizeof(In) == kIn, "input block size");
  static_assert(sizeof(Out) == kOut, "output block size");
  static_assert(kIn <= kMaxLymBlock && kOut <= kMaxLymBlock, "blocks live on the stack");
  static_assert(offsetof(In, status) + 8 >= kIn && offsetof(Out, status) + 8 >= kOut, "status words come last");
  return RequestEntry{Op::kCode,
                      Op::kName,
                      static_cast<uint16_t>(kIn),
                      static_cast<uint16_t>(kOut),
                      static_cast<uint16_t>(offsetof(In, status)),
                      static_cast<uint16_t>(offsetof(Out, status)),
                      Op::kGuard,
                      nullptr,
                      nullptr,
                      &detail::handle<Op>};
}

struct ReleasePersonality {
  static constexpr uint32_t kCode = 0x4020830b;
  static constexpr char kName[] = "vllym_releasePersonality";
  struct In {
    uint64_t ownerId{};
    uint8_t resetWhenLast{};
    uint8_t pad[7]{};
  };
};
static_assert(sizeof(ReleasePersonality::In) == 16, "input block size");

struct GetAttribute32 {
  static constexpr uint32_t kCode = 0x80208300;
  static constexpr char kName[] = "vllym_getAttribute32";
  struct In {
    uint32_t attribute{};
    int32_t status{};
  };
  struct Out {
    uint32_t value{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct SetAttribute32 {
  static constexpr uint32_t kCode = 0x40208301;
  static constexpr char kName[] = "vllym_setAttribute32";
  struct In {
    uint32_t attribute{};
    uint32_t value{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct IsSessionValid {
  static constexpr uint32_t kCode = 0x80208302;
  static constexpr char kName[] = "vllym_isSessionValid";
  struct In {
    int32_t status{};
  };
  struct Out {
    uint32_t valid{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

// The personality block and the FIFO list are copied in up to
// ConfigurePersonalityCommonDeserializer::kMaxCommonBytes and kMaxFifoListBytes
// (-52005 beyond); the bitfile's pages are pinned, bounded by what the caller
// has mapped.
struct ConfigurePersonalityQrt {
  static constexpr uint32_t kCode = 0x4020830a;
  static constexpr char kName[] = "vllym_configurePersonalityQrt";
  struct In {
    uint64_t personalityAddress{};
    uint32_t personalitySize{};
    uint32_t pad0{};
    uint64_t fifoListAddress{};
    uint32_t fifoListSize{};
    uint32_t pad1{};
    uint64_t bitfileAddress{};
    uint32_t bitfileSize{};
    uint32_t options[4]{};
    uint8_t optionsPresent{};
    uint8_t pad2[3]{};
    int32_t status{};
    uint32_t pad3{};
  };
  struct Out {
    uint8_t downloaded{};
    uint8_t pad[3]{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct DownloadToFpga {
  static constexpr uint32_t kCode = 0x4020830c;
  static constexpr char kName[] = "vllym_downloadToFpga";
  struct In {
    uint64_t address{};
    uint32_t size{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct AbortWaits {
  static constexpr uint32_t kCode = 0x4020830d;
  static constexpr char kName[] = "vllym_abortWaits";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct Reset {
  static constexpr uint32_t kCode = 0x4020830e;
  static constexpr char kName[] = "vllym_reset";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct Abort {
  static constexpr uint32_t kCode = 0x4020830f;
  static constexpr char kName[] = "vllym_abort";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct ClientFunctionCall {
  static constexpr uint32_t kCode = 0x40208310;
  static constexpr char kName[] = "vllym_clientFunctionCall";
  struct In {
    uint32_t client{};
    uint32_t function{};
    uint64_t arguments[4]{};
    int32_t status{};
    uint32_t pad{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

// A block transfer's byte count is checked (element size, and the window
// unless the increment is 0) before anything is allocated. It then moves in
// parts of at most kBlockPartBytes through one kernel buffer of the count's
// size up to that, each part under the FPGA locks on its own: with
// increment 0 nothing else bounds the count.
inline constexpr uint32_t kBlockPartBytes = 65536;

struct ReadBlock {
  static constexpr uint32_t kCode = 0x80208314;
  static constexpr char kName[] = "vllym_readBlock";
  struct In {
    uint32_t offset{};
    uint32_t pad{};
    uint64_t address{};
    uint32_t byteCount{};
    uint32_t elementSize{};
    uint32_t increment{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct WriteBlock {
  static constexpr uint32_t kCode = 0x40208315;
  static constexpr char kName[] = "vllym_writeBlock";
  struct In {
    uint32_t offset{};
    uint32_t pad{};
    uint64_t address{};
    uint32_t byteCount{};
    uint32_t elementSize{};
    uint32_t increment{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct Read32 {
  static constexpr uint32_t kCode = 0x80208316;
  static constexpr char kName[] = "vllym_read32";
  struct In {
    uint32_t offset{};
    int32_t status{};
  };
  struct Out {
    uint32_t value{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct Write32 {
  static constexpr uint32_t kCode = 0x40208317;
  static constexpr char kName[] = "vllym_write32";
  struct In {
    uint32_t offset{};
    uint32_t value{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct GetMemoryMappedIoWindowSize {
  static constexpr uint32_t kCode = 0x00208318;
  static constexpr char kName[] = "vllym_getMemoryMappedIoWindowSize";
  struct In {
    int32_t status{};
  };
  struct Out {
    uint32_t size{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct IrqNodeReserve {
  static constexpr uint32_t kCode = 0x4020831e;
  static constexpr char kName[] = "vllym_irqNodeReserve";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct IrqNodeUnreserve {
  static constexpr uint32_t kCode = 0x4020831f;
  static constexpr char kName[] = "vllym_irqNodeUnreserve";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct WaitOnIrqs {
  static constexpr uint32_t kCode = 0x40208320;
  static constexpr char kName[] = "vllym_waitOnIrqs";
  struct In {
    uint32_t irqMask{};
    uint32_t timeoutMs{};
    int32_t status{};
  };
  struct Out {
    uint32_t irqs{};
    uint8_t timedOut{};
    uint8_t pad[3]{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct UnlockFifoBuffer {
  static constexpr uint32_t kCode = 0x40208328;
  static constexpr char kName[] = "vllym_unlockFifoBuffer";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct StartFifo {
  static constexpr uint32_t kCode = 0x40208329;
  static constexpr char kName[] = "vllym_startFifo";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct StopFifo {
  static constexpr uint32_t kCode = 0x4020832a;
  static constexpr char kName[] = "vllym_stopFifo";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct AcquireFifoBytes {
  static constexpr uint32_t kCode = 0x4020832b;
  static constexpr char kName[] = "vllym_acquireFifoBytes";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    uint32_t pad{};
    uint64_t bytes{};
    uint32_t timeoutMs{};
    int32_t status{};
  };
  struct Out {
    uint64_t bytes{};
    uint8_t timedOut{};
    uint8_t pad[3]{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct ReleaseFifoBytes {
  static constexpr uint32_t kCode = 0x4020832c;
  static constexpr char kName[] = "vllym_releaseFifoBytes";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    uint32_t pad0{};
    uint64_t bytes{};
    int32_t status{};
    uint32_t pad1{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct UnreserveFifo {
  static constexpr uint32_t kCode = 0x4020832d;
  static constexpr char kName[] = "vllym_unreserveFifo";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct DeployFifoSettings {
  static constexpr uint32_t kCode = 0x4020832e;
  static constexpr char kName[] = "vllym_deployFifoSettings";
  struct In {
    uint64_t ownerId{};
    uint32_t fifo{};
    uint32_t pad0{};
    uint64_t bufferAddress{};
    uint64_t bufferSize{};
    uint64_t carried{};
    uint32_t carriedWord{};
    uint32_t mode{};
    int32_t status{};
    uint32_t pad1{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

// The image (any u32 size) is copied in only after the session and the
// board said they would take it; this board takes none (-63193), so nothing
// is allocated for it.
struct DownloadToFlash {
  static constexpr uint32_t kCode = 0x40208332;
  static constexpr char kName[] = "vllym_downloadToFlash";
  struct In {
    uint64_t address{};
    uint32_t size{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct SetFlashAutoloadMode {
  static constexpr uint32_t kCode = 0x40208333;
  static constexpr char kName[] = "vllym_setFlashAutoloadMode";
  struct In {
    uint32_t mode{};
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct GetFlashAutoloadMode {
  static constexpr uint32_t kCode = 0x80208334;
  static constexpr char kName[] = "vllym_getFlashAutoloadMode";
  struct In {
    int32_t status{};
  };
  struct Out {
    uint32_t mode{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct ClearFlash {
  static constexpr uint32_t kCode = 0x40208335;
  static constexpr char kName[] = "vllym_clearFlash";
  struct In {
    int32_t status{};
  };
  struct Out {
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

struct GetP2PEndpointId {
  static constexpr uint32_t kCode = 0x8020833c;
  static constexpr char kName[] = "vllym_getP2PEndpointId";
  struct In {
    uint32_t endpoint{};
    int32_t status{};
  };
  struct Out {
    uint32_t id{};
    int32_t status{};
  };
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, nVLAPALS100::tStatus& status);
};

extern const RequestTable kFpgaSessionRequests;

}  // namespace lymrequests
}  // namespace nVL9738K_24_0

#endif
