// Kernel-layer threads and the time of day.
#ifndef VL9738K_ZUK_THREAD_H
#define VL9738K_ZUK_THREAD_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

// What a new kernel thread runs: entry(context). The record belongs to the
// caller and must stay valid until the thread has been joined.
typedef struct nVLZUK_tThreadRecord {
  void (*entry)(void* context);
  void* context;
} nVLZUK_tThreadRecord;

// Starts a thread that shows `name` in the kernel's thread list. Returns 0
// and the thread's id, or a negative kernel-layer code (no thread then).
int32_t nVLZUK250_createNamedThread(nVLZUK_tThreadRecord* record, const char* name, uint64_t* threadId);
// Waits until the thread has returned from its entry; the id is then void.
void nVLZUK200_joinThread(uint64_t threadId);

// Wall-clock time: whole seconds since 1970-01-01 UTC and the microseconds
// of the current second.
void nVLZUK100_getTimeOfDay(uint64_t* seconds, uint64_t* microseconds);

#ifdef __cplusplus
}
#endif

#endif
