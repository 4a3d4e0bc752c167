// The main window as it comes up from the stored settings, the ways it ends,
// and the output-folder browser.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resource.h"
#include "support/test_support.h"
#include "ui/main_window_driver.h"
#include "ui/window_dpi_win32.h"

namespace {

using uitest::MainWindowSession;
using uitest::SeenDialog;

std::wstring U(const char* utf8) {
  return test::Utf16(utf8);
}

// Stores the values in the session's settings file and reads them back, as
// a start with that file would.
void StoreAndLoad(CAppParameter& parameter, int32_t convert, int32_t dataSize, int32_t endian,
                  const char* dataFormat, const char* arrayFormat, const std::wstring& output) {
  {
    CAppParameter writer;
    writer.settingsPath.Assign(parameter.settingsPath);
    writer.language = parameter.language;
    writer.convert = convert;
    writer.data_size = dataSize;
    writer.endian = endian;
    writer.data_format.AssignWide(U(dataFormat).c_str());
    writer.array_format.AssignWide(U(arrayFormat).c_str());
    writer.output_path.AssignWide(output.c_str());
    ASSERT_EQ(writer.Save(), 1);
  }
  ASSERT_EQ(parameter.Load(), 1);
}

struct InitCase {
  const char* name;
  int32_t language;
  int32_t convert;
  int32_t dataSize;
  int32_t endian;
  const char* dataFormat;
  const char* arrayFormat;
  const wchar_t* output;
  const char* directionShown;  // UTF-8
  const char* sizeShown;
  const char* endianShown;
  const char* dataFormatShown;
  const char* arrayFormatShown;
};

const char kDefaultTemplate[] = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";

const InitCase kInitCases[] = {
    {"english defaults", 0, 0, 1, 0, "0x%02X", kDefaultTemplate, L"", "Binary -> Text", "1 Byte",
     "Big Endian", "0x%02X", kDefaultTemplate},
    {"english convert 5 size 16", 0, 5, 16, 1, "%d,", "x ($ARRAY_DATA)", L"C:\\out\\bin",
     "Text -> Binary", "8 Byte", "Little Endian", "%d,", "x ($ARRAY_DATA)"},
    {"english size 3 shows no size", 0, -5, 3, -2, "0x%04X", "t", L"D:\\x", "Binary -> Text", "",
     "Big Endian", "0x%04X", "t"},
    {"english size 2", 0, 1, 2, 0, "0x%04X", "t", L"", "Text -> Binary", "2 Byte", "Big Endian",
     "0x%04X", "t"},
    {"japanese convert 5 size 16", 1, 5, 16, 7, "0x%02X", kDefaultTemplate, L"C:\\out",
     "テキスト→バイナリ", "8 バイト", "リトルエンディアン", "0x%02X", kDefaultTemplate},
    {"japanese size 4", 1, 0, 4, 0, "0x%08X", "t", L"", "バイナリ→テキスト", "4 バイト",
     "ビッグエンディアン", "0x%08X", "t"},
    {"japanese size 0 shows no size", 1, 1, 0, 1, "0x%02X", "t", L"", "テキスト→バイナリ", "",
     "リトルエンディアン", "0x%02X", "t"},
};

TEST(MainWindowTest, ControlsShowTheStoredSettings) {
  for (const InitCase& row : kInitCases) {
    SCOPED_TRACE(row.name);
    MainWindowSession session(row.language, [&](CAppParameter& parameter) {
      StoreAndLoad(parameter, row.convert, row.dataSize, row.endian, row.dataFormat,
                   row.arrayFormat, row.output);
    });
    ASSERT_TRUE(session.Start());
    const bool japanese = row.language == 1;

    EXPECT_EQ(session.ComboSelectedText(IDC_CONVERT), U(row.directionShown));
    EXPECT_EQ(session.ComboSelectedText(IDC_DATA_SIZE), U(row.sizeShown));
    EXPECT_EQ(session.ComboSelectedText(IDC_ENDIAN), U(row.endianShown));
    EXPECT_EQ(session.Text(IDC_DATA_FORMAT), U(row.dataFormatShown));
    EXPECT_EQ(session.Text(IDC_ARRAY_FORMAT), U(row.arrayFormatShown));
    EXPECT_EQ(session.Text(IDC_OUTPUT_FOLDER), row.output);

    // The boxes hold their items in order, with the stored integers as data.
    using Texts = std::vector<std::wstring>;
    const Texts directions = japanese ? Texts{U("バイナリ→テキスト"), U("テキスト→バイナリ")}
                                      : Texts{L"Binary -> Text", L"Text -> Binary"};
    EXPECT_EQ(session.ComboItems(IDC_CONVERT), directions);
    EXPECT_EQ(session.ComboData(IDC_CONVERT), (std::vector<LPARAM>{0, 1}));
    const Texts sizes = japanese ? Texts{U("1 バイト"), U("2 バイト"), U("4 バイト"), U("8 バイト")}
                                 : Texts{L"1 Byte", L"2 Byte", L"4 Byte", L"8 Byte"};
    EXPECT_EQ(session.ComboItems(IDC_DATA_SIZE), sizes);
    EXPECT_EQ(session.ComboData(IDC_DATA_SIZE), (std::vector<LPARAM>{1, 2, 4, 8}));
    const Texts orders = japanese ? Texts{U("ビッグエンディアン"), U("リトルエンディアン")}
                                  : Texts{L"Big Endian", L"Little Endian"};
    EXPECT_EQ(session.ComboItems(IDC_ENDIAN), orders);
    EXPECT_EQ(session.ComboData(IDC_ENDIAN), (std::vector<LPARAM>{0, 1}));

    const Texts titles =
        japanese ? Texts{U("入力ファイル名"), U("出力ファイル名"), U("配列名"), U("状態")}
                 : Texts{L"Input File", L"Output File", L"Array Name", L"Status"};
    EXPECT_EQ(session.ColumnTitles(), titles);
    // Widths never set fill the list in the default proportions: no scroll
    // bar on an empty list.
    RECT listClient = {};
    GetClientRect(session.Control(IDC_FILE_LIST), &listClient);
    const LRESULT widths[] = {session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 0, 0),
                              session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 1, 0),
                              session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 2, 0),
                              session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 3, 0)};
    EXPECT_EQ(widths[0] + widths[1] + widths[2] + widths[3], listClient.right);
    EXPECT_NEAR(static_cast<double>(widths[0]) / static_cast<double>(widths[1]), 1.25, 0.02);
    EXPECT_EQ(GetWindowLongW(session.Control(IDC_FILE_LIST), GWL_STYLE) & WS_HSCROLL, 0);
    // The boxes that do not apply are disabled.
    const bool toText =
        U(row.directionShown) == (japanese ? U("バイナリ→テキスト") : L"Binary -> Text");
    EXPECT_EQ(IsWindowEnabled(session.Control(IDC_DATA_FORMAT)) != FALSE, toText);
    EXPECT_EQ(IsWindowEnabled(session.Control(IDC_ARRAY_FORMAT)) != FALSE, toText);
    const std::string size = row.sizeShown;
    EXPECT_EQ(IsWindowEnabled(session.Control(IDC_ENDIAN)) != FALSE,
              !size.empty() && size[0] != '1');
    // Nothing of the window is left in English in Japanese.
    if (japanese) {
      for (HWND child = GetWindow(session.window(), GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        EXPECT_EQ(std::wstring(text).find(L"Byte"), std::wstring::npos) << GetDlgCtrlID(child);
      }
      for (const int box : {IDC_CONVERT, IDC_DATA_SIZE, IDC_ENDIAN}) {
        for (const std::wstring& item : session.ComboItems(box))
          EXPECT_EQ(item.find(L"Byte"), std::wstring::npos) << testing::PrintToString(item);
      }
    }
    const LRESULT styles = session.SendTo(IDC_FILE_LIST, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(styles & LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    EXPECT_EQ(styles & LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(session.ListRows().empty());
    EXPECT_EQ(GetWindowLongW(session.Control(IDC_FILE_LIST), GWL_STYLE) & LVS_SINGLESEL, 0)
        << "several rows can be selected";

    for (const int bar : {IDC_FILE_PROGRESS, IDC_TOTAL_PROGRESS}) {
      EXPECT_EQ(session.ProgressRange(bar), std::make_pair(0, 100));
      EXPECT_EQ(session.ProgressPosition(bar), 0);
    }
    EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_CANCEL_RUN)));
    // On an empty list only Add can act.
    EXPECT_TRUE(IsWindowEnabled(session.Control(IDC_ADD)));
    for (const int id : {IDC_MODIFY, IDC_DELETE, IDC_ALL_DELETE, IDC_EXECUTE})
      EXPECT_FALSE(IsWindowEnabled(session.Control(id))) << id;
    wchar_t title[64] = {};
    GetWindowTextW(session.window(), title, 64);
    EXPECT_EQ(title, japanese ? U("無題 - Brelvix") : L"Untitled - Brelvix");
    EXPECT_NE(session.Send(WM_GETICON, ICON_SMALL, 0), 0) << "the application icon is shown";
    EXPECT_NE(GetWindowLongW(session.window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0)
        << "dropped files are accepted";
    EXPECT_EQ(session.app().mainWindow, session.window());

    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
    EXPECT_TRUE(session.TakeDialogs().empty());
  }
}

// The language is fixed for the life of the window, whatever is stored.
TEST(MainWindowTest, MainDialogTemplateFollowsTheLanguage) {
  for (const int32_t language : {0, 1}) {
    SCOPED_TRACE(language);
    MainWindowSession session(language);
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(session.app().GetMainDialogId(),
              MAKEINTRESOURCEW(language == 1 ? IDD_MAIN_JAPANESE : IDD_MAIN_ENGLISH));
    wchar_t text[64] = {};
    GetWindowTextW(session.Control(IDC_ADD), text, 64);
    EXPECT_EQ(std::wstring(text), language == 1 ? U("追加(&A)...") : L"&Add...");
    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }
}

struct ExitCase {
  const char* name;
  void (*end)(MainWindowSession&);
};

const ExitCase kExitCases[] = {
    {"Esc key",
     [](MainWindowSession& s) { s.Post(s.Control(IDC_ADD), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
    {"command 2", [](MainWindowSession& s) { s.Command(IDCANCEL); }},
    {"File > Exit",
     [](MainWindowSession& s) { s.Post(s.window(), WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0); }},
    {"close box", [](MainWindowSession& s) { s.Post(s.window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

TEST(MainWindowTest, EscExitAndCloseBoxEndWithExitCode1) {
  for (const ExitCase& row : kExitCases) {
    SCOPED_TRACE(row.name);
    MainWindowSession session(0);
    ASSERT_TRUE(session.Start());
    row.end(session);
    EXPECT_EQ(session.WaitForExit(), 1);
    EXPECT_TRUE(session.TakeDialogs().empty()) << "no question on the way out";
  }
}

// A changed list is not dropped without a word: every way out asks, Cancel
// keeps the window and its rows, No closes without saving, Yes saves first
// (a cancelled save dialog keeps the window), and a saved list closes at once.
TEST(MainWindowTest, ClosingAChangedListAsksFirst) {
  enum Then { kNo, kYesButCancelTheDialog, kYesAndSave, kSaveThenClose };
  const Then thens[] = {kNo, kYesButCancelTheDialog, kYesAndSave, kSaveThenClose};
  for (size_t i = 0; i < std::size(kExitCases); ++i) {
    const ExitCase& row = kExitCases[i];
    const int32_t language = static_cast<int32_t>(i % 2);
    SCOPED_TRACE(row.name);
    MainWindowSession session(language);
    const std::filesystem::path& folder = session.folder().path();
    test::WriteAll(folder / "a.bin", "a");
    ASSERT_TRUE(session.Start());
    session.DropFiles({test::WidePath(folder / "a.bin")});

    session.Answer(uitest::PressButton(IDCANCEL));
    row.end(session);
    ASSERT_TRUE(session.WaitForDialogs(1));
    ASSERT_TRUE(session.Flush());
    std::vector<SeenDialog> seen = session.TakeDialogs();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"Brelvix");
    EXPECT_EQ(seen[0].text, language == 1 ? U("ファイルリストへの変更を保存しますか？")
                                          : L"Save changes to the file list?");
    EXPECT_TRUE(seen[0].hasYes);
    EXPECT_TRUE(seen[0].hasNo);
    EXPECT_TRUE(session.Running()) << "Cancel keeps the window";
    EXPECT_EQ(session.ListRows().size(), 1u);

    const std::filesystem::path list = folder / "kept.csv";
    switch (thens[i]) {
      case kNo:
        row.end(session);  // answered No
        break;
      case kYesButCancelTheDialog:
        session.Answer(uitest::PressButton(IDYES));
        session.Answer(uitest::PressButton(IDCANCEL));
        row.end(session);
        ASSERT_TRUE(session.WaitForDialogs(2));
        ASSERT_TRUE(session.Flush());
        EXPECT_TRUE(session.Running()) << "no list saved, so the window stays";
        session.TakeDialogs();
        row.end(session);  // answered No
        break;
      case kYesAndSave:
        session.Answer(uitest::PressButton(IDYES));
        session.Answer(uitest::ChooseFile(test::WidePath(folder / "kept")));
        row.end(session);
        break;
      case kSaveThenClose:
        session.Answer(uitest::ChooseFile(test::WidePath(folder / "kept")));
        session.Command(ID_FILE_SAVE);
        ASSERT_EQ(session.TakeDialogs().size(), 1u);
        row.end(session);  // nothing to lose: no question
        break;
    }
    EXPECT_EQ(session.WaitForExit(), 1);
    seen = session.TakeDialogs();
    EXPECT_EQ(seen.size(), thens[i] == kSaveThenClose ? 0u : thens[i] == kYesAndSave ? 2u : 1u);
    EXPECT_EQ(std::filesystem::exists(list), thens[i] == kYesAndSave || thens[i] == kSaveThenClose);
  }
}

TEST(MainWindowTest, EnterDoesNothingButBreaksTheLineInTheTemplate) {
  MainWindowSession session(0);
  ASSERT_TRUE(session.Start());
  session.SetText(IDC_OUTPUT_FOLDER, L"C:\\kept");

  session.Post(session.Control(IDC_OUTPUT_FOLDER), WM_KEYDOWN, VK_RETURN, 0x001C0001);
  session.Command(IDOK);
  ASSERT_TRUE(session.Flush());
  ASSERT_TRUE(session.Flush()) << "the characters the keys made are handled too";
  EXPECT_TRUE(session.Running());
  EXPECT_TRUE(IsWindow(session.window()));
  EXPECT_EQ(session.Text(IDC_OUTPUT_FOLDER), L"C:\\kept");
  EXPECT_TRUE(session.TakeDialogs().empty());

  // In the multi-line template Enter starts a new line.
  session.SetText(IDC_ARRAY_FORMAT, L"ab");
  session.SendTo(IDC_ARRAY_FORMAT, EM_SETSEL, 1, 1);
  session.Post(session.Control(IDC_ARRAY_FORMAT), WM_KEYDOWN, VK_RETURN, 0x001C0001);
  ASSERT_TRUE(session.Flush());
  ASSERT_TRUE(session.Flush());
  EXPECT_EQ(session.Text(IDC_ARRAY_FORMAT), L"a\r\nb");
  EXPECT_TRUE(session.Running());

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST(MainWindowTest, BrowsedFolderIsShownAndStoredAtOnce) {
  for (const int32_t language : {0, 1}) {
    SCOPED_TRACE(language);
    MainWindowSession session(language);
    ASSERT_TRUE(session.Start());
    const std::filesystem::path chosen = session.folder() / "out";
    std::filesystem::create_directory(chosen);
    const std::wstring chosenPath = test::WidePath(chosen);

    // Cancel changes nothing and writes nothing.
    session.SetText(IDC_OUTPUT_FOLDER, L"typed");
    session.Answer(uitest::PressButton(IDCANCEL));
    session.Command(IDC_BROWSE_OUTPUT);
    EXPECT_EQ(session.Text(IDC_OUTPUT_FOLDER), L"typed");
    EXPECT_TRUE(session.app().outputFolder.IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(session.settingsFile()));
    std::vector<SeenDialog> seen = session.TakeDialogs();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption,
              language == 1 ? U("出力先フォルダを選択してください") : L"Select output folder");

    session.Answer(uitest::ChooseFile(chosenPath));
    session.Command(IDC_BROWSE_OUTPUT);
    EXPECT_EQ(session.TakeDialogs().size(), 1u);
    EXPECT_EQ(_wcsicmp(session.Text(IDC_OUTPUT_FOLDER).c_str(), chosenPath.c_str()), 0)
        << "shown: " << testing::PrintToString(session.Text(IDC_OUTPUT_FOLDER));
    const std::wstring shown = session.Text(IDC_OUTPUT_FOLDER);
    CString expected;
    expected.AssignWide(shown.c_str());
    EXPECT_STREQ(session.app().outputFolder.Text(), expected.Text());

    // On disk at once, before the window ends.
    CAppParameter stored;
    stored.settingsPath.Assign(session.parameter().settingsPath);
    ASSERT_EQ(stored.Load(), 1);
    EXPECT_STREQ(stored.output_path.Text(), expected.Text());

    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }
}

// A control's rectangle in the window's client coordinates.
RECT PlaceOf(MainWindowSession& session, int id) {
  RECT rect = {};
  GetWindowRect(session.Control(id), &rect);
  MapWindowPoints(nullptr, session.window(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT WindowRect(MainWindowSession& session) {
  RECT rect = {};
  GetWindowRect(session.window(), &rect);
  return rect;
}

LONG Width(const RECT& rect) {
  return rect.right - rect.left;
}

LONG Height(const RECT& rect) {
  return rect.bottom - rect.top;
}

// The window's size from the template, as the test display shows it.
SIZE TemplateSize() {
  MainWindowSession session(0);
  if (!session.Start()) return {};
  const RECT rect = WindowRect(session);
  session.Command(IDCANCEL);
  session.WaitForExit();
  return {Width(rect), Height(rect)};
}

// What the controls show and where the window is are kept when the program
// ends, without Execute, and the next start opens with them; a place on a
// monitor that is gone opens on the primary one.
TEST(MainWindowTest, SettingsAndPlaceSurviveARestartWithoutExecute) {
  const SIZE size = TemplateSize();
  ASSERT_GT(size.cx, 0);
  const RECT moved = {37, 45, 37 + size.cx + 60, 45 + size.cy + 40};
  std::vector<uint8_t> stored;
  LRESULT firstColumn = 0;
  {
    MainWindowSession session(1);
    ASSERT_TRUE(session.Start());
    session.SetText(IDC_OUTPUT_FOLDER, L"C:\\kept out");
    session.SelectCombo(IDC_DATA_SIZE, 2);
    session.SelectCombo(IDC_ENDIAN, 1);
    session.SetText(IDC_DATA_FORMAT, L"%u,");
    SetWindowPos(session.window(), nullptr, moved.left, moved.top, moved.right - moved.left,
                 moved.bottom - moved.top, SWP_NOZORDER | SWP_NOACTIVATE);
    session.SendTo(IDC_FILE_LIST, LVM_SETCOLUMNWIDTH, 1, 321);
    firstColumn = session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 0, 0);
    ASSERT_TRUE(session.Flush());
    EXPECT_FALSE(std::filesystem::exists(session.settingsFile()));
    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
    EXPECT_TRUE(session.TakeDialogs().empty()) << "nothing to lose: no question";
    stored = test::ReadAll(session.settingsFile());
  }

  RECT primary = {};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
  primary = monitor.rcWork;
  for (const bool monitorGone : {false, true}) {
    SCOPED_TRACE(monitorGone ? "the monitor is gone" : "the same monitor");
    MainWindowSession session(1, [&](CAppParameter& parameter) {
      test::WriteAll(std::filesystem::path(parameter.settingsPath.GetWide()), stored);
      ASSERT_EQ(parameter.Load(), 1);
      if (monitorGone) parameter.window_left = parameter.window_top = 40000;
    });
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(session.Text(IDC_OUTPUT_FOLDER), L"C:\\kept out");
    EXPECT_EQ(session.ComboSelectedText(IDC_DATA_SIZE), U("4 バイト"));
    EXPECT_EQ(session.ComboSelectedText(IDC_ENDIAN), U("リトルエンディアン"));
    EXPECT_EQ(session.Text(IDC_DATA_FORMAT), L"%u,");
    EXPECT_EQ(session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 0, 0), firstColumn);
    EXPECT_EQ(session.SendTo(IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 1, 0), 321);
    const RECT shown = WindowRect(session);
    EXPECT_EQ(Width(shown), Width(moved));
    EXPECT_EQ(Height(shown), Height(moved));
    EXPECT_EQ(shown.left, monitorGone ? primary.left : moved.left);
    EXPECT_EQ(shown.top, monitorGone ? primary.top : moved.top);
    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }
}

void Resize(MainWindowSession& session, LONG width, LONG height) {
  SetWindowPos(session.window(), nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(session.Flush());
}

// Every control lies inside the client area, the buttons and bars below the
// list, Cancel and Execute beside each other at the bottom right.
void ExpectEveryControlUsable(MainWindowSession& session) {
  RECT client = {};
  GetClientRect(session.window(), &client);
  const RECT list = PlaceOf(session, IDC_FILE_LIST);
  EXPECT_GT(Height(list), 0);
  for (const int id :
       {IDC_OUTPUT_FOLDER, IDC_BROWSE_OUTPUT, IDC_ARRAY_FORMAT, IDC_FILE_LIST, IDC_ADD,
        IDC_ALL_DELETE, IDC_FILE_PROGRESS, IDC_TOTAL_PROGRESS, IDC_CANCEL_RUN, IDC_EXECUTE}) {
    SCOPED_TRACE(id);
    const RECT place = PlaceOf(session, id);
    EXPECT_GE(place.left, 0);
    EXPECT_GE(place.top, 0);
    EXPECT_LE(place.right, client.right);
    EXPECT_LE(place.bottom, client.bottom);
  }
  EXPECT_LT(list.bottom, PlaceOf(session, IDC_ADD).top);
  EXPECT_LT(PlaceOf(session, IDC_ADD).bottom, PlaceOf(session, IDC_FILE_PROGRESS).top);
  EXPECT_LT(PlaceOf(session, IDC_TOTAL_PROGRESS).bottom, PlaceOf(session, IDC_EXECUTE).top);
  EXPECT_LT(PlaceOf(session, IDC_CANCEL_RUN).right, PlaceOf(session, IDC_EXECUTE).left);
}

TEST(MainWindowTest, WindowFitsTheWorkAreaAndTheListTakesTheSpace) {
  // The window at the template's size, on this display.
  RECT full = {};
  RECT fullList = {};
  {
    MainWindowSession session(0);
    ASSERT_TRUE(session.Start());
    full = WindowRect(session);
    fullList = PlaceOf(session, IDC_FILE_LIST);
    ExpectEveryControlUsable(session);
    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }

  // A work area lower than the template, as 1080 pixels are at 150 %: the
  // window opens inside it, with the list shorter by what was missing.
  const LONG missing = 20;
  const RECT work = {300, 40, 300 + Width(full) + 200, 40 + Height(full) - missing};
  MainWindowSession session(1);
  session.SetWorkArea(work);
  ASSERT_TRUE(session.Start());
  RECT shown = WindowRect(session);
  EXPECT_GE(shown.left, work.left);
  EXPECT_GE(shown.top, work.top);
  EXPECT_LE(shown.right, work.right);
  EXPECT_LE(shown.bottom, work.bottom);
  EXPECT_EQ(Width(shown), Width(full));
  EXPECT_EQ(Height(shown), Height(work));
  EXPECT_EQ(Height(PlaceOf(session, IDC_FILE_LIST)), Height(fullList) - missing);
  ExpectEveryControlUsable(session);

  // Larger: the list takes all of the extra space; Execute follows the
  // bottom right corner, the settings stay where they are.
  const RECT execute = PlaceOf(session, IDC_EXECUTE);
  const RECT convert = PlaceOf(session, IDC_CONVERT);
  Resize(session, Width(shown) + 150, Height(shown) + 120);
  RECT list = PlaceOf(session, IDC_FILE_LIST);
  EXPECT_EQ(Width(list), Width(fullList) + 150);
  EXPECT_EQ(Height(list), Height(fullList) - missing + 120);
  const RECT moved = PlaceOf(session, IDC_EXECUTE);
  EXPECT_EQ(moved.left, execute.left + 150);
  EXPECT_EQ(moved.top, execute.top + 120);
  EXPECT_EQ(PlaceOf(session, IDC_CONVERT).left, convert.left);
  EXPECT_EQ(PlaceOf(session, IDC_CONVERT).top, convert.top);
  ExpectEveryControlUsable(session);

  // A DPI change (here to the same DPI: the window stays as it is) leaves the
  // layout working from the controls' new places.
  RECT now = WindowRect(session);
  session.Send(WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&now));
  ASSERT_TRUE(session.Flush());
  Resize(session, Width(now) + 10, Height(now));
  EXPECT_EQ(Width(PlaceOf(session, IDC_FILE_LIST)), Width(fullList) + 160);

  // As small as it goes: the least size keeps a few rows of the list and
  // every control.
  Resize(session, 50, 50);
  shown = WindowRect(session);
  EXPECT_EQ(Width(shown), Width(full));
  EXPECT_LT(Height(shown), Height(full) - missing);
  list = PlaceOf(session, IDC_FILE_LIST);
  EXPECT_GE(Height(list), Height(fullList) / 3);
  ExpectEveryControlUsable(session);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// ---- The window at every scale ----------------------------------------------
// A scale takes a process of its own: the system reads the prefix's DPI as a
// process starts. The test sets it, runs this binary's child test with the
// case named in the environment, and puts the DPI back.

struct ScaleCase {
  const char* name;
  DWORD dpi;
  LONG screenWidth;
  LONG screenHeight;
  int32_t language;
};

const ScaleCase kScaleCases[] = {
    {"150 % on 1920x1080", 144, 1920, 1080, 0},
    {"150 % on 1920x1080, Japanese", 144, 1920, 1080, 1},
    {"175 % on 1920x1080", 168, 1920, 1080, 0},
    {"200 % on 1920x1080, Japanese", 192, 1920, 1080, 1},
    {"100 % on 1366x768", 96, 1366, 768, 0},
};

// The screen less a taskbar of 72 pixels at its bottom.
constexpr LONG kTaskbarHeight = 72;

const wchar_t kScaleCaseVariable[] = L"BX_SCALE_CASE";
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

bool SetLogPixels(DWORD dpi, DWORD* old) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = sizeof *old;
  if (old != nullptr && RegQueryValueExW(key, L"LogPixels", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(old), &size) != ERROR_SUCCESS) {
    *old = 0;
  }
  const bool set =
      dpi == 0 ? RegDeleteValueW(key, L"LogPixels") == ERROR_SUCCESS
               : RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

TEST(MainWindowTest, WindowOpensInsideTheWorkAreaAtEveryScale) {
  if (GetEnvironmentVariableW(kScaleCaseVariable, nullptr, 0) != 0) GTEST_SKIP() << "the child";
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  for (size_t i = 0; i < std::size(kScaleCases); ++i) {
    SCOPED_TRACE(kScaleCases[i].name);
    DWORD old = 0;
    ASSERT_TRUE(SetLogPixels(kScaleCases[i].dpi, &old));
    SetEnvironmentVariableW(kScaleCaseVariable, std::to_wstring(i).c_str());
    std::wstring command = L"\"" + std::wstring(program) +
                           L"\" --gtest_filter=MainWindowTest.ScaledWindowFits --gtest_brief=1";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process) != FALSE;
    DWORD code = 1;
    if (started) {
      WaitForSingleObject(process.hProcess, 120000);
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableW(kScaleCaseVariable, nullptr);
    SetLogPixels(old, nullptr);
    EXPECT_TRUE(started);
    EXPECT_EQ(code, 0u) << "the child's failures are above";
  }
}

TEST(MainWindowTest, ScaledWindowFits) {
  wchar_t value[8] = {};
  if (GetEnvironmentVariableW(kScaleCaseVariable, value, 8) == 0) {
    GTEST_SKIP() << "runs as the child of WindowOpensInsideTheWorkAreaAtEveryScale";
  }
  const ScaleCase& scale = kScaleCases[std::stoul(value)];
  SCOPED_TRACE(scale.name);
  const RECT work = {0, 0, scale.screenWidth, scale.screenHeight - kTaskbarHeight};
  MainWindowSession session(scale.language);
  session.SetWorkArea(work);
  ASSERT_TRUE(session.Start());
  ASSERT_EQ(WindowDpi(session.window()), scale.dpi) << "the prefix's DPI took effect";
  const RECT shown = WindowRect(session);
  EXPECT_GE(shown.left, work.left);
  EXPECT_GE(shown.top, work.top);
  EXPECT_LE(shown.right, work.right);
  EXPECT_LE(shown.bottom, work.bottom);
  RECT execute = {};
  GetWindowRect(session.Control(IDC_EXECUTE), &execute);
  EXPECT_LE(execute.bottom, work.bottom);
  EXPECT_LE(execute.right, work.right);
  ExpectEveryControlUsable(session);
  EXPECT_GE(session.SendTo(IDC_FILE_LIST, LVM_GETCOUNTPERPAGE, 0, 0), 3) << "list rows shown";

  // As small as it goes, at least three rows of the list stay.
  Resize(session, 50, 50);
  EXPECT_GE(session.SendTo(IDC_FILE_LIST, LVM_GETCOUNTPERPAGE, 0, 0), 3);
  ExpectEveryControlUsable(session);
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

}  // namespace
