// CAppMain: the program's application class. It owns the main window's state
// (the file list, the current list file, the output folder and the state of
// a conversion run) and makes the framework's modal dialog the main window.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/app_base.h"
#include "app/controls.h"
#include "base/handle_win32.h"
#include "base/holder.h"
#include "base/str.h"
#include "convert/app_parameter.h"
#include "convert/conversion_monitor.h"
#include "ui/list/file_list.h"
#include "ui/worker_thread_win32.h"

class FileListSettings;
struct UiText;
enum class FileConversionStatus;
struct FileConversionResult;
struct RowReport;

// How much of a box's text the main window takes, in UTF-16 units with the
// terminator. The output folder, and each box as Execute stores it:
inline constexpr int kBoxTextUnits = ctl::kTextUnits;
// The value format and the template a row converts with, and the template a
// list file keeps:
inline constexpr int kFormatTextUnits = 256;
// The value format a list file keeps:
inline constexpr int kListValueFormatUnits = 64;

class CAppMain : public CAppBase, public CAppEventListener, public ConversionMonitor {
 public:
  CString listFilePath;  // the current list file; empty until a load or a save
  CString outputFolder;  // the folder the conversion run writes into
  CFileList fileList;    // entries, entryCapacity, entryCount
  // The conversion run's worker: converting while it has a working id, to be
  // joined while it is joinable. cancelRequested is the ConversionMonitor's.
  CWorkerThread worker;

  // Posted by the worker as its last act: the run is over and the worker can
  // be joined.
  static constexpr UINT kRunEndedMessage = WM_APP + 1;
  // Sent by the worker before it disables a button: the window's thread moves
  // the focus from the control wParam to the control lParam when wParam has it.
  static constexpr UINT kMoveFocusMessage = WM_APP + 2;
  // Posted to itself after a DPI change, with the old DPI in wParam.
  static constexpr UINT kDpiChangedMessage = WM_APP + 3;
  // Sent by the worker for the settings of its next row (lParam: the
  // worker's RowSettings, app_main_run_win32.cpp). The window's messages are
  // numbered here, all in one place, so that no two share a number.
  static constexpr UINT kRowSettingsMessage = WM_APP + 4;
  // Sent by the worker when a row is done: wParam the row, lParam the text of
  // its status column.
  static constexpr UINT kRowStatusMessage = WM_APP + 5;
  // The list view's columns: input, output, array name and status.
  static constexpr int kListColumns = 4;

  CAppMain();
  ~CAppMain() override;

  int Run(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
          int showCommand) override;
  void OnNotify(int controlId, NMHDR* header) override;
  void OnCommand(int commandId, int notifyCode) override;
  int OnDropFiles(HDROP drop, wchar_t* buffer, int bufferLength) override;
  void OnInitDialog(HWND dialog) override;
  int InitInstance(HINSTANCE instance) override;
  LPCWSTR GetMainDialogId() override;
  INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Asks before anything is lost (a running conversion, a changed list); on
  // the way out a run in progress is cancelled and waited for, so the
  // teardown after it never meets a live worker, and the settings and the
  // window's place are kept.
  int CanClose(int reason) override;

  // Both progress bars to the range 0..100 at position 0.
  void ResetProgressBars();
  // The browse button: a folder chosen in the folder browser becomes the
  // output folder and is stored at once.
  void OnBrowseOutputFolder();

  // The file list's commands and the list view. Rows are added and appended
  // by fileList's own operations, with the direction the box shows.
  void AddFiles();
  // Adds the files of an open-file dialog result (CFileList's
  // AddSelectedFiles), shows the rows and tells what was left out.
  void AddSelectedFiles(const wchar_t* buffer);
  void RefreshFileList();
  // Modify: the one selected row in the file information dialog.
  void ModifyFileEntry();
  // Delete: every selected row, after one question naming the row or the
  // count.
  void DeleteFileEntry();
  void DeleteAllFileEntries();
  // Ctrl+A: every row selected.
  void SelectAllRows();
  // A click on a column's header: the rows ordered by it, a second click on
  // the same column the other way round.
  void SortByColumn(int column);
  // The row menu's commands on the selected rows.
  void OpenContainingFolder();
  void CopySelectedPaths();
  // Enables the list's buttons and menu items where they can act: none while
  // a run holds the list; Modify with one selected row, Delete with any,
  // All Delete and Execute with any row. The title follows too.
  void UpdateCommandStates();
  void ClearFileList();
  // The direction box changed: rows whose output name still has the other
  // direction's default extension take this one's.
  void OnDirectionChanged();

  // The list file, menu command to list (app_main_list_file_win32.cpp):
  // File > Open, the recent lists, Save and Save As.
  void LoadFileList();
  // Save As, and Save (Save As while there is no current list file): 1 when
  // the list was written, 0 when the dialog was cancelled or writing failed.
  int SaveFileListAs();
  int SaveFileList();
  // Writes to path, which becomes the current list file, or with null to the
  // current list file. Returns 1 when the file was written whole.
  int WriteFileList(const wchar_t* path);
  // Loads the list file at name in place of the current list; false when it
  // did not load (after saying why).
  bool LoadFileListFrom(const wchar_t* name);
  // File menu: the recent list at index (0 the latest). One that is gone is
  // taken off the menu, with a word.
  void OpenRecentList(int index);

  // The title: "[*]name - Brelvix" for the current list file.
  void UpdateTitle();

  // Execute: the conversion run over every row.
  void ExecuteConversion();
  void SetFileProgress(int32_t percent) override;
  // True from the start of a worker until it has ended and been joined; the
  // list must not change meanwhile, so the commands that change it refuse.
  bool RunActive() const { return worker.Joinable(); }

  // The item data of a selection box's selected item; 0 without a selection.
  int32_t SelectedItemData(int controlId);
  // Selects the first item of a selection box whose data is value; returns
  // false and leaves the box alone when no item has it.
  bool SelectItemData(int controlId, int32_t value);

 protected:
  // The work area of the monitor the window is on; false when unknown.
  virtual bool WorkArea(RECT* area);

 private:
  HWND Control(int controlId) const { return GetDlgItem(mainWindow, controlId); }
  // The window's own messages besides the frame's: resizing, its least size,
  // and the focus moves. Returns true when the message was handled.
  bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Remembers where each control sits at the template's size, fixes the least
  // size of the window and fits the window into its monitor's work area.
  void InitLayout();
  // Records where each control sits now, for a client area of reference.
  void RecordPlaces(SIZE reference);
  void RecordPlacesAtClientSize();
  // The list's height with its header and a few rows.
  int LeastListHeight();
  // Moves and shrinks the window into its monitor's work area.
  void KeepInsideWorkArea();
  int ListClientWidth();
  // The list's change in width since the last call, shared by the columns.
  void ShareColumnWidths();
  // The columns as wide as the list, in the proportions they have.
  void FitColumnsToList();
  // The template box's fixed-width font at the window's DPI.
  void SetTemplateFont();
  // Disables the format boxes that do not apply to the direction and size.
  void UpdateFormatBoxes();
  // The folder dialog, opened at the folder the box names; true with the
  // chosen folder in path (kBoxTextUnits units).
  bool PickFolder(wchar_t* path);
  // The run's line under the bars (app_main_run_win32.cpp).
  void ShowRunProgress(int32_t percent);
  // Moves and sizes the controls for a client area of width x height.
  void ArrangeControls(int width, int height);
  // The list's column widths and the window's icons for its DPI.
  void ApplyDpi();
  // After the window moved to a monitor of another DPI (the system has
  // scaled the controls): icons, column widths, the least size and the
  // layout's reference follow.
  void OnDpiChanged(UINT oldDpi);
  // Moves the focus to toId when fromId has it; a control that is about to be
  // disabled would otherwise keep the focus, and the keyboard would be dead.
  void MoveFocusOff(int fromId, int toId);
  // After a run: a focus left on a disabled control goes to Execute.
  void RescueFocus();
  // What Add or a drop left out, told once per command.
  struct SkippedFiles {
    int32_t unreadable = 0;  // missing, a folder, or not to be opened
  };
  // Adds a dropped file's full path and counts it in skipped when it is left
  // out (a duplicate is not counted: its row is there).
  void AddDroppedFile(const wchar_t* path, int32_t direction, SkippedFiles* skipped);
  void TellSkippedFiles(const SkippedFiles& skipped);
  // The first selected row of the list view, -1 when none.
  int32_t FirstSelectedRow();
  // The selected rows, in list order, into rows; their count (0 when none,
  // or when memory ran out).
  int32_t SelectedRows(CBuffer<int32_t>* rows);
  int32_t SelectedRowCount();
  // The remove question for count rows, naming row when count is 1; all:
  // the whole list. True for Yes.
  bool ConfirmRemove(int32_t count, int32_t row, bool all);
  // The header's arrow on the column the rows are sorted by, none on others.
  void ShowSortArrow();
  // The right-click menu of the rows at screen point at ({-1, -1}: the keyboard's
  // menu key, shown at the focused row).
  void ShowRowMenu(POINT at);
  // The keys of the accelerator table, ahead of the dialog's own handling;
  // true when message became a command.
  bool TranslateKeys(MSG* message);
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
  void InstallKeys();
  void RemoveKeys();
  // The recent lists into the File menu, before Exit.
  void FillRecentMenu();
  // path first among the recent lists, stored and shown.
  void RememberRecentList(const wchar_t* path);
  // What a close would ask about: rows changed since loaded or saved.
  bool HasUnsavedChanges() const { return fileList.entryCount > 0 && fileList.IsModified(); }
  void ReadSettingsRecord(FileListSettings* settings);
  void ApplySettingsRecord(const FileListSettings& settings);
  // Says a list file did not load: a quote left open on quoteLine, or (0)
  // a file that did not open.
  void ShowLoadFailure(const wchar_t* path, int32_t quoteLine);
  // Says, once per session, that Execute could not save the settings.
  void ReportSettingsSaveFailure();
  // Takes the output folder and the five conversion controls into the
  // settings as Execute does (saving them when they changed); extra: saves
  // also when only something else kept in the settings changed. Returns
  // UpdateFromControls's result, after reporting a failed save.
  ParametersUpdate TakeConversionControls(bool extra);

  // What a file dialog asks: its texts in both languages, its OFN_ flags,
  // and the extension a typed name without one gets (null: none).
  struct FileDialogRequest {
    const UiText& filter;
    DWORD filterIndex;
    const UiText& title;
    DWORD flags;
    const wchar_t* defaultExtension;
    bool save;  // the save dialog, else the open one
  };
  // Shows the open or save dialog with buffer (units units, terminator
  // included) for its answer; true when a name was chosen.
  bool AskFileName(const FileDialogRequest& request, wchar_t* buffer, DWORD units);
  // True when the list may be dropped: it has not changed, is empty, or the
  // user saved it or said No to saving it; false on Cancel or when the save
  // did not happen.
  bool ConfirmDropList();
  // The questions of a close: stopping a running conversion, then the
  // list's changes. False keeps the window.
  bool ConfirmClose();
  // The controls' settings, the window's place and the columns' widths into
  // the settings file, as the program ends.
  void KeepSettingsAtClose();
  // Moves the window to where it was when the program last ended, inside a
  // monitor's work area; false when no place is stored.
  bool PlaceAsSaved();
  // A list column's width at 96 DPI: the stored one, else the default.
  int ColumnWidth96(int column) const;

  // The run. The worker's body, and one row of it.
  static DWORD WINAPI ConversionThreadStart(LPVOID app);
  void ConversionThread();
  // Converts one row; result and report tell the end message what became
  // of it.
  FileConversionStatus ConvertEntry(int32_t row, FileConversionResult* result, RowReport* report);
  // Enables or disables the commands that change the list (buttons, the
  // File > Open item, dropping files).
  void EnableListCommands(bool enabled);
  // Waits until the worker has ended while the window keeps handling the
  // messages the worker sends it, then releases it and gives the list
  // commands back.
  void JoinWorker();
  // Cancels a run and joins it; the run ends without its message.
  void StopRunForClose();

  int joinDepth_ = 0;  // joins of the worker in progress, one inside the other
  std::atomic<bool> closing_{false};
  CString runOutputFolder_;            // the run's own copy of outputFolder
  int32_t shownFilePercent_ = 0;       // the file bar as last set by the worker
  ULONGLONG fileProgressShownAt_ = 0;  // and when
  bool settingsSaveReported_ = false;  // the failed settings save was shown
  bool asking_ = false;                // a close question is up
  bool listLocked_ = false;            // a run holds the list
  int sortColumn_ = -1;                // the column last sorted by, -1 none
  bool sortDescending_ = false;
  CAcceleratorTable keys_;  // the accelerator table while the window exists
  CHook keyHook_;

  // Where a control sits at the template's size and which edges it follows.
  struct ControlPlace {
    HWND control;
    RECT rect;
    unsigned anchors;
  };
  static constexpr int kPlacedControls = 28;
  ControlPlace places_[kPlacedControls] = {};
  int placeCount_ = 0;
  SIZE templateClient_ = {};  // the client size the template gives
  POINT leastWindow_ = {};    // the least window size; 0 until known
  UINT dpi_ = 0;              // the DPI the icons and columns are for
  int fittedListWidth_ = 0;   // the list's width the columns were last shared for
  CGdiObject<HFONT> templateFont_;

  // The run's progress by bytes: the sizes of all rows and of those done.
  uint64_t runBytesTotal_ = 0;
  uint64_t runBytesBefore_ = 0;  // of the rows before the current one
  uint64_t rowBytes_ = 0;        // the current row's size
  int32_t runRow_ = 0;
  ULONGLONG runStartedAt_ = 0;
};
