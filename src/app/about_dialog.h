// The About dialog: the product version and the edition.
#pragma once

#include "app/dialog.h"

class CAboutDialog : public CDialog {
 public:
  void OnInitDialog(HWND window) override;
};
