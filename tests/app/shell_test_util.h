// What the window tests of the application shell share: a settings object in
// a temporary folder and a dialog-mode application that shows the main
// dialog template of the active language.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_base.h"
#include "convert/app_parameter.h"
#include "resource.h"
#include "support/test_support.h"

namespace test {

// The user default language the first start sees.
inline LANGID g_userLanguage = 0x0409;
inline LANGID TestUserLanguage() {
  return g_userLanguage;
}

// The main dialog with nothing of the main window's own: the frame's command
// table and routing only. Counts how often the frame's exit ran.
class CDialogTestApp : public CAppBase {
 public:
  int exitCalls = 0;
  int closeQuestions = 0;

  CDialogTestApp() {
    mode = ModeDialog;
    allowMultipleInstances = 1;
  }
  LPCWSTR GetMainDialogId() override {
    return MAKEINTRESOURCEW(UseJapanese() ? IDD_MAIN_JAPANESE : IDD_MAIN_ENGLISH);
  }
  void OnExit() override {
    ++exitCalls;
    CAppBase::OnExit();
  }
  int CanClose(int reason) override {
    ++closeQuestions;
    return CAppBase::CanClose(reason);
  }
  int RunHere() {
    return Run(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""), SW_SHOW);
  }
};

// A fresh settings object whose file lies in a temporary folder; the file
// does not exist until a test writes it or the program saves.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(theAppParameter, nullptr);
    theAppParameter = new CAppParameter();
    AssignPath(theAppParameter->settingsPath, SettingsFile());
    g_userLanguage = 0x0409;
    SetUserLanguageSource(&TestUserLanguage);
  }
  void TearDown() override {
    SetUserLanguageSource(nullptr);
    delete theAppParameter;
    theAppParameter = nullptr;
    theApp = nullptr;
  }

  std::filesystem::path SettingsFile() const { return dir_ / "brelvix.ini"; }

  // Writes a settings file holding only language and reads it as start-up does.
  void StoreLanguage(int language) {
    WriteAll(SettingsFile(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config><language>" +
                                 std::to_string(language) + "</language></config>\r\n");
    ASSERT_EQ(theAppParameter->Load(), 1);
    ASSERT_EQ(theAppParameter->language, language);
  }

  std::string SettingsText() const {
    const std::vector<uint8_t> bytes = ReadAll(SettingsFile());
    return std::string(bytes.begin(), bytes.end());
  }

  // The language a later start reads from the file; -2 without a file.
  int StoredLanguage() const {
    if (!std::filesystem::exists(SettingsFile())) return -2;
    CAppParameter fresh;
    AssignPath(fresh.settingsPath, SettingsFile());
    if (!fresh.Load()) return -3;
    return fresh.language;
  }

  TempDir dir_;
};

}  // namespace test
