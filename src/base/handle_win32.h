// Owning holders for Win32 handles, COM and system-allocated memory, in the
// style of base/holder.h: the destructor frees or releases.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

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

// A handle of one of the kinds freed by a function of their own (Free): a
// hook, an accelerator table, a menu, a GDI object, global memory.
template <typename T, typename Free>
class CWin32Owned {
 public:
  CWin32Owned() = default;
  explicit CWin32Owned(T owned) : handle_(owned) {}
  ~CWin32Owned() { Reset(); }
  CWin32Owned(const CWin32Owned&) = delete;
  CWin32Owned& operator=(const CWin32Owned&) = delete;

  T Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Frees what is held and takes owned instead.
  void Reset(T owned = nullptr) {
    if (handle_ != nullptr && owned != handle_) Free{}(handle_);
    handle_ = owned;
  }
  // Hands the handle on to a new owner; leaves this empty.
  [[nodiscard]] T Release() {
    T owned = handle_;
    handle_ = nullptr;
    return owned;
  }

 private:
  T handle_ = nullptr;
};

struct HookFree {
  void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
struct AcceleratorFree {
  void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
struct MenuFree {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct GdiObjectFree {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct GlobalMemoryFree {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using CHook = CWin32Owned<HHOOK, HookFree>;
using CAcceleratorTable = CWin32Owned<HACCEL, AcceleratorFree>;
using CMenu = CWin32Owned<HMENU, MenuFree>;
// A GDI object (a font, a brush) deleted with DeleteObject.
template <typename T>
using CGdiObject = CWin32Owned<T, GdiObjectFree>;
// Global memory from GlobalAlloc, freed unless handed on (to the clipboard,
// which then owns it).
using CGlobalMemory = CWin32Owned<HGLOBAL, GlobalMemoryFree>;

// A window's device context (the screen's for a null window) from GetDC,
// released with ReleaseDC.
class CWindowDC {
 public:
  explicit CWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~CWindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;

  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// COM on this thread for the holder's life. An initialisation that failed
// (the thread has another kind of apartment) is not undone; one that only
// counted an earlier initialisation (S_FALSE) is.
class CComInitialization {
 public:
  explicit CComInitialization(DWORD model) : result_(CoInitializeEx(nullptr, model)) {}
  ~CComInitialization() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  CComInitialization(const CComInitialization&) = delete;
  CComInitialization& operator=(const CComInitialization&) = delete;

 private:
  HRESULT result_;
};

// A COM interface the holder releases.
template <typename T>
class CComRef {
 public:
  CComRef() = default;
  ~CComRef() {
    if (object_ != nullptr) object_->Release();
  }
  CComRef(const CComRef&) = delete;
  CComRef& operator=(const CComRef&) = delete;

  // Where a call that creates or returns the interface stores it; this must
  // be empty.
  T** Receive() { return &object_; }
  T* Get() const { return object_; }
  T* operator->() const { return object_; }

 private:
  T* object_ = nullptr;
};

// Memory the system allocated for the caller, freed by Free: a holder of the
// pointer a call stores through Receive.
template <typename T, typename Free>
class CSystemMemory {
 public:
  CSystemMemory() = default;
  ~CSystemMemory() {
    if (memory_ != nullptr) Free{}(memory_);
  }
  CSystemMemory(const CSystemMemory&) = delete;
  CSystemMemory& operator=(const CSystemMemory&) = delete;

  // Where a call that allocates stores the pointer; this must be empty.
  T** Receive() { return &memory_; }
  T* Get() const { return memory_; }

 private:
  T* memory_ = nullptr;
};

struct LocalMemoryFree {
  void operator()(void* memory) const { LocalFree(memory); }
};
struct TaskMemoryFree {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// LocalAlloc's memory (for example FormatMessageW with
// FORMAT_MESSAGE_ALLOCATE_BUFFER), freed with LocalFree.
template <typename T>
using CLocalMemory = CSystemMemory<T, LocalMemoryFree>;
// COM's or the shell's memory (CoTaskMemAlloc), freed with CoTaskMemFree.
template <typename T>
using CTaskMemory = CSystemMemory<T, TaskMemoryFree>;
