// The platform's fixed-capacity array: N elements in place, no allocation.
// Callers keep within N; a request past it stops the machine rather than
// overwrite what lies behind the array.
#ifndef VL9738K_PLATFORM_CONTAINERS_TARRAY_H
#define VL9738K_PLATFORM_CONTAINERS_TARRAY_H

#include <stdint.h>

#include <type_traits>

#include "../text/TextRoutines.h"
#include "ContainerAssert.h"

namespace nVLAPAL000 {

template <typename T, uint64_t N>
class tArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

 public:
  static constexpr uint64_t kMaxSize = N;

  uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }

  // Opens a gap of n zeroed elements at `position`; the caller writes the
  // gap and adds n to the size (_commit).
  void _insert(uint64_t position, uint64_t n) {
    VL_CONTAINER_ASSERT(n <= kMaxSize - size_, "ASSERT(_size+n <= kMaxSize)");
    VL_CONTAINER_ASSERT(position <= size_, "ASSERT(position <= _size)");
    memorySet(data_ + size_, 0, n * sizeof(T));
    for (uint64_t i = size_; i-- > position;) data_[i + n] = data_[i];
  }
  void _commit(uint64_t n) { size_ += n; }

  void insert(uint64_t position, const T* elements, uint64_t n) {
    _insert(position, n);
    for (uint64_t i = 0; i < n; ++i) data_[position + i] = elements[i];
    _commit(n);
  }
  void pushBack(const T& element) { insert(size_, &element, 1); }
  void clear() { size_ = 0; }

 private:
  T data_[N] = {};
  uint64_t size_ = 0;
};

}  // namespace nVLAPAL000

#endif
