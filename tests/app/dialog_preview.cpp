// Shows one dialog template of the program's resources with the class that
// drives it, for looking at it by eye: dialog_preview.exe <template id>.
// Japanese ids give the Japanese texts. Ends when the dialog is closed.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>

#include "app/about_dialog.h"
#include "app/app_base.h"
#include "app/choose_language_dialog.h"
#include "app/dialog.h"
#include "convert/app_parameter.h"
#include "resource.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const int id = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
  CAppParameter parameter;
  theAppParameter = &parameter;
  const bool japanese = id < 1100 || (id >= 2000 && id < 2100);
  parameter.currentLanguage = japanese ? 1 : 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  INT_PTR result;
  if (id == IDD_ABOUT_JAPANESE || id == IDD_ABOUT_ENGLISH) {
    CAboutDialog dialog;
    result = ShowDialog(dialog, id, nullptr);
  } else if (id == IDD_CHOOSE_LANGUAGE_JAPANESE || id == IDD_CHOOSE_LANGUAGE_ENGLISH) {
    CChooseLanguageDialog dialog;
    dialog.displayLanguage = japanese ? 1 : 0;
    dialog.selectedLanguage = japanese ? 1 : 0;
    result = ShowDialog(dialog, id, nullptr);
  } else {
    CDialog dialog;
    result = ShowDialog(dialog, id, nullptr);
  }
  theAppParameter = nullptr;
  return static_cast<int>(result);
}
