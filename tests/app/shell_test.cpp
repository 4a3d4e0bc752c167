// The application frame in dialog mode with the real templates: the language
// at the first start, Choose Language from the menu, About, and the ways the
// main dialog ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/app_base.h"
#include "app/choose_language_dialog.h"
#include "app/dialog.h"
#include "app/dialog_driver.h"
#include "app/shell_test_util.h"
#include "base/wide.h"
#include "bx_version.h"
#include "resource.h"

namespace test {
namespace {

using Texts = std::vector<std::wstring>;

// What the main dialog shows of its language: the first group box and the
// first popup of its menu.
struct MainLook {
  std::wstring group;
  std::wstring menu;
};

MainLook LookAt(HWND main) {
  return {ItemText(main, IDC_STATIC), MenuText(GetMenu(main), 0, MF_BYPOSITION)};
}

const MainLook kEnglishMain = {L"Settings", L"&File"};
const MainLook kJapaneseMain = {L"変換の設定", L"ファイル(&F)"};

void ExpectLook(const MainLook& seen, const MainLook& expected) {
  EXPECT_EQ(seen.group, expected.group);
  EXPECT_EQ(seen.menu, expected.menu);
}

// ---- First start --------------------------------------------------------

struct FirstStartRow {
  const char* name;
  int stored;  // -2: no settings file
  LANGID userLanguage;
  int pick;  // item to select before OK; -1 presses Cancel instead
  const wchar_t* caption;
  Texts items;
  const wchar_t* offered;  // the item shown selected
  int language;            // the language the program then uses and stores
};

void PrintTo(const FirstStartRow& row, std::ostream* out) {
  *out << row.name;
}

class FirstStartTest : public ShellTest, public ::testing::WithParamInterface<FirstStartRow> {};

TEST_P(FirstStartTest, ChooseLanguageSettlesAndStoresTheLanguage) {
  const FirstStartRow& row = GetParam();
  SCOPED_TRACE(row.name);
  if (row.stored != -2) StoreLanguage(row.stored);
  g_userLanguage = row.userLanguage;

  std::wstring caption, offered;
  Texts items;
  MainLook look;
  CDialogTestApp app;
  theApp = &app;
  int result = 0;
  {
    DialogDriver driver;
    driver
        .Then([&](HWND chooser) {
          caption = WindowText(chooser);
          HWND list = GetDlgItem(chooser, IDC_LANGUAGE);
          items = ComboItems(list);
          offered = ComboSelection(list);
          if (row.pick < 0) {
            PostCommand(chooser, IDCANCEL);
          } else {
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(row.pick), 0);
            PostCommand(chooser, IDOK);
          }
        })
        .Then([&](HWND main) {
          look = LookAt(main);
          PostCommand(main, IDCANCEL);
        });
    result = app.RunHere();
  }

  EXPECT_EQ(result, 1);
  EXPECT_EQ(caption, row.caption);
  EXPECT_EQ(items, row.items);
  EXPECT_EQ(offered, row.offered);
  ExpectLook(look, row.language == 1 ? kJapaneseMain : kEnglishMain);
  EXPECT_EQ(theAppParameter->currentLanguage, row.language);
  EXPECT_EQ(theAppParameter->language, row.language);
  EXPECT_EQ(StoredLanguage(), row.language);
}

const Texts kEnglishItems = {L"English", L"Japanese"};
const Texts kJapaneseItems = {L"英語", L"日本語"};

INSTANTIATE_TEST_SUITE_P(
    Rows, FirstStartTest,
    ::testing::Values(FirstStartRow{"English user, Cancel", -2, 0x0409, -1, L"Choose Language",
                                    kEnglishItems, L"English", 0},
                      FirstStartRow{"Japanese user, Cancel", -2, 0x0411, -1, L"言語設定",
                                    kJapaneseItems, L"日本語", 1},
                      FirstStartRow{"Japanese without country, Cancel", -2, 0x0011, -1,
                                    L"Choose Language", kEnglishItems, L"English", 0},
                      FirstStartRow{"German user, Cancel", -2, 0x0407, -1, L"Choose Language",
                                    kEnglishItems, L"English", 0},
                      FirstStartRow{"Japanese user picks English", -2, 0x0411, 0, L"言語設定",
                                    kJapaneseItems, L"日本語", 0},
                      FirstStartRow{"English user picks Japanese", -2, 0x0409, 1,
                                    L"Choose Language", kEnglishItems, L"English", 1},
                      FirstStartRow{"stored -1 asks again", -1, 0x0411, -1, L"言語設定",
                                    kJapaneseItems, L"日本語", 1},
                      FirstStartRow{"stored 5 is not a language", 5, 0x0409, 1, L"Choose Language",
                                    kEnglishItems, L"English", 1},
                      FirstStartRow{"stored -7 is not a language", -7, 0x0411, -1, L"言語設定",
                                    kJapaneseItems, L"日本語", 1}),
    [](const ::testing::TestParamInfo<FirstStartRow>& info) {
      return "Row" + std::to_string(info.index);
    });

// ---- A stored language --------------------------------------------------

struct StoredRow {
  const char* name;
  int language;
};

void PrintTo(const StoredRow& row, std::ostream* out) {
  *out << row.name;
}

class StoredLanguageTest : public ShellTest, public ::testing::WithParamInterface<StoredRow> {};

TEST_P(StoredLanguageTest, ShowsTheMainDialogAtOnceAndWritesNothing) {
  const StoredRow& row = GetParam();
  SCOPED_TRACE(row.name);
  StoreLanguage(row.language);
  const std::string before = SettingsText();
  g_userLanguage = row.language == 1 ? 0x0409 : 0x0411;  // must not matter

  MainLook look;
  CDialogTestApp app;
  theApp = &app;
  int result = 0;
  {
    DialogDriver driver;
    driver.Then([&](HWND main) {
      look = LookAt(main);
      PostCommand(main, IDCANCEL);
    });
    result = app.RunHere();
    EXPECT_EQ(driver.Seen().size(), 1u);
  }
  EXPECT_EQ(result, 1);
  ExpectLook(look, row.language == 1 ? kJapaneseMain : kEnglishMain);
  EXPECT_EQ(theAppParameter->currentLanguage, row.language);
  EXPECT_EQ(SettingsText(), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, StoredLanguageTest,
                         ::testing::Values(StoredRow{"English", 0}, StoredRow{"Japanese", 1}));

// ---- Choose Language from the menu --------------------------------------

struct MenuLanguageRow {
  const char* name;
  int running;  // stored and in use
  int pick;     // item to select before OK; -1 presses Cancel instead
  const wchar_t* caption;
  const wchar_t* offered;
  int stored;  // language in the file afterwards
};

void PrintTo(const MenuLanguageRow& row, std::ostream* out) {
  *out << row.name;
}

class MenuLanguageTest : public ShellTest, public ::testing::WithParamInterface<MenuLanguageRow> {};

TEST_P(MenuLanguageTest, TakesEffectAtTheNextStartOnly) {
  const MenuLanguageRow& row = GetParam();
  SCOPED_TRACE(row.name);
  StoreLanguage(row.running);
  const std::string before = SettingsText();

  std::wstring caption, offered;
  MainLook lookAfter;
  CDialogTestApp app;
  theApp = &app;
  int result = 0;
  {
    DialogDriver driver;
    driver.Then([&](HWND main) { PostCommand(main, ID_HELP_CHOOSE_LANGUAGE); })
        .Then([&](HWND chooser) {
          caption = WindowText(chooser);
          HWND list = GetDlgItem(chooser, IDC_LANGUAGE);
          offered = ComboSelection(list);
          HWND main = GetWindow(chooser, GW_OWNER);
          if (row.pick < 0) {
            PostCommand(chooser, IDCANCEL);
          } else {
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(row.pick), 0);
            PostCommand(chooser, IDOK);
          }
          // Looked at once the chooser has gone.
          DialogDriver::Later([&lookAfter, main] {
            lookAfter = LookAt(main);
            PostCommand(main, IDCANCEL);
          });
        });
    result = app.RunHere();
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(caption, row.caption);
  EXPECT_EQ(offered, row.offered);
  // The window keeps the language it started with.
  ExpectLook(lookAfter, row.running == 1 ? kJapaneseMain : kEnglishMain);
  EXPECT_EQ(theAppParameter->currentLanguage, row.running);
  EXPECT_EQ(theAppParameter->language, row.stored);
  EXPECT_EQ(StoredLanguage(), row.stored);
  if (row.pick < 0) {
    EXPECT_EQ(SettingsText(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MenuLanguageTest,
    ::testing::Values(
        MenuLanguageRow{"Japanese picks English", 1, 0, L"言語設定", L"日本語", 0},
        MenuLanguageRow{"English picks Japanese", 0, 1, L"Choose Language", L"English", 1},
        MenuLanguageRow{"English cancels a pick", 0, -1, L"Choose Language", L"English", 0},
        MenuLanguageRow{"Japanese keeps Japanese", 1, 1, L"言語設定", L"日本語", 1}));

// ---- About --------------------------------------------------------------

struct AboutRow {
  const char* name;
  int language;
  int closeWith;  // IDOK or IDCANCEL
  const wchar_t* caption;
};

void PrintTo(const AboutRow& row, std::ostream* out) {
  *out << row.name;
}

class AboutTest : public ShellTest, public ::testing::WithParamInterface<AboutRow> {};

TEST_P(AboutTest, ShowsVersionAndEdition) {
  const AboutRow& row = GetParam();
  SCOPED_TRACE(row.name);
  StoreLanguage(row.language);

  std::wstring caption, title, version, edition;
  bool ownedByMain = false;
  bool mainAliveAfter = false;
  CDialogTestApp app;
  theApp = &app;
  int result = 0;
  {
    DialogDriver driver;
    driver.Then([&](HWND main) { PostCommand(main, ID_HELP_ABOUT); }).Then([&](HWND about) {
      caption = WindowText(about);
      version = ItemText(about, IDC_ABOUT_VERSION);
      edition = ItemText(about, IDC_ABOUT_EDITION);
      HWND main = GetWindow(about, GW_OWNER);
      ownedByMain = main == app.mainWindow;
      // The title line is the second static text of the template.
      HWND first = GetDlgItem(about, IDC_STATIC);
      for (HWND item = first; item != nullptr; item = GetWindow(item, GW_HWNDNEXT)) {
        if (WindowText(item) == L"Brelvix") title = L"Brelvix";
      }
      PostCommand(about, row.closeWith);
      DialogDriver::Later([&mainAliveAfter, main] {
        mainAliveAfter = IsWindowVisible(main) != FALSE;
        PostCommand(main, IDCANCEL);
      });
    });
    result = app.RunHere();
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(caption, row.caption);
  const bool japanese = row.language == 1;
  EXPECT_EQ(version,
            (japanese ? L"バージョン " : L"Version ") + std::wstring(WSTR(BX_VERSION_TEXT)));
  EXPECT_EQ(edition, japanese ? L"64 ビット版" : L"64-bit edition");
  EXPECT_EQ(title, L"Brelvix");
  EXPECT_TRUE(ownedByMain);
  // Closing About, either way, leaves the main window running.
  EXPECT_TRUE(mainAliveAfter);
  EXPECT_EQ(app.exitCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, AboutTest,
                         ::testing::Values(AboutRow{"English, OK", 0, IDOK, L"About Brelvix"},
                                           AboutRow{"English, Esc", 0, IDCANCEL, L"About Brelvix"},
                                           AboutRow{"Japanese, OK", 1, IDOK, L"バージョン情報"},
                                           AboutRow{"Japanese, Esc", 1, IDCANCEL,
                                                    L"バージョン情報"}));

// ---- Ending the main dialog ----------------------------------------------

struct EndRow {
  const char* name;
  UINT message;
  WPARAM wParam;
  int exitCalls;  // the frame's exit runs for Esc and File > Exit only
};

void PrintTo(const EndRow& row, std::ostream* out) {
  *out << row.name;
}

class EndTest : public ShellTest, public ::testing::WithParamInterface<EndRow> {};

TEST_P(EndTest, EndsWithExitCodeOneAfterIgnoredCommands) {
  const EndRow& row = GetParam();
  SCOPED_TRACE(row.name);
  StoreLanguage(0);
  const std::string before = SettingsText();

  bool aliveAfterIgnored = false;
  CDialogTestApp app;
  theApp = &app;
  int result = 0;
  {
    DialogDriver driver;
    driver.Then([&](HWND main) {
      // Enter, the bar toggles this application has no bars for, the file
      // commands the frame leaves to the application, and an unknown id.
      for (int id : {IDOK, ID_VIEW_TOOLBAR, ID_VIEW_STATUSBAR, ID_FILE_OPEN, ID_FILE_SAVE,
                     ID_FILE_SAVE_AS, ID_WINDOW_TILE_VERTICAL, ID_WINDOW_CASCADE, 4321}) {
        PostCommand(main, id);
      }
      DialogDriver::Later([&aliveAfterIgnored, &row, main] {
        aliveAfterIgnored = IsWindowVisible(main) != FALSE;
        PostMessageW(main, row.message, row.wParam, 0);
      });
    });
    result = app.RunHere();
  }
  EXPECT_TRUE(aliveAfterIgnored);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(app.exitCalls, row.exitCalls);
  EXPECT_EQ(app.closeQuestions, 1);
  EXPECT_EQ(SettingsText(), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, EndTest,
                         ::testing::Values(EndRow{"Esc", WM_COMMAND, IDCANCEL, 1},
                                           EndRow{"File > Exit", WM_COMMAND, ID_FILE_EXIT, 1},
                                           EndRow{"close box", WM_SYSCOMMAND, SC_CLOSE, 0},
                                           EndRow{"WM_CLOSE", WM_CLOSE, 0, 0}));

// ---- Start-up failures -----------------------------------------------------

class RefusingApp : public CDialogTestApp {
 public:
  int FindPreviousInstance() override { return 1; }
};

class NoTemplateApp : public CAppBase {
 public:
  NoTemplateApp() { allowMultipleInstances = 1; }
};

TEST_F(ShellTest, RunReturnsZeroWhenInitInstanceFails) {
  StoreLanguage(0);
  RefusingApp app;
  theApp = &app;
  DialogDriver driver;  // no dialog may appear
  EXPECT_EQ(app.RunHere(), 0);
  EXPECT_TRUE(driver.Seen().empty());
}

TEST_F(ShellTest, RunReturnsMinusOneWithoutAMainDialogTemplate) {
  StoreLanguage(1);
  NoTemplateApp app;
  theApp = &app;
  DialogDriver driver;
  EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""), SW_SHOW), -1);
  EXPECT_TRUE(driver.Seen().empty());
  EXPECT_EQ(theAppParameter->currentLanguage, 1);
}

TEST_F(ShellTest, TheProceduresDoNothingWithoutTheApplication) {
  theApp = nullptr;
  EXPECT_EQ(AppDialogProc(nullptr, WM_COMMAND, IDCANCEL, 0), FALSE);
  EXPECT_EQ(AppWindowProc(nullptr, WM_CLOSE, 0, 0), 0);
}

// ---- CDialog ----------------------------------------------------------------

// A command id that no dialog of the program knows.
constexpr int kOtherCommand = 777;

// Refuses the first OK; counts what the base class routes to it.
class CCountingDialog : public CDialog {
 public:
  int initCalls = 0;
  int okCalls = 0;
  int cancelCalls = 0;
  int otherCommands = 0;
  int refuseOk = 1;
  HWND seenAtInit = nullptr;

  void OnInitDialog(HWND dialogWindow) override {
    ++initCalls;
    seenAtInit = window == dialogWindow ? dialogWindow : nullptr;
  }
  void OnCommand(HWND dialogWindow, int commandId, int notifyCode) override {
    if (commandId == kOtherCommand) ++otherCommands;
    CDialog::OnCommand(dialogWindow, commandId, notifyCode);
  }
  int OnOK(HWND) override {
    ++okCalls;
    return refuseOk-- > 0 ? 0 : 1;
  }
  int OnCancel(HWND) override {
    ++cancelCalls;
    return 1;
  }
};

struct RoutingRow {
  const char* name;
  std::vector<int> commands;  // posted in this order
  INT_PTR result;
  int okCalls;
  int cancelCalls;
};

void PrintTo(const RoutingRow& row, std::ostream* out) {
  *out << row.name;
}

class DialogRoutingTest : public ShellTest, public ::testing::WithParamInterface<RoutingRow> {};

TEST_P(DialogRoutingTest, OkAndCancelDecideTheResult) {
  const RoutingRow& row = GetParam();
  SCOPED_TRACE(row.name);
  CCountingDialog dialog;
  INT_PTR result = 0;
  HWND shown = nullptr;
  {
    DialogDriver driver;
    driver.Then([&](HWND window) {
      shown = window;
      for (int id : row.commands)
        PostCommand(window, id);
    });
    result = ShowDialog(dialog, IDD_CHOOSE_LANGUAGE_ENGLISH, nullptr);
  }
  EXPECT_EQ(result, row.result);
  EXPECT_EQ(dialog.initCalls, 1);
  EXPECT_EQ(dialog.seenAtInit, shown);
  EXPECT_EQ(dialog.window, shown);
  EXPECT_EQ(dialog.okCalls, row.okCalls);
  EXPECT_EQ(dialog.cancelCalls, row.cancelCalls);
  EXPECT_EQ(dialog.otherCommands, 1);
  // The current instance stays set until the next showing.
  EXPECT_EQ(DialogBinding<CCountingDialog>::current, &dialog);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DialogRoutingTest,
    ::testing::Values(
        RoutingRow{"refused OK, then Cancel", {IDOK, kOtherCommand, IDCANCEL}, 0, 1, 1},
        RoutingRow{"refused OK, then OK", {IDOK, kOtherCommand, IDOK}, 1, 2, 0},
        RoutingRow{"Cancel at once", {kOtherCommand, IDCANCEL}, 0, 0, 1}));

TEST(DialogBindingTest, TheProcedureIsInertWithoutAnInstance) {
  DialogBinding<CAboutDialog>::current = nullptr;
  EXPECT_EQ(DialogBinding<CAboutDialog>::Procedure(nullptr, WM_INITDIALOG, 0, 0), FALSE);
}

TEST(DialogBindingTest, AMissingTemplateGivesMinusOne) {
  CAboutDialog dialog;
  DialogDriver driver;
  EXPECT_EQ(ShowDialog(dialog, 31999, nullptr), -1);
  EXPECT_EQ(dialog.window, nullptr);
}

// ---- Choose Language on its own ------------------------------------------

struct ChooserRow {
  const char* name;
  int display;
  int selected;
  int pick;  // -1: Cancel
  INT_PTR result;
  int after;
  WPARAM key = 0;  // the pick is ended by this key in the list instead of a button
};

void PrintTo(const ChooserRow& row, std::ostream* out) {
  *out << row.name;
}

class ChooserTest : public ShellTest, public ::testing::WithParamInterface<ChooserRow> {};

TEST_P(ChooserTest, ItemIndexIsTheLanguageCode) {
  const ChooserRow& row = GetParam();
  SCOPED_TRACE(row.name);
  CChooseLanguageDialog dialog;
  dialog.displayLanguage = row.display;
  dialog.selectedLanguage = row.selected;
  Texts items;
  LRESULT shownSelection = -5;
  INT_PTR result = 0;
  {
    DialogDriver driver;
    driver.Then([&](HWND window) {
      HWND list = GetDlgItem(window, IDC_LANGUAGE);
      items = ComboItems(list);
      shownSelection = SendMessageW(list, CB_GETCURSEL, 0, 0);
      if (row.pick < 0) {
        PostCommand(window, IDCANCEL);
      } else if (row.key != 0) {
        // As typed: the dialog's own loop turns Enter into its default
        // button and Esc into Cancel.
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(row.pick), 0);
        PostMessageW(list, WM_KEYDOWN, row.key, 0x00010001);
      } else {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(row.pick), 0);
        PostCommand(window, IDOK);
      }
    });
    result = ShowDialog(
        dialog, row.display == 1 ? IDD_CHOOSE_LANGUAGE_JAPANESE : IDD_CHOOSE_LANGUAGE_ENGLISH,
        nullptr);
  }
  EXPECT_EQ(items, row.display == 1 ? kJapaneseItems : kEnglishItems);
  EXPECT_EQ(shownSelection, row.selected);
  EXPECT_EQ(result, row.result);
  EXPECT_EQ(dialog.selectedLanguage, row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChooserTest,
    ::testing::Values(ChooserRow{"Japanese list, pick 英語", 1, 1, 0, 1, 0},
                      ChooserRow{"English list, pick Japanese", 0, 0, 1, 1, 1},
                      ChooserRow{"Japanese list showing English, Cancel", 1, 0, -1, 0, 0},
                      ChooserRow{"English list showing Japanese, Cancel", 0, 1, -1, 0, 1},
                      ChooserRow{"English list, OK without change", 0, 1, 1, 1, 1},
                      ChooserRow{"English list, Enter takes the pick", 0, 0, 1, 1, 1, VK_RETURN},
                      ChooserRow{"Japanese list, Enter takes the pick", 1, 1, 0, 1, 0, VK_RETURN},
                      ChooserRow{"English list, Esc drops the pick", 0, 0, 1, 0, 0, VK_ESCAPE}));

}  // namespace
}  // namespace test

namespace test {
namespace {

// The run under a Japanese locale must really have code page 932, or it
// would prove nothing more than the Western run.
TEST(ShellLocaleTest, AnsiCodePageIsTheOneTheRunAsksFor) {
  const char* expected = std::getenv("BX_EXPECT_ACP");
  if (expected == nullptr) GTEST_SKIP() << "BX_EXPECT_ACP not set";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

}  // namespace
}  // namespace test
