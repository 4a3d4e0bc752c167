// The main window's keys, title and recent lists. The window is a modal
// dialog, whose message loop knows no accelerator table; a message filter
// hook on the window's thread sees each message the dialog's loop takes and
// translates the keys before the dialog's own keyboard handling does.
#include "ui/app_main.h"

#include <shlwapi.h>

#include <cwchar>
#include <iterator>

#include "convert/app_parameter.h"
#include "resource.h"
#include "ui/main_window_texts.h"

namespace {

// The window whose keys the hook translates: one main window per thread
// and process.
CAppMain* g_keyWindow = nullptr;

// The width a recent list's path is cut to in the menu, in characters.
constexpr UINT kRecentMenuChars = 64;

bool IsEditControl(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return _wcsicmp(name, L"Edit") == 0;
}

}  // namespace

LRESULT CALLBACK CAppMain::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && g_keyWindow != nullptr &&
      g_keyWindow->TranslateKeys(reinterpret_cast<MSG*>(lParam))) {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CAppMain::InstallKeys() {
  keys_.Reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS)));
  if (!keys_) return;
  g_keyWindow = this;
  keyHook_.Reset(SetWindowsHookExW(WH_MSGFILTER, &KeyFilter, nullptr, GetCurrentThreadId()));
}

void CAppMain::RemoveKeys() {
  keyHook_.Reset();
  keys_.Reset();
  if (g_keyWindow == this) g_keyWindow = nullptr;
}

bool CAppMain::TranslateKeys(MSG* message) {
  if (!keys_ || message == nullptr || mainWindow == nullptr) return false;
  if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return false;
  // Only the main window's own keys: not those of a message box or file
  // dialog it shows (they have loops of their own, but the hook sees them),
  // nor while one of them holds it disabled.
  if (message->hwnd == nullptr || GetAncestor(message->hwnd, GA_ROOT) != mainWindow ||
      !IsWindowEnabled(mainWindow)) {
    return false;
  }
  // Delete removes rows only from the list that has the focus, as in a
  // file manager; in a text box Ctrl+A selects the text.
  if (message->wParam == VK_DELETE && message->hwnd != GetDlgItem(mainWindow, IDC_FILE_LIST))
    return false;
  const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (control && message->wParam == 'A' && IsEditControl(message->hwnd)) return false;
  return TranslateAcceleratorW(mainWindow, keys_.Get(), message) != 0;
}

void CAppMain::UpdateTitle() {
  if (mainWindow == nullptr) return;
  const wchar_t* name = uitext::kUntitledList.In(UseJapanese() ? 1 : 0);
  const CWideText path(listFilePath);
  if (path.Get() != nullptr && path.Get()[0] != 0) {
    name = path.Get();
    for (const wchar_t* at = path.Get(); *at != 0; ++at) {
      if (*at == L'\\' || *at == L'/') name = at + 1;
    }
  }
  wchar_t title[1100] = {};
  std::swprintf(title, std::size(title), L"%ls%ls - %ls", HasUnsavedChanges() ? L"*" : L"", name,
                theAppParameter != nullptr ? theAppParameter->GetTitle(0) : L"Brelvix");
  wchar_t shown[1100] = {};
  GetWindowTextW(mainWindow, shown, static_cast<int>(std::size(shown)));
  if (std::wcscmp(shown, title) != 0) SetWindowTextW(mainWindow, title);
}

void CAppMain::FillRecentMenu() {
  HMENU menu = GetMenu(mainWindow);
  HMENU file = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
  if (file == nullptr || theAppParameter == nullptr) return;
  for (int i = 0; i < ID_FILE_RECENT_COUNT; ++i)
    DeleteMenu(file, ID_FILE_RECENT_FIRST + i, MF_BYCOMMAND);
  DeleteMenu(file, ID_FILE_RECENT_SEPARATOR, MF_BYCOMMAND);

  // Before the separator that stands before Exit.
  int position = GetMenuItemCount(file) - 1;
  for (int i = 0; i < GetMenuItemCount(file); ++i) {
    if (GetMenuItemID(file, i) == ID_FILE_EXIT) position = i - 1;
  }
  if (position < 0) position = 0;
  const bool free = !listLocked_ && !RunActive();
  int added = 0;
  for (int i = 0; i < CAppParameter::kRecentListCount && i < ID_FILE_RECENT_COUNT; ++i) {
    const CWideText path(theAppParameter->recent_lists[i]);
    if (path.Get() == nullptr || path.Get()[0] == 0) continue;
    wchar_t shortened[MAX_PATH] = {};
    if (!PathCompactPathExW(shortened, path.Get(), kRecentMenuChars, 0))
      lstrcpynW(shortened, path.Get(), kRecentMenuChars);
    // "&1 path", an & of the path doubled so that it shows as itself.
    wchar_t text[2 * MAX_PATH + 8] = {};
    std::swprintf(text, std::size(text), L"&%d ", i + 1);
    size_t at = std::wcslen(text);
    for (const wchar_t* c = shortened; *c != 0 && at + 2 < std::size(text); ++c) {
      if (*c == L'&') text[at++] = L'&';
      text[at++] = *c;
    }
    text[at] = 0;
    InsertMenuW(file, static_cast<UINT>(position + added),
                MF_BYPOSITION | MF_STRING | (free ? MF_ENABLED : MF_GRAYED),
                static_cast<UINT_PTR>(ID_FILE_RECENT_FIRST + i), text);
    ++added;
  }
  if (added > 0) {
    InsertMenuW(file, static_cast<UINT>(position + added), MF_BYPOSITION | MF_SEPARATOR,
                ID_FILE_RECENT_SEPARATOR, nullptr);
  }
  DrawMenuBar(mainWindow);
}

void CAppMain::RememberRecentList(const wchar_t* path) {
  if (theAppParameter == nullptr || path == nullptr) return;
  theAppParameter->AddRecentList(path);
  // At once, so that a second program started meanwhile or a crash keeps it.
  theAppParameter->Save();
  FillRecentMenu();
}
