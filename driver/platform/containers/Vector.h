// The container library's growing vector. Every operation that may
// allocate takes the status last, does nothing when it already holds an
// error, and leaves the vector exactly as it was when it fails (-52000).
//
// Growth: the new capacity is the largest of 1.5 x the old one, 8 and the
// size needed, which keeps appends amortised constant.
#ifndef VL9738K_PLATFORM_CONTAINERS_VECTOR_H
#define VL9738K_PLATFORM_CONTAINERS_VECTOR_H

#include <stdint.h>

#include <new>
#include <type_traits>
#include <utility>

#include "../status/tStatus.h"
#include "NIteratorT.h"
#include "PointerRange.h"
#include "VlhtlAllocator.h"

namespace vlhtl {
namespace internal {

inline constexpr uint64_t kMinimumVectorCapacity = 8;

inline uint64_t grownCapacity(uint64_t capacity, uint64_t needed) {
  const uint64_t half = capacity / 2;
  uint64_t grown = half > UINT64_MAX - capacity ? UINT64_MAX : capacity + half;
  if (grown < kMinimumVectorCapacity) grown = kMinimumVectorCapacity;
  return grown > needed ? grown : needed;
}

}  // namespace internal

template <typename T, typename tAlloc = apal::Allocator<T>>
class Vector {
 public:
  using iterator = T*;
  using const_iterator = const T*;

  Vector() = default;
  Vector(const Vector& other, nVLAPALS100::tStatus& status) { insert_(end(), other.begin(), other.end(), status); }
  Vector(Vector&& other) noexcept { swap(other); }
  Vector& operator=(Vector&& other) noexcept {
    Vector(static_cast<Vector&&>(other)).swap(*this);
    return *this;
  }
  Vector(const Vector&) = delete;
  Vector& operator=(const Vector&) = delete;
  ~Vector() { release(); }

  uint64_t size() const { return size_; }
  uint64_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }
  T& front() { return data_[0]; }
  T& back() { return data_[size_ - 1]; }

  // Inserts [first, last) before `position`: a range of elements (which may
  // lie in this vector itself) or an NIteratorT range of copies of a value.
  template <typename tIterator>
  void insert_(const T* position, tIterator first, tIterator last, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    const uint64_t index = static_cast<uint64_t>(position - data_);
    const uint64_t n = static_cast<uint64_t>(last - first);
    if (n > UINT64_MAX - size_) {
      tAlloc::reportSizeOverflow(status);
      return;
    }
    if (size_ + n <= capacity_) {
      insertInPlace(index, first, n);
    } else if (!reallocateWithInsert(index, first, n, status)) {
      return;
    }
    size_ += n;
  }

  // Appending needs no tail to move: in place it is one construction, and
  // a growing append builds the new element before the old block goes, so
  // a value that lies in the vector itself stays valid.
  void push_back(const T& value, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (__builtin_expect(size_ < capacity_, 1)) {
      new (data_ + size_) T(value);
      ++size_;
      return;
    }
    Grown grown;
    if constexpr (kBitwise) {
      // A copy taken here keeps the caller's value out of memory on the
      // common path.
      const T kept = value;
      grown = grownForAppend(data_, size_, capacity_, kept, status);
    } else {
      grown = grownForAppend(data_, size_, capacity_, value, status);
    }
    if (grown.block == nullptr) return;
    data_ = grown.block;
    capacity_ = grown.capacity;
    ++size_;
  }
  // Grows to n elements, the new ones copies of `value`; shrinks by erasing.
  void resize(uint64_t n, const T& value, nVLAPALS100::tStatus& status) {
    if (n < size_) erase(begin() + n, end());
    if (n > size_) insert_(end(), repeatBegin(value), repeatEnd(value, n - size_), status);
  }

  void erase(T* first, T* last) {
    const uint64_t removed = static_cast<uint64_t>(last - first);
    if (removed == 0) return;
    if constexpr (kBitwise) {
      __builtin_memmove(first, last, static_cast<uint64_t>(end() - last) * sizeof(T));
    } else {
      for (T* to = first; to + removed != end(); ++to) *to = to[removed];
    }
    destroy(size_ - removed, size_);
    size_ -= removed;
  }
  void pop_back() { erase(end() - 1, end()); }
  void clear() { erase(begin(), end()); }

  void swap(Vector& other) noexcept {
    std::swap(capacity_, other.capacity_);
    std::swap(size_, other.size_);
    std::swap(data_, other.data_);
  }

 private:
  struct Grown {
    T* block;  // null when the vector could not grow
    uint64_t capacity;
  };

  // Moves `size` elements and the appended value into a new block and frees
  // the old one. Out of line and away from the vector object, so that the
  // common append stays a few instructions on members held in registers.
  __attribute__((noinline)) static Grown grownForAppend(T* data, uint64_t size, uint64_t capacity, const T& value,
                                                        nVLAPALS100::tStatus& status) {
    if (size == UINT64_MAX) {
      tAlloc::reportSizeOverflow(status);
      return {nullptr, 0};
    }
    const uint64_t grown = internal::grownCapacity(capacity, size + 1);
    T* block = tAlloc::allocate(grown, status);
    if (block == nullptr) return {nullptr, 0};
    new (block + size) T(value);
    relocate(block, data, size);
    destroyRange(data, size);
    tAlloc::deallocate(data);
    return {block, grown};
  }

  // Elements that are copied byte for byte move as whole blocks.
  static constexpr bool kBitwise = std::is_trivially_copyable_v<T>;

  // Copy-constructs `count` elements at `from` into the raw slots at `to`.
  static void relocate(T* to, const T* from, uint64_t count) {
    if constexpr (kBitwise) {
      if (count != 0) __builtin_memcpy(to, from, count * sizeof(T));
    } else {
      for (uint64_t i = 0; i < count; ++i) new (to + i) T(from[i]);
    }
  }
  static void destroyRange(T* data, uint64_t count) {
    if constexpr (!std::is_trivially_destructible_v<T>) {
      for (uint64_t i = 0; i < count; ++i) data[i].~T();
    }
  }

  // Where source element i lies once the tail [index, size) has moved up by
  // n: a source inside this vector moved with it.
  template <typename tIterator>
  const T& movedSource(tIterator first, uint64_t i, uint64_t index, uint64_t n) const {
    const T* source = &*(first + i);
    return nVLAPAL000::pointsInto(source, data_ + index, data_ + size_) ? source[n] : *source;
  }

  // The tail's last elements are copy-constructed into the free slots past
  // the end, the rest of it moves up by assignment from the back, and the
  // new elements are assigned over the opened slots, or copy-constructed
  // where they land past the old end. Elements that copy as bytes open the
  // gap with one move instead.
  template <typename tIterator>
  void insertInPlace(uint64_t index, tIterator first, uint64_t n) {
    const uint64_t after = size_ - index;
    if constexpr (kBitwise) {
      if (after > 0) __builtin_memmove(data_ + index + n, data_ + index, after * sizeof(T));
      for (uint64_t i = 0; i < n; ++i) new (data_ + index + i) T(movedSource(first, i, index, n));
      return;
    }
    if (after > n) {
      for (uint64_t i = 0; i < n; ++i) new (data_ + size_ + i) T(data_[size_ - n + i]);
      for (uint64_t i = size_ - n; i-- > index;) data_[i + n] = data_[i];
      for (uint64_t i = 0; i < n; ++i) data_[index + i] = movedSource(first, i, index, n);
      return;
    }
    for (uint64_t i = after; i < n; ++i) new (data_ + index + i) T(*(first + i));
    for (uint64_t i = index; i < size_; ++i) new (data_ + i + n) T(data_[i]);
    for (uint64_t i = 0; i < after; ++i) data_[index + i] = movedSource(first, i, index, n);
  }

  template <typename tIterator>
  bool reallocateWithInsert(uint64_t index, tIterator first, uint64_t n, nVLAPALS100::tStatus& status) {
    const uint64_t capacity = internal::grownCapacity(capacity_, size_ + n);
    T* block = tAlloc::allocate(capacity, status);
    if (block == nullptr) return false;
    relocate(block, data_, index);
    for (uint64_t i = 0; i < n; ++i) new (block + index + i) T(*(first + i));
    relocate(block + index + n, data_ + index, size_ - index);
    release();
    data_ = block;
    capacity_ = capacity;
    return true;
  }

  void destroy(uint64_t from, uint64_t to) { destroyRange(data_ + from, to - from); }

  void release() {
    destroy(0, size_);
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
