// The conversion run's worker thread as the window sees it: one holder for
// the thread's handle (kept until the window has joined the thread) and its
// id (published while the thread converts).
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

  // From Start until Release: the thread is still to be joined.
  bool Joinable() const { return handle_.IsValid(); }
  DWORD ThreadId() const { return GetThreadId(handle_.Get()); }
  // Waits up to timeoutMs for the thread's end while the messages of
  // wakeMask may arrive; true once the thread has ended (or cannot be
  // waited for), false when a message or the timeout woke the wait.
  bool WaitEnded(DWORD timeoutMs, DWORD wakeMask) const {
    HANDLE thread = handle_.Get();
    const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs, wakeMask);
    return woken == WAIT_OBJECT_0 || woken == WAIT_FAILED;
  }
  // The thread has been joined: its handle is closed.
  void Release() { handle_.Reset(); }

 private:
  CHandle handle_;  // on the window's thread only
  std::atomic<DWORD> workingId_{0};
};
