// A vector of at most N elements kept in place: no allocation, no status.
// Callers keep within N; an insert past it stops the machine rather than
// overwrite what lies behind the vector.
#ifndef VL9738K_PLATFORM_CONTAINERS_FIXED_VECTOR_H
#define VL9738K_PLATFORM_CONTAINERS_FIXED_VECTOR_H

#include <stdint.h>

#include "ContainerAssert.h"
#include "PointerRange.h"

namespace vlhtl {

template <typename T, uint64_t N>
class FixedVector {
 public:
  FixedVector() = default;
  FixedVector(const FixedVector& other) { *this = other; }
  // Erases this one and inserts the whole source.
  FixedVector& operator=(const FixedVector& other) {
    if (&other == this) return *this;
    clear();
    insert_(begin(), other.begin(), other.end());
    return *this;
  }

  static constexpr uint64_t capacity() { return N; }
  uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }

  // Every slot holds a live element, so the tail moves up by assignment
  // and the new elements are assigned over the gap. A source inside this
  // vector is read where the move left it.
  void insert_(const T* position, const T* first, const T* last) {
    const uint64_t index = static_cast<uint64_t>(position - data_);
    const uint64_t n = static_cast<uint64_t>(last - first);
    VL_CONTAINER_ASSERT(n <= N - size_, "ASSERT(_size+n <= N)");
    for (uint64_t i = size_; i-- > index;) data_[i + n] = data_[i];
    for (uint64_t i = 0; i < n; ++i) {
      const T* source = first + i;
      if (nVLAPAL000::pointsInto(source, data_ + index, data_ + size_)) source = data_ + (source - data_) + n;
      data_[index + i] = *source;
    }
    size_ += n;
  }
  void push_back(const T& value) { insert_(end(), &value, &value + 1); }

  void erase(T* first, T* last) {
    const uint64_t removed = static_cast<uint64_t>(last - first);
    for (T* to = first; to + removed != end(); ++to) *to = to[removed];
    size_ -= removed;
  }
  void clear() { size_ = 0; }

 private:
  T data_[N] = {};
  uint64_t size_ = 0;
};

}  // namespace vlhtl

#endif
