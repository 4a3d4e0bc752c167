// The conversion run of the main window: Execute starts a worker thread that
// converts every row of the list in order, shows its progress in the two bars
// and ends with a message; Cancel stops it, and so does closing the window.
//
// The worker reaches the window only through messages that the window's
// thread handles (the controls' messages, MessageBoxW), so this thread never
// waits for the worker without handling them.
#include "ui/app_main.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>

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

// The whole-run bar's range: thousandths of the bytes of all rows.
constexpr int32_t kTotalBarRange = 1000;

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

// Text buffers in UTF-16 units, terminator included: what Execute takes of
// each box, and a row's status line and its reason.
constexpr int kSettingTextUnits = kBoxTextUnits;

constexpr UiText kRunComplete{WSTR("変換が完了しました"), WSTR("Data convert complete.")};
constexpr UiText kRunStopped{WSTR("変換を中断しました"), WSTR("Data convert stopped.")};
constexpr const wchar_t* kRunCaption = L"Brelvix";

// A skipped, warned or failed row's text: its kind, then its reason.
constexpr UiText kRowSkipped{WSTR("スキップ: "), WSTR("skipped: ")};
constexpr UiText kRowWarning{WSTR("警告: "), WSTR("warning: ")};
constexpr UiText kRowFailed{WSTR("失敗: "), WSTR("failed: ")};

// A warned row's reason by its warning: each a printf format of the count
// of numbers dropped, which only NumbersDropped's prints.
struct WarningText {
  RowWarning warning;
  UiText text;
};
constexpr WarningText kWarningTexts[] = {
    {RowWarning::EmptyInput, {WSTR("入力ファイルが空です"), WSTR("empty input")}},
    {RowWarning::NoNumbers, {WSTR("数値が見つかりません"), WSTR("no numbers found")}},
    {RowWarning::NumbersDropped,
     {WSTR("%llu 個の数値を読み飛ばしました"), WSTR("%llu numbers dropped")}},
    {RowWarning::NameReplaced,
     {WSTR("($FILE_NAME) にシステムのコードページにない文字を ? で書きました"),
      WSTR("($FILE_NAME) has '?' for characters not in the system's code page")}},
};

// Which system error a failure's reason is for.
enum class ErrorCase {
  Any,
  NotFound,  // the system said the file is not there: the reason says it all
  Some,      // the system gave an error
};

// A skipped or failed row's reason: the first entry for its status whose
// error case holds; OutOfMemory's for a status without one. The system's
// cause follows when it gave one, unless the reason said it all.
struct FailureText {
  FileConversionStatus status;
  ErrorCase error;
  UiText text;
};
constexpr FailureText kFailureTexts[] = {
    {FileConversionStatus::InputNotOpened,
     ErrorCase::NotFound,
     {WSTR("入力ファイルが見つかりません"), WSTR("input not found")}},
    {FileConversionStatus::InputNotOpened,
     ErrorCase::Any,
     {WSTR("入力ファイルを読み込めません"), WSTR("cannot be read")}},
    {FileConversionStatus::OutputNotCreated,
     ErrorCase::Some,
     {WSTR("出力ファイルを作成できません"), WSTR("cannot create the output file")}},
    {FileConversionStatus::OutputNotCreated,
     ErrorCase::Any,
     {WSTR("出力ファイル名が番号付きのものまですべて使われています"),
      WSTR("the output name and every numbered name are taken")}},
    {FileConversionStatus::ReadFailed,
     ErrorCase::Any,
     {WSTR("入力ファイルを読み込めません"), WSTR("cannot read the input")}},
    {FileConversionStatus::InputShort,
     ErrorCase::Any,
     {WSTR("読み込み中に入力ファイルが短くなりました"),
      WSTR("the input became shorter while it was read")}},
    {FileConversionStatus::WriteFailed,
     ErrorCase::Any,
     {WSTR("出力ファイルに書き込めません"), WSTR("writing the output fell short")}},
    {FileConversionStatus::NoOutputName,
     ErrorCase::Any,
     {WSTR("出力ファイル名がありません"), WSTR("the row has no output file name")}},
    {FileConversionStatus::OutOfMemory,
     ErrorCase::Any,
     {WSTR("メモリが足りません"), WSTR("out of memory")}},
};

bool ErrorCaseHolds(ErrorCase error, int32_t systemError) {
  switch (error) {
    case ErrorCase::NotFound:
      return IsNotFoundError(systemError);
    case ErrorCase::Some:
      return systemError != 0;
    case ErrorCase::Any:
      break;
  }
  return true;
}

// The entry for a failed row; the last (OutOfMemory's) when none fits.
const FailureText& FailureTextOf(FileConversionStatus status, int32_t systemError) {
  for (const FailureText& entry : kFailureTexts) {
    if (entry.status == status && ErrorCaseHolds(entry.error, systemError)) return entry;
  }
  return kFailureTexts[std::size(kFailureTexts) - 1];
}

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

bool IsDialogWindow(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return std::wcscmp(className, L"#32770") == 0;
}

// Ends the worker's message box: it has only OK. A window that is no longer
// the worker's dialog is left alone.
void DismissWorkerDialog(const CWorkerThread& worker) {
  HWND window = worker.OpenedWindow();
  if (window == nullptr || !IsWindow(window) || !IsDialogWindow(window) ||
      GetWindowThreadProcessId(window, nullptr) != worker.ThreadId()) {
    return;
  }
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// While the worker shows its end message: tells the window's thread when the
// message box opens, so that a close waiting for the worker can end it.
class EndMessageWatch {
 public:
  explicit EndMessageWatch(CWorkerThread& worker) {
    watched_ = &worker;
    hook_.Reset(SetWindowsHookExW(WH_CBT, &Watch, nullptr, GetCurrentThreadId()));
  }
  ~EndMessageWatch() {
    hook_.Reset();
    watched_ = nullptr;
  }
  EndMessageWatch(const EndMessageWatch&) = delete;
  EndMessageWatch& operator=(const EndMessageWatch&) = delete;

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
    // The box, not its buttons; told as it is made, as a close may be
    // waiting already.
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && watched_ != nullptr && IsDialogWindow(window))
      watched_->TellWindowOpened(window);
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static thread_local CWorkerThread* watched_;
  CHook hook_;
};
thread_local CWorkerThread* EndMessageWatch::watched_ = nullptr;

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
    for (const WarningText& entry : kWarningTexts) {
      if (entry.warning != report.warning) continue;
      AppendText(reason, kRowWarning.In(language_), kSettingTextUnits);
      const size_t used = std::wcslen(reason);
      std::swprintf(reason + used, kSettingTextUnits - used, entry.text.In(language_),
                    static_cast<unsigned long long>(report.census.dropped.count));
      return;
    }
  }

  void Describe(FileConversionStatus status, const FileConversionResult& result,
                wchar_t* reason) const {
    const FailureText& entry = FailureTextOf(status, result.systemError);
    AppendText(reason, (IsSkippedRow(status) ? kRowSkipped : kRowFailed).In(language_),
               kSettingTextUnits);
    AppendText(reason, entry.text.In(language_), kSettingTextUnits);
    if (result.systemError == 0 || entry.error == ErrorCase::NotFound) return;
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

  if (!worker.Working() && !UsableValueFormat(valueFormat)) {
    // Converting with the default instead would end "complete" with outputs
    // the user did not ask for.
    wchar_t message[kEndMessageUnits] = {};
    AppendText(message, uitext::kInvalidValueFormat.In(UseJapanese() ? 1 : 0));
    AppendText(message, L"\r\n\r\n");
    AppendText(message, valueFormat);
    MessageBoxW(mainWindow, message, kRunCaption, MB_OK | MB_ICONWARNING);
    return;
  }

  if (!worker.Working() && !PrepareOutputFolder(mainWindow, UseJapanese() ? 1 : 0, outputFolder)) {
    return;
  }

  ResetProgressBars();
  if (worker.Working()) return;
  // A worker that has shown its message but whose last word is still queued
  // is joined before the next one starts.
  if (worker.Joinable()) JoinWorker();
  // The join handles messages, among them perhaps a close.
  if (worker.Joinable() || closing_) return;

  // The worker's own copy: the window may change outputFolder during the run
  // (the folder browser, or Execute reached again), and the rows already
  // started belong in the folder that was chosen for them.
  runOutputFolder_.Assign(outputFolder);
  // The status column tells this run's findings only.
  const ctl::CListView list(Control(IDC_FILE_LIST));
  for (int32_t row = 0; row < fileList.entryCount; ++row) {
    if (fileList.entries[row].status.Get() == nullptr) continue;
    fileList.entries[row].SetStatus(nullptr);
    list.SetCell(row, 3, L"");
  }
  EnableListCommands(false);
  // Cleared before the worker is out: a close may cancel as soon as it is.
  cancelRequested = 0;
  // The worker touches the window only through messages this thread
  // handles, so nothing here waits for it.
  if (!worker.Start(&ConversionThreadStart, this)) EnableListCommands(true);
}

DWORD WINAPI CAppMain::ConversionThreadStart(LPVOID app) {
  static_cast<CAppMain*>(app)->ConversionThread();
  return 0;
}

void CAppMain::ConversionThread() {
  // Each button is disabled only after the focus has left it: a disabled
  // button keeps the focus, and the keyboard would be dead until a click.
  ctl::CControl(Control(IDC_CANCEL_RUN)).Enable(true);
  SendMessageW(mainWindow, kMoveFocusMessage, IDC_EXECUTE, IDC_CANCEL_RUN);
  ctl::CControl(Control(IDC_EXECUTE)).Enable(false);

  const ctl::CProgressBar fileBar(Control(IDC_FILE_PROGRESS));
  const ctl::CProgressBar totalBar(Control(IDC_TOTAL_PROGRESS));
  // The whole-run bar measures bytes, so that it moves through a large file
  // as the file's own bar does.
  runBytesTotal_ = 0;
  for (int32_t row = 0; row < fileList.entryCount; ++row) {
    runBytesTotal_ += InputSize(fileList.entries[row]);
  }
  runBytesBefore_ = 0;
  runStartedAt_ = GetTickCount64();
  totalBar.SetRange(0, kTotalBarRange);
  totalBar.SetPos(0);
  RunTally tally(UseJapanese() ? 1 : 0);
  // Between rows the bars move at most once per interval, and at the end
  // show where the run ended: each move makes the window redraw, which under
  // Wine takes longer than converting a small file, and the worker's next
  // message waits for it.
  constexpr ULONGLONG kRowBarsIntervalMs = 250;
  ULONGLONG barsShownAt = 0;
  int32_t rowsShown = 0;
  int32_t row = 0;
  for (; row < fileList.entryCount && !IsCancelled(); ++row) {
    shownFilePercent_ = 0;
    runRow_ = row;
    rowBytes_ = InputSize(fileList.entries[row]);
    if (GetTickCount64() - barsShownAt >= kRowBarsIntervalMs) {
      fileBar.SetPos(0);
      ShowRunProgress(0);
    }
    FileConversionResult result;
    RowReport report;
    const FileConversionStatus status = ConvertEntry(row, &result, &report);
    wchar_t line[kSettingTextUnits] = {};
    tally.Note(fileList.entries[row].inputName.name, status, result, report, line);
    SendMessageW(mainWindow, kRowStatusMessage, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(line));
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

  worker.FinishWork();

  // A window that is closing waits for this thread; a message would hold
  // the close up until somebody answered it. A run is "complete" only when
  // every row converted with nothing to say; a skipped, failed, warned or
  // stopped row is named.
  const EndMessageWatch watch(worker);
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
  ctl::CControl(Control(IDC_EXECUTE)).Enable(true);
  SendMessageW(mainWindow, kMoveFocusMessage, IDC_CANCEL_RUN, IDC_EXECUTE);
  ctl::CControl(Control(IDC_CANCEL_RUN)).Enable(false);
  PostMessageW(mainWindow, kRunEndedMessage, GetCurrentThreadId(), 0);
}

FileConversionStatus CAppMain::ConvertEntry(int32_t row, FileConversionResult* result,
                                            RowReport* report) {
  const FileListEntry& entry = fileList.entries[row];
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
  constexpr ULONGLONG kProgressIntervalMs = 30;
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

  const FileListEntry* entry = &fileList.entries[runRow_];
  const CWideText path(entry->inputName.name);
  RunProgress progress;
  progress.fileNumber = runRow_ + 1;
  progress.fileCount = fileList.entryCount;
  progress.fileName = path.Get() != nullptr ? FileNamePart(path.Get()) : WSTR("");
  progress.bytesDone = done;
  progress.bytesTotal = total;
  progress.secondsLeft = EstimateSecondsLeft(done, total, GetTickCount64() - runStartedAt_);
  constexpr int kProgressLineUnits = 400;
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
  if (!worker.Joinable()) return;
  // A message handled below may close the window, and the close joins too;
  // the handle is released by the outermost join only.
  ++joinDepth_;
  // The worker's messages, and painting; input waits, so that nothing the
  // user does starts anew while the run is ending. A close also wakes for
  // the worker's end message, which may open after the close arrived, and
  // ends it.
  for (;;) {
    const CWorkerThread::Woken woken = worker.Wait(closing_, QS_SENDMESSAGE | QS_PAINT);
    if (woken == CWorkerThread::Woken::Ended) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT))
      DispatchMessageW(&message);
    if (woken == CWorkerThread::Woken::WindowOpened) DismissWorkerDialog(worker);
  }
  if (--joinDepth_ > 0) return;
  worker.Release();
  if (mainWindow != nullptr && IsWindow(mainWindow)) {
    EnableListCommands(true);
    RescueFocus();
  }
}

void CAppMain::StopRunForClose() {
  if (!worker.Joinable()) return;
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
    if (worker.Joinable() && worker.ThreadId() == static_cast<DWORD>(wParam)) {
      JoinWorker();
    }
    return TRUE;
  }
  if (message == kRowStatusMessage) {
    const auto row = static_cast<int32_t>(wParam);
    if (row >= 0 && row < fileList.entryCount) {
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      fileList.entries[row].SetStatus(text);
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
    ctl::CControl(Control(IDC_DATA_FORMAT)).ReadText(settings->list.valueFormat, kFormatTextUnits);
    ctl::CControl(Control(IDC_ARRAY_FORMAT))
        .ReadText(settings->list.arrayTemplate, kFormatTextUnits);
    // No control shows the number syntax: the stored one applies.
    settings->list.numberSyntax =
        static_cast<int32_t>(NumberSyntaxOf(theAppParameter->number_syntax));
    settings->read = true;
    return TRUE;
  }
  if (OnWindowMessage(message, wParam, lParam)) return TRUE;
  return CAppBase::DlgProc(window, message, wParam, lParam);
}
