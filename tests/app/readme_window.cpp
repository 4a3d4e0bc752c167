// The real main window with a few rows in its list, for the README's
// pictures (scripts/screenshots.sh):
//   readme_window.exe <folder> <file name>...
// Start-up and shutdown are the program's own.
#include <windows.h>

#include "app/startup.h"
#include "resource.h"
#include "ui/app_main.h"

namespace {

int g_count = 0;
wchar_t** g_names = nullptr;

class CReadmeApp : public CAppMain {
 public:
  void OnInitDialog(HWND dialog) override {
    CAppMain::OnInitDialog(dialog);
    const int32_t direction = SelectedItemData(IDC_CONVERT);
    for (int i = 1; i < g_count; ++i)
      fileList.AddFileEntry(g_names[0], g_names[i], direction);
    RefreshFileList();
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  g_count = argc - 1;
  g_names = argv + 1;
  return RunApplication<CReadmeApp>(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""),
                                    SW_SHOW);
}
