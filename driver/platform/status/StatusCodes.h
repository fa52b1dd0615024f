// Platform status codes. Negative codes are errors, positive ones warnings.
#ifndef VL9738K_PLATFORM_STATUS_CODES_H
#define VL9738K_PLATFORM_STATUS_CODES_H

#include <stdint.h>

namespace nVLAPALS100 {

enum : int64_t {
  kStatusSuccess = 0,
  kStatusOutOfMemory = -52000,
  kStatusMemoryHandling = -52001,
  kStatusNotSupported = -52002,
  kStatusBadSelector = -52003,
  kStatusInvalidParameter = -52005,
  kStatusNotAccessible = -52006,
  kStatusTimeout = -52007,
  kStatusPlatformFailure = -52008,
  kStatusSessionClosing = -52009,
  kStatusRequestFailure = -52010,
  kStatusReadTooLong = -52012,
  kStatusKernelFailure = -52013,
  kStatusThreadRunning = -52016,
  kStatusAssemblyFailure = -52017,
  kStatusValueOutOfRange = -52018,
  kStatusLookupFailure = -52019,
  kStatusRouteFailure = -52020,
  kStatusGateClosed = -52022,
  kStatusKernelCode51405 = -52023,
  kStatusKernelCode51401 = -52024,
  kStatusInterrupted = -52025,
  kStatusContentMisplaced = -52029,
  kStatusListModeFailure = -52031,
};

}  // namespace nVLAPALS100

#endif
