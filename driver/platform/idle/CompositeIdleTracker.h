// The composite idle tracker: a kernel component outside this module,
// shared with other drivers, that hands out reservation client ids and
// keeps, per id, how many holders it has and whether it is idle.
//
// Every call receives the caller's status record and may add its own error
// to it; callers make some of these calls on a status that already holds an
// error (giving an id back after a failed insert, reporting idleness after
// an invalid-id error), and the tracker must then keep the first error.
#ifndef VL9738K_PLATFORM_IDLE_COMPOSITE_IDLE_TRACKER_H
#define VL9738K_PLATFORM_IDLE_COMPOSITE_IDLE_TRACKER_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

#ifdef __cplusplus
extern "C" {
#endif

// A new id (never 0) with one holder, or 0 with an error in the status.
uint32_t rfCompositeIdleTracker_createIdleID(nVLAPALS100_tStatus* status);
// Drops one holder; the id is gone once it has none.
void rfCompositeIdleTracker_releaseIdleID(uint32_t id, nVLAPALS100_tStatus* status);
// Adds a holder to an existing id (a second client attaching to it).
void rfCompositeIdleTracker_increaseReferenceCount(uint32_t id, nVLAPALS100_tStatus* status);
// 1 when the id is idle.
int32_t rfCompositeIdleTracker_getStatus(uint32_t id, nVLAPALS100_tStatus* status);
// Records the id's idle flag (1 idle, 0 busy).
void rfCompositeIdleTracker_setStatus(uint32_t id, int32_t idle, nVLAPALS100_tStatus* status);

#ifdef __cplusplus
}
#endif

#endif
