// CDialog: base of the program's own modal dialogs. Each dialog class has one
// process-wide pointer to the instance being shown and one plain dialog
// procedure that forwards to it (DialogBinding); ShowDialog ties the two.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>

class CDialog {
 public:
  HWND window = nullptr;  // set when WM_INITDIALOG arrives

  CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog() = default;

  virtual INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnInitDialog(HWND window);
  // IDOK ends the dialog with 1 when OnOK allows, IDCANCEL with 0 when
  // OnCancel allows; other ids do nothing.
  virtual void OnCommand(HWND window, int commandId, int notifyCode);
  virtual int OnOK(HWND window);
  virtual int OnCancel(HWND window);
  virtual void OnNotify(HWND window, int controlId, NMHDR* header);
  virtual int OnDropFiles(HDROP drop, wchar_t* buffer, int bufferLength);
};

// The current instance and the dialog procedure of one dialog class.
template <class Dialog>
struct DialogBinding {
  static inline Dialog* current = nullptr;

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return current != nullptr ? current->DlgProc(window, message, wParam, lParam) : FALSE;
  }
};

// Makes dialog its class's current instance and shows the template
// templateId modally: the instance of owner (this module's without one), the
// owner, the class's procedure. Returns what DialogBoxParamW returns: the
// EndDialog value, or -1 when the dialog could not be created. The pointer
// stays set afterwards; the next showing replaces it.
template <class Dialog>
INT_PTR ShowDialog(Dialog& dialog, int templateId, HWND owner);

// The module instance the templates of an owner window come from.
HINSTANCE DialogInstance(HWND owner);

// What OnDropFiles does unless a window overrides it: with a buffer of
// bufferLength characters, the first dropped name into it, the drop
// released, 1; otherwise 0 and the drop is left alone.
int TakeFirstDroppedFile(HDROP drop, wchar_t* buffer, int bufferLength);

template <class Dialog>
INT_PTR ShowDialog(Dialog& dialog, int templateId, HWND owner) {
  DialogBinding<Dialog>::current = &dialog;
  return DialogBoxParamW(DialogInstance(owner), MAKEINTRESOURCEW(templateId), owner,
                         &DialogBinding<Dialog>::Procedure, 0);
}
