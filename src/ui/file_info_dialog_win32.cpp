#include "ui/file_info_dialog.h"

#include "app/app_base.h"
#include "app/controls.h"
#include "base/holder.h"
#include "convert/app_parameter.h"
#include "convert/array_name.h"
#include "resource.h"
#include "ui/list/file_list.h"
#include "ui/main_window_texts.h"
#include "ui/window_dpi_win32.h"

namespace {

// Room for the reason a typed output name is refused.
constexpr int kReasonUnits = 256;

ctl::CControl Item(HWND dialog, int controlId) {
  return ctl::CControl(GetDlgItem(dialog, controlId));
}

// Why the typed output name cannot be used, in the window's language; null
// when it can. The forbidden character takes the place of "%c" in its text.
const wchar_t* OutputNameReason(const wchar_t* name, wchar_t* buffer, int bufferUnits) {
  wchar_t offending = 0;
  const int language = UseJapanese() ? 1 : 0;
  switch (CheckOutputFileName(name, &offending)) {
    case kOutputNameOk:
      return nullptr;
    case kOutputNameEmpty:
      return uitext::kOutputNameIsEmpty.In(language);
    case kOutputNameFolder:
      return uitext::kOutputNameHasFolder.In(language);
    case kOutputNameControl:
      return uitext::kOutputNameHasControl.In(language);
    case kOutputNameTrailingDotSpace:
      return uitext::kOutputNameEndsBadly.In(language);
    case kOutputNameDevice:
      return uitext::kOutputNameIsDevice.In(language);
    default:
      break;
  }
  const wchar_t* format = uitext::kOutputNameHasForbidden.In(language);
  int out = 0;
  for (const wchar_t* c = format; *c != 0 && out + 1 < bufferUnits; ++c) {
    if (c[0] == L'%' && c[1] == L'c') {
      buffer[out++] = offending;
      ++c;
    } else {
      buffer[out++] = *c;
    }
  }
  buffer[out] = 0;
  return buffer;
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
  Item(dialogWindow, IDC_OUTPUT_FILE_NAME).TakeDialogFocus();
  return FALSE;
}

bool CFileInfoDialog::RefuseOutputName(HWND dialogWindow) {
  const ctl::CEdit box(GetDlgItem(dialogWindow, IDC_OUTPUT_FILE_NAME));
  const int length = box.TextLength();
  CBuffer<wchar_t> typed;
  if (!typed.Allocate(static_cast<size_t>(length) + 1)) return false;
  box.ReadText(typed.Get(), length + 1);
  wchar_t buffer[kReasonUnits] = {};
  const wchar_t* reason = OutputNameReason(typed.Get(), buffer, kReasonUnits);
  if (reason == nullptr) return false;
  MessageBoxW(dialogWindow, reason, uitext::kFileInfoCaption.In(UseJapanese() ? 1 : 0),
              MB_OK | MB_ICONWARNING);
  // Back in the box, all of it selected, to be typed over.
  box.TakeDialogFocus();
  box.SelectAll();
  return true;
}

int CFileInfoDialog::OnOK(HWND dialogWindow) {
  if (RefuseOutputName(dialogWindow)) return 0;
  Item(dialogWindow, IDC_INPUT_FILE_NAME).ReadName(inputFileName);
  Item(dialogWindow, IDC_OUTPUT_FILE_NAME).ReadName(outputFileName);
  Item(dialogWindow, IDC_ARRAY_NAME).ReadText(arrayName);
  if (!KeepArrayName(dialogWindow)) return 0;
  return 1;
}

bool CFileInfoDialog::KeepArrayName(HWND dialogWindow) {
  if (IsArrayIdentifier(arrayName.Text())) return true;
  // The user's own name is kept when they say so; the output then needs
  // another language or a template that does not declare it.
  const int language = UseJapanese() ? 1 : 0;
  if (MessageBoxW(dialogWindow, uitext::kArrayNameNotIdentifier.In(language),
                  uitext::kFileInfoCaption.In(language),
                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
    return true;
  }
  Item(dialogWindow, IDC_ARRAY_NAME).TakeDialogFocus();
  return false;
}
