// Drives the installed program from outside, for the package test
// (scripts/test-dist.sh): another process of the same Wine session, looking
// at top-level dialogs by the controls they hold.
//   package_driver language-dialog SECONDS  the first start's Choose Language
//                                            dialog appears
//   package_driver choose-language SECONDS  that dialog appears; press its OK
//   package_driver main-window SECONDS      the main window appears with no
//                                            Choose Language dialog before it
//   package_driver help SECONDS             Help Topics in the main window opens
//                                            a window titled with the English
//                                            help page's name (en.html)
//   package_driver close SECONDS            close the main window and that page
// A window found is drawn whole before the driver ends, for a screenshot.
// Exit status 0 when it happened, 1 when it did not within SECONDS.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "resource.h"

namespace {

struct Search {
  int controlId;
  HWND found;
};

BOOL CALLBACK FindDialogWith(HWND window, LPARAM data) {
  Search* search = reinterpret_cast<Search*>(data);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (std::wcscmp(className, L"#32770") == 0 && IsWindowVisible(window) &&
      GetDlgItem(window, search->controlId) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND DialogWith(int controlId) {
  Search search = {controlId, nullptr};
  EnumWindows(&FindDialogWith, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK FindHelpPage(HWND window, LPARAM data) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (IsWindowVisible(window) && std::wcsstr(title, L"en.html") != nullptr) {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

// Sends the paint messages and waits until the owner has handled them.
void DrawNow(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(
        stderr,
        "usage: package_driver language-dialog|choose-language|main-window|help|close SECONDS\n");
    return 2;
  }
  const wchar_t* command = argv[1];
  const ULONGLONG deadline = GetTickCount64() + 1000ULL * std::wcstoul(argv[2], nullptr, 10);
  // The other process shows its windows when it gets there: look until then.
  for (;;) {
    if (std::wcscmp(command, L"language-dialog") == 0 ||
        std::wcscmp(command, L"choose-language") == 0) {
      if (HWND dialog = DialogWith(IDC_LANGUAGE)) {
        DrawNow(dialog);
        if (std::wcscmp(command, L"language-dialog") == 0) return 0;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return 0;
      }
    } else {
      if (DialogWith(IDC_LANGUAGE) != nullptr) {
        std::fprintf(stderr, "the Choose Language dialog is shown\n");
        return 1;
      }
      if (HWND main = DialogWith(IDC_EXECUTE)) {
        if (std::wcscmp(command, L"help") == 0) {
          PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_HELP_TOPICS, 0), 0);
          for (;;) {
            HWND page = nullptr;
            EnumWindows(&FindHelpPage, reinterpret_cast<LPARAM>(&page));
            if (page != nullptr) {
              DrawNow(page);
              return 0;
            }
            if (GetTickCount64() > deadline) {
              std::fprintf(stderr, "no help page opened within %ls seconds\n", argv[2]);
              return 1;
            }
            Sleep(100);
          }
        }
        if (std::wcscmp(command, L"close") == 0) {
          HWND page = nullptr;
          EnumWindows(&FindHelpPage, reinterpret_cast<LPARAM>(&page));
          if (page != nullptr) PostMessageW(page, WM_CLOSE, 0, 0);
          PostMessageW(main, WM_CLOSE, 0, 0);
        } else {
          DrawNow(main);
        }
        return 0;
      }
    }
    if (GetTickCount64() > deadline) {
      std::fprintf(stderr, "no such window within %ls seconds\n", argv[2]);
      return 1;
    }
    Sleep(100);
  }
}
