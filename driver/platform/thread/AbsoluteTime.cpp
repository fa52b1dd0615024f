#include "AbsoluteTime.h"

#include "../zuk/ZukThread.h"

namespace nVLAPAL000 {

tAbsoluteTime getAbsoluteTime() {
  uint64_t seconds = 0;
  uint64_t microseconds = 0;
  nVLZUK100_getTimeOfDay(&seconds, &microseconds);
  return tAbsoluteTime{microseconds * kFractionPerMicrosecond, seconds + kSecondsFrom1904To1970};
}

}  // namespace nVLAPAL000
