// The whole start-up and shutdown order with the program's own start-up
// function: the debug library, the settings object and the application
// object come and go in their order. Built twice: beside a recording
// "velprint64.dll" and in a folder without one (BX_EXPECT_DEBUG_LIBRARY 0).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dialog_driver.h"
#include "app/shell_test_util.h"
#include "app/startup.h"
#include "base/debug_print.h"

#ifndef BX_EXPECT_DEBUG_LIBRARY
#error BX_EXPECT_DEBUG_LIBRARY must be 0 (no library), 1 (recording library) or 2 (no export)
#endif

namespace test {
namespace {

// What the application saw while it ran.
struct RunView {
  bool parameterSet = false;
  std::wstring settingsPath;
  HMODULE library = nullptr;
  DebugPrintFunction target = nullptr;
  int language = -9;
};

RunView g_view;

class CStartupTestApp : public CDialogTestApp {
 public:
  void OnInitDialog(HWND dialog) override {
    CDialogTestApp::OnInitDialog(dialog);
    g_view.parameterSet = theAppParameter != nullptr;
    if (theAppParameter != nullptr) {
      const wchar_t* path = theAppParameter->settingsPath.GetWide();
      g_view.settingsPath = path != nullptr ? path : L"";
      g_view.language = theAppParameter->currentLanguage;
    }
    g_view.library = DebugLibraryHandle();
    g_view.target = GetDebugPrintTarget();
  }
};

#if BX_EXPECT_DEBUG_LIBRARY == 1
// The folder of the running test program, without the final separator.
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.find_last_of(L'\\'));
}

#endif

std::wstring CurrentFolder() {
  wchar_t path[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

// Runs the program's start-up in dir with a stored language of 0, closing
// the main dialog with Esc as soon as it shows.
int RunInFolder(const TempDir& dir) {
  WriteAll(
      dir / "brelvix.ini",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config><language>0</language></config>\r\n");
  const std::wstring previous = CurrentFolder();
  EXPECT_TRUE(SetCurrentDirectoryW(WidePath(dir.path()).c_str()));
  g_view = RunView();
  int result = 0;
  {
    DialogDriver driver;
    driver.Then([](HWND main) { PostCommand(main, IDCANCEL); });
    result = RunApplication<CStartupTestApp>(GetModuleHandleW(nullptr), nullptr,
                                             const_cast<LPWSTR>(L"ignored /x \"y z\""), SW_SHOW);
  }
  SetCurrentDirectoryW(previous.c_str());
  return result;
}

#if BX_EXPECT_DEBUG_LIBRARY == 1
// The recorded lines of the test library, through its own exports.
std::vector<std::wstring> RecordedLines(HMODULE library) {
  using CountFunction = int (*)();
  using LineFunction = int (*)(int, wchar_t*, int);
  auto count = reinterpret_cast<CountFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "velprint_line_count")));
  auto line = reinterpret_cast<LineFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "velprint_line")));
  std::vector<std::wstring> lines;
  if (count == nullptr || line == nullptr) return lines;
  for (int i = 0; i < count(); ++i) {
    wchar_t text[1024] = {};
    line(i, text, 1024);
    lines.push_back(text);
  }
  return lines;
}

#endif

TEST(StartupTest, EveryObjectComesAndGoesInOrder) {
  ASSERT_EQ(theAppParameter, nullptr);
  ASSERT_EQ(GetDebugPrintTarget(), &DebugPrintDiscard);
  TempDir dir;
  const std::wstring folder = WidePath(dir.path());

  // Held by the test too, so that its recorded lines outlive the program's
  // unloading; the program's own load and unload must balance.
  HMODULE held = LoadLibraryW(L"velprint64.dll");
#if BX_EXPECT_DEBUG_LIBRARY == 0
  ASSERT_EQ(held, nullptr) << "no velprint64.dll may be found for this run";
#else
  ASSERT_NE(held, nullptr);
#endif

  const std::string settingsBefore = [&] {
    const int result = RunInFolder(dir);
    EXPECT_EQ(result, 1);
    const std::vector<uint8_t> bytes = ReadAll(dir / "brelvix.ini");
    return std::string(bytes.begin(), bytes.end());
  }();

  // While the window was up.
  EXPECT_TRUE(g_view.parameterSet);
  EXPECT_EQ(g_view.settingsPath, folder + L"\\brelvix.ini");
  EXPECT_EQ(g_view.language, 0);
  EXPECT_EQ(g_view.library, held);
#if BX_EXPECT_DEBUG_LIBRARY == 1
  EXPECT_EQ(reinterpret_cast<void*>(g_view.target),
            reinterpret_cast<void*>(GetProcAddress(held, "velwprintf")));
#else
  EXPECT_EQ(g_view.target, &DebugPrintDiscard);
#endif

  // After shutdown.
  EXPECT_EQ(theAppParameter, nullptr);
  EXPECT_EQ(theApp, nullptr);
  EXPECT_EQ(DebugLibraryHandle(), nullptr);
  EXPECT_EQ(GetDebugPrintTarget(), &DebugPrintDiscard);
  // Nothing is written at the end.
  EXPECT_EQ(
      settingsBefore,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config><language>0</language></config>\r\n");

#if BX_EXPECT_DEBUG_LIBRARY == 1
  const std::vector<std::wstring> lines = RecordedLines(held);
  const std::vector<std::wstring> expected = {
      L"app_path     = " + ProgramFolder() + L"\n",
      L"current_path = " + folder + L"\n",
      L"ini_file = " + folder + L"\\brelvix.ini\n",
  };
  EXPECT_EQ(lines, expected);
#endif

  if (held != nullptr) {
    FreeLibrary(held);
    // The program's FreeLibrary balanced its LoadLibraryW: now it is gone.
    EXPECT_EQ(GetModuleHandleW(L"velprint64.dll"), nullptr);
  }
}

}  // namespace
}  // namespace test
