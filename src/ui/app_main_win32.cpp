// The main window: its initialisation from the stored settings, the routing of
// its commands, the output-folder browser and the progress bars.
#include "ui/app_main.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windowsx.h>

#include <iterator>

#include "base/handle_win32.h"
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
    {IDC_STATIC, kStretchX},  // the settings group box
    {IDC_STATIC, 0},
    {IDC_OUTPUT_FOLDER, kStretchX},
    {IDC_BROWSE_OUTPUT, kFollowRight},
    {IDC_STATIC, 0},
    {IDC_CONVERT, 0},
    {IDC_STATIC, 0},
    {IDC_DATA_SIZE, 0},
    {IDC_STATIC, 0},
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
    {IDC_STATIC, kFollowBottom},
    {IDC_FILE_PROGRESS, kStretchX | kFollowBottom},
    {IDC_STATIC, kFollowBottom},
    {IDC_TOTAL_PROGRESS, kStretchX | kFollowBottom},
    {IDC_PROGRESS_TEXT, kStretchX | kFollowBottom},
    {IDC_CANCEL_RUN, kFollowRight | kFollowBottom},
    {IDC_EXECUTE, kFollowRight | kFollowBottom},
};

// The main template's client size in dialog units.
constexpr int kTemplateWidth = 400;
constexpr int kTemplateHeight = 300;

// The list keeps at least this many rows visible when the window is made
// small.
constexpr int kLeastListRows = 3;

// A column that gives up width for the others keeps at least this much (at
// 96 DPI).
constexpr int kLeastColumnWidth96 = 40;

// The template box's fixed-width font, in points.
constexpr int kTemplateFontPoints = 9;

// The window moved, and shrunk no smaller than least, to lie inside work.
RECT FitInside(const RECT& work, const RECT& window, POINT least) {
  LONG width = window.right - window.left;
  LONG height = window.bottom - window.top;
  if (width > work.right - work.left) width = work.right - work.left;
  if (height > work.bottom - work.top) height = work.bottom - work.top;
  if (width < least.x) width = least.x;
  if (height < least.y) height = least.y;
  LONG x = window.left;
  LONG y = window.top;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  return {x, y, x + width, y + height};
}

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
    if (length > 0)
      outputFolder.AssignName(stored, length < kBoxTextUnits - 1 ? length : kBoxTextUnits - 1);
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
  list.InsertColumn(3, ColumnWidth96(3), uitext::kColumnStatus.In(language));
  ApplyDpi();
  list.AddExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  // Several rows at a time (Shift and Ctrl clicks, Ctrl+A), whatever the
  // template says.
  SetWindowLongPtrW(list.Handle(), GWL_STYLE,
                    GetWindowLongPtrW(list.Handle(), GWL_STYLE) & ~LONG_PTR{LVS_SINGLESEL});

  const ctl::ComboItem directions[] = {{uitext::kBinaryToText.In(language), 0},
                                       {uitext::kTextToBinary.In(language), 1}};
  ctl::CComboBox(Control(IDC_CONVERT)).Fill(directions, 2);
  SelectItemData(IDC_CONVERT, ClampDirection(parameter->convert));

  const ctl::ComboItem sizes[] = {{uitext::kUnitSizeTexts[0].In(language), 1},
                                  {uitext::kUnitSizeTexts[1].In(language), 2},
                                  {uitext::kUnitSizeTexts[2].In(language), 4},
                                  {uitext::kUnitSizeTexts[3].In(language), 8}};
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
  ctl::CControl(Control(IDC_CANCEL_RUN)).Enable(false);
  SetTemplateFont();
  UpdateFormatBoxes();
  // Stored widths are for the stored size of the window: they are shared
  // out from there on.
  fittedListWidth_ = 0;
  InitLayout();
  InstallKeys();
  FillRecentMenu();
  UpdateCommandStates();
  // Widths the user never set fill the list, so that an empty list has no
  // scroll bar.
  const int32_t* stored = parameter->column_widths;
  if (stored[0] <= 0 && stored[1] <= 0 && stored[2] <= 0) FitColumnsToList();
}

void CAppMain::ApplyDpi() {
  dpi_ = WindowDpi(mainWindow);
  SetWindowIcons(mainWindow, instance, theAppParameter->GetResourceId(IDI_APPLICATION_ICON));
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int column = 0; column < kListColumns; ++column) {
    list.SetColumnWidth(column, ScaleToWindow(mainWindow, ColumnWidth96(column)));
  }
}

void CAppMain::RecordPlaces(SIZE reference) {
  static_assert(std::size(kPlacements) == kPlacedControls);
  templateClient_ = reference;
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

void CAppMain::RecordPlacesAtClientSize() {
  RECT client = {};
  GetClientRect(mainWindow, &client);
  RecordPlaces({client.right, client.bottom});
}

int CAppMain::LeastListHeight() {
  const ctl::CListView view(Control(IDC_FILE_LIST));
  HWND list = view.Handle();
  RECT header = {};
  GetWindowRect(view.Header(), &header);
  TEXTMETRICW metrics = {};
  const CWindowDC dc(list);
  if (dc.Get() != nullptr) {
    HGDIOBJ old = SelectObject(dc.Get(), view.Font());
    GetTextMetricsW(dc.Get(), &metrics);
    SelectObject(dc.Get(), old);
  }
  // A row is the text's height and a little room; the frame takes the rest.
  RECT window = {};
  RECT client = {};
  GetWindowRect(list, &window);
  GetClientRect(list, &client);
  const int frame = (window.bottom - window.top) - client.bottom;
  return (header.bottom - header.top) + kLeastListRows * (metrics.tmHeight + 4) + frame +
         ScaleToWindow(mainWindow, 4);
}

void CAppMain::InitLayout() {
  // The places the template gives, at the template's client size: the
  // system limits a window to the screen as it creates it, so the client
  // area may already be smaller than the controls need.
  RECT design = {0, 0, kTemplateWidth, kTemplateHeight};
  MapDialogRect(mainWindow, &design);
  RecordPlaces({design.right, design.bottom});

  // The least size: the template's, with the list down to a few rows.
  RECT window = {};
  RECT client = {};
  GetWindowRect(mainWindow, &window);
  GetClientRect(mainWindow, &client);
  const LONG frameX = (window.right - window.left) - client.right;
  const LONG frameY = (window.bottom - window.top) - client.bottom;
  RECT listRect = {};
  GetWindowRect(Control(IDC_FILE_LIST), &listRect);
  const LONG spare = (listRect.bottom - listRect.top) - LeastListHeight();
  leastWindow_ = {design.right + frameX, design.bottom + frameY - (spare > 0 ? spare : 0)};

  // Where the user last had it, else where the template puts it, at the
  // template's size.
  const bool placed = PlaceAsSaved();
  GetWindowRect(mainWindow, &window);
  LONG width = window.right - window.left;
  LONG height = window.bottom - window.top;
  if (!placed) {
    width = design.right + frameX;
    height = design.bottom + frameY;
  }

  // At a high scaling the template may be taller than the screen: the window
  // then opens as large as the work area, inside it, with a shorter list.
  RECT work = {};
  if (WorkArea(&work)) {
    window = FitInside(work, {window.left, window.top, window.left + width, window.top + height},
                       leastWindow_);
  } else {
    window.right = window.left + width;
    window.bottom = window.top + height;
  }
  SetWindowPos(mainWindow, nullptr, window.left, window.top, window.right - window.left,
               window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The size may not have changed, and the controls still stand where the
  // template put them.
  GetClientRect(mainWindow, &client);
  ArrangeControls(client.right, client.bottom);
  if (placed && theAppParameter->window_maximized == 1) ShowWindow(mainWindow, SW_MAXIMIZE);
}

void CAppMain::KeepInsideWorkArea() {
  RECT work = {};
  RECT window = {};
  if (!WorkArea(&work) || !GetWindowRect(mainWindow, &window) || IsZoomed(mainWindow)) return;
  const RECT fitted = FitInside(work, window, {0, 0});
  if (EqualRect(&fitted, &window)) return;
  SetWindowPos(mainWindow, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
               fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CAppMain::ListClientWidth() {
  RECT client = {};
  GetClientRect(Control(IDC_FILE_LIST), &client);
  return client.right;
}

void CAppMain::ShareColumnWidths() {
  const int width = ListClientWidth();
  const int change = width - fittedListWidth_;
  if (fittedListWidth_ <= 0 || change == 0) {
    fittedListWidth_ = width;
    return;
  }
  fittedListWidth_ = width;
  const ctl::CListView list(Control(IDC_FILE_LIST));
  const int count = list.ColumnCount();
  const int total = list.ColumnsWidth();
  if (total <= 0) return;
  // Each column takes its share of the change by its width, so the
  // proportions the user gave them stay.
  const int least = ScaleToWindow(mainWindow, kLeastColumnWidth96);
  int given = 0;
  for (int column = 0; column < count; ++column) {
    const int old = list.ColumnWidth(column);
    const int share = column + 1 < count ? MulDiv(change, old, total) : change - given;
    given += share;
    list.SetColumnWidth(column, old + share > least ? old + share : least);
  }
}

void CAppMain::FitColumnsToList() {
  // Fitting from a width of the columns' total gives the list's width to them.
  fittedListWidth_ = ctl::CListView(Control(IDC_FILE_LIST)).ColumnsWidth();
  ShareColumnWidths();
}

void CAppMain::SetTemplateFont() {
  // A fixed-width face lines the template's text up as the output will be;
  // the font mapper picks the nearest fixed-width face where the name is
  // missing. Latin in Japanese too: the Japanese fixed-width faces draw an
  // underscore below their cell, where the box cuts it off, and a template
  // is C text.
  HFONT font =
      CreateFontW(-MulDiv(kTemplateFontPoints, static_cast<int>(WindowDpi(mainWindow)), 72), 0, 0,
                  0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Consolas");
  if (font == nullptr) return;
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).SetFont(font);
  templateFont_.Reset(font);
}

void CAppMain::UpdateFormatBoxes() {
  // The value format and the template shape text output only; the byte order
  // means nothing for single bytes.
  const bool toText = SelectedItemData(IDC_CONVERT) == 0;
  ctl::CControl(Control(IDC_DATA_FORMAT)).Enable(toText);
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).Enable(toText);
  ctl::CControl(Control(IDC_ENDIAN)).Enable(SelectedItemData(IDC_DATA_SIZE) > 1);
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
  ShareColumnWidths();
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
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != Control(IDC_FILE_LIST)) return false;
      ShowRowMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return true;
    case WM_DESTROY:
      RemoveKeys();
      return false;
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
    RecordPlacesAtClientSize();
    fittedListWidth_ = ListClientWidth();
    return;
  }
  dpi_ = dpi;
  SetWindowIcons(mainWindow, instance, theAppParameter->GetResourceId(IDI_APPLICATION_ICON));
  // The columns keep the widths the user gave them, at the new scale.
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int column = 0; column < kListColumns; ++column) {
    list.SetColumnWidth(
        column, MulDiv(list.ColumnWidth(column), static_cast<int>(dpi), static_cast<int>(oldDpi)));
  }
  leastWindow_ = {MulDiv(leastWindow_.x, static_cast<int>(dpi), static_cast<int>(oldDpi)),
                  MulDiv(leastWindow_.y, static_cast<int>(dpi), static_cast<int>(oldDpi))};
  SetTemplateFont();
  RecordPlacesAtClientSize();
  fittedListWidth_ = ListClientWidth();
  KeepInsideWorkArea();
}

void CAppMain::MoveFocusOff(int fromId, int toId) {
  HWND focus = GetFocus();
  if (fromId == 0) {
    // The rescue: any disabled control of the window.
    if (focus == nullptr || GetParent(focus) != mainWindow || ctl::CControl(focus).IsEnabled())
      return;
  } else if (focus == nullptr || focus != Control(fromId)) {
    return;
  }
  ctl::CControl target(toId != 0 ? Control(toId) : nullptr);
  if (target.Handle() == nullptr || !target.IsEnabled()) {
    const ctl::CControl execute(Control(IDC_EXECUTE));
    target = execute.IsEnabled() ? execute : ctl::CControl(Control(IDC_FILE_LIST));
  }
  target.TakeDialogFocus();
}

void CAppMain::RescueFocus() {
  MoveFocusOff(0, 0);
}

void CAppMain::OnNotify(int /*controlId*/, NMHDR* header) {
  if (header == nullptr || header->idFrom != IDC_FILE_LIST) return;
  switch (header->code) {
    case NM_DBLCLK:
      ModifyFileEntry();
      break;
    case LVN_ITEMCHANGED:
      if (reinterpret_cast<NMLISTVIEW*>(header)->uChanged & LVIF_STATE) UpdateCommandStates();
      break;
    case LVN_COLUMNCLICK:
      SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      break;
    default:
      break;
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
      if (fileList.entryCount > 0 && worker.Working()) cancelRequested = 1;
      break;
    case IDC_EXECUTE:
      // A key (notify code 1) reaches Execute also while its button is off:
      // an empty list, or a run under way.
      if (notifyCode == 1 && !ctl::CControl(Control(IDC_EXECUTE)).IsEnabled()) break;
      ExecuteConversion();
      break;
    case IDC_CONVERT:
      if (notifyCode == CBN_SELCHANGE) {
        OnDirectionChanged();
        UpdateFormatBoxes();
      }
      CAppBase::OnCommand(commandId, notifyCode);
      break;
    case IDC_DATA_SIZE:
      if (notifyCode == CBN_SELCHANGE) UpdateFormatBoxes();
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
    case ID_LIST_SELECT_ALL:
      SelectAllRows();
      break;
    case ID_LIST_OPEN_FOLDER:
      OpenContainingFolder();
      break;
    case ID_LIST_COPY_PATH:
      CopySelectedPaths();
      break;
    default:
      if (commandId >= ID_FILE_RECENT_FIRST &&
          commandId < ID_FILE_RECENT_FIRST + ID_FILE_RECENT_COUNT) {
        OpenRecentList(commandId - ID_FILE_RECENT_FIRST);
        break;
      }
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
  ctl::CControl(Control(IDC_PROGRESS_TEXT)).SetText(L"");
}

void CAppMain::OnBrowseOutputFolder() {
  // The folder dialog is a shell object and wants COM on this thread; an
  // earlier initialisation by someone else is counted, not replaced.
  const CComInitialization com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  wchar_t path[kBoxTextUnits] = {};
  if (!PickFolder(path)) return;
  outputFolder.AssignName(path);
  theAppParameter->output_path.AssignName(path);
  theAppParameter->Save();
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).SetText(path);
}

bool CAppMain::PickFolder(wchar_t* path) {
  CComRef<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(dialog.Receive())))) {
    return false;
  }
  DWORD options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  dialog->SetTitle(uitext::kSelectOutputFolder.In(UseJapanese() ? 1 : 0));
  // Opens at the folder the box names, when it is there.
  wchar_t current[kBoxTextUnits] = {};
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).ReadText(current, kBoxTextUnits);
  CComRef<IShellItem> start;
  if (current[0] != 0 &&
      SUCCEEDED(SHCreateItemFromParsingName(current, nullptr, IID_PPV_ARGS(start.Receive())))) {
    dialog->SetFolder(start.Get());
  }
  CComRef<IShellItem> item;
  if (FAILED(dialog->Show(mainWindow)) || FAILED(dialog->GetResult(item.Receive()))) return false;
  CTaskMemory<wchar_t> name;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, name.Receive()))) return false;
  if (WideLength(name.Get()) >= kBoxTextUnits) return false;
  lstrcpynW(path, name.Get(), kBoxTextUnits);
  return true;
}

int32_t CAppMain::SelectedItemData(int controlId) {
  return ctl::CComboBox(Control(controlId)).SelectedData();
}

bool CAppMain::SelectItemData(int controlId, int32_t value) {
  return ctl::CComboBox(Control(controlId)).SelectData(value);
}
