// The main window: its initialisation from the stored settings, the routing of
// its commands, the output-folder browser and the progress bars.
#include "ui/app_main.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "app/controls.h"
#include "convert/app_parameter.h"
#include "resource.h"
#include "ui/main_window_texts.h"
#include "ui/window_dpi_win32.h"

namespace {

// The edges a control follows when the window changes its size; a control
// without any keeps its place by the top left corner.
enum : unsigned {
  kFollowRight = 1,   // moves with the right edge
  kStretchX = 2,      // its right side moves with the right edge
  kFollowBottom = 4,  // moves with the bottom edge
  kStretchY = 8,      // its bottom side moves with the bottom edge
};

struct Placement {
  int id;
  unsigned anchors;
};

// The main dialog's controls in template order: the list takes the extra
// space, the buttons and bars below it keep their distance from the bottom,
// Cancel and Execute from the bottom right corner.
constexpr Placement kPlacements[] = {
    {IDC_STATIC, kStretchX},  // the output group box
    {IDC_OUTPUT_FOLDER, kStretchX},
    {IDC_BROWSE_OUTPUT, kFollowRight},
    {IDC_STATIC, 0},
    {IDC_CONVERT, 0},
    {IDC_STATIC, 0},
    {IDC_DATA_SIZE, 0},
    {IDC_ENDIAN, 0},
    {IDC_STATIC, 0},
    {IDC_DATA_FORMAT, 0},
    {IDC_STATIC, 0},
    {IDC_ARRAY_FORMAT, kStretchX},
    {IDC_STATIC, kStretchX | kStretchY},  // the group box around the list
    {IDC_FILE_LIST, kStretchX | kStretchY},
    {IDC_ADD, kFollowBottom},
    {IDC_MODIFY, kFollowBottom},
    {IDC_DELETE, kFollowBottom},
    {IDC_ALL_DELETE, kFollowBottom},
    {IDC_STATIC, kStretchX | kFollowBottom},  // the group box around the bars
    {IDC_FILE_PROGRESS, kStretchX | kFollowBottom},
    {IDC_TOTAL_PROGRESS, kStretchX | kFollowBottom},
    {IDC_CANCEL_RUN, kFollowRight | kFollowBottom},
    {IDC_EXECUTE, kFollowRight | kFollowBottom},
};

// The list keeps at least this height in dialog units (about three rows)
// when the window is made small.
constexpr int kLeastListHeight = 40;

}  // namespace

CAppMain::CAppMain() {
  mode = ModeDialog;
  allowMultipleInstances = 1;
}

CAppMain::~CAppMain() {
  // The list first, then the two strings (their members go in reverse order).
  fileList.ClearFileList();
}

int CAppMain::Run(HINSTANCE moduleInstance, HINSTANCE previousInstance, LPWSTR commandLine,
                  int showCommand) {
  const int result = CAppBase::Run(moduleInstance, previousInstance, commandLine, showCommand);
  // Every way out of the dialog asks CanClose, which ends a run first; should
  // the dialog have ended otherwise, the run still ends here, before start-up
  // releases the settings and the list the worker reads.
  StopRunForClose();
  return result;
}

int CAppMain::InitInstance(HINSTANCE moduleInstance) {
  if (!CAppBase::InitInstance(moduleInstance)) return 0;
  if (const wchar_t* stored = theAppParameter->output_path.GetWide()) {
    const int32_t length = WideLength(stored);
    if (length > 0) outputFolder.AssignName(stored, length < 519 ? length : 519);
  }
  return 1;
}

LPCWSTR CAppMain::GetMainDialogId() {
  return MAKEINTRESOURCEW(UseJapanese() ? IDD_MAIN_JAPANESE : IDD_MAIN_ENGLISH);
}

void CAppMain::OnInitDialog(HWND dialog) {
  CAppBase::OnInitDialog(dialog);
  CAppParameter* parameter = theAppParameter;
  const int language = UseJapanese() ? 1 : 0;

  const ctl::CListView list(Control(IDC_FILE_LIST));
  list.InsertColumn(0, ColumnWidth96(0), uitext::kColumnInput.In(language));
  list.InsertColumn(1, ColumnWidth96(1), uitext::kColumnOutput.In(language));
  list.InsertColumn(2, ColumnWidth96(2), uitext::kColumnArray.In(language));
  ApplyDpi();
  list.AddExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

  const ctl::ComboItem directions[] = {{uitext::kBinaryToText.In(language), 0},
                                       {uitext::kTextToBinary.In(language), 1}};
  ctl::CComboBox(Control(IDC_CONVERT)).Fill(directions, 2);
  SelectItemData(IDC_CONVERT, ClampDirection(parameter->convert));

  const ctl::ComboItem sizes[] = {{uitext::kUnitSizeTexts[0], 1},
                                  {uitext::kUnitSizeTexts[1], 2},
                                  {uitext::kUnitSizeTexts[2], 4},
                                  {uitext::kUnitSizeTexts[3], 8}};
  ctl::CComboBox(Control(IDC_DATA_SIZE)).Fill(sizes, 4);
  // A size no item has (0, 3, 5, 6, 7) leaves the box without a selection.
  SelectItemData(IDC_DATA_SIZE, ClampUnitSize(parameter->data_size));

  const ctl::ComboItem orders[] = {{uitext::kBigEndian.In(language), 0},
                                   {uitext::kLittleEndian.In(language), 1}};
  ctl::CComboBox(Control(IDC_ENDIAN)).Fill(orders, 2);
  SelectItemData(IDC_ENDIAN, ClampByteOrder(parameter->endian));

  ctl::CControl(Control(IDC_DATA_FORMAT)).SetText(parameter->data_format);
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).SetText(parameter->array_format);

  ResetProgressBars();
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).SetText(outputFolder);
  DragAcceptFiles(dialog, TRUE);
  EnableWindow(Control(IDC_CANCEL_RUN), FALSE);
  InitLayout();
}

void CAppMain::ApplyDpi() {
  dpi_ = WindowDpi(mainWindow);
  SetWindowIcons(mainWindow, instance, theAppParameter->GetResourceId(IDI_APPLICATION_ICON));
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int column = 0; column < 3; ++column) {
    list.SetColumnWidth(column, ScaleToWindow(mainWindow, ColumnWidth96(column)));
  }
}

void CAppMain::RecordPlaces() {
  RECT client = {};
  GetClientRect(mainWindow, &client);
  templateClient_ = {client.right, client.bottom};
  placeCount_ = 0;
  int index = 0;
  for (HWND child = GetWindow(mainWindow, GW_CHILD); child != nullptr && index < kPlacedControls;
       child = GetWindow(child, GW_HWNDNEXT), ++index) {
    // Ids compare in 16 bits: a static's -1 may come back as 0xFFFF.
    if ((GetDlgCtrlID(child) & 0xFFFF) != (kPlacements[index].id & 0xFFFF)) break;
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&rect), 2);
    places_[placeCount_++] = {child, rect, kPlacements[index].anchors};
  }
}

void CAppMain::InitLayout() {
  RecordPlaces();

  // The least size: the template's, with the list down to a few rows.
  RECT window = {};
  GetWindowRect(mainWindow, &window);
  RECT least = {0, 0, 0, kLeastListHeight};
  MapDialogRect(mainWindow, &least);
  RECT listRect = {};
  GetWindowRect(Control(IDC_FILE_LIST), &listRect);
  const LONG spare = (listRect.bottom - listRect.top) - least.bottom;
  leastWindow_ = {window.right - window.left, window.bottom - window.top - (spare > 0 ? spare : 0)};

  // Where the user last had it, else where the template puts it.
  const bool placed = PlaceAsSaved();
  if (placed) GetWindowRect(mainWindow, &window);

  // At a high scaling the template may be taller than the screen: the window
  // then opens as large as the work area, inside it.
  RECT work = {};
  if (!WorkArea(&work)) return;
  LONG width = window.right - window.left;
  LONG height = window.bottom - window.top;
  if (width > work.right - work.left) width = work.right - work.left;
  if (height > work.bottom - work.top) height = work.bottom - work.top;
  LONG x = window.left;
  LONG y = window.top;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  if (x != window.left || y != window.top || width != window.right - window.left ||
      height != window.bottom - window.top) {
    SetWindowPos(mainWindow, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (placed && theAppParameter->window_maximized == 1) ShowWindow(mainWindow, SW_MAXIMIZE);
}

bool CAppMain::WorkArea(RECT* area) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return false;
  }
  *area = monitor.rcWork;
  return true;
}

void CAppMain::ArrangeControls(int width, int height) {
  if (placeCount_ == 0) return;
  const LONG dx = width - templateClient_.cx;
  const LONG dy = height - templateClient_.cy;
  HDWP batch = BeginDeferWindowPos(placeCount_);
  for (int i = 0; i < placeCount_; ++i) {
    const ControlPlace& place = places_[i];
    if (place.anchors == 0) continue;
    RECT rect = place.rect;
    if (place.anchors & kFollowRight) OffsetRect(&rect, dx, 0);
    if (place.anchors & kStretchX) rect.right += dx;
    if (place.anchors & kFollowBottom) OffsetRect(&rect, 0, dy);
    if (place.anchors & kStretchY) rect.bottom += dy;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (batch != nullptr) {
      batch = DeferWindowPos(batch, place.control, nullptr, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, flags);
    } else {
      SetWindowPos(place.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, flags);
    }
  }
  if (batch != nullptr) EndDeferWindowPos(batch);
  // The group boxes' frames are drawn over the area they leave.
  InvalidateRect(mainWindow, nullptr, TRUE);
}

bool CAppMain::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) ArrangeControls(LOWORD(lParam), HIWORD(lParam));
      return false;  // the frame sees it as before
    case WM_GETMINMAXINFO:
      if (leastWindow_.x > 0) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = leastWindow_;
        return true;
      }
      return false;
    case WM_DPICHANGED:
      // The system scales a per-monitor dialog and its controls itself; the
      // layout stands aside meanwhile and then starts from what it made.
      placeCount_ = 0;
      PostMessageW(mainWindow, kDpiChangedMessage, dpi_, 0);
      return false;
    case kDpiChangedMessage:
      OnDpiChanged(static_cast<UINT>(wParam));
      return true;
    case kMoveFocusMessage:
      MoveFocusOff(static_cast<int>(wParam), static_cast<int>(lParam));
      return true;
    case WM_ACTIVATE:
      // The dialog gives the focus back to the control that had it, which a
      // run may have disabled meanwhile; seen once the activation is done.
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(mainWindow, kMoveFocusMessage, 0, 0);
      return false;
    default:
      return false;
  }
}

void CAppMain::OnDpiChanged(UINT oldDpi) {
  const UINT dpi = WindowDpi(mainWindow);
  if (oldDpi == 0 || dpi == oldDpi) {
    RecordPlaces();
    return;
  }
  dpi_ = dpi;
  SetWindowIcons(mainWindow, instance, theAppParameter->GetResourceId(IDI_APPLICATION_ICON));
  // The columns keep the widths the user gave them, at the new scale.
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int column = 0; column < 3; ++column) {
    list.SetColumnWidth(
        column, MulDiv(list.ColumnWidth(column), static_cast<int>(dpi), static_cast<int>(oldDpi)));
  }
  leastWindow_ = {MulDiv(leastWindow_.x, static_cast<int>(dpi), static_cast<int>(oldDpi)),
                  MulDiv(leastWindow_.y, static_cast<int>(dpi), static_cast<int>(oldDpi))};
  RecordPlaces();
}

void CAppMain::MoveFocusOff(int fromId, int toId) {
  HWND focus = GetFocus();
  if (fromId == 0) {
    // The rescue: any disabled control of the window.
    if (focus == nullptr || GetParent(focus) != mainWindow || IsWindowEnabled(focus)) return;
  } else if (focus == nullptr || focus != Control(fromId)) {
    return;
  }
  HWND target = toId != 0 ? Control(toId) : nullptr;
  if (target == nullptr || !IsWindowEnabled(target)) {
    target = IsWindowEnabled(Control(IDC_EXECUTE)) ? Control(IDC_EXECUTE) : Control(IDC_FILE_LIST);
  }
  // WM_NEXTDLGCTL rather than SetFocus: the dialog keeps its default button
  // and its remembered focus in step.
  SendMessageW(mainWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

void CAppMain::RescueFocus() {
  MoveFocusOff(0, 0);
}

void CAppMain::OnNotify(int /*controlId*/, NMHDR* header) {
  if (header != nullptr && header->idFrom == IDC_FILE_LIST && header->code == NM_DBLCLK) {
    ModifyFileEntry();
  }
}

void CAppMain::OnCommand(int commandId, int notifyCode) {
  switch (commandId) {
    case IDC_ADD:
      AddFiles();
      break;
    case IDC_MODIFY:
      ModifyFileEntry();
      break;
    case IDC_DELETE:
      DeleteFileEntry();
      break;
    case IDC_ALL_DELETE:
      DeleteAllFileEntries();
      break;
    case IDC_BROWSE_OUTPUT:
      OnBrowseOutputFolder();
      break;
    case IDC_CANCEL_RUN:
      if (fileList.entryCount > 0 && workerThread != nullptr) cancelRequested = 1;
      break;
    case IDC_EXECUTE:
      ExecuteConversion();
      break;
    case IDC_CONVERT:
      if (notifyCode == CBN_SELCHANGE) OnDirectionChanged();
      CAppBase::OnCommand(commandId, notifyCode);
      break;
    case ID_FILE_OPEN:
      LoadFileList();
      break;
    case ID_FILE_SAVE:
      SaveFileList();
      break;
    case ID_FILE_SAVE_AS:
      SaveFileListAs();
      break;
    default:
      CAppBase::OnCommand(commandId, notifyCode);
      break;
  }
}

void CAppMain::ResetProgressBars() {
  for (const int id : {IDC_FILE_PROGRESS, IDC_TOTAL_PROGRESS}) {
    const ctl::CProgressBar bar(Control(id));
    bar.SetRange(0, 100);
    bar.SetPos(0);
  }
}

void CAppMain::OnBrowseOutputFolder() {
  // The folder browser is a shell object and wants COM on this thread; an
  // earlier initialisation by someone else is counted, not replaced.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW browse = {};
  browse.hwndOwner = mainWindow;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = uitext::kSelectOutputFolder.In(UseJapanese() ? 1 : 0);
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(item, path)) {
      outputFolder.AssignName(path);
      theAppParameter->output_path.AssignName(path);
      theAppParameter->Save();
      ctl::CControl(Control(IDC_OUTPUT_FOLDER)).SetText(path);
    }
    CoTaskMemFree(item);
  }

  if (SUCCEEDED(com)) CoUninitialize();
}

int32_t CAppMain::SelectedItemData(int controlId) {
  return ctl::CComboBox(Control(controlId)).SelectedData();
}

bool CAppMain::SelectItemData(int controlId, int32_t value) {
  return ctl::CComboBox(Control(controlId)).SelectData(value);
}
