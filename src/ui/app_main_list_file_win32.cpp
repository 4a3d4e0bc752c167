// The list file in the main window, the whole way from the File menu's
// commands to the list: Open and the recent lists (after the question about
// a changed list), Save and Save As, and the one helper that shows the file
// dialogs (Add's too). The first line of a list file carries what the
// settings controls show; loading puts it back into them.
#include "ui/app_main.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <iterator>

#include "base/file_name.h"
#include "convert/app_parameter.h"
#include "convert/text_scan.h"
#include "resource.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/csv_table.h"
#include "ui/list/list_batch.h"
#include "ui/main_window_texts.h"

namespace {

// Size of the list file dialogs' name buffer, terminator included.
constexpr DWORD kNameBufferUnits = 520;

constexpr const wchar_t* kCaption = L"Brelvix";

// Text of a save question: the question, and the list file on a line of its
// own when there is one.
constexpr int kQuestionUnits = 1200;

}  // namespace

bool CAppMain::AskFileName(const FileDialogRequest& request, wchar_t* buffer, DWORD units) {
  const int language = UseJapanese() ? 1 : 0;
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = mainWindow;
  dialog.lpstrFilter = request.filter.In(language);
  dialog.nFilterIndex = request.filterIndex;
  dialog.lpstrFile = buffer;
  dialog.nMaxFile = units - 1;
  dialog.lpstrTitle = request.title.In(language);
  dialog.Flags = request.flags;
  dialog.lpstrDefExt = request.defaultExtension;
  const BOOL chosen = request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  return chosen && buffer[0] != 0;
}

void CAppMain::ReadSettingsRecord(FileListSettings* settings) {
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).ReadName(settings->outputFolder, kBoxTextUnits);
  settings->direction = SelectedItemData(IDC_CONVERT);
  settings->unitSize = SelectedItemData(IDC_DATA_SIZE);
  settings->byteOrder = SelectedItemData(IDC_ENDIAN);
  ctl::CControl(Control(IDC_DATA_FORMAT)).ReadText(settings->valueFormat, kListValueFormatUnits);
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).ReadText(settings->arrayTemplate, kFormatTextUnits);
  // No control shows the number syntax: the stored one goes with the others.
  settings->numberSyntax = static_cast<int32_t>(NumberSyntaxOf(theAppParameter->number_syntax));
}

void CAppMain::ApplySettingsRecord(const FileListSettings& record) {
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).SetText(record.outputFolder);
  // A number that names no item leaves its box as it was.
  if (record.directionSet) SelectItemData(IDC_CONVERT, record.direction);
  if (record.unitSizeSet) SelectItemData(IDC_DATA_SIZE, record.unitSize);
  if (record.byteOrderSet) SelectItemData(IDC_ENDIAN, record.byteOrder);
  ctl::CControl(Control(IDC_DATA_FORMAT)).SetText(record.valueFormat);
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).SetText(record.arrayTemplate);
  // Held with the settings, as no control shows it; saved with them.
  if (record.numberSyntaxSet) theAppParameter->number_syntax = record.numberSyntax;
}

void CAppMain::ReportSettingsSaveFailure() {
  if (settingsSaveReported_) return;
  settingsSaveReported_ = true;
  const int language = UseJapanese() ? 1 : 0;
  MessageBoxW(mainWindow, uitext::kSettingsNotSaved.In(language), L"Brelvix", MB_ICONWARNING);
}

void CAppMain::ShowLoadFailure(const wchar_t* path, int32_t quoteLine) {
  const int language = UseJapanese() ? 1 : 0;
  // The reason, then the path it failed on.
  wchar_t text[kNameBufferUnits + 128] = {};
  if (quoteLine > 0) {
    _snwprintf(text, 127, uitext::kUnterminatedQuote.In(language), static_cast<int>(quoteLine));
  } else {
    wcsncpy(text, uitext::kCannotOpenFile.In(language), 127);
  }
  wcscat(text, L"\n");
  wcsncat(text, path, kNameBufferUnits - 1);
  MessageBoxW(mainWindow, text, uitext::kLoadListCaption.In(language), MB_ICONERROR);
}

bool CAppMain::ConfirmDropList() {
  if (fileList.entryCount == 0 || !fileList.IsModified()) return true;
  const int language = UseJapanese() ? 1 : 0;
  wchar_t text[kQuestionUnits] = {};
  std::wcsncpy(text, uitext::kSaveChangesQuestion.In(language), kQuestionUnits - 1);
  if (const wchar_t* path = listFilePath.GetWide()) {
    std::wcsncat(text, L"\r\n\r\n", kQuestionUnits - 1 - std::wcslen(text));
    std::wcsncat(text, path, kQuestionUnits - 1 - std::wcslen(text));
  }
  switch (MessageBoxW(mainWindow, text, kCaption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      // A save dialog that was cancelled, or a write that failed (and said
      // so), keeps the list where it is.
      return SaveFileList() == 1;
    case IDNO:
      return true;
    default:
      return false;
  }
}

int CAppMain::SaveFileList() {
  return listFilePath.IsEmpty() ? SaveFileListAs() : WriteFileList(nullptr);
}

int CAppMain::SaveFileListAs() {
  wchar_t name[kNameBufferUnits] = {};
  const FileDialogRequest request{uitext::kSaveListFilter,
                                  1,
                                  uitext::kSaveListTitle,
                                  OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                                  nullptr,
                                  true};
  if (!AskFileName(request, name, kNameBufferUnits)) return 0;

  CString chosen;
  chosen.AssignName(name);
  CFileName path;
  if (!path.SetPath(chosen.Text()) || !path.EnsureExtension("csv")) return 0;
  return WriteFileList(path.path.GetWide());
}

int CAppMain::WriteFileList(const wchar_t* path) {
  // The path becomes the current list file before it is tried, so a Save
  // after a failure tries the same file again.
  if (path != nullptr) listFilePath.AssignName(path);

  FileListSettings record;
  ReadSettingsRecord(&record);
  const wchar_t* target = listFilePath.GetWide();
  const int result =
      target != nullptr ? WriteCsvFileList(target, record, fileList) : kCsvWriteCannotCreate;
  if (result == kCsvWriteOk) {
    fileList.MarkUnmodified();
    RememberRecentList(target);
    UpdateTitle();
    return 1;
  }

  // A list file that was cut short would load back as a different list, so
  // that is reported like a file that could not be created.
  const int language = UseJapanese() ? 1 : 0;
  const UiText& text =
      result == kCsvWriteCannotCreate ? uitext::kCannotOpenFile : uitext::kCannotWriteFile;
  MessageBoxW(mainWindow, text.In(language), uitext::kSaveListCaption.In(language), MB_ICONERROR);
  return 0;
}

void CAppMain::LoadFileList() {
  // Loading replaces the rows a running worker reads.
  if (RunActive()) return;
  // The changed list first, before anything replaces it.
  if (!ConfirmDropList()) return;
  wchar_t name[kNameBufferUnits] = {};
  const FileDialogRequest request{uitext::kLoadListFilter,
                                  0,
                                  uitext::kLoadListTitle,
                                  OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                                  L"csv",
                                  false};
  if (AskFileName(request, name, kNameBufferUnits)) LoadFileListFrom(name);
  ResetProgressBars();
}

void CAppMain::OpenRecentList(int index) {
  if (RunActive() || listLocked_ || theAppParameter == nullptr) return;
  if (index < 0 || index >= CAppParameter::kRecentListCount) return;
  const CWideText stored(theAppParameter->recent_lists[index]);
  if (stored.Get() == nullptr || stored.Get()[0] == 0) return;
  wchar_t path[1040] = {};
  lstrcpynW(path, stored.Get(), static_cast<int>(std::size(path)));
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
    const int language = UseJapanese() ? 1 : 0;
    wchar_t text[1200] = {};
    std::swprintf(text, std::size(text), L"%ls\r\n\r\n%ls", uitext::kRecentListMissing.In(language),
                  path);
    theAppParameter->RemoveRecentList(index);
    theAppParameter->Save();
    FillRecentMenu();
    MessageBoxW(mainWindow, text, uitext::kLoadListCaption.In(language), MB_OK | MB_ICONWARNING);
    return;
  }
  if (!ConfirmDropList()) return;
  LoadFileListFrom(path);
  ResetProgressBars();
}

bool CAppMain::LoadFileListFrom(const wchar_t* name) {
  // Read into a list of its own: a file that fails to load leaves the
  // current list and settings exactly as they were.
  CFileList loaded;
  FileListSettings record;
  int32_t quoteLine = 0;
  const int result = LoadListFile(name, &record, &loaded, &quoteLine);
  if (result != kCsvOk && result != kListFileEmpty) {
    ShowLoadFailure(name, result == kCsvUnterminatedQuote ? quoteLine : 0);
    return false;
  }
  // An empty file is an empty list, without settings to take.
  fileList.Swap(loaded);
  fileList.MarkUnmodified();
  if (result == kCsvOk) {
    ApplySettingsRecord(record);
    listFilePath.AssignName(name);
    RememberRecentList(name);
  }
  // A new list has no order of the old one's.
  sortColumn_ = -1;
  ShowSortArrow();
  RefreshFileList();
  return true;
}
