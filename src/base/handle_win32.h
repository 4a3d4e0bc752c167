// Owning holders for Win32 handles and system-allocated memory, in the style
// of base/holder.h: the destructor frees, Release hands ownership on.
#pragma once

#include <windows.h>

// A kernel handle closed with CloseHandle; null and INVALID_HANDLE_VALUE hold
// nothing.
class CHandle {
 public:
  CHandle() = default;
  explicit CHandle(HANDLE owned) : handle_(owned) {}
  ~CHandle() { Reset(); }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;

  bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // Closes what is held and takes owned instead.
  void Reset(HANDLE owned = nullptr) {
    if (IsValid() && owned != handle_) CloseHandle(handle_);
    handle_ = owned;
  }
  [[nodiscard]] HANDLE Release() {
    HANDLE owned = handle_;
    handle_ = nullptr;
    return owned;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Memory the system allocated with LocalAlloc for the caller (for example
// FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER), freed with LocalFree.
template <typename T>
class CLocalMemory {
 public:
  CLocalMemory() = default;
  ~CLocalMemory() {
    if (memory_ != nullptr) LocalFree(memory_);
  }
  CLocalMemory(const CLocalMemory&) = delete;
  CLocalMemory& operator=(const CLocalMemory&) = delete;

  // Where a call that allocates stores the pointer; this must be empty.
  T** Receive() { return &memory_; }
  T* Get() const { return memory_; }

 private:
  T* memory_ = nullptr;
};
