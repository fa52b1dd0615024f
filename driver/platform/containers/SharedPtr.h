// A shared owner of one object. The object and its storage record (the two
// counts) are released when the last strong reference goes; references may
// be dropped from different threads, so the counts change atomically.
#ifndef VL9738K_PLATFORM_CONTAINERS_SHARED_PTR_H
#define VL9738K_PLATFORM_CONTAINERS_SHARED_PTR_H

#include <stdint.h>

#include "../memory/Memory.h"
#include "VlhtlAllocator.h"

namespace vlhtl {

template <typename T>
struct DeallocatorUsingDelete {
  void operator()(T* object) const { delete object; }
};

namespace internal {

class SharedPtrStorageBase {
 public:
  SharedPtrStorageBase() = default;
  SharedPtrStorageBase(const SharedPtrStorageBase&) = delete;
  SharedPtrStorageBase& operator=(const SharedPtrStorageBase&) = delete;

  // Destroys the owned object.
  virtual void deallocObj() {}
  // Frees this record.
  virtual void deallocSelf() { delete this; }
  virtual ~SharedPtrStorageBase() = default;

  void addObjRef() { __atomic_fetch_add(&strong_, 1, __ATOMIC_RELAXED); }

  // Drops one strong reference. The weak count holds one reference for all
  // strong owners together; when it is the only one left, no other thread
  // can reach the record and it goes at once.
  void releaseObjRef() {
    if (__atomic_fetch_sub(&strong_, 1, __ATOMIC_ACQ_REL) != 1) return;
    deallocObj();
    if (__atomic_load_n(&weak_, __ATOMIC_ACQUIRE) == 1 || __atomic_fetch_sub(&weak_, 1, __ATOMIC_ACQ_REL) == 1) {
      deallocSelf();
    }
  }

  int32_t strongCount() const { return __atomic_load_n(&strong_, __ATOMIC_RELAXED); }
  int32_t weakCount() const { return __atomic_load_n(&weak_, __ATOMIC_RELAXED); }

 private:
  int32_t strong_ = 1;
  int32_t weak_ = 1;
};

template <typename T, typename tAlloc, typename tDeallocator>
class SharedPtrStorageIndirect : public SharedPtrStorageBase {
 public:
  explicit SharedPtrStorageIndirect(T* object) : object_(object) {}
  void deallocObj() override {
    tDeallocator()(object_);
    object_ = nullptr;
  }

 private:
  T* object_;
};

}  // namespace internal

template <typename T>
class SharedPtr {
 public:
  SharedPtr() = default;
  // Takes ownership of `object`. When no storage record can be allocated
  // the object is destroyed at once and the pointer stays empty (-52000).
  SharedPtr(T* object, nVLAPALS100::tStatus& status) {
    if (object == nullptr) return;
    if (status.isNotFatal()) {
      storage_ = new (status, nVLAPAL000::kAllocationKindPlain)
          internal::SharedPtrStorageIndirect<T, apal::Allocator<T>, DeallocatorUsingDelete<T>>(object);
    }
    if (storage_ == nullptr) {
      DeallocatorUsingDelete<T>()(object);
      return;
    }
    object_ = object;
  }
  SharedPtr(const SharedPtr& other) : object_(other.object_), storage_(other.storage_) {
    if (storage_ != nullptr) storage_->addObjRef();
  }
  SharedPtr(SharedPtr&& other) noexcept : object_(other.object_), storage_(other.storage_) {
    other.object_ = nullptr;
    other.storage_ = nullptr;
  }
  SharedPtr& operator=(SharedPtr other) noexcept {
    swap(other);
    return *this;
  }
  ~SharedPtr() { reset(); }

  void reset() {
    if (storage_ != nullptr) storage_->releaseObjRef();
    storage_ = nullptr;
    object_ = nullptr;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  int32_t useCount() const { return storage_ != nullptr ? storage_->strongCount() : 0; }

  void swap(SharedPtr& other) noexcept {
    T* object = object_;
    object_ = other.object_;
    other.object_ = object;
    internal::SharedPtrStorageBase* storage = storage_;
    storage_ = other.storage_;
    other.storage_ = storage;
  }

 private:
  T* object_ = nullptr;
  internal::SharedPtrStorageBase* storage_ = nullptr;
};

}  // namespace vlhtl

#endif
