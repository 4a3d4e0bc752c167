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
  CString listFilePath;                  // the current list file; empty until a load or a save
  CString outputFolder;                  // the folder the conversion run writes into
  CFileList fileList;                    // entries, entryCapacity, entryCount
  HANDLE workerThread = nullptr;         // the running conversion worker
  std::atomic<DWORD> workerThreadId{0};  // nonzero while a run is active
  // cancelRequested is the ConversionMonitor's.

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
};
