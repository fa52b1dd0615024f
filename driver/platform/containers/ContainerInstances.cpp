// The container instances that the driver's subsystems build on, compiled
// once in the module itself: whatever they need beyond the kernel layer
// shows up in the module's symbol check, not first in a later subsystem.
#include "AllocPaged.h"
#include "BasicString.h"
#include "FixedVector.h"
#include "HashSet.h"
#include "SharedPtr.h"
#include "Vector.h"
#include "Vector_sct.h"
#include "VlhtlMap.h"
#include "tArray.h"
#include "tBasicString.h"
#include "tVector.h"

using nVLAPALS100::tStatus;

namespace vlhtl {

template class Vector<uint8_t>;
template void Vector<uint8_t>::insert_(const uint8_t*, const uint8_t*, const uint8_t*, tStatus&);
template void Vector<uint8_t>::insert_(const uint8_t*, NIteratorT<uint8_t>, NIteratorT<uint8_t>, tStatus&);
template class Vector<uint8_t, qrtk::AllocPaged<uint8_t>>;
template void Vector<uint8_t, qrtk::AllocPaged<uint8_t>>::insert_(const uint8_t*, NIteratorT<uint8_t>,
                                                                  NIteratorT<uint8_t>, tStatus&);
template class Vector<uint64_t>;
template void Vector<uint64_t>::insert_(const uint64_t*, const uint64_t*, const uint64_t*, tStatus&);
template class Vector_sct<BasicString<char>>;
template class BasicString<char>;
template class FixedVector<uint32_t, 4>;
template class HashSet<uint64_t>;
template class SharedPtr<uint32_t>;
template class Map<uint32_t, uint32_t>;

}  // namespace vlhtl

namespace nVLAPAL000 {

template class tVector<uint8_t>;
template class tArray<uint8_t, 256>;
template class tBasicString<char>;

}  // namespace nVLAPAL000
