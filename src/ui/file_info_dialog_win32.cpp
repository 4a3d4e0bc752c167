#include "ui/file_info_dialog.h"

#include "app/app_base.h"
#include "convert/app_parameter.h"
#include "resource.h"
#include "ui/window_dpi_win32.h"

namespace {

void ShowText(HWND dialog, int controlId, const CString& text) {
  SetDlgItemTextW(dialog, controlId, CWideText(text).OrEmpty());
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
  SetWindowIcons(dialogWindow, module, iconName);
  ShowText(dialogWindow, IDC_INPUT_FILE_NAME, inputFileName);
  ShowText(dialogWindow, IDC_OUTPUT_FILE_NAME, outputFileName);
  ShowText(dialogWindow, IDC_ARRAY_NAME, arrayName);
}

INT_PTR CFileInfoDialog::DlgProc(HWND dialogWindow, UINT message, WPARAM wParam, LPARAM lParam) {
  const INT_PTR result = CDialog::DlgProc(dialogWindow, message, wParam, lParam);
  if (message != WM_INITDIALOG) return result;
  // The output name is what the user came to change; the input name is
  // read-only. FALSE keeps the dialog from putting the focus back on the first
  // control.
  SendMessageW(dialogWindow, WM_NEXTDLGCTL,
               reinterpret_cast<WPARAM>(GetDlgItem(dialogWindow, IDC_OUTPUT_FILE_NAME)), TRUE);
  return FALSE;
}

int CFileInfoDialog::OnOK(HWND dialogWindow) {
  ReadText(dialogWindow, IDC_INPUT_FILE_NAME, inputFileName);
  ReadText(dialogWindow, IDC_OUTPUT_FILE_NAME, outputFileName);
  ReadText(dialogWindow, IDC_ARRAY_NAME, arrayName);
  return 1;
}
