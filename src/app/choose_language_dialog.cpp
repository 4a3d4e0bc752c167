#include "app/choose_language_dialog.h"

#include "app/controls.h"
#include "resource.h"

void CChooseLanguageDialog::OnInitDialog(HWND dialogWindow) {
  const ctl::CComboBox list(GetDlgItem(dialogWindow, IDC_LANGUAGE));
  list.Reset();
  // The item index is the language code: 0 English, 1 Japanese.
  if (displayLanguage == 1) {
    list.AddText(L"英語");
    list.AddText(L"日本語");
  } else {
    list.AddText(L"English");
    list.AddText(L"Japanese");
  }
  list.Select(selectedLanguage);
}

int CChooseLanguageDialog::OnOK(HWND dialogWindow) {
  const LRESULT selection = ctl::CComboBox(GetDlgItem(dialogWindow, IDC_LANGUAGE)).Selection();
  // Without a selection (CB_ERR) the language stays as it was offered; -1
  // would mean "not chosen" and ask again at every start.
  if (selection == 0 || selection == 1) selectedLanguage = static_cast<int32_t>(selection);
  return 1;
}
