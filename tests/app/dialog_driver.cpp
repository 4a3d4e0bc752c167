#include "app/dialog_driver.h"

#include <gtest/gtest.h>

#include <map>

namespace test {

namespace {

// Long enough for any slow Wine start, short of the test's own time limit.
constexpr UINT kSafetyMilliseconds = 45000;

std::map<UINT_PTR, std::function<void()>>& LaterWork() {
  static std::map<UINT_PTR, std::function<void()>> work;
  return work;
}

void CALLBACK RunLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto& work = LaterWork();
  auto found = work.find(id);
  if (found == work.end()) return;
  std::function<void()> job = std::move(found->second);
  work.erase(found);
  job();
}

bool IsDialogWindow(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return lstrcmpW(name, L"#32770") == 0;
}

BOOL CALLBACK EndOneDialog(HWND window, LPARAM) {
  // Every modal loop of the thread ends: the inner one at once, the outer
  // ones as soon as control returns to them.
  if (IsDialogWindow(window)) EndDialog(window, -2);
  return TRUE;
}

}  // namespace

DialogDriver* DialogDriver::current_ = nullptr;

DialogDriver::DialogDriver() {
  current_ = this;
  hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  EXPECT_NE(hook_, nullptr);
  safety_ = SetTimer(nullptr, 0, kSafetyMilliseconds, &Safety);
}

DialogDriver::~DialogDriver() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (safety_ != 0) KillTimer(nullptr, safety_);
  current_ = nullptr;
  EXPECT_TRUE(steps_.empty()) << steps_.size() << " dialog step(s) never ran";
  EXPECT_FALSE(timedOut_) << "a dialog was left open";
}

DialogDriver& DialogDriver::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void DialogDriver::Later(std::function<void()> work) {
  const UINT_PTR id = SetTimer(nullptr, 0, 0, &RunLater);
  if (id == 0) {
    ADD_FAILURE() << "SetTimer failed";
    return;
  }
  LaterWork()[id] = std::move(work);
}

LRESULT CALLBACK DialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (current_ != nullptr) {
    if (code == HCBT_ACTIVATE) current_->OnActivate(reinterpret_cast<HWND>(wParam));
    // A handle may be used again for a later window.
    if (code == HCBT_DESTROYWND) current_->known_.erase(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::OnActivate(HWND window) {
  if (!IsDialogWindow(window) || !known_.insert(window).second) return;
  order_.push_back(window);
  if (steps_.empty()) {
    ADD_FAILURE() << "a dialog appeared that the test did not expect";
    Later([window] { PostCommand(window, IDCANCEL); });
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  Later([window, step] { step(window); });
}

void CALLBACK DialogDriver::Safety(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (current_ == nullptr) return;
  current_->safety_ = 0;
  current_->timedOut_ = true;
  EnumThreadWindows(GetCurrentThreadId(), &EndOneDialog, 0);
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ItemText(HWND dialog, int id) {
  return WindowText(GetDlgItem(dialog, id));
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 255) {
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    }
    items.push_back(text);
  }
  return items;
}

std::wstring ComboSelection(HWND combo) {
  const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return L"";
  wchar_t text[256] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
  return text;
}

void PostCommand(HWND window, int id) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
}

std::wstring MenuText(HMENU menu, UINT item, UINT flags) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, item, text, 256, flags);
  return text;
}

}  // namespace test
