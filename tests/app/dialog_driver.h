// Drives the program's modal dialogs from inside their own modal loops: a
// WH_CBT hook sees each dialog window become active for the first time and
// hands it to the next step of a script. Steps run from a thread timer, that
// is once the dialog's loop has handled what was already queued, and act by
// posting messages, as a user's clicks would arrive.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace test {

class DialogDriver {
 public:
  using Step = std::function<void(HWND dialog)>;

  DialogDriver();
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // The step for the next dialog that appears.
  DialogDriver& Then(Step step);
  // Steps not run yet.
  size_t Pending() const { return steps_.size(); }
  // Every dialog seen, in the order of appearance.
  const std::vector<HWND>& Seen() const { return order_; }
  // Set when the safety timer had to end dialogs that nobody closed.
  bool TimedOut() const { return timedOut_; }

  // Runs work from the thread's message loop once the messages queued before
  // it have been handled (a zero-delay thread timer).
  static void Later(std::function<void()> work);

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Safety(HWND, UINT, UINT_PTR, DWORD);
  void OnActivate(HWND window);

  static DialogDriver* current_;
  HHOOK hook_ = nullptr;
  UINT_PTR safety_ = 0;
  bool timedOut_ = false;
  std::deque<Step> steps_;
  std::set<HWND> known_;
  std::vector<HWND> order_;
};

// Window text of a window or of a dialog's control.
std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int id);
// The items of a combo box, and the text of its selected item ("" for none).
std::vector<std::wstring> ComboItems(HWND combo);
std::wstring ComboSelection(HWND combo);
// Posts WM_COMMAND with id, as a button or a menu entry does.
void PostCommand(HWND window, int id);
// The text of a menu's entry by command id, or of a top-level popup by
// position (MF_BYPOSITION).
std::wstring MenuText(HMENU menu, UINT item, UINT flags);

}  // namespace test
