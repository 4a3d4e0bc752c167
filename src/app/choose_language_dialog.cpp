#include "app/choose_language_dialog.h"

#include "resource.h"

void CChooseLanguageDialog::OnInitDialog(HWND dialogWindow) {
  HWND list = GetDlgItem(dialogWindow, IDC_LANGUAGE);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  // The item index is the language code: 0 English, 1 Japanese.
  if (displayLanguage == 1) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"英語"));
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"日本語"));
  } else {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"English"));
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Japanese"));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selectedLanguage), 0);
}

int CChooseLanguageDialog::OnOK(HWND dialogWindow) {
  const LRESULT selection = SendDlgItemMessageW(dialogWindow, IDC_LANGUAGE, CB_GETCURSEL, 0, 0);
  // Without a selection (CB_ERR) the language stays as it was offered; -1
  // would mean "not chosen" and ask again at every start.
  if (selection == 0 || selection == 1) selectedLanguage = static_cast<int32_t>(selection);
  return 1;
}
