#include "ui/file_info_dialog.h"

#include "app/app_base.h"
#include "app/controls.h"
#include "convert/app_parameter.h"
#include "convert/array_name.h"
#include "resource.h"
#include "ui/main_window_texts.h"
#include "ui/window_dpi_win32.h"

namespace {

ctl::CControl Item(HWND dialog, int controlId) {
  return ctl::CControl(GetDlgItem(dialog, controlId));
}

}  // namespace

void CFileInfoDialog::OnInitDialog(HWND dialogWindow) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialogWindow, GWLP_HINSTANCE));
  ResourceName iconName = theAppParameter != nullptr
                              ? theAppParameter->GetResourceId(IDI_APPLICATION_ICON)
                              : MAKEINTRESOURCEW(IDI_APPLICATION_ICON);
  SetWindowIcons(dialogWindow, module, iconName);
  Item(dialogWindow, IDC_INPUT_FILE_NAME).SetText(inputFileName);
  Item(dialogWindow, IDC_OUTPUT_FILE_NAME).SetText(outputFileName);
  Item(dialogWindow, IDC_ARRAY_NAME).SetText(arrayName);
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
  Item(dialogWindow, IDC_INPUT_FILE_NAME).ReadText(inputFileName);
  Item(dialogWindow, IDC_OUTPUT_FILE_NAME).ReadText(outputFileName);
  Item(dialogWindow, IDC_ARRAY_NAME).ReadText(arrayName);
  if (!KeepArrayName(dialogWindow)) return 0;
  return 1;
}

bool CFileInfoDialog::KeepArrayName(HWND dialogWindow) {
  if (IsArrayIdentifier(arrayName.Text())) return true;
  // The user's own name is kept when they say so; the output then needs
  // another language or a template that does not declare it.
  const int language = UseJapanese() ? 1 : 0;
  if (MessageBoxW(dialogWindow, uitext::kArrayNameNotIdentifier.In(language), L"Brelvix",
                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
    return true;
  }
  SendMessageW(dialogWindow, WM_NEXTDLGCTL,
               reinterpret_cast<WPARAM>(GetDlgItem(dialogWindow, IDC_ARRAY_NAME)), TRUE);
  return false;
}
