#include "app/dialog.h"

HINSTANCE DialogInstance(HWND owner) {
  if (owner != nullptr) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  }
  return GetModuleHandleW(nullptr);
}

int TakeFirstDroppedFile(HDROP drop, wchar_t* buffer, int bufferLength) {
  if (buffer == nullptr || bufferLength <= 0) return 0;
  DragQueryFileW(drop, 0, buffer, static_cast<UINT>(bufferLength));
  DragFinish(drop);
  return 1;
}

INT_PTR CDialog::DlgProc(HWND dialogWindow, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      window = dialogWindow;
      OnInitDialog(dialogWindow);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialogWindow, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      OnNotify(dialogWindow, static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam));
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam), nullptr, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void CDialog::OnInitDialog(HWND /*window*/) {}

void CDialog::OnCommand(HWND dialogWindow, int commandId, int /*notifyCode*/) {
  if (commandId == IDOK) {
    if (OnOK(dialogWindow)) EndDialog(dialogWindow, 1);
  } else if (commandId == IDCANCEL) {
    if (OnCancel(dialogWindow)) EndDialog(dialogWindow, 0);
  }
}

int CDialog::OnOK(HWND /*window*/) {
  return 1;
}

int CDialog::OnCancel(HWND /*window*/) {
  return 1;
}

void CDialog::OnNotify(HWND /*window*/, int /*controlId*/, NMHDR* /*header*/) {}

int CDialog::OnDropFiles(HDROP drop, wchar_t* buffer, int bufferLength) {
  return TakeFirstDroppedFile(drop, buffer, bufferLength);
}
