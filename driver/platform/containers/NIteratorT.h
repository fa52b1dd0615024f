// A range of n copies of one value: every position of [begin, end)
// dereferences to the same value, so a vector filled from such a range
// holds (end - begin) copies of it.
#ifndef VL9738K_PLATFORM_CONTAINERS_NITERATORT_H
#define VL9738K_PLATFORM_CONTAINERS_NITERATORT_H

#include <stdint.h>

namespace vlhtl {

template <typename T>
struct NIteratorT {
  uint64_t position;
  const T* value;

  const T& operator*() const { return *value; }
  NIteratorT& operator++() {
    ++position;
    return *this;
  }
  NIteratorT operator+(uint64_t offset) const { return NIteratorT{position + offset, value}; }
  uint64_t operator-(const NIteratorT& other) const { return position - other.position; }
  bool operator==(const NIteratorT& other) const { return position == other.position; }
};

// n copies of `value`, as a range.
template <typename T>
NIteratorT<T> repeatBegin(const T& value) {
  return NIteratorT<T>{0, &value};
}
template <typename T>
NIteratorT<T> repeatEnd(const T& value, uint64_t n) {
  return NIteratorT<T>{n, &value};
}

}  // namespace vlhtl

#endif
