// The main window: its initialisation from the stored settings, the routing of
// its commands, the output-folder browser and the progress bars.
#include "ui/app_main.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "convert/app_parameter.h"
#include "resource.h"
#include "ui/main_window_texts.h"

namespace {

struct ComboItem {
  const WideChar* text;
  int32_t data;
};

void FillComboBox(HWND box, const ComboItem* items, int count) {
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i) {
    const LRESULT index =
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].text));
    if (index >= 0) SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(index), items[i].data);
  }
}

// An empty CString has no UTF-16 copy; the controls take "" for it.
const wchar_t* WideOrEmpty(CString& text) {
  const wchar_t* wide = text.GetWide();
  return wide != nullptr ? wide : L"";
}

void InsertColumn(HWND list, int index, int width, const wchar_t* title) {
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&column));
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
    if (length > 0) outputFolder.AssignWide(stored, length < 519 ? length : 519);
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

  // Shared, so the system releases the icon with the module and showing the
  // window again does not load another copy.
  if (HANDLE icon = LoadImageW(instance, parameter->GetResourceId(IDI_APPLICATION_ICON), IMAGE_ICON,
                               16, 16, LR_DEFAULTCOLOR | LR_SHARED)) {
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }

  HWND list = Control(IDC_FILE_LIST);
  InsertColumn(list, 0, 250, uitext::kColumnInput.In(language));
  InsertColumn(list, 1, 200, uitext::kColumnOutput.In(language));
  InsertColumn(list, 2, 200, uitext::kColumnArray.In(language));
  const LRESULT styles = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               styles | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

  const ComboItem directions[] = {{uitext::kBinaryToText.In(language), 0},
                                  {uitext::kTextToBinary.In(language), 1}};
  FillComboBox(Control(IDC_CONVERT), directions, 2);
  SelectItemData(IDC_CONVERT, ClampDirection(parameter->convert));

  const ComboItem sizes[] = {{uitext::kUnitSizeTexts[0], 1},
                             {uitext::kUnitSizeTexts[1], 2},
                             {uitext::kUnitSizeTexts[2], 4},
                             {uitext::kUnitSizeTexts[3], 8}};
  FillComboBox(Control(IDC_DATA_SIZE), sizes, 4);
  // A size no item has (0, 3, 5, 6, 7) leaves the box without a selection.
  SelectItemData(IDC_DATA_SIZE, ClampUnitSize(parameter->data_size));

  const ComboItem orders[] = {{uitext::kBigEndian.In(language), 0},
                              {uitext::kLittleEndian.In(language), 1}};
  FillComboBox(Control(IDC_ENDIAN), orders, 2);
  SelectItemData(IDC_ENDIAN, ClampByteOrder(parameter->endian));

  SetWindowTextW(Control(IDC_DATA_FORMAT), WideOrEmpty(parameter->data_format));
  SetWindowTextW(Control(IDC_ARRAY_FORMAT), WideOrEmpty(parameter->array_format));

  ResetProgressBars();
  SetWindowTextW(Control(IDC_OUTPUT_FOLDER), WideOrEmpty(outputFolder));
  DragAcceptFiles(dialog, TRUE);
  EnableWindow(Control(IDC_CANCEL_RUN), FALSE);
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
    case ID_FILE_OPEN:
      LoadFileList();
      break;
    case ID_FILE_SAVE:
      if (!listFilePath.IsEmpty()) {
        WriteFileList(nullptr);
      } else {
        SaveFileListAs();
      }
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
    HWND bar = Control(id);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
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
      outputFolder.AssignWide(path);
      theAppParameter->output_path.AssignWide(path);
      theAppParameter->Save();
      SetWindowTextW(Control(IDC_OUTPUT_FOLDER), path);
    }
    CoTaskMemFree(item);
  }

  if (SUCCEEDED(com)) CoUninitialize();
}

int32_t CAppMain::SelectedItemData(int controlId) {
  HWND box = Control(controlId);
  const LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return 0;
  return static_cast<int32_t>(SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

bool CAppMain::SelectItemData(int controlId, int32_t value) {
  HWND box = Control(controlId);
  const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (static_cast<int32_t>(SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) ==
        value) {
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return true;
    }
  }
  return false;
}
