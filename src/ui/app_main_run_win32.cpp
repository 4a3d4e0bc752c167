// The conversion run of the main window: Execute and the progress the
// converters report.
#include "ui/app_main.h"

#include <commctrl.h>

#include "resource.h"

// NOT BUILT YET: the run itself (the parameter update with its save, the
// worker thread, Cancel and Execute swapped during the run, the overall bar
// and the closing message) is still to come. Until then Execute does nothing.
void CAppMain::ExecuteConversion() {}

void CAppMain::SetFileProgress(int32_t percent) {
  if (mainWindow != nullptr) {
    SendMessageW(Control(IDC_FILE_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
}
