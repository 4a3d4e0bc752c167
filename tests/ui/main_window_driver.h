// Drives the real main window in the test process: CAppMain's dialog runs
// its modal loop on a thread of its own, the test sends it commands and
// messages from the test thread and reads the controls back. Dialogs that a
// command opens (message boxes, file and folder dialogs, the file information
// dialog) are caught by a WH_CBT hook on the window's thread and answered by
// actions the test queued beforehand.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/app_parameter.h"
#include "support/test_support.h"
#include "ui/app_main.h"

namespace uitest {

using Rows = std::vector<std::vector<std::wstring>>;

// What a caught dialog showed when it was answered.
struct SeenDialog {
  std::wstring caption;
  std::wstring text;  // the static texts, joined by "|" (a message box's message)
  bool hasYes = false;
  bool hasNo = false;
  bool hasOk = false;
  int defaultId = 0;     // the default button's id, 0 when none
  HICON icon = nullptr;  // the icon a message box shows, null when none
};

// An answer to a dialog; runs on the window's thread inside the dialog's own
// modal loop, after the dialog has been shown.
using DialogAction = std::function<void(HWND dialog)>;

// Clicks a button of a dialog as the mouse would.
void ClickButton(HWND dialog, int id);
// The file name box of the system's file dialog.
HWND FileNameBox(HWND fileDialog);
// Answers a file dialog with a name (a full path, or names in quotes).
DialogAction ChooseFile(const std::wstring& name);
// Answers a file dialog with several names in one folder.
DialogAction ChooseFiles(const std::wstring& folder, const std::vector<std::wstring>& names);
DialogAction PressButton(int id);

// Records the lines DebugPrint receives while it exists.
class DebugRecorder {
 public:
  DebugRecorder();
  ~DebugRecorder();
  std::vector<std::wstring> Lines();
};

class MainWindowSession;

// CAppMain as the program has it, plus a message that tells the test when
// the messages posted before it have been handled.
class TestAppMain : public CAppMain {
 public:
  static constexpr UINT kFlushMessage = WM_APP + 0x51;
  // Sets (wParam 1) or clears the Ctrl key in the window thread's key state.
  static constexpr UINT kControlKeyMessage = WM_APP + 0x52;
  explicit TestAppMain(MainWindowSession* session) : session_(session) {}
  INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Hands every progress report of the worker to the session's observer too.
  void SetFileProgress(int32_t percent) override;

 protected:
  // The session's work area when it has one, else the monitor's.
  bool WorkArea(RECT* area) override;

 private:
  MainWindowSession* session_;
};

class MainWindowSession {
 public:
  // A fresh settings object with language 0 (English) or 1 (Japanese), its
  // settings file in a temporary folder; configure may change it further
  // before the window starts.
  explicit MainWindowSession(int32_t language,
                             const std::function<void(CAppParameter&)>& configure = {});
  ~MainWindowSession();
  MainWindowSession(const MainWindowSession&) = delete;
  MainWindowSession& operator=(const MainWindowSession&) = delete;

  // The work area the window is to fit into, in place of the monitor's; set
  // before Start.
  void SetWorkArea(const RECT& area) {
    workArea_ = area;
    hasWorkArea_ = true;
  }

  // Starts Run on the window's thread and returns once the main dialog has
  // been initialised; false when it did not come up.
  bool Start();

  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  CAppMain& app() { return app_; }
  CAppParameter& parameter() { return *parameter_; }
  const test::TempDir& folder() const { return folder_; }
  // Set once the main dialog has been initialised.
  void SetWindow(HWND window);
  std::filesystem::path settingsFile() const { return folder_ / "brelvix.ini"; }

  // A command as its button or menu item sends it; returns when it has been
  // handled, with every dialog it opened answered.
  void Command(int id);
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT SendTo(int controlId, UINT message, WPARAM wParam, LPARAM lParam);
  // Posts to a window of the dialog and returns at once.
  void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
  // Returns once every message posted before has been handled.
  bool Flush();

  // The next caught dialog gets action; dialogs without a queued action are
  // answered No, Cancel or OK (the first the dialog has).
  void Answer(const DialogAction& action);
  // The dialogs caught since the last call.
  std::vector<SeenDialog> TakeDialogs();
  // Answers still queued (not used by any dialog).
  size_t PendingAnswers();
  // Drops the answers still queued.
  void ClearAnswers();
  // Dialogs shown so far, answered or not (one that something else ended
  // before its answer counts here only).
  int DialogsShown();
  // Waits until count dialogs have been caught since the last TakeDialogs;
  // false when they did not come in time.
  bool WaitForDialogs(size_t count);

  // A conversion run: each worker that Execute starts has the dialog hook
  // too (its message box is shown from the worker's own thread), and the
  // session keeps it to wait for its end. observer, when set, sees every
  // progress report on the worker's thread, after the window has.
  void ObserveProgress(const std::function<void(int32_t percent)>& observer);
  // observer, when set, sees each window a hooked thread is about to create
  // (HCBT_CREATEWND), on that thread.
  void ObserveCreation(const std::function<void(HWND window)>& observer);
  // The number of workers started so far.
  int WorkersStarted();
  // Waits until the last worker started has ended and its end has reached
  // the window; false when it did not end in time.
  bool WaitForRunEnd();

  // Waits for Run to return and gives its result; -1000 when the window did
  // not end in time.
  int WaitForExit();
  bool Running() const;

  // Readers of the controls.
  std::wstring Text(int id);
  void SetText(int id, const std::wstring& text);
  std::vector<std::wstring> ComboItems(int id);
  std::vector<LPARAM> ComboData(int id);
  std::wstring ComboSelectedText(int id);  // empty when nothing is selected
  void SelectCombo(int id, int index);
  Rows ListRows();
  std::wstring Cell(int row, int column);
  std::wstring Title();
  // Posts a key press to target, with Ctrl held when control; returns at once.
  void PressKey(HWND target, UINT key, bool control = false);
  std::vector<std::wstring> ColumnTitles();
  int SelectedRowCount();
  void SelectRows(const std::vector<int>& rows);
  int ProgressPosition(int id);
  std::pair<int, int> ProgressRange(int id);
  // The model's rows as the list view should show them.
  Rows ModelRows();

  // Hands the window a DROPFILES block of the paths (wide), as a drop does.
  void DropFiles(const std::vector<std::wstring>& paths);

 private:
  friend class TestAppMain;
  friend LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
  friend void CALLBACK AnswerTimer(HWND dialog, UINT message, UINT_PTR id, DWORD time);

  void ThreadMain();
  void OnDialogShown(HWND dialog);
  void AnswerDialog(HWND dialog);
  void OnExecuteHandled();

  test::TempDir folder_;
  CAppParameter* parameter_ = nullptr;
  TestAppMain app_{this};
  std::thread thread_;
  HANDLE ready_ = nullptr;
  HANDLE ended_ = nullptr;
  HWND window_ = nullptr;
  int exitCode_ = -1000;
  bool joined_ = false;
  RECT workArea_ = {};
  bool hasWorkArea_ = false;

  std::mutex mutex_;
  std::condition_variable dialogSeen_;
  std::deque<DialogAction> answers_;
  std::vector<SeenDialog> seen_;
  std::vector<HWND> served_;
  int shown_ = 0;

  // Used on the window's thread only, but for the observer.
  DWORD hookedWorker_ = 0;
  std::vector<HHOOK> workerHooks_;
  std::vector<HANDLE> workers_;  // guarded by mutex_
  std::function<void(int32_t)> progressObserver_;
  std::function<void(HWND)> creationObserver_;
};

}  // namespace uitest
