#include "ui/main_window_driver.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdarg>

#include "app/app_base.h"
#include "base/debug_print.h"
#include "resource.h"

namespace uitest {

namespace {

// Upper bound for the window to come up, a flush, or the end of Run; only
// reached when something hangs, never part of the synchronisation.
constexpr DWORD kWaitLimitMs = 60000;
constexpr UINT_PTR kAnswerTimerId = 0x5177;

// Wine waits up to two seconds for a window manager to confirm that a closed
// dialog is gone, and the test display has none. Unmanaged windows skip that
// wait. Wine reads the setting when its display driver starts, which may be
// before this runs, so it takes effect from the binary's next run on.
struct UnmanagedWineWindows {
  UnmanagedWineWindows() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
    wchar_t program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const wchar_t* name = program;
    for (const wchar_t* c = program; *c != 0; ++c) {
      if (*c == L'\\' || *c == L'/') name = c + 1;
    }
    const std::wstring key =
        std::wstring(L"Software\\Wine\\AppDefaults\\") + name + L"\\X11 Driver";
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t));
  }
} g_unmanagedWineWindows;

MainWindowSession* g_session = nullptr;
HHOOK g_hook = nullptr;

std::mutex g_debugMutex;
std::vector<std::wstring>* g_debugLines = nullptr;

int RecordDebugLine(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring line = FormatDebugLine(format, args);
  va_end(args);
  std::lock_guard<std::mutex> lock(g_debugMutex);
  if (g_debugLines != nullptr) g_debugLines->push_back(line);
  return static_cast<int>(line.size());
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

struct StaticTexts {
  HWND dialog;
  std::wstring joined;
};

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
  auto* texts = reinterpret_cast<StaticTexts*>(param);
  if (GetParent(child) != texts->dialog) return TRUE;
  if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) return TRUE;
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if ((style & SS_TYPEMASK) == SS_ICON) return TRUE;
  const std::wstring text = WindowText(child);
  if (text.empty()) return TRUE;
  if (!texts->joined.empty()) texts->joined += L"|";
  texts->joined += text;
  return TRUE;
}

// The default push button: marked by its style (a message box marks it so)
// or named by the dialog.
BOOL CALLBACK FindDefaultButton(HWND child, LPARAM param) {
  auto* found = reinterpret_cast<int*>(param);
  if (_wcsicmp(ClassName(child).c_str(), L"Button") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) != BS_DEFPUSHBUTTON) return TRUE;
  *found = GetDlgCtrlID(child);
  return FALSE;
}

// The icon of a message box: its static control with the icon style.
BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
  auto* found = reinterpret_cast<HICON*>(param);
  if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  *found = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
  return *found == nullptr;
}

bool HasButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr && IsWindowVisible(button);
}

}  // namespace

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (g_session != nullptr) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE) {
      g_session->OnDialogShown(window);
    } else if (code == HCBT_CREATEWND && g_session->creationObserver_) {
      g_session->creationObserver_(window);
    } else if (code == HCBT_DESTROYWND) {
      std::lock_guard<std::mutex> lock(g_session->mutex_);
      auto& served = g_session->served_;
      served.erase(std::remove(served.begin(), served.end(), window), served.end());
    }
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

void CALLBACK AnswerTimer(HWND dialog, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  KillTimer(dialog, id);
  if (g_session != nullptr) g_session->AnswerDialog(dialog);
}

void ClickButton(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND FileNameBox(HWND fileDialog) {
  // The explorer-style dialog has a combo box (cmb13) or an edit (edt1).
  if (HWND combo = GetDlgItem(fileDialog, cmb13)) {
    if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
    return combo;
  }
  return GetDlgItem(fileDialog, edt1);
}

DialogAction ChooseFile(const std::wstring& name) {
  return [name](HWND dialog) {
    SetWindowTextW(FileNameBox(dialog), name.c_str());
    ClickButton(dialog, IDOK);
  };
}

DialogAction ChooseFiles(const std::wstring& folder, const std::vector<std::wstring>& names) {
  return [folder, names](HWND dialog) {
    // A folder typed into the name box opens it; the names then refer to it.
    SetWindowTextW(FileNameBox(dialog), folder.c_str());
    ClickButton(dialog, IDOK);
    std::wstring list;
    for (const std::wstring& name : names)
      list += L"\"" + name + L"\" ";
    SetWindowTextW(FileNameBox(dialog), list.c_str());
    ClickButton(dialog, IDOK);
  };
}

DialogAction PressButton(int id) {
  return [id](HWND dialog) { ClickButton(dialog, id); };
}

DebugRecorder::DebugRecorder() {
  {
    std::lock_guard<std::mutex> lock(g_debugMutex);
    g_debugLines = new std::vector<std::wstring>;
  }
  SetDebugPrintTarget(&RecordDebugLine);
}

DebugRecorder::~DebugRecorder() {
  ResetDebugPrintTarget();
  std::lock_guard<std::mutex> lock(g_debugMutex);
  delete g_debugLines;
  g_debugLines = nullptr;
}

std::vector<std::wstring> DebugRecorder::Lines() {
  std::lock_guard<std::mutex> lock(g_debugMutex);
  return *g_debugLines;
}

INT_PTR TestAppMain::DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFlushMessage) {
    SetEvent(reinterpret_cast<HANDLE>(lParam));
    return TRUE;
  }
  if (message == kControlKeyMessage) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = wParam != 0 ? 0x80 : 0;
    SetKeyboardState(keys);
    return TRUE;
  }
  const INT_PTR result = CAppMain::DlgProc(window, message, wParam, lParam);
  if (message == WM_INITDIALOG) session_->SetWindow(window);
  // The worker cannot reach its message box before this thread has handled
  // its first messages, so hooking it here catches every dialog it shows.
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_EXECUTE) session_->OnExecuteHandled();
  return result;
}

void TestAppMain::SetFileProgress(int32_t percent) {
  CAppMain::SetFileProgress(percent);
  if (session_->progressObserver_) session_->progressObserver_(percent);
}

bool TestAppMain::WorkArea(RECT* area) {
  if (!session_->hasWorkArea_) return CAppMain::WorkArea(area);
  *area = session_->workArea_;
  return true;
}

MainWindowSession::MainWindowSession(int32_t language,
                                     const std::function<void(CAppParameter&)>& configure) {
  parameter_ = new CAppParameter();
  parameter_->settingsPath.AssignWide(test::WidePath(settingsFile()).c_str());
  parameter_->language = language;
  if (configure) configure(*parameter_);
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ended_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

MainWindowSession::~MainWindowSession() {
  if (thread_.joinable()) {
    // A test that stopped early leaves the window open: end it like Esc.
    if (Running() && window_ != nullptr) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_.clear();
      }
      PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
    }
    WaitForExit();
  }
  CloseHandle(ready_);
  CloseHandle(ended_);
  for (HANDLE worker : workers_) {
    if (worker != nullptr) CloseHandle(worker);
  }
  theAppParameter = nullptr;
  delete parameter_;
  g_session = nullptr;
}

bool MainWindowSession::Start() {
  g_session = this;
  theAppParameter = parameter_;
  theApp = &app_;
  thread_ = std::thread([this] { ThreadMain(); });
  HANDLE events[] = {ready_, ended_};
  const DWORD which = WaitForMultipleObjects(2, events, FALSE, kWaitLimitMs);
  return which == WAIT_OBJECT_0 && window_ != nullptr;
}

void MainWindowSession::ThreadMain() {
  g_hook = SetWindowsHookExW(WH_CBT, &CbtHook, nullptr, GetCurrentThreadId());
  exitCode_ = app_.Run(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""), SW_SHOW);
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  // Run has joined every worker by now.
  for (HHOOK hook : workerHooks_)
    UnhookWindowsHookEx(hook);
  workerHooks_.clear();
  SetEvent(ended_);
}

void MainWindowSession::OnExecuteHandled() {
  const DWORD worker = app_.worker.WorkingId();
  if (worker == 0 || worker == hookedWorker_) return;
  hookedWorker_ = worker;
  if (HHOOK hook = SetWindowsHookExW(WH_CBT, &CbtHook, nullptr, worker)) {
    workerHooks_.push_back(hook);
  }
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, worker);
  std::lock_guard<std::mutex> lock(mutex_);
  workers_.push_back(thread);
}

void MainWindowSession::ObserveProgress(const std::function<void(int32_t)>& observer) {
  progressObserver_ = observer;
}

void MainWindowSession::ObserveCreation(const std::function<void(HWND)>& observer) {
  creationObserver_ = observer;
}

int MainWindowSession::WorkersStarted() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(workers_.size());
}

bool MainWindowSession::WaitForRunEnd() {
  HANDLE thread = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (workers_.empty()) return false;
    thread = workers_.back();
  }
  if (thread == nullptr || WaitForSingleObject(thread, kWaitLimitMs) != WAIT_OBJECT_0) {
    return false;
  }
  // The worker's last message to the window was posted before it ended, so
  // a flush is handled after it.
  return !Running() || Flush();
}

bool MainWindowSession::WaitForDialogs(size_t count) {
  std::unique_lock<std::mutex> lock(mutex_);
  return dialogSeen_.wait_for(lock, std::chrono::milliseconds(kWaitLimitMs),
                              [&] { return seen_.size() >= count; });
}

void MainWindowSession::SetWindow(HWND window) {
  window_ = window;
  SetEvent(ready_);
}

void MainWindowSession::OnDialogShown(HWND dialog) {
  // Only the dialogs that the main window owns: message boxes, the file,
  // folder and file information dialogs.
  if (dialog == window_ || ClassName(dialog) != L"#32770") return;
  if (GetWindow(dialog, GW_OWNER) == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(served_.begin(), served_.end(), dialog) != served_.end()) return;
    served_.push_back(dialog);
    ++shown_;
  }
  // Answered from the dialog's own loop, once it is up.
  SetTimer(dialog, kAnswerTimerId, 0, &AnswerTimer);
}

void MainWindowSession::AnswerDialog(HWND dialog) {
  SeenDialog seen;
  seen.caption = WindowText(dialog);
  StaticTexts texts{dialog, {}};
  EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  seen.text = texts.joined;
  seen.hasYes = HasButton(dialog, IDYES);
  seen.hasNo = HasButton(dialog, IDNO);
  seen.hasOk = HasButton(dialog, IDOK);
  EnumChildWindows(dialog, &FindDefaultButton, reinterpret_cast<LPARAM>(&seen.defaultId));
  if (seen.defaultId == 0) {
    const LRESULT defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(defaultId) == DC_HASDEFID) seen.defaultId = LOWORD(defaultId);
  }
  EnumChildWindows(dialog, &FindIcon, reinterpret_cast<LPARAM>(&seen.icon));

  DialogAction action;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back(seen);
    if (!answers_.empty()) {
      action = answers_.front();
      answers_.pop_front();
    }
  }
  dialogSeen_.notify_all();
  if (action) {
    action(dialog);
  } else if (seen.hasNo) {
    ClickButton(dialog, IDNO);
  } else if (HasButton(dialog, IDCANCEL)) {
    ClickButton(dialog, IDCANCEL);
  } else {
    ClickButton(dialog, IDOK);
  }
}

void MainWindowSession::Command(int id) {
  SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

LRESULT MainWindowSession::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(window_, message, wParam, lParam);
}

LRESULT MainWindowSession::SendTo(int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(Control(controlId), message, wParam, lParam);
}

void MainWindowSession::Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  PostMessageW(target, message, wParam, lParam);
}

bool MainWindowSession::Flush() {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  PostMessageW(window_, TestAppMain::kFlushMessage, 0, reinterpret_cast<LPARAM>(done));
  HANDLE events[] = {done, ended_};
  const DWORD which = WaitForMultipleObjects(2, events, FALSE, kWaitLimitMs);
  CloseHandle(done);
  return which == WAIT_OBJECT_0;
}

void MainWindowSession::Answer(const DialogAction& action) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(action);
}

std::vector<SeenDialog> MainWindowSession::TakeDialogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SeenDialog> seen;
  seen.swap(seen_);
  return seen;
}

size_t MainWindowSession::PendingAnswers() {
  std::lock_guard<std::mutex> lock(mutex_);
  return answers_.size();
}

void MainWindowSession::ClearAnswers() {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.clear();
}

int MainWindowSession::DialogsShown() {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

int MainWindowSession::WaitForExit() {
  if (joined_) return exitCode_;
  if (WaitForSingleObject(ended_, kWaitLimitMs) != WAIT_OBJECT_0) return -1000;
  thread_.join();
  joined_ = true;
  return exitCode_;
}

bool MainWindowSession::Running() const {
  return WaitForSingleObject(ended_, 0) != WAIT_OBJECT_0;
}

std::wstring MainWindowSession::Text(int id) {
  return WindowText(Control(id));
}

void MainWindowSession::SetText(int id, const std::wstring& text) {
  SetWindowTextW(Control(id), text.c_str());
}

std::vector<std::wstring> MainWindowSession::ComboItems(int id) {
  std::vector<std::wstring> items;
  const LRESULT count = SendTo(id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendTo(id, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendTo(id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    items.push_back(text);
  }
  return items;
}

std::vector<LPARAM> MainWindowSession::ComboData(int id) {
  std::vector<LPARAM> data;
  const LRESULT count = SendTo(id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    data.push_back(SendTo(id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  return data;
}

std::wstring MainWindowSession::ComboSelectedText(int id) {
  const LRESULT index = SendTo(id, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return L"";
  return ComboItems(id).at(static_cast<size_t>(index));
}

void MainWindowSession::SelectCombo(int id, int index) {
  SendTo(id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring MainWindowSession::Cell(int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendTo(IDC_FILE_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
         reinterpret_cast<LPARAM>(&item));
  return buffer;
}

Rows MainWindowSession::ListRows() {
  Rows rows;
  const LRESULT count = SendTo(IDC_FILE_LIST, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT row = 0; row < count; ++row) {
    std::vector<std::wstring> cells;
    for (int column = 0; column < 3; ++column)
      cells.push_back(Cell(static_cast<int>(row), column));
    rows.push_back(cells);
  }
  return rows;
}

std::wstring MainWindowSession::Title() {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window_, buffer, 1024);
  return buffer;
}

void MainWindowSession::PressKey(HWND target, UINT key, bool control) {
  // A posted key carries no keyboard state; the window's thread holds Ctrl
  // down around it, as the accelerators read it.
  PostMessageW(window_, TestAppMain::kControlKeyMessage, control ? 1 : 0, 0);
  PostMessageW(target, WM_KEYDOWN, key, 1 | (MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16));
  PostMessageW(window_, TestAppMain::kControlKeyMessage, 0, 0);
}

std::vector<std::wstring> MainWindowSession::ColumnTitles() {
  std::vector<std::wstring> titles;
  for (int column = 0;; ++column) {
    wchar_t buffer[128] = {};
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT;
    info.pszText = buffer;
    info.cchTextMax = 128;
    if (!SendTo(IDC_FILE_LIST, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                reinterpret_cast<LPARAM>(&info))) {
      break;
    }
    titles.push_back(buffer);
  }
  return titles;
}

int MainWindowSession::SelectedRowCount() {
  return static_cast<int>(SendTo(IDC_FILE_LIST, LVM_GETSELECTEDCOUNT, 0, 0));
}

void MainWindowSession::SelectRows(const std::vector<int>& rows) {
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED;
  state.state = 0;
  SendTo(IDC_FILE_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
         reinterpret_cast<LPARAM>(&state));
  for (const int row : rows) {
    state.state = LVIS_SELECTED;
    SendTo(IDC_FILE_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
           reinterpret_cast<LPARAM>(&state));
  }
}

int MainWindowSession::ProgressPosition(int id) {
  return static_cast<int>(SendTo(id, PBM_GETPOS, 0, 0));
}

std::pair<int, int> MainWindowSession::ProgressRange(int id) {
  PBRANGE range = {};
  SendTo(id, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  return {range.iLow, range.iHigh};
}

Rows MainWindowSession::ModelRows() {
  Rows rows;
  CFileList& list = app_.fileList;
  for (int32_t i = 0; i < list.entryCount; ++i) {
    FileListEntry* entry = &list.entries[i];
    // Converted here rather than through GetWide, which would rebuild the
    // strings' own UTF-16 copies behind the window's back.
    // CWideText also gives back the characters the code page lacks.
    auto wide = [](const CString& text) {
      const CWideText units(text);
      return std::wstring(units.OrEmpty());
    };
    rows.push_back(
        {wide(entry->inputName.path), wide(entry->outputName.name), wide(entry->arrayName)});
  }
  return rows;
}

void MainWindowSession::DropFiles(const std::vector<std::wstring>& paths) {
  size_t units = 1;
  for (const std::wstring& path : paths)
    units += path.size() + 1;
  const size_t bytes = sizeof(DROPFILES) + units * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::copy(path.begin(), path.end(), names);
    names += path.size() + 1;
  }
  GlobalUnlock(block);
  // The window releases the block with DragFinish.
  Send(WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

}  // namespace uitest
