// The Choose Language dialog: a drop-down list of English and Japanese, whose
// item index is the language code.
#pragma once

#include <cstdint>

#include "app/dialog.h"

class CChooseLanguageDialog : public CDialog {
 public:
  int32_t displayLanguage = 0;   // picks the template and the item texts
  int32_t selectedLanguage = 0;  // selected at start; the choice after OK

  ~CChooseLanguageDialog() override = default;
  void OnInitDialog(HWND window) override;
  int OnOK(HWND window) override;
};
