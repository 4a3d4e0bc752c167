// CAppMain: the program's application class. It owns the main window's state
// (the file list, the current list file, the output folder and the state of
// a conversion run) and makes the framework's modal dialog the main window.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/app_base.h"
#include "base/str.h"
#include "convert/conversion_monitor.h"
#include "ui/file_list.h"

class FileListSettings;

class CAppMain : public CAppBase, public CAppEventListener, public ConversionMonitor {
 public:
  CString listFilePath;                       // the current list file; empty until a load or a save
  CString outputFolder;                       // the folder the conversion run writes into
  CFileList fileList;                         // entries, entryCapacity, entryCount
  std::atomic<HANDLE> workerThread{nullptr};  // the running conversion worker
  std::atomic<DWORD> workerThreadId{0};       // nonzero while a run is active
  // cancelRequested is the ConversionMonitor's.

  // Posted by the worker as its last act: the run is over and the worker can
  // be joined.
  static constexpr UINT kRunEndedMessage = WM_APP + 1;

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
  // A run in progress is cancelled and waited for, so the window always may
  // close; the teardown after it never meets a live worker.
  int CanClose(int reason) override;

  // Both progress bars to the range 0..100 at position 0.
  void ResetProgressBars();
  // The browse button: a folder chosen in the folder browser becomes the
  // output folder and is stored at once.
  void OnBrowseOutputFolder();

  // The file list's commands and the list view. Rows are added and appended
  // by fileList's own operations, with the direction the box shows.
  void AddFiles();
  void AddSelectedFiles(const wchar_t* buffer);
  void RefreshFileList();
  void ModifyFileEntry();
  void DeleteFileEntry();
  void DeleteAllFileEntries();
  void ClearFileList();

  // The list file: File > Open, Save and Save As.
  void LoadFileList();
  void SaveFileListAs();
  // Writes to path, which becomes the current list file, or with null to the
  // current list file. Returns 1 when the file was written whole.
  int WriteFileList(const wchar_t* path);

  // Execute: the conversion run over every row.
  void ExecuteConversion();
  void SetFileProgress(int32_t percent) override;
  // True from the start of a worker until it has ended and been joined; the
  // list must not change meanwhile, so the commands that change it refuse.
  bool RunActive() const { return workerHandle_ != nullptr; }

  // The item data of a selection box's selected item; 0 without a selection.
  int32_t SelectedItemData(int controlId);
  // Selects the first item of a selection box whose data is value; returns
  // false and leaves the box alone when no item has it.
  bool SelectItemData(int controlId, int32_t value);

 private:
  HWND Control(int controlId) const { return GetDlgItem(mainWindow, controlId); }
  // The first selected row of the list view, -1 when none.
  int32_t FirstSelectedRow();
  // The delete question; true for Yes.
  bool ConfirmDelete();
  void ReadSettingsRecord(FileListSettings* settings);
  void ApplySettingsRecord(const FileListSettings& settings);

  // The run. The worker's body, and one row of it.
  static DWORD WINAPI ConversionThreadStart(LPVOID app);
  void ConversionThread();
  // False when the row failed (no output could be made, a read or write
  // failed); the end message then says so.
  bool ConvertEntry(int32_t row);
  // Enables or disables the commands that change the list (buttons, the
  // File > Open item, dropping files).
  void EnableListCommands(bool enabled);
  // Waits until the worker has ended while the window keeps handling the
  // messages the worker sends it, then releases it and gives the list
  // commands back.
  void JoinWorker();
  // Cancels a run and joins it; the run ends without its message.
  void StopRunForClose();

  HANDLE workerHandle_ = nullptr;  // the worker until joined, on this thread
  int joinDepth_ = 0;              // joins in progress, one inside the other
  std::atomic<bool> closing_{false};
  CString runOutputFolder_;            // the run's own copy of outputFolder
  int32_t shownFilePercent_ = 0;       // the file bar as last set by the worker
  ULONGLONG fileProgressShownAt_ = 0;  // and when
};
