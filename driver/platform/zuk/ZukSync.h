// Kernel-layer locks, threads and single-use events.
#ifndef VL9738K_ZUK_SYNC_H
#define VL9738K_ZUK_SYNC_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

// Spin locks: a handle of 0 means the lock could not be created.
uint64_t nVLZUK100_createSpinLock(void);
void nVLZUK100_destroySpinLock(uint64_t lock);
// Interrupt level: returns the interrupt state to hand back on release.
uint64_t nVLZUK110_acquireSpinLockInterrupt(uint64_t lock);
void nVLZUK110_releaseSpinLockInterrupt(uint64_t lock, uint64_t savedState);
void nVLZUK100_acquireSpinLockDPC(uint64_t lock);
void nVLZUK100_releaseSpinLockDPC(uint64_t lock);

// Sleeping mutexes (not recursive): a handle of 0 means failure.
uint64_t nVLZUK150_createMutex(void);
void nVLZUK150_destroyMutex(uint64_t mutex);
void nVLZUK150_acquireMutex(uint64_t mutex);
void nVLZUK150_releaseMutex(uint64_t mutex);

// An opaque non-zero handle of the calling thread.
uint64_t nVLZUK100_getThreadHandle(void);

void nVLZUK100_initializeSingleUseEvent(nVLZUK_tSingleUseEvent* event);
void nVLZUK100_releaseSingleUseEvent(nVLZUK_tSingleUseEvent* event);
void nVLZUK100_waitForSingleUseEvent(nVLZUK_tSingleUseEvent* event);
// Returns 0 when the event was released, non-zero when the wait was
// interrupted (the event may still be released later).
int32_t nVLZUK100_waitForSingleUseEventInterruptible(nVLZUK_tSingleUseEvent* event);
// Waits until the event is released. When `timeoutMs` passes first, the
// expiry routine runs once and the wait goes on until the event is
// released. Returns non-zero when an interruptible wait was interrupted.
int32_t nVLZUK100_waitForSingleUseEventTimeout(nVLZUK_tSingleUseEvent* event, uint32_t timeoutMs,
                                               nVLZUK_tExpiryRecord* expiry, int32_t interruptible);

#ifdef __cplusplus
}
#endif

#endif
