// Nothing a user made is lost on the way out: the questions before the window
// closes, and the settings and the window's place kept from one start to the
// next.
#include "ui/app_main.h"

#include <commctrl.h>

#include "convert/app_parameter.h"
#include "resource.h"
#include "ui/main_window_texts.h"

namespace {

constexpr const wchar_t* kCaption = L"Brelvix";

// The list columns' default widths at 96 DPI, and the widths a stored value
// may have; one outside them is not the user's.
constexpr int kDefaultColumnWidths[] = {250, 200, 200, 200};
constexpr int kMaxColumnWidth = 4000;

}  // namespace

bool CAppMain::ConfirmClose() {
  // Working rather than RunActive: a run that has converted its last row
  // and only shows its message has nothing left to stop.
  if (worker.Working()) {
    const int language = UseJapanese() ? 1 : 0;
    // No is the default: Enter must not throw away a long run.
    if (MessageBoxW(mainWindow, uitext::kStopRunQuestion.In(language), kCaption,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
      return false;
    }
  }
  // Asked while the run goes on: a Cancel here leaves it running.
  return ConfirmDropList();
}

int CAppMain::CanClose(int reason) {
  // One question at a time: a second close that arrives while one is up
  // waits for its answer.
  if (asking_) return 0;
  if (!closing_) {
    asking_ = true;
    const bool close = ConfirmClose();
    asking_ = false;
    if (!close) return 0;
  }
  StopRunForClose();
  KeepSettingsAtClose();
  return CAppBase::CanClose(reason);
}

void CAppMain::KeepSettingsAtClose() {
  if (mainWindow == nullptr || !IsWindow(mainWindow)) return;
  CAppParameter* parameter = theAppParameter;

  // The frame as the user last had it at its normal size: the placement's
  // normal frame is in workspace coordinates, which lie off the screen's by
  // where the primary monitor's work area begins.
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  bool changed = false;
  if (GetWindowPlacement(mainWindow, &placement)) {
    RECT frame = placement.rcNormalPosition;
    MONITORINFO primary = {};
    primary.cbSize = sizeof primary;
    if (GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary)) {
      OffsetRect(&frame, primary.rcWork.left - primary.rcMonitor.left,
                 primary.rcWork.top - primary.rcMonitor.top);
    }
    const int32_t values[] = {frame.left, frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, IsZoomed(mainWindow) ? 1 : 0};
    int32_t* fields[] = {&parameter->window_left, &parameter->window_top, &parameter->window_width,
                         &parameter->window_height, &parameter->window_maximized};
    for (int i = 0; i < 5; ++i) {
      if (*fields[i] != values[i]) changed = true;
      *fields[i] = values[i];
    }
  }
  const ctl::CListView list(Control(IDC_FILE_LIST));
  const int dpi = static_cast<int>(dpi_ != 0 ? dpi_ : 96);
  for (int column = 0; column < 3; ++column) {
    const int32_t width = MulDiv(list.ColumnWidth(column), 96, dpi);
    if (parameter->column_widths[column] != width) changed = true;
    parameter->column_widths[column] = width;
  }

  // The conversion settings as Execute takes them; it saves when they
  // changed, and the place is saved when only it did.
  TakeConversionControls(changed);
}

bool CAppMain::PlaceAsSaved() {
  const CAppParameter* parameter = theAppParameter;
  if (parameter->window_width <= 0 || parameter->window_height <= 0) return false;
  RECT frame = {parameter->window_left, parameter->window_top,
                parameter->window_left + parameter->window_width,
                parameter->window_top + parameter->window_height};
  // A monitor that is gone (or a place no monitor shows): the primary one.
  if (MonitorFromRect(&frame, MONITOR_DEFAULTTONULL) == nullptr) {
    MONITORINFO primary = {};
    primary.cbSize = sizeof primary;
    if (!GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary)) {
      return false;
    }
    OffsetRect(&frame, primary.rcWork.left - frame.left, primary.rcWork.top - frame.top);
  }
  // Never below the least size; the caller fits it into the work area.
  const LONG width =
      frame.right - frame.left > leastWindow_.x ? frame.right - frame.left : leastWindow_.x;
  const LONG height =
      frame.bottom - frame.top > leastWindow_.y ? frame.bottom - frame.top : leastWindow_.y;
  SetWindowPos(mainWindow, nullptr, frame.left, frame.top, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

int CAppMain::ColumnWidth96(int column) const {
  // The status column's width is not kept.
  if (column >= 3) return kDefaultColumnWidths[column < kListColumns ? column : 3];
  const int stored = theAppParameter != nullptr ? theAppParameter->column_widths[column] : 0;
  return stored > 0 && stored <= kMaxColumnWidth ? stored : kDefaultColumnWidths[column];
}
