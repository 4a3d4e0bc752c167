#include "app/about_dialog.h"

#include "app/app_base.h"
#include "app/controls.h"
#include "convert/app_parameter.h"
#include "resource.h"

void CAboutDialog::OnInitDialog(HWND dialogWindow) {
  const bool japanese = theAppParameter != nullptr && theAppParameter->currentLanguage == 1;
  // "Version %s" in a buffer of 32 characters: a longer version is cut.
  wchar_t text[32] = {};
  lstrcpyW(text, japanese ? L"バージョン " : L"Version ");
  int used = lstrlenW(text);
  const wchar_t* version = theAppParameter != nullptr ? theAppParameter->GetVersion() : L"";
  for (; version != nullptr && *version != 0 && used < 31; ++version)
    text[used++] = *version;
  text[used] = 0;
  ctl::CControl(GetDlgItem(dialogWindow, IDC_ABOUT_VERSION)).SetText(text);
  ctl::CControl(GetDlgItem(dialogWindow, IDC_ABOUT_EDITION))
      .SetText(japanese ? L"64 ビット版" : L"64-bit edition");
}
