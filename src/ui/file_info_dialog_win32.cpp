#include "ui/file_info_dialog.h"

#include "app/app_base.h"
#include "convert/app_parameter.h"
#include "resource.h"

namespace {

void ShowText(HWND dialog, int controlId, CString& text) {
  const wchar_t* wide = text.GetWide();
  SetDlgItemTextW(dialog, controlId, wide != nullptr ? wide : L"");
}

void ReadText(HWND dialog, int controlId, CString& text) {
  wchar_t buffer[520] = {};
  GetDlgItemTextW(dialog, controlId, buffer, 520);
  text.AssignWide(buffer);
}

}  // namespace

void CFileInfoDialog::OnInitDialog(HWND dialogWindow) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialogWindow, GWLP_HINSTANCE));
  ResourceName iconName = theAppParameter != nullptr
                              ? theAppParameter->GetResourceId(IDI_APPLICATION_ICON)
                              : MAKEINTRESOURCEW(IDI_APPLICATION_ICON);
  // Shared: the dialog is shown again and again, and a private copy of the
  // icon would be left behind each time.
  if (HANDLE icon = LoadImageW(module, iconName, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR | LR_SHARED)) {
    SendMessageW(dialogWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  ShowText(dialogWindow, IDC_INPUT_FILE_NAME, inputFileName);
  ShowText(dialogWindow, IDC_OUTPUT_FILE_NAME, outputFileName);
  ShowText(dialogWindow, IDC_ARRAY_NAME, arrayName);
}

int CFileInfoDialog::OnOK(HWND dialogWindow) {
  ReadText(dialogWindow, IDC_INPUT_FILE_NAME, inputFileName);
  ReadText(dialogWindow, IDC_OUTPUT_FILE_NAME, outputFileName);
  ReadText(dialogWindow, IDC_ARRAY_NAME, arrayName);
  return 1;
}
