// The file list in the main window: the list view that mirrors it, and the
// commands that change it (Add, drop, Modify, Delete, All Delete).
#include "ui/app_main.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>
#include <new>

#include "app/controls.h"
#include "app/dialog.h"
#include "base/holder.h"
#include "resource.h"
#include "ui/file_info_dialog.h"
#include "ui/list_batch.h"
#include "ui/main_window_texts.h"

namespace {

// The open-file dialog's result buffer: 4 MiB, so that a selection of
// thousands of files fits.
constexpr DWORD kSelectionBufferUnits = 2097152;

// The skipped-files message: the count, then one line per reason that
// occurred. %d is a count.
constexpr UiText kSkippedTotal{WSTR("%d 個のファイルを追加できませんでした。"),
                               WSTR("%d file(s) were not added to the list.")};
constexpr UiText kSkippedUnreadable{
    WSTR("読み込めないファイル（存在しない、フォルダー、アクセス不可）: %d"),
    WSTR("Not readable (missing, a folder, or no access): %d")};
constexpr UiText kSkippedCaption{WSTR("ファイルの追加"), WSTR("Add files")};

// The dropped paths, read from the block itself: DragQueryFileW walks the
// list from its start for every index, which takes minutes for a drop of
// ten thousand files. Calls visit(path) for each and returns false when the
// block cannot be read so (the caller then asks DragQueryFileW).
template <typename Visit>
bool ForEachDroppedPath(HDROP drop, const Visit& visit) {
  const auto* block = static_cast<const DROPFILES*>(GlobalLock(drop));
  if (block == nullptr) return false;
  const SIZE_T size = GlobalSize(drop);
  if (!block->fWide || block->pFiles < sizeof(DROPFILES) || block->pFiles >= size) {
    GlobalUnlock(drop);
    return false;
  }
  const auto* start = reinterpret_cast<const BYTE*>(block);
  const auto* name = reinterpret_cast<const wchar_t*>(start + block->pFiles);
  const auto* end = reinterpret_cast<const wchar_t*>(start + size);
  while (name < end && *name != 0) {
    const wchar_t* stop = name;
    while (stop < end && *stop != 0)
      ++stop;
    if (stop == end) break;  // a last name without its terminator is not taken
    visit(name);
    name = stop + 1;
  }
  GlobalUnlock(drop);
  return true;
}

}  // namespace

// While a run is active the worker reads the rows without a lock, so every
// command that changes the list is refused (its button is disabled too).

void CAppMain::AddFiles() {
  if (RunActive()) return;
  CBuffer<wchar_t> selection;
  if (selection.Allocate(kSelectionBufferUnits)) {
    wchar_t* const buffer = selection.Get();
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
    }
  }
  ResetProgressBars();
}

void CAppMain::AddSelectedFiles(const wchar_t* buffer) {
  // The dialog's result: one full path, or a folder followed by names in it.
  if (buffer == nullptr || buffer[0] == 0) return;
  const int32_t direction = SelectedItemData(IDC_CONVERT);
  SkippedFiles skipped;
  const wchar_t* first = buffer;
  const wchar_t* next = first + std::wcslen(first) + 1;
  if (next[0] == 0) {
    AddOneFile(nullptr, first, direction, &skipped);
  } else {
    for (; next[0] != 0; next += std::wcslen(next) + 1)
      AddOneFile(first, next, direction, &skipped);
  }
  // The rows first, so that the message stands over the list as it is now.
  RefreshFileList();
  TellSkippedFiles(skipped);
}

void CAppMain::AddOneFile(const wchar_t* folder, const wchar_t* name, int32_t direction,
                          SkippedFiles* skipped) {
  const int32_t result = folder != nullptr ? fileList.AddFileEntry(folder, name, direction)
                                           : fileList.AddFilePath(name, direction);
  if (result < 0 && result != kFileListDuplicate) ++skipped->unreadable;
}

void CAppMain::TellSkippedFiles(const SkippedFiles& skipped) {
  const int32_t total = skipped.unreadable;
  if (total == 0) return;
  const int language = UseJapanese() ? 1 : 0;
  wchar_t text[512] = {};
  wchar_t line[160] = {};
  std::swprintf(text, 512, kSkippedTotal.In(language), total);
  const struct {
    int32_t count;
    const UiText& format;
  } reasons[] = {{skipped.unreadable, kSkippedUnreadable}};
  for (const auto& reason : reasons) {
    if (reason.count == 0) continue;
    std::swprintf(line, 160, reason.format.In(language), reason.count);
    std::wcscat(text, L"\n");
    std::wcscat(text, line);
  }
  MessageBoxW(mainWindow, text, kSkippedCaption.In(language), MB_OK | MB_ICONWARNING);
}

int CAppMain::OnDropFiles(HDROP drop, wchar_t* /*buffer*/, int /*bufferLength*/) {
  if (RunActive()) {
    DragFinish(drop);
    return 1;
  }
  const int32_t direction = SelectedItemData(IDC_CONVERT);
  SkippedFiles skipped;
  UINT count = 0;
  const bool walked = ForEachDroppedPath(drop, [&](const wchar_t* path) {
    ++count;
    AddOneFile(nullptr, path, direction, &skipped);
  });
  if (!walked) {
    count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      // Each path whole: a path cut to a fixed buffer would name another file
      // or none.
      const UINT length = DragQueryFileW(drop, i, nullptr, 0);
      CBuffer<wchar_t> path;
      if (!path.Allocate(length + 1)) {
        ++skipped.unreadable;
        continue;
      }
      if (DragQueryFileW(drop, i, path.Get(), length + 1) > 0) {
        AddOneFile(nullptr, path.Get(), direction, &skipped);
      }
    }
  }
  DragFinish(drop);
  if (count > 0) RefreshFileList();
  TellSkippedFiles(skipped);
  return 1;
}

void CAppMain::RefreshFileList() {
  const ctl::CListView list(Control(IDC_FILE_LIST));
  // Filled with its drawing off and drawn once: each row inserted into a
  // drawn list repaints it and sizes its scroll bars anew, which made
  // thousands of rows take minutes. The item count is set first, so the rows
  // go into storage that is already there.
  list.SetRedraw(false);
  list.DeleteAll();
  list.SetItemCount(fileList.entryCount, LVSICF_NOINVALIDATEALL);
  for (int32_t i = 0; i < fileList.entryCount; ++i) {
    FileListEntry* entry = fileList.entries[i];
    list.InsertRow(i, CWideText(entry->inputName.path).OrEmpty());
    list.SetCell(i, 1, CWideText(entry->outputName.name).OrEmpty());
    list.SetCell(i, 2, CWideText(entry->arrayName).OrEmpty());
  }
  list.SetRedraw(true);
  InvalidateRect(list.Handle(), nullptr, TRUE);
}

int32_t CAppMain::FirstSelectedRow() {
  const LRESULT row = ctl::CListView(Control(IDC_FILE_LIST)).FirstSelected();
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
  ctl::CListView(Control(IDC_FILE_LIST)).DeleteAll();
  ClearFileList();
}

void CAppMain::ClearFileList() {
  fileList.ClearFileList();
}

void CAppMain::OnDirectionChanged() {
  // The worker reads the rows unlocked.
  if (RunActive()) return;
  const int32_t direction = SelectedItemData(IDC_CONVERT);
  bool changed = false;
  for (int32_t i = 0; i < fileList.entryCount; ++i) {
    if (SwitchOutputExtension(&fileList.entries[i]->outputName, direction)) changed = true;
  }
  if (!changed) return;
  fileList.MarkModified();
  RefreshFileList();
}
