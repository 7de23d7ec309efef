// BaseArray: the SDK's growable array. Element pointer, Int64 count, Int64 capacity; grows
// through the host's plain allocate and reallocate. Elements are moved with realloc, so they
// must be trivially copyable or themselves BaseArrays (an array of lists); new elements start
// zero-filled, which is an empty BaseArray.
#ifndef C4D_BASEARRAY_H
#define C4D_BASEARRAY_H

#include <cstring>
#include <type_traits>

#include "c4d_memory.h"

template <typename T>
class BaseArray;

template <typename T>
struct IsRelocatable : std::is_trivially_copyable<T> {};
template <typename U>
struct IsRelocatable<BaseArray<U>> : std::true_type {};

template <typename T>
class BaseArray {
  static_assert(IsRelocatable<T>::value, "BaseArray holds trivially copyable elements or BaseArrays");

 public:
  BaseArray() = default;
  ~BaseArray() { Reset(); }
  BaseArray(const BaseArray&) = delete;
  BaseArray& operator=(const BaseArray&) = delete;

  Int64 GetCount() const { return count_; }
  Int64 GetCapacityCount() const { return capacity_; }
  T* GetFirst() { return data_; }
  const T* GetFirst() const { return data_; }
  T& operator[](Int64 i) { return data_[i]; }
  const T& operator[](Int64 i) const { return data_[i]; }

  // Appends one element; nullptr (and no change) when the array cannot grow.
  T* Append(const T& value) {
    if (count_ == capacity_ && !Grow(count_ + 1)) return nullptr;
    data_[count_] = value;
    return &data_[count_++];
  }

  // Sets the count; new elements are zero-filled. false (no change) on failure or a negative count.
  Bool Resize(Int64 count) {
    if (count < 0) return false;
    if (count < count_) DestroyRange(count, count_);
    if (count > capacity_ && !SetCapacity(count)) return false;
    if (count > count_) std::memset(static_cast<void*>(data_ + count_), 0, static_cast<size_t>(count - count_) * sizeof(T));
    count_ = count;
    return true;
  }

  // Reserves room for at least `capacity` elements.
  Bool EnsureCapacity(Int64 capacity) { return capacity <= capacity_ || SetCapacity(capacity); }

  // Count 0; keeps the storage.
  void Flush() {
    DestroyRange(0, count_);
    count_ = 0;
  }

  // Count 0 and capacity 0: releases the storage.
  void Reset() {
    DestroyRange(0, count_);
    GeFree(data_);
    data_ = nullptr;
    count_ = 0;
    capacity_ = 0;
  }

  // Makes this an exact-size copy of src; false (and this emptied) on failure.
  Bool CopyFrom(const BaseArray& src) {
    static_assert(std::is_trivially_copyable<T>::value, "CopyFrom copies plain elements");
    Reset();
    if (src.count_ == 0) return true;
    if (!SetCapacity(src.count_)) return false;
    std::memcpy(static_cast<void*>(data_), src.data_, static_cast<size_t>(src.count_) * sizeof(T));
    count_ = src.count_;
    return true;
  }

  // Exchanges the storage of two arrays.
  void Swap(BaseArray& other) {
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  void DestroyRange(Int64 from, Int64 to) {
    if constexpr (!std::is_trivially_destructible<T>::value) {
      for (Int64 i = from; i < to; ++i) data_[i].~T();
    }
  }
  Bool Grow(Int64 needed) {
    // Small arrays start at 4 elements, then grow by half again.
    Int64 cap = capacity_ < 4 ? 4 : capacity_ + capacity_ / 2;
    if (cap < needed) cap = needed;
    return SetCapacity(cap);
  }
  Bool SetCapacity(Int64 cap) {
    void* p = GeRealloc(data_, cap * static_cast<Int64>(sizeof(T)), __LINE__, __FILE__);
    if (!p) return false;
    data_ = static_cast<T*>(p);
    capacity_ = cap;
    return true;
  }

  T* data_ = nullptr;
  Int64 count_ = 0;
  Int64 capacity_ = 0;
};

#endif
