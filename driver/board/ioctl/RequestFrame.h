// The shape every request of the main device interface shares: a fixed
// input block ending in the caller's status word, a fixed output block
// ending in the operation's status word, a guard that admits the request
// and a handler. An operation is a small struct (its code, its two blocks,
// its guard and its handler); makeRequest turns it into one table entry
// that the interface's one generic frame runs.
#ifndef VL9738K_BOARD_IOCTL_REQUESTFRAME_H
#define VL9738K_BOARD_IOCTL_REQUESTFRAME_H

#include <stddef.h>
#include <stdint.h>

#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

class Device;
class IoctlCollection;
class Session;

enum class RequestGuard : uint8_t {
  kNone,         // the handler runs directly
  kGate,         // the device's I/O gate around the handler
  kLockAndGate,  // the session lock, then the gate; no deferred record
  kEntryHelper,  // the full request guard of a bring-up level
  kInHandler,    // the handler takes its own guard
};

struct GuardSpec {
  RequestGuard kind;
  uint8_t level;
  bool snoop;
};

inline constexpr GuardSpec kNoGuard{RequestGuard::kNone, 0, false};
inline constexpr GuardSpec kGateGuard{RequestGuard::kGate, 0, false};
inline constexpr GuardSpec kLockAndGateGuard{RequestGuard::kLockAndGate, 0, false};
inline constexpr GuardSpec kInHandlerGuard{RequestGuard::kInHandler, 0, false};
constexpr GuardSpec entryGuard(uint8_t level, bool snoop) {
  return GuardSpec{RequestGuard::kEntryHelper, level, snoop};
}

// What a handler reaches: the interface's collection (and through it the
// device and its services), the request's event descriptor and the
// caller's session.
class RequestContext {
 public:
  RequestContext(IoctlCollection& collection, nVLAPAL000::tEventDescriptor& descriptor)
      : collection_(collection), descriptor_(descriptor) {}

  IoctlCollection& collection() const { return collection_; }
  Device& device() const;
  nVLAPAL000::tEventDescriptor& descriptor() const { return descriptor_; }
  // The caller's session of the main interface; null only for calls that
  // arrive without one.
  Session* session() const;

 private:
  IoctlCollection& collection_;
  nVLAPAL000::tEventDescriptor& descriptor_;
};

struct RequestEntry {
  uint32_t code;
  // The name user mode knows the request by.
  const char* name;
  uint16_t inSize;
  uint16_t outSize;
  // The status words are the last fields; padding may follow them.
  uint16_t inStatusAt;
  uint16_t outStatusAt;
  GuardSpec guard;
  // The guard level chosen from the input block, when it depends on it.
  uint32_t (*levelOf)(const void* in);
  // Copies the fields that stand in both blocks before the guard runs.
  void (*seed)(const void* in, void* out);
  void (*handle)(RequestContext& context, const void* in, void* out, nVLAPALS100::tStatus& status);
};

struct RequestTable {
  const RequestEntry* entries;
  uint32_t count;
};

// The largest block of any request; the frame keeps both on the stack.
inline constexpr size_t kMaxRequestBlock = 64;

namespace detail {

template <class Op, class = void>
struct HasSeed {
  static constexpr bool value = false;
};
template <class Op>
struct HasSeed<Op, decltype(Op::seed(*static_cast<const typename Op::In*>(nullptr),
                                     *static_cast<typename Op::Out*>(nullptr)))> {
  static constexpr bool value = true;
};

template <class Op, class = uint32_t>
struct HasLevel {
  static constexpr bool value = false;
};
template <class Op>
struct HasLevel<Op, decltype(Op::level(*static_cast<const typename Op::In*>(nullptr)))> {
  static constexpr bool value = true;
};

template <class Op>
void handle(RequestContext& context, const void* in, void* out, nVLAPALS100::tStatus& status) {
  Op::handle(context, *static_cast<const typename Op::In*>(in), *static_cast<typename Op::Out*>(out), status);
}

template <class Op>
void seed(const void* in, void* out) {
  Op::seed(*static_cast<const typename Op::In*>(in), *static_cast<typename Op::Out*>(out));
}

template <class Op>
uint32_t level(const void* in) {
  return Op::level(*static_cast<const typename Op::In*>(in));
}

template <class Op>
constexpr auto levelFunction() {
  if constexpr (HasLevel<Op>::value) {
    return &level<Op>;
  } else {
    return static_cast<uint32_t (*)(const void*)>(nullptr);
  }
}

template <class Op>
constexpr auto seedFunction() {
  if constexpr (HasSeed<Op>::value) {
    return &seed<Op>;
  } else {
    return static_cast<void (*)(const void*, void*)>(nullptr);
  }
}

}  // namespace detail

// One table line. The expected sizes are the published block sizes, so a
// layout change that would break user mode does not compile.
template <class Op, size_t kIn, size_t kOut>
constexpr RequestEntry makeRequest() {
  using In = typename Op::In;
  using Out = typename Op::Out;
  static_assert(sizeof(In) == kIn, "input block size");
  static_assert(sizeof(Out) == kOut, "output block size");
  static_assert(kIn <= kMaxRequestBlock && kOut <= kMaxRequestBlock, "blocks live on the stack");
  static_assert(offsetof(In, status) + 8 >= kIn && offsetof(Out, status) + 8 >= kOut, "status words come last");
  return RequestEntry{Op::kCode,
                      Op::kName,
                      static_cast<uint16_t>(kIn),
                      static_cast<uint16_t>(kOut),
                      static_cast<uint16_t>(offsetof(In, status)),
                      static_cast<uint16_t>(offsetof(Out, status)),
                      Op::kGuard,
                      detail::levelFunction<Op>(),
                      detail::seedFunction<Op>(),
                      &detail::handle<Op>};
}

}  // namespace nVL9738K_24_0

#endif
