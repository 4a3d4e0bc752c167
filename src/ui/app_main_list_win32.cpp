// The file list in the main window: the list view that mirrors it, and the
// commands that change it (Add, drop, Modify, Delete, All Delete).
#include "ui/app_main.h"

#include <commctrl.h>
#include <commdlg.h>

#include <new>

#include "app/dialog.h"
#include "resource.h"
#include "ui/file_info_dialog.h"
#include "ui/main_window_texts.h"

namespace {

// The open-file dialog's result buffer: 4 MiB, so that a selection of
// thousands of files fits.
constexpr DWORD kSelectionBufferUnits = 2097152;

const wchar_t* WideOrEmpty(CString& text) {
  const wchar_t* wide = text.GetWide();
  return wide != nullptr ? wide : L"";
}

void SetCell(HWND list, int row, int column, const wchar_t* text, UINT message) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text);
  SendMessageW(list, message, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

// While a run is active the worker reads the rows without a lock, so every
// command that changes the list is refused (its button is disabled too).

void CAppMain::AddFiles() {
  if (RunActive()) return;
  wchar_t* buffer = new (std::nothrow) wchar_t[kSelectionBufferUnits]();
  if (buffer != nullptr) {
    const int language = UseJapanese() ? 1 : 0;
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = uitext::kAddFilter.In(language);
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = kSelectionBufferUnits - 1;
    dialog.lpstrTitle = uitext::kAddTitle.In(language);
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog) && buffer[0] != 0) {
      AddSelectedFiles(buffer);
      RefreshFileList();
    }
    delete[] buffer;
  }
  ResetProgressBars();
}

void CAppMain::AddSelectedFiles(const wchar_t* buffer) {
  fileList.AddSelectedFiles(buffer, SelectedItemData(IDC_CONVERT));
}

int CAppMain::OnDropFiles(HDROP drop, wchar_t* /*buffer*/, int /*bufferLength*/) {
  if (RunActive()) {
    DragFinish(drop);
    return 1;
  }
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  const int32_t direction = SelectedItemData(IDC_CONVERT);
  for (UINT i = 0; i < count; ++i) {
    // Each path whole: a path cut to a fixed buffer would name another file
    // or none.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    wchar_t* path = new (std::nothrow) wchar_t[length + 1]();
    if (path == nullptr) continue;
    if (DragQueryFileW(drop, i, path, length + 1) > 0) fileList.AddFilePath(path, direction);
    delete[] path;
  }
  if (count > 0) RefreshFileList();
  DragFinish(drop);
  return 1;
}

void CAppMain::RefreshFileList() {
  HWND list = Control(IDC_FILE_LIST);
  // Filled with its drawing off and drawn once: each row inserted into a
  // drawn list repaints it and sizes its scroll bars anew, which made
  // thousands of rows take minutes. The item count is set first, so the rows
  // go into storage that is already there.
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(fileList.entryCount),
               LVSICF_NOINVALIDATEALL);
  for (int32_t i = 0; i < fileList.entryCount; ++i) {
    FileListEntry* entry = fileList.entries[i];
    SetCell(list, i, 0, WideOrEmpty(entry->inputName.path), LVM_INSERTITEMW);
    SetCell(list, i, 1, WideOrEmpty(entry->outputName.name), LVM_SETITEMW);
    SetCell(list, i, 2, WideOrEmpty(entry->arrayName), LVM_SETITEMW);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int32_t CAppMain::FirstSelectedRow() {
  const LRESULT row =
      SendMessageW(Control(IDC_FILE_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  // The view mirrors the list, so its row is the list's index; a view that
  // somehow holds more rows must not reach past the list.
  if (row < 0 || row >= fileList.entryCount) return -1;
  return static_cast<int32_t>(row);
}

void CAppMain::ModifyFileEntry() {
  if (RunActive()) return;
  const int32_t row = FirstSelectedRow();
  if (row < 0) return;
  FileListEntry* entry = fileList.entries[row];

  CFileInfoDialog dialog;
  dialog.inputFileName.Assign(entry->inputName.path);
  dialog.outputFileName.Assign(entry->outputName.name);
  dialog.arrayName.Assign(entry->arrayName);
  const INT_PTR result = ShowDialog(
      dialog, UseJapanese() ? IDD_FILE_INFO_JAPANESE : IDD_FILE_INFO_ENGLISH, mainWindow);
  // -1 is a dialog that could not be created: nothing was edited.
  if (result <= 0) return;

  fileList.ModifyFileEntry(row, dialog.inputFileName.GetWide(), dialog.outputFileName.GetWide(),
                           dialog.arrayName.GetWide());
  RefreshFileList();
  ResetProgressBars();
}

bool CAppMain::ConfirmDelete() {
  const int language = UseJapanese() ? 1 : 0;
  return MessageBoxW(mainWindow, uitext::kDeleteQuestion.In(language),
                     uitext::kDeleteCaption.In(language),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CAppMain::DeleteFileEntry() {
  if (RunActive()) return;
  const int32_t row = FirstSelectedRow();
  if (row < 0) return;
  if (!ConfirmDelete()) return;
  ResetProgressBars();
  fileList.DeleteFileEntry(row);
  RefreshFileList();
}

void CAppMain::DeleteAllFileEntries() {
  if (RunActive()) return;
  if (fileList.entryCount == 0) return;
  if (!ConfirmDelete()) return;
  ResetProgressBars();
  SendMessageW(Control(IDC_FILE_LIST), LVM_DELETEALLITEMS, 0, 0);
  ClearFileList();
}

void CAppMain::ClearFileList() {
  fileList.ClearFileList();
}
