// Owning holders. The program does not throw, so a holder never allocates in
// a constructor that could fail: Allocate reports running out of memory, the
// destructor frees, and Release hands ownership on to a caller or container.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// An owned array from new[] (a buffer, or the result of a function documented
// as "the caller releases it with delete[]").
template <typename T>
class CBuffer {
 public:
  CBuffer() = default;
  explicit CBuffer(T* owned) : items_(owned) {}
  ~CBuffer() { delete[] items_; }
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;
  // A move hands the array over and leaves the source empty.
  CBuffer(CBuffer&& other) noexcept : items_(other.Release()) {}
  CBuffer& operator=(CBuffer&& other) noexcept {
    Reset(other.Release());
    return *this;
  }

  // Replaces the contents with count new elements, value-initialised (zero
  // for numbers and pointers); false, and empty, when memory runs out.
  bool Allocate(size_t count) {
    Reset(new (std::nothrow) T[count]());
    return items_ != nullptr;
  }
  // As Allocate, but the elements are left uninitialised (a scratch buffer).
  bool AllocateUninitialised(size_t count) {
    Reset(new (std::nothrow) T[count]);
    return items_ != nullptr;
  }
  // Frees what is held and takes owned instead.
  void Reset(T* owned = nullptr) {
    if (owned == items_) return;
    delete[] items_;
    items_ = owned;
  }
  // Hands the array over (the receiver frees it with delete[]); leaves this empty.
  [[nodiscard]] T* Release() {
    T* owned = items_;
    items_ = nullptr;
    return owned;
  }

  T* Get() const { return items_; }
  T& operator[](size_t index) const { return items_[index]; }
  explicit operator bool() const { return items_ != nullptr; }

 private:
  T* items_ = nullptr;
};

// Memory the C library allocated for the caller to free() (realpath's result).
class CMallocHolder {
 public:
  explicit CMallocHolder(void* owned) : block_(owned) {}
  ~CMallocHolder() { std::free(block_); }
  CMallocHolder(const CMallocHolder&) = delete;
  CMallocHolder& operator=(const CMallocHolder&) = delete;

  template <typename T>
  T* As() const {
    return static_cast<T*>(block_);
  }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  void* block_;
};

// One owned object from new.
template <typename T>
class CHolder {
 public:
  CHolder() = default;
  explicit CHolder(T* owned) : item_(owned) {}
  ~CHolder() { delete item_; }
  CHolder(const CHolder&) = delete;
  CHolder& operator=(const CHolder&) = delete;
  CHolder(CHolder&& other) noexcept : item_(other.Release()) {}
  CHolder& operator=(CHolder&& other) noexcept {
    Reset(other.Release());
    return *this;
  }

  void Reset(T* owned = nullptr) {
    if (owned == item_) return;
    delete item_;
    item_ = owned;
  }
  [[nodiscard]] T* Release() {
    T* owned = item_;
    item_ = nullptr;
    return owned;
  }

  T* Get() const { return item_; }
  T* operator->() const { return item_; }
  T& operator*() const { return *item_; }
  explicit operator bool() const { return item_ != nullptr; }
  bool operator==(std::nullptr_t) const { return item_ == nullptr; }

 private:
  T* item_ = nullptr;
};
