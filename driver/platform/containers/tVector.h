// The platform's older growing vector of plain elements (bytes as a rule).
// It takes no status: a growth that fails leaves the vector as it was and
// sets the sticky failure flag, which the operation using the vector turns
// into -52000.
#ifndef VL9738K_PLATFORM_CONTAINERS_TVECTOR_H
#define VL9738K_PLATFORM_CONTAINERS_TVECTOR_H

#include <stdint.h>

#include <type_traits>

#include "../status/tStatus.h"
#include "../text/TextRoutines.h"
#include "ContainerAssert.h"
#include "tAllocator.h"

namespace nVLAPAL000 {

template <typename T, typename tAlloc = tAllocator<T>>
class tVector {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

 public:
  tVector() = default;
  ~tVector() { tAlloc::deallocate(data_); }
  tVector(const tVector&) = delete;
  tVector& operator=(const tVector&) = delete;

  uint64_t size() const { return size_; }
  uint64_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  bool hasFailed() const { return failed_ != 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }

  // Opens a gap of n zeroed elements at `position`; the caller writes the
  // gap and then adds n to the size (_commit). Returns false, with the
  // failure flag set, when the vector could not grow; there is no gap then.
  bool _insert(uint64_t position, uint64_t n) {
    VL_CONTAINER_ASSERT(position <= size_, "ASSERT(position <= _size)");
    if (n > UINT64_MAX - size_) return fail();
    if (size_ + n > capacity_) return reallocateWithGap(position, n);
    memorySet(data_ + size_, 0, n * sizeof(T));
    memoryMove(data_ + position + n, data_ + position, (size_ - position) * sizeof(T));
    return true;
  }
  void _commit(uint64_t n) { size_ += n; }

  // The usual caller: open the gap, fill it, count it.
  bool insert(uint64_t position, const T* elements, uint64_t n) {
    if (!_insert(position, n)) return false;
    memoryCopy(data_ + position, elements, n * sizeof(T));
    _commit(n);
    return true;
  }
  bool append(const T* elements, uint64_t n) { return insert(size_, elements, n); }
  bool pushBack(const T& element) { return append(&element, 1); }
  void clear() { size_ = 0; }

  // Records -52000 when a growth of this vector ever failed.
  void checkFailure(nVLAPALS100::tStatus& status) const {
    if (failed_ != 0) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
  }

 private:
  bool fail() {
    failed_ = 1;
    return false;
  }

  // Doubling keeps the byte buffers' appends cheap.
  bool reallocateWithGap(uint64_t position, uint64_t n) {
    const uint64_t doubled = capacity_ > UINT64_MAX / 2 ? UINT64_MAX : 2 * capacity_;
    const uint64_t capacity = doubled > size_ + n ? doubled : size_ + n;
    T* block = tAlloc::allocate(capacity);
    if (block == nullptr) return fail();
    if (size_ != 0) {
      memoryCopy(block, data_, position * sizeof(T));
      memoryCopy(block + position + n, data_ + position, (size_ - position) * sizeof(T));
    }
    memorySet(block + position, 0, n * sizeof(T));
    tAlloc::deallocate(data_);
    data_ = block;
    capacity_ = capacity;
    return true;
  }

  uint64_t capacity_ = 0;
  uint64_t size_ = 0;
  T* data_ = nullptr;
  uint8_t failed_ = 0;
};

}  // namespace nVLAPAL000

#endif
