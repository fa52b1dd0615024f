// Word-sized atomics on the compiler's builtins: they compile to single
// locked instructions and need no runtime library. Sequentially consistent
// throughout: admission counts a request in and then re-reads the gate,
// while a closer changes the gate and then reads the count, and both sides
// must see each other's write.
#ifndef VL9738K_PLATFORM_ATOMIC_H
#define VL9738K_PLATFORM_ATOMIC_H

#include <stdint.h>

namespace nVLAPAL000 {

inline uint32_t atomicLoad(const uint32_t& value) { return __atomic_load_n(&value, __ATOMIC_SEQ_CST); }
inline void atomicStore(uint32_t& value, uint32_t newValue) { __atomic_store_n(&value, newValue, __ATOMIC_SEQ_CST); }
// Both return the new value.
inline uint32_t atomicIncrement(uint32_t& value) { return __atomic_add_fetch(&value, 1, __ATOMIC_SEQ_CST); }
inline uint32_t atomicDecrement(uint32_t& value) { return __atomic_sub_fetch(&value, 1, __ATOMIC_SEQ_CST); }
// Stores `desired` only when `value` holds `expected`; true when it did.
inline bool atomicCompareExchange(uint32_t& value, uint32_t expected, uint32_t desired) {
  return __atomic_compare_exchange_n(&value, &expected, desired, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

// Orders this processor's earlier stores before its later ones, as a
// device reading memory sees them (descriptors before the go-ahead).
inline void storeFence() {
#if defined(__x86_64__)
  __builtin_ia32_sfence();
#else
  __atomic_thread_fence(__ATOMIC_SEQ_CST);
#endif
}

// Orders later loads after earlier ones (a device's status word before
// what it describes).
inline void loadFence() {
#if defined(__x86_64__)
  __builtin_ia32_lfence();
#else
  __atomic_thread_fence(__ATOMIC_SEQ_CST);
#endif
}

}  // namespace nVLAPAL000

#endif
