// The conversion run of the main window: Execute starts a worker thread that
// converts every row of the list in order, shows its progress in the two bars
// and ends with a message; Cancel stops it, and so does closing the window.
//
// The worker reaches the window only through messages that the window's
// thread handles (SendMessageW, EnableWindow, GetWindowTextW, MessageBoxW), so
// this thread never waits for the worker without handling them.
#include "ui/app_main.h"

#include <commctrl.h>

#include <cwchar>

#include "app/controls.h"
#include "base/codepage.h"
#include "base/file.h"
#include "convert/app_parameter.h"
#include "convert/convert_file.h"
#include "convert/text_scan.h"
#include "convert/value_format.h"
#include "resource.h"
#include "ui/list/list_batch.h"
#include "ui/list/progress_text.h"
#include "ui/main_window_texts.h"

namespace {

// Execute waits for the worker's id in this many checks this far apart.
constexpr int kHandshakeChecks = 1000;
constexpr DWORD kHandshakeStepMs = 10;

// A close that waits for the worker looks this often for the worker's end
// message, which may have opened just before the close arrived.
constexpr DWORD kCloseLookMs = 50;

// The file bar takes a new figure at most this often.
constexpr ULONGLONG kProgressIntervalMs = 30;
// Between rows the bars move at most this often: each move makes the window
// redraw, which under Wine takes longer than converting a small file, and
// the worker's next message waits for it.
constexpr ULONGLONG kRowBarsIntervalMs = 250;

// The whole-run bar's range: thousandths of the bytes of all rows.
constexpr int32_t kTotalBarRange = 1000;

// Room for the progress line.
constexpr int kProgressLineUnits = 400;

// The size of a row's input; 0 when it cannot be told (the row will say why).
uint64_t InputSize(const FileListEntry& entry) {
  const CWideText path(entry.inputName.path);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (path.Get() == nullptr || !GetFileAttributesExW(reinterpret_cast<const wchar_t*>(path.Get()),
                                                     GetFileExInfoStandard, &data)) {
    return 0;
  }
  return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

// Text buffers in UTF-16 units, terminator included: Execute takes up to 519
// units of each box, each file up to 255 of the value format and template.
constexpr int kSettingTextUnits = 520;
constexpr int kRowTextUnits = 256;

constexpr UiText kRunComplete{WSTR("変換が完了しました"), WSTR("Data convert complete.")};
constexpr UiText kRunStopped{WSTR("変換を中断しました"), WSTR("Data convert stopped.")};
constexpr const wchar_t* kRunCaption = L"Brelvix";

// The end message names at most this many rows besides the stopped one.
constexpr int32_t kNamedRows = 5;
// Room for the end message: the line of figures and the names.
constexpr int kEndMessageUnits = 4 * kSettingTextUnits;

// The worker asks the window for the settings of its next row with one
// message (kRowSettingsMessage); the window's thread reads the controls
// itself, where each read from the worker would be a round trip of its own.
struct RowSettings {
  bool read = false;
  FileListSettings list;
};

struct OwnedDialogSearch {
  HWND owner;
};

// Ends a dialog of the worker's thread that the main window owns: the run's
// message box. It has only OK.
BOOL CALLBACK DismissOwnedDialog(HWND window, LPARAM param) {
  const auto* search = reinterpret_cast<const OwnedDialogSearch*>(param);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (GetWindow(window, GW_OWNER) == search->owner && std::wcscmp(className, L"#32770") == 0) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return TRUE;
}

// Appends text to a message of units units, cutting what does not fit.
void AppendText(wchar_t* message, const wchar_t* text, int units = kEndMessageUnits) {
  const size_t used = std::wcslen(message);
  if (used + 1 >= static_cast<size_t>(units)) return;
  std::wcsncat(message, text, static_cast<size_t>(units) - used - 1);
}

// The file name at the end of path.
const wchar_t* FileNameOf(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* at = path; *at != 0; ++at) {
    if (*at == L'\\' || *at == L'/') name = at + 1;
  }
  return name;
}

// True when the converters can use the value format the box holds.
bool UsableValueFormat(const wchar_t* text) {
  CString format;
  format.AssignWide(text);
  return CheckRunValueFormat(format.Text()) == ValueFormatStatus::Valid;
}

// Shows text, the folder on a line of its own and the system's cause of
// error on the next.
void TellFolderProblem(HWND owner, const wchar_t* text, const CString& folder, int32_t error) {
  wchar_t message[kEndMessageUnits] = {};
  AppendText(message, text);
  AppendText(message, L"\r\n\r\n");
  const CWideText wideFolder(folder);
  if (wideFolder.Get() != nullptr)
    AppendText(message, reinterpret_cast<const wchar_t*>(wideFolder.Get()));
  CString cause;
  DescribeSystemError(error, &cause);
  const CWideText wideCause(cause);
  if (wideCause.Get() != nullptr) {
    AppendText(message, L"\r\n");
    AppendText(message, reinterpret_cast<const wchar_t*>(wideCause.Get()));
  }
  MessageBoxW(owner, message, kRunCaption, MB_OK | MB_ICONWARNING);
}

// Before a run: an output folder that is not there is offered for creation,
// one that cannot be written is named with the cause; otherwise every row
// would fail alike with no word why. True when the run may start.
bool PrepareOutputFolder(HWND owner, int language, const CString& outputFolder) {
  CString folder;
  if (!TrimOutputFolder(outputFolder.Text(), &folder)) return false;
  if (folder.IsEmpty()) return true;  // each output beside its input
  int32_t error = ProbeFolder(folder);
  if (IsNotFoundError(error)) {
    wchar_t question[kEndMessageUnits] = {};
    AppendText(question, uitext::kCreateOutputFolder.In(language));
    AppendText(question, L"\r\n\r\n");
    const CWideText wideFolder(folder);
    if (wideFolder.Get() != nullptr)
      AppendText(question, reinterpret_cast<const wchar_t*>(wideFolder.Get()));
    if (MessageBoxW(owner, question, kRunCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
      return false;
    error = CreateFolderPath(folder);
    if (error != 0) {
      TellFolderProblem(owner, uitext::kOutputFolderNotCreated.In(language), folder, error);
      return false;
    }
  }
  if (error == 0) {
    // Only a file made there shows that the folder takes one.
    CFile probe;
    CString path;
    if (CreateTemporaryFile(folder.Text(), probe, &path) == kOk) {
      probe.Close();
      RemoveTemporaryFile(path);
      return true;
    }
    error = probe.systemError;
  }
  TellFolderProblem(owner, uitext::kOutputFolderNotWritable.In(language), folder, error);
  return false;
}

// What a run found, row by row, for its end message.
class RunTally {
 public:
  explicit RunTally(int language) : language_(language) {}

  // Counts the row that ended with status and names it when there is
  // something to say; line gets the row's status column (kSettingTextUnits).
  void Note(const CString& inputName, FileConversionStatus status,
            const FileConversionResult& result, const RowReport& report, wchar_t* line) {
    wchar_t reason[kSettingTextUnits] = {};
    line[0] = 0;
    if (status == FileConversionStatus::Converted) {
      ++converted_;
      const CWideText output(result.outputPath);
      std::swprintf(line, kSettingTextUnits, uitext::kRowConverted.In(language_),
                    FileNameOf(output.OrEmpty()));
      if (report.warning == RowWarning::None) return;
      ++warned_;
      Describe(report, reason);
      AppendText(line, L"; ", kSettingTextUnits);
      AppendText(line, reason, kSettingTextUnits);
    } else if (status == FileConversionStatus::Cancelled) {
      stoppedName_.Assign(inputName);
      AppendText(line, uitext::kRowStopped.In(language_), kSettingTextUnits);
      return;
    } else if (IsSkippedRow(status)) {
      ++skipped_;
      Describe(status, result, reason);
      AppendText(line, reason, kSettingTextUnits);
    } else {
      ++failed_;
      Describe(status, result, reason);
      AppendText(line, reason, kSettingTextUnits);
    }
    if (++named_ > kNamedRows) {
      if (named_ == kNamedRows + 1) AppendLine(uitext::kMoreFailedRows, nullptr);
      return;
    }
    AppendLine(Name(inputName).Get(), reason);
  }

  bool NothingToReport() const { return named_ == 0 && stoppedName_.IsEmpty(); }

  // The whole message: the figures, the rows named, the stopped row last.
  void Compose(bool stopped, int32_t rows, wchar_t* message) const {
    std::swprintf(message, kEndMessageUnits,
                  (stopped ? uitext::kRunStoppedCounts : uitext::kRunFinishedCounts).In(language_),
                  static_cast<int>(converted_), static_cast<int>(rows), static_cast<int>(warned_),
                  static_cast<int>(failed_), static_cast<int>(skipped_));
    AppendText(message, L"\r\n");
    AppendText(message, lines_);
    if (!stoppedName_.IsEmpty()) {
      AppendText(message, L"\r\n");
      AppendText(message, Name(stoppedName_).Get());
      AppendText(message, L": ");
      AppendText(message, uitext::kRowStopped.In(language_));
    }
  }

 private:
  // A copy: CWideText leaves the row as it is, which the window's thread may
  // be reading.
  struct Name {
    explicit Name(const CString& text) : wide(text) {}
    const wchar_t* Get() const {
      return wide.Get() != nullptr ? reinterpret_cast<const wchar_t*>(wide.Get()) : L"?";
    }
    CWideText wide;
  };

  void AppendLine(const wchar_t* name, const wchar_t* reason) {
    AppendText(lines_, L"\r\n");
    AppendText(lines_, name);
    if (reason == nullptr) return;
    AppendText(lines_, L": ");
    AppendText(lines_, reason);
  }

  void Describe(const RowReport& report, wchar_t* reason) const {
    switch (report.warning) {
      case RowWarning::EmptyInput:
        AppendText(reason, uitext::kRowEmptyInput.In(language_));
        break;
      case RowWarning::NoNumbers:
        AppendText(reason, uitext::kRowNoNumbers.In(language_));
        break;
      case RowWarning::NumbersDropped:
        std::swprintf(reason, kSettingTextUnits, uitext::kRowNumbersDropped.In(language_),
                      static_cast<unsigned long long>(report.census.dropped.count));
        break;
      case RowWarning::NameReplaced:
        AppendText(reason, uitext::kRowNameReplaced.In(language_));
        break;
      case RowWarning::None:
        break;
    }
  }

  void Describe(FileConversionStatus status, const FileConversionResult& result,
                wchar_t* reason) const {
    const UiText* text = &uitext::kRowOutOfMemory;
    bool cause = result.systemError != 0;
    switch (status) {
      case FileConversionStatus::InputNotOpened:
        text = IsNotFoundError(result.systemError) ? &uitext::kRowInputNotFound
                                                   : &uitext::kRowCannotRead;
        cause = cause && !IsNotFoundError(result.systemError);
        break;
      case FileConversionStatus::OutputNotCreated:
        text = result.systemError != 0 ? &uitext::kRowOutputNotCreated : &uitext::kRowAllNamesTaken;
        break;
      case FileConversionStatus::ReadFailed:
        text = &uitext::kRowReadFailed;
        break;
      case FileConversionStatus::InputShort:
        text = &uitext::kRowInputShort;
        break;
      case FileConversionStatus::WriteFailed:
        text = &uitext::kRowWriteFailed;
        break;
      case FileConversionStatus::NoOutputName:
        text = &uitext::kRowNoOutputName;
        break;
      default:
        break;
    }
    AppendText(reason, text->In(language_), kSettingTextUnits);
    if (!cause) return;
    CString described;
    DescribeSystemError(result.systemError, &described);
    const CWideText wide(described);
    if (wide.Get() == nullptr) return;
    AppendText(reason, L": ", kSettingTextUnits);
    AppendText(reason, reinterpret_cast<const wchar_t*>(wide.Get()), kSettingTextUnits);
  }

  int language_;
  int32_t converted_ = 0;
  int32_t warned_ = 0;
  int32_t failed_ = 0;
  int32_t skipped_ = 0;
  int32_t named_ = 0;
  CString stoppedName_;
  wchar_t lines_[kEndMessageUnits] = {};
};

}  // namespace

ParametersUpdate CAppMain::TakeConversionControls(bool extra) {
  wchar_t folder[kSettingTextUnits] = {};
  wchar_t valueFormat[kSettingTextUnits] = {};
  wchar_t arrayTemplate[kSettingTextUnits] = {};
  ctl::CControl(Control(IDC_OUTPUT_FOLDER)).ReadText(folder, kSettingTextUnits);
  ctl::CControl(Control(IDC_DATA_FORMAT)).ReadText(valueFormat, kSettingTextUnits);
  ctl::CControl(Control(IDC_ARRAY_FORMAT)).ReadText(arrayTemplate, kSettingTextUnits);
  ConversionControls controls;
  controls.outputFolder = folder;
  controls.convert = SelectedItemData(IDC_CONVERT);
  controls.dataSize = SelectedItemData(IDC_DATA_SIZE);
  controls.endian = SelectedItemData(IDC_ENDIAN);
  controls.dataFormat = valueFormat;
  controls.arrayFormat = arrayTemplate;
  ParametersUpdate result = theAppParameter->UpdateFromControls(controls, outputFolder);
  if (result == ParametersUpdate::Unchanged && extra) {
    result = theAppParameter->Save() ? ParametersUpdate::Saved : ParametersUpdate::SaveFailed;
  }
  if (result == ParametersUpdate::SaveFailed) ReportSettingsSaveFailure();
  return result;
}

void CAppMain::ExecuteConversion() {
  if (fileList.entryCount <= 0) return;

  TakeConversionControls(false);
  wchar_t valueFormat[kSettingTextUnits] = {};
  ctl::CControl(Control(IDC_DATA_FORMAT)).ReadText(valueFormat, kSettingTextUnits);

  if (workerThreadId == 0 && !UsableValueFormat(valueFormat)) {
    // Converting with the default instead would end "complete" with outputs
    // the user did not ask for.
    wchar_t message[kEndMessageUnits] = {};
    AppendText(message, uitext::kInvalidValueFormat.In(UseJapanese() ? 1 : 0));
    AppendText(message, L"\r\n\r\n");
    AppendText(message, valueFormat);
    MessageBoxW(mainWindow, message, kRunCaption, MB_OK | MB_ICONWARNING);
    return;
  }

  if (workerThreadId == 0 &&
      !PrepareOutputFolder(mainWindow, UseJapanese() ? 1 : 0, outputFolder)) {
    return;
  }

  ResetProgressBars();
  if (workerThreadId != 0) return;
  // A worker that has shown its message but whose last word is still queued
  // is joined before the next one starts.
  if (workerHandle_.IsValid()) JoinWorker();
  // The join handles messages, among them perhaps a close.
  if (workerHandle_.IsValid() || closing_) return;

  // The worker's own copy: the window may change outputFolder during the run
  // (the folder browser, or Execute reached again), and the rows already
  // started belong in the folder that was chosen for them.
  runOutputFolder_.Assign(outputFolder);
  // The status column tells this run's findings only.
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int32_t row = 0; row < fileList.entryCount; ++row) {
    if (fileList.entries[row]->status.Get() == nullptr) continue;
    fileList.entries[row]->SetStatus(nullptr);
    list.SetCell(row, 3, L"");
  }
  EnableListCommands(false);
  HANDLE thread = CreateThread(nullptr, 0, &ConversionThreadStart, this, 0, nullptr);
  if (thread == nullptr) {
    // Nothing to wait for: no worker will ever publish an id.
    EnableListCommands(true);
    return;
  }
  workerHandle_.Reset(thread);
  workerThread = thread;
  for (int check = 0; check < kHandshakeChecks && workerThreadId == 0; ++check) {
    // A 10 ms sleep that a worker which has already ended cuts short.
    if (WaitForSingleObject(thread, kHandshakeStepMs) == WAIT_OBJECT_0) break;
  }
  Sleep(kHandshakeStepMs);
}

DWORD WINAPI CAppMain::ConversionThreadStart(LPVOID app) {
  static_cast<CAppMain*>(app)->ConversionThread();
  return 0;
}

void CAppMain::ConversionThread() {
  // The id before any window is touched: Execute waits for it on the
  // window's thread, and only after that wait are the messages below handled.
  // The flag is cleared first, since a close may cancel as soon as the id is
  // out.
  cancelRequested = 0;
  workerThreadId = GetCurrentThreadId();

  // Each button is disabled only after the focus has left it: a disabled
  // button keeps the focus, and the keyboard would be dead until a click.
  EnableWindow(Control(IDC_CANCEL_RUN), TRUE);
  SendMessageW(mainWindow, kMoveFocusMessage, IDC_EXECUTE, IDC_CANCEL_RUN);
  EnableWindow(Control(IDC_EXECUTE), FALSE);

  const ctl::CProgressBar fileBar(Control(IDC_FILE_PROGRESS));
  const ctl::CProgressBar totalBar(Control(IDC_TOTAL_PROGRESS));
  // The whole-run bar measures bytes, so that it moves through a large file
  // as the file's own bar does.
  runBytesTotal_ = 0;
  for (int32_t row = 0; row < fileList.entryCount; ++row) {
    if (fileList.entries[row] != nullptr) runBytesTotal_ += InputSize(*fileList.entries[row]);
  }
  runBytesBefore_ = 0;
  runStartedAt_ = GetTickCount64();
  totalBar.SetRange(0, kTotalBarRange);
  totalBar.SetPos(0);
  RunTally tally(UseJapanese() ? 1 : 0);
  // Between rows the bars move at most once per interval, and at the end
  // show where the run ended.
  ULONGLONG barsShownAt = 0;
  int32_t rowsShown = 0;
  int32_t row = 0;
  for (; row < fileList.entryCount && !IsCancelled(); ++row) {
    shownFilePercent_ = 0;
    runRow_ = row;
    rowBytes_ = fileList.entries[row] != nullptr ? InputSize(*fileList.entries[row]) : 0;
    if (GetTickCount64() - barsShownAt >= kRowBarsIntervalMs) {
      fileBar.SetPos(0);
      ShowRunProgress(0);
    }
    FileConversionStatus status = FileConversionStatus::Converted;
    if (fileList.entries[row] != nullptr) {
      FileConversionResult result;
      RowReport report;
      status = ConvertEntry(row, &result, &report);
      wchar_t line[kSettingTextUnits] = {};
      tally.Note(fileList.entries[row]->inputName.name, status, result, report, line);
      SendMessageW(mainWindow, kRowStatusMessage, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(line));
    }
    if (status != FileConversionStatus::Cancelled) runBytesBefore_ += rowBytes_;
    rowBytes_ = 0;
    if (GetTickCount64() - barsShownAt >= kRowBarsIntervalMs) {
      ShowRunProgress(0);
      fileBar.SetPos(100);
      barsShownAt = GetTickCount64();
      rowsShown = row + 1;
    }
  }
  if (row > rowsShown) {
    ShowRunProgress(0);
    fileBar.SetPos(100);
  }
  const bool stopped = IsCancelled();

  workerThread = nullptr;
  workerThreadId = 0;

  // A window that is closing waits for this thread; a message would hold
  // the close up until somebody answered it. A run is "complete" only when
  // every row converted with nothing to say; a skipped, failed, warned or
  // stopped row is named.
  if (!closing_) {
    const int language = UseJapanese() ? 1 : 0;
    if (tally.NothingToReport()) {
      MessageBoxW(mainWindow, (stopped ? kRunStopped : kRunComplete).In(language), kRunCaption,
                  MB_OK | (stopped ? MB_ICONWARNING : MB_ICONINFORMATION));
    } else {
      wchar_t message[kEndMessageUnits] = {};
      tally.Compose(stopped, fileList.entryCount, message);
      MessageBoxW(mainWindow, message, kRunCaption, MB_OK | MB_ICONWARNING);
    }
  }
  EnableWindow(Control(IDC_EXECUTE), TRUE);
  SendMessageW(mainWindow, kMoveFocusMessage, IDC_CANCEL_RUN, IDC_EXECUTE);
  EnableWindow(Control(IDC_CANCEL_RUN), FALSE);
  PostMessageW(mainWindow, kRunEndedMessage, GetCurrentThreadId(), 0);
}

FileConversionStatus CAppMain::ConvertEntry(int32_t row, FileConversionResult* result,
                                            RowReport* report) {
  const FileListEntry& entry = *fileList.entries[row];
  // The settings as the controls show them now: a change during the run
  // applies from the next file on.
  RowSettings settings;
  SendMessageW(mainWindow, kRowSettingsMessage, 0, reinterpret_cast<LPARAM>(&settings));
  FileConversionRequest request;
  CString folder;
  // The window is gone, or memory ran out.
  if (!settings.read ||
      !MapListRow(settings.list, runOutputFolder_.Text(), entry, &folder, &request)) {
    result->status = FileConversionStatus::OutOfMemory;
    *report = RowReport{};
    return result->status;
  }
  return ConvertListRow(request, *this, result, report);
}

void CAppMain::SetFileProgress(int32_t percent) {
  // The converters report at every buffer they write out, thousands of times
  // in a large file, and each figure sent makes the worker wait for the
  // window's thread. So the bar gets only a figure that differs, and after
  // the file's first move at most one per interval; the worker itself sets
  // 100 at the end of the file.
  // 100 is the worker's to set, when it moves the bars between rows.
  if (percent == shownFilePercent_ || percent >= 100) return;
  const ULONGLONG now = GetTickCount64();
  if (shownFilePercent_ != 0 && now - fileProgressShownAt_ < kProgressIntervalMs) return;
  shownFilePercent_ = percent;
  fileProgressShownAt_ = now;
  if (mainWindow != nullptr) {
    ctl::CProgressBar(Control(IDC_FILE_PROGRESS)).SetPos(percent);
    ShowRunProgress(percent);
  }
}

void CAppMain::ShowRunProgress(int32_t percent) {
  const uint64_t done = runBytesBefore_ + rowBytes_ * static_cast<uint64_t>(percent) / 100;
  const uint64_t total = runBytesTotal_ > done ? runBytesTotal_ : done;
  // An empty run of empty files is all done once its rows are.
  const int32_t position =
      total > 0 ? static_cast<int32_t>(done * kTotalBarRange / total)
                : (runRow_ + (percent > 0 ? 1 : 0)) * kTotalBarRange / fileList.entryCount;
  ctl::CProgressBar(Control(IDC_TOTAL_PROGRESS)).SetPos(position);

  const FileListEntry* entry = fileList.entries[runRow_];
  if (entry == nullptr) return;
  const CWideText path(entry->inputName.name);
  RunProgress progress;
  progress.fileNumber = runRow_ + 1;
  progress.fileCount = fileList.entryCount;
  progress.fileName = path.Get() != nullptr ? FileNamePart(path.Get()) : WSTR("");
  progress.bytesDone = done;
  progress.bytesTotal = total;
  progress.secondsLeft = EstimateSecondsLeft(done, total, GetTickCount64() - runStartedAt_);
  WideChar line[kProgressLineUnits] = {};
  FormatRunProgress(progress, UseJapanese() ? 1 : 0, line, kProgressLineUnits);
  ctl::CControl(Control(IDC_PROGRESS_TEXT)).SetText(reinterpret_cast<const wchar_t*>(line));
}

void CAppMain::EnableListCommands(bool enabled) {
  listLocked_ = !enabled;
  UpdateCommandStates();
  DragAcceptFiles(mainWindow, enabled ? TRUE : FALSE);
}

void CAppMain::JoinWorker() {
  HANDLE thread = workerHandle_.Get();
  if (thread == nullptr) return;
  // A message handled below may close the window, and the close joins too;
  // the handle is released by the outermost join only.
  ++joinDepth_;
  for (;;) {
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &thread, FALSE, kCloseLookMs, QS_SENDMESSAGE | QS_PAINT);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    // The worker's messages, and painting; input waits, so that nothing the
    // user does starts anew while the run is ending.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT))
      DispatchMessageW(&message);
    if (closing_) {
      OwnedDialogSearch search{mainWindow};
      EnumThreadWindows(GetThreadId(thread), &DismissOwnedDialog,
                        reinterpret_cast<LPARAM>(&search));
    }
  }
  if (--joinDepth_ > 0) return;
  workerHandle_.Reset();
  if (mainWindow != nullptr && IsWindow(mainWindow)) {
    EnableListCommands(true);
    RescueFocus();
  }
}

void CAppMain::StopRunForClose() {
  if (!workerHandle_.IsValid()) return;
  // closing_ before the cancel: a worker that sees the cancel knows by then
  // not to show its message.
  closing_ = true;
  cancelRequested = 1;
  JoinWorker();
}

INT_PTR CAppMain::DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunEndedMessage) {
    // From the worker that is still to be joined, unless a close or a new
    // Execute has joined it already.
    if (workerHandle_.IsValid() && GetThreadId(workerHandle_.Get()) == static_cast<DWORD>(wParam)) {
      JoinWorker();
    }
    return TRUE;
  }
  if (message == kRowStatusMessage) {
    const auto row = static_cast<int32_t>(wParam);
    if (row >= 0 && row < fileList.entryCount) {
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      fileList.entries[row]->SetStatus(text);
      ctl::CListView(Control(IDC_FILE_LIST)).SetCell(row, 3, text);
    }
    return TRUE;
  }
  if (message == kRowSettingsMessage) {
    auto* settings = reinterpret_cast<RowSettings*>(lParam);
    // A size box without a selection gives 0, which the converters take as 1.
    settings->list.direction = SelectedItemData(IDC_CONVERT);
    settings->list.unitSize = SelectedItemData(IDC_DATA_SIZE);
    settings->list.byteOrder = SelectedItemData(IDC_ENDIAN);
    ctl::CControl(Control(IDC_DATA_FORMAT)).ReadText(settings->list.valueFormat, kRowTextUnits);
    ctl::CControl(Control(IDC_ARRAY_FORMAT)).ReadText(settings->list.arrayTemplate, kRowTextUnits);
    // No control shows the number syntax: the stored one applies.
    settings->list.numberSyntax =
        static_cast<int32_t>(NumberSyntaxOf(theAppParameter->number_syntax));
    settings->read = true;
    return TRUE;
  }
  if (OnWindowMessage(message, wParam, lParam)) return TRUE;
  return CAppBase::DlgProc(window, message, wParam, lParam);
}
