// The file list in the main window: the list view that mirrors it, and the
// commands that change it (Add, drop, Modify, Delete, All Delete).
#include "ui/app_main.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>
#include <iterator>
#include <new>

#include "app/dialog.h"
#include "base/holder.h"
#include "resource.h"
#include "ui/file_info_dialog.h"
#include "ui/list/list_batch.h"
#include "ui/main_window_texts.h"

namespace {

// The open-file dialog's result buffer: 4 MiB, so that a selection of
// thousands of files fits.
constexpr DWORD kSelectionBufferUnits = 2097152;
// Room for one path in a question or a command line.
constexpr size_t kNameUnits = 1040;

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
  const FileDialogRequest request{
      uitext::kAddFilter,
      1,
      uitext::kAddTitle,
      OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
      nullptr,
      false};
  if (selection.Allocate(kSelectionBufferUnits) &&
      AskFileName(request, selection.Get(), kSelectionBufferUnits)) {
    AddSelectedFiles(selection.Get());
  }
  ResetProgressBars();
}

void CAppMain::AddSelectedFiles(const wchar_t* buffer) {
  // The dialog's result: one full path, or a folder followed by names in it.
  if (buffer == nullptr || buffer[0] == 0) return;
  SkippedFiles skipped;
  fileList.AddSelectedFiles(buffer, SelectedItemData(IDC_CONVERT), &skipped.unreadable);
  // The rows first, so that the message stands over the list as it is now.
  RefreshFileList();
  TellSkippedFiles(skipped);
}

void CAppMain::AddDroppedFile(const wchar_t* path, int32_t direction, SkippedFiles* skipped) {
  const int32_t result = fileList.AddFilePath(path, direction);
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
    AddDroppedFile(path, direction, &skipped);
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
        AddDroppedFile(path.Get(), direction, &skipped);
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
    FileListEntry* entry = &fileList.entries[i];
    list.InsertRow(i, CWideText(entry->inputName.path).OrEmpty());
    list.SetCell(i, 1, CWideText(entry->outputName.name).OrEmpty());
    list.SetCell(i, 2, CWideText(entry->arrayName).OrEmpty());
    list.SetCell(i, 3, entry->Status());
  }
  list.SetRedraw(true);
  InvalidateRect(list.Handle(), nullptr, TRUE);
  UpdateCommandStates();
}

int32_t CAppMain::FirstSelectedRow() {
  const LRESULT row = ctl::CListView(Control(IDC_FILE_LIST)).FirstSelected();
  // The view mirrors the list, so its row is the list's index; a view that
  // somehow holds more rows must not reach past the list.
  if (row < 0 || row >= fileList.entryCount) return -1;
  return static_cast<int32_t>(row);
}

int32_t CAppMain::SelectedRowCount() {
  return ctl::CListView(Control(IDC_FILE_LIST)).SelectedCount();
}

int32_t CAppMain::SelectedRows(CBuffer<int32_t>* rows) {
  const ctl::CListView list(Control(IDC_FILE_LIST));
  const int32_t wanted = SelectedRowCount();
  if (wanted <= 0 || !rows->Allocate(static_cast<size_t>(wanted))) return 0;
  int32_t count = 0;
  for (LRESULT row = list.FirstSelected(); row >= 0 && count < wanted;
       row = list.NextSelected(row)) {
    if (row < fileList.entryCount) (*rows)[count++] = static_cast<int32_t>(row);
  }
  return count;
}

void CAppMain::ModifyFileEntry() {
  if (RunActive()) return;
  // One row at a time: with several selected it is unclear which is meant.
  if (SelectedRowCount() != 1) return;
  const int32_t row = FirstSelectedRow();
  if (row < 0) return;
  FileListEntry* entry = &fileList.entries[row];

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
  // What the last run made of the row no longer describes it.
  entry->SetStatus(nullptr);
  RefreshFileList();
  ResetProgressBars();
}

bool CAppMain::ConfirmRemove(int32_t count, int32_t row, bool all) {
  const int language = UseJapanese() ? 1 : 0;
  wchar_t question[kNameUnits + 160] = {};
  if (count == 1 && row >= 0 && row < fileList.entryCount) {
    const CWideText name(fileList.entries[row].inputName.name);
    std::swprintf(question, std::size(question), uitext::kRemoveOneQuestion.In(language),
                  name.OrEmpty());
  } else {
    std::swprintf(question, std::size(question),
                  (all ? uitext::kRemoveAllQuestion : uitext::kRemoveSomeQuestion).In(language),
                  static_cast<int>(count));
  }
  return MessageBoxW(mainWindow, question, uitext::kRemoveCaption.In(language),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CAppMain::DeleteFileEntry() {
  if (RunActive()) return;
  CBuffer<int32_t> rows;
  const int32_t count = SelectedRows(&rows);
  if (count <= 0) return;
  if (!ConfirmRemove(count, rows[0], false)) return;
  ResetProgressBars();
  fileList.DeleteFileEntries(rows.Get(), count);
  RefreshFileList();
}

void CAppMain::DeleteAllFileEntries() {
  if (RunActive()) return;
  if (fileList.entryCount == 0) return;
  if (!ConfirmRemove(fileList.entryCount, 0, true)) return;
  ResetProgressBars();
  ctl::CListView(Control(IDC_FILE_LIST)).DeleteAll();
  ClearFileList();
  UpdateCommandStates();
}

void CAppMain::SelectAllRows() {
  ctl::CListView(Control(IDC_FILE_LIST)).SelectAll();
}

void CAppMain::SortByColumn(int column) {
  // The worker reads the rows in their order.
  if (RunActive() || listLocked_) return;
  sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
  sortColumn_ = column;
  if (!fileList.SortFileEntries(column, sortDescending_)) return;
  ShowSortArrow();
  RefreshFileList();
}

void CAppMain::ShowSortArrow() {
  ctl::CListView(Control(IDC_FILE_LIST)).ShowSortArrow(sortColumn_, sortDescending_);
}

void CAppMain::OpenContainingFolder() {
  const int32_t row = FirstSelectedRow();
  if (row < 0) return;
  // Explorer opens the folder with the file selected in it.
  const CWideText path(fileList.entries[row].inputName.path);
  wchar_t arguments[kNameUnits + 16] = {};
  std::swprintf(arguments, std::size(arguments), L"/select,\"%ls\"", path.OrEmpty());
  ShellExecuteW(mainWindow, nullptr, L"explorer.exe", arguments, nullptr, SW_SHOWNORMAL);
}

void CAppMain::CopySelectedPaths() {
  CBuffer<int32_t> rows;
  const int32_t count = SelectedRows(&rows);
  if (count <= 0) return;
  // The paths one a line, as a text editor or a command line takes them.
  size_t units = 1;
  for (int32_t i = 0; i < count; ++i)
    units += static_cast<size_t>(
                 WideLength(CWideText(fileList.entries[rows[i]].inputName.path).OrEmpty())) +
             2;
  CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, units * sizeof(wchar_t)));
  if (memory.Get() == nullptr) return;
  auto* text = static_cast<wchar_t*>(GlobalLock(memory.Get()));
  if (text == nullptr) return;
  text[0] = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0) std::wcscat(text, L"\r\n");
    std::wcscat(text, CWideText(fileList.entries[rows[i]].inputName.path).OrEmpty());
  }
  GlobalUnlock(memory.Get());
  if (!OpenClipboard(mainWindow)) return;
  EmptyClipboard();
  // The clipboard owns the memory once it took it.
  if (SetClipboardData(CF_UNICODETEXT, memory.Get()) != nullptr) (void)memory.Release();
  CloseClipboard();
}

void CAppMain::ShowRowMenu(POINT at) {
  const ctl::CListView list(Control(IDC_FILE_LIST));
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: at the focused row, else the list's corner.
    RECT rect = {};
    const LRESULT row = list.FocusedRow();
    if (row < 0 || !list.RowBounds(row, &rect)) rect = {};
    at = {rect.left + 8, rect.bottom};
    ClientToScreen(list.Handle(), &at);
  }
  const CMenu menu(LoadMenuW(
      instance, MAKEINTRESOURCEW(UseJapanese() ? IDR_ROW_MENU_JAPANESE : IDR_ROW_MENU_ENGLISH)));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.Get(), 0);
  const int32_t selected = SelectedRowCount();
  const bool free = !RunActive() && !listLocked_;
  const struct {
    UINT id;
    bool enabled;
  } items[] = {{IDC_MODIFY, free && selected == 1},
               {IDC_DELETE, free && selected > 0},
               {ID_LIST_OPEN_FOLDER, selected == 1},
               {ID_LIST_COPY_PATH, selected > 0},
               {ID_LIST_SELECT_ALL, fileList.entryCount > 0}};
  for (const auto& item : items)
    EnableMenuItem(popup, item.id, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
  SetMenuDefaultItem(popup, IDC_MODIFY, FALSE);
  // The choice comes back as WM_COMMAND, as the buttons send it.
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, mainWindow,
                 nullptr);
}

void CAppMain::UpdateCommandStates() {
  if (mainWindow == nullptr) return;
  const bool free = !listLocked_;
  const int32_t selected = SelectedRowCount();
  const int32_t rows = fileList.entryCount;
  const struct {
    int id;
    bool enabled;
  } states[] = {{IDC_ADD, free},
                {IDC_MODIFY, free && selected == 1},
                {IDC_DELETE, free && selected > 0},
                {IDC_ALL_DELETE, free && rows > 0},
                // During a run the worker sets Execute and Cancel itself.
                {IDC_EXECUTE, rows > 0}};
  for (const auto& state : states) {
    if (state.id == IDC_EXECUTE && !free) continue;
    const ctl::CControl control(Control(state.id));
    if (!state.enabled) MoveFocusOff(state.id, rows > 0 ? IDC_FILE_LIST : IDC_ADD);
    if (control.IsEnabled() != state.enabled) control.Enable(state.enabled);
  }
  EnableMenu(ID_FILE_OPEN, free ? 1 : 0);
  for (int i = 0; i < ID_FILE_RECENT_COUNT; ++i)
    EnableMenu(ID_FILE_RECENT_FIRST + i, free ? 1 : 0);
  UpdateTitle();
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
    if (SwitchOutputExtension(&fileList.entries[i].outputName, direction)) changed = true;
  }
  if (!changed) return;
  fileList.MarkModified();
  RefreshFileList();
}
