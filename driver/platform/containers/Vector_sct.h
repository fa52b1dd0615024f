// A vector of elements whose copy takes a status (records holding strings
// or vectors): copying one may fail, so a reallocation builds the whole new
// block first and keeps the old one until every copy has succeeded.
#ifndef VL9738K_PLATFORM_CONTAINERS_VECTOR_SCT_H
#define VL9738K_PLATFORM_CONTAINERS_VECTOR_SCT_H

#include <stdint.h>

#include <new>
#include <utility>

#include "Vector.h"

namespace vlhtl {

template <typename T, typename tAlloc = apal::Allocator_sct<T>>
class Vector_sct {
 public:
  Vector_sct() = default;
  Vector_sct(Vector_sct&& other) noexcept { swap(other); }
  Vector_sct(const Vector_sct&) = delete;
  Vector_sct& operator=(const Vector_sct&) = delete;
  ~Vector_sct() { release(); }

  uint64_t size() const { return size_; }
  uint64_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }
  T& back() { return data_[size_ - 1]; }

  // Inserts `count` default-constructed (zeroed) elements before `position`.
  void insert_(const T* position, uint64_t count, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    const uint64_t index = static_cast<uint64_t>(position - data_);
    if (count > UINT64_MAX - size_) {
      tAlloc::reportSizeOverflow(status);
      return;
    }
    if (size_ + count <= capacity_) {
      insertInPlace(index, count);
    } else if (!reallocateWithInsert(index, count, status)) {
      return;
    }
    size_ += count;
  }

  void erase(T* first, T* last) {
    const uint64_t removed = static_cast<uint64_t>(last - first);
    if (removed == 0) return;
    // Swapping cannot fail, where assigning a copy could.
    for (T* to = first; to + removed != end(); ++to) swapElements(*to, to[removed]);
    for (uint64_t i = size_ - removed; i < size_; ++i) data_[i].~T();
    size_ -= removed;
  }
  void clear() { erase(begin(), end()); }

  void swap(Vector_sct& other) noexcept {
    std::swap(capacity_, other.capacity_);
    std::swap(size_, other.size_);
    std::swap(data_, other.data_);
  }

 private:
  static void swapElements(T& a, T& b) {
    using std::swap;
    swap(a, b);
  }

  // The new elements are made past the end and swapped into place from the
  // back, which cannot fail.
  void insertInPlace(uint64_t index, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) new (data_ + size_ + i) T();
    for (uint64_t i = size_; i-- > index;) swapElements(data_[i], data_[i + count]);
  }

  bool reallocateWithInsert(uint64_t index, uint64_t count, nVLAPALS100::tStatus& status) {
    const uint64_t capacity = internal::grownCapacity(capacity_, size_ + count);
    T* block = tAlloc::allocate(capacity, status);
    if (block == nullptr) return false;
    uint64_t built = 0;
    for (; built < index && status.isNotFatal(); ++built) new (block + built) T(data_[built], status);
    for (; built < index + count && status.isNotFatal(); ++built) new (block + built) T();
    for (; built < size_ + count && status.isNotFatal(); ++built) new (block + built) T(data_[built - count], status);
    if (status.isFatal()) {
      for (uint64_t i = 0; i < built; ++i) block[i].~T();
      tAlloc::deallocate(block);
      return false;
    }
    release();
    data_ = block;
    capacity_ = capacity;
    return true;
  }

  void release() {
    for (uint64_t i = 0; i < size_; ++i) data_[i].~T();
    tAlloc::deallocate(data_);
    data_ = nullptr;
    capacity_ = 0;
  }

  uint64_t capacity_ = 0;
  uint64_t size_ = 0;
  T* data_ = nullptr;
};

}  // namespace vlhtl

#endif
