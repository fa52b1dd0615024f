#include "Poller.h"

namespace atut {

template class Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterSpin, nVLAPAL000::tTimebasePrecise>>;
template class Poller<
    nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebaseEfficient>>;
template class Poller<
    nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebasePrecise>>;

}  // namespace atut
