// The conversion run's worker thread as the window sees it: one holder for
// the thread's handle (kept until the window has joined the thread), its id
// (published while the thread converts) and an event the thread sets when it
// opens a window of its own (its end message), which a join may wait on.
#pragma once

#include <windows.h>

#include <atomic>

#include "base/handle_win32.h"

class CWorkerThread {
 public:
  CWorkerThread() = default;
  CWorkerThread(const CWorkerThread&) = delete;
  CWorkerThread& operator=(const CWorkerThread&) = delete;

  // Starts body(argument) on a new thread. The thread is made suspended and
  // let go only once its handle and id are held, so it never finishes its
  // work before it was seen to start. False when no thread could be made.
  bool Start(LPTHREAD_START_ROUTINE body, void* argument) {
    if (!windowOpened_.IsValid()) windowOpened_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!windowOpened_.IsValid()) return false;
    ResetEvent(windowOpened_.Get());
    openedWindow_ = nullptr;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, body, argument, CREATE_SUSPENDED, &id);
    if (thread == nullptr) return false;
    handle_.Reset(thread);
    workingId_ = id;
    if (ResumeThread(thread) != static_cast<DWORD>(-1)) return true;
    // It never ran, so ending it leaves nothing half done.
    TerminateThread(thread, 0);
    workingId_ = 0;
    handle_.Reset();
    return false;
  }

  // The thread's id from Start until the thread calls FinishWork, else 0;
  // read from any thread.
  DWORD WorkingId() const { return workingId_; }
  bool Working() const { return workingId_ != 0; }
  // By the thread itself: its work is done, only its last words remain.
  void FinishWork() { workingId_ = 0; }
  // By the thread itself: window, of its own, is opening.
  void TellWindowOpened(HWND window) {
    openedWindow_ = window;
    SetEvent(windowOpened_.Get());
  }
  // The window the thread last told of; null before.
  HWND OpenedWindow() const { return openedWindow_; }

  // From Start until Release: the thread is still to be joined.
  bool Joinable() const { return handle_.IsValid(); }
  DWORD ThreadId() const { return GetThreadId(handle_.Get()); }
  enum class Woken { Ended, WindowOpened, Message };
  // Waits for the thread's end, or for the messages of wakeMask, or (with
  // windowsToo) for a window the thread opens, which is told once. Ended
  // also when the thread cannot be waited for.
  Woken Wait(bool windowsToo, DWORD wakeMask) const {
    const HANDLE handles[] = {handle_.Get(), windowOpened_.Get()};
    const DWORD woken =
        MsgWaitForMultipleObjects(windowsToo ? 2 : 1, handles, FALSE, INFINITE, wakeMask);
    if (woken == WAIT_OBJECT_0 + 1) {
      ResetEvent(windowOpened_.Get());
      return Woken::WindowOpened;
    }
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) return Woken::Ended;
    return Woken::Message;
  }
  // The thread has been joined: its handle is closed.
  void Release() { handle_.Reset(); }

 private:
  CHandle handle_;  // on the window's thread only
  CHandle windowOpened_;
  std::atomic<HWND> openedWindow_{nullptr};
  std::atomic<DWORD> workingId_{0};
};
