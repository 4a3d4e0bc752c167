// The file information dialog: edits one row of the file list. The input file
// is shown read-only; the output file name and the array name can be changed.
#pragma once

#include "app/dialog.h"
#include "base/str.h"

class CFileInfoDialog : public CDialog {
 public:
  CString inputFileName;   // the row's full input path
  CString outputFileName;  // the row's output file name, without folder
  CString arrayName;

  ~CFileInfoDialog() override = default;

  // Opens with the focus in the output file name.
  INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The icons and the three texts.
  void OnInitDialog(HWND window) override;
  // Reads the three texts back, at most 519 characters each; returns 1. An
  // output name that cannot be used is refused first, and an array name that
  // is no C identifier is kept only when the user says so: 0 keeps the dialog.
  int OnOK(HWND window) override;

 private:
  // Tells why the typed output name cannot be used and puts the focus back
  // in its box; false when the name is fine.
  bool RefuseOutputName(HWND window);
  // Asks whether an array name that is no C identifier is to be kept.
  bool KeepArrayName(HWND window);
};
