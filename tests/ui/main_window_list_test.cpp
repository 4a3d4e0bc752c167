// The file list in the main window: Add through the open-file dialog, drops,
// Modify through the file information dialog, Delete and All Delete with
// their question. After every change the list view shows the list's rows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resource.h"
#include "support/test_support.h"
#include "ui/main_window_driver.h"

namespace {

using uitest::MainWindowSession;
using uitest::Rows;
using uitest::SeenDialog;

std::wstring U(const char* utf8) {
  return test::Utf16(utf8);
}

std::wstring Path(const std::filesystem::path& path) {
  return test::WidePath(path);
}

// Files and a folder to add, in the session's temporary folder.
void MakeInputs(MainWindowSession& session) {
  for (const char* name : {"a.bin", "b.txt", "archive.tar.gz", "README", "c.dat"})
    test::WriteAll(session.folder() / name, std::string("data of ") + name);
  std::filesystem::create_directory(session.folder() / "sub");
}

// The list view shows exactly the model's rows, in order, with none selected.
void ExpectViewMirrorsList(MainWindowSession& session, const Rows& expected) {
  const Rows shown = session.ListRows();
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(session.ModelRows(), expected);
  EXPECT_EQ(session.app().fileList.entryCount, static_cast<int32_t>(expected.size()));
  EXPECT_EQ(session.SelectedRowCount(), 0);
}

// The colour the list view paints in the middle of a row, right of its short
// texts: a selected row is drawn differently from the others when it shows.
COLORREF RowColour(MainWindowSession& session, int row) {
  HWND list = session.Control(IDC_FILE_LIST);
  RECT client = {};
  GetClientRect(list, &client);
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  session.SendTo(IDC_FILE_LIST, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
  HDC screen = GetDC(list);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  session.SendTo(IDC_FILE_LIST, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                 PRF_CLIENT | PRF_ERASEBKGND);
  const int x = (bounds.right < client.right ? bounds.right : client.right) - 8;
  const COLORREF colour = GetPixel(memory, x, (bounds.top + bounds.bottom) / 2);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(list, screen);
  return colour;
}

void SetProgress(MainWindowSession& session, int position) {
  session.SendTo(IDC_FILE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  session.SendTo(IDC_TOTAL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ExpectProgress(MainWindowSession& session, int position) {
  EXPECT_EQ(session.ProgressPosition(IDC_FILE_PROGRESS), position);
  EXPECT_EQ(session.ProgressPosition(IDC_TOTAL_PROGRESS), position);
}

// The list's own debug lines, without those of the settings object.
std::vector<std::wstring> NotFileLines(const std::vector<std::wstring>& lines) {
  std::vector<std::wstring> found;
  for (const std::wstring& line : lines) {
    if (line.rfind(L"Not file : ", 0) == 0) found.push_back(line);
  }
  return found;
}

// The one message of a command that left files out: the count, then a line
// for each reason that occurred.
void ExpectSkippedMessage(const SeenDialog& seen, bool japanese, int unreadable, int codePage) {
  std::wstring text = std::to_wstring(unreadable + codePage) +
                      (japanese ? U(" 個のファイルを追加できませんでした。")
                                : L" file(s) were not added to the list.");
  if (unreadable > 0) {
    text += (japanese ? U("\n読み込めないファイル（存在しない、フォルダー、アクセス不可）: ")
                      : L"\nNot readable (missing, a folder, or no access): ") +
            std::to_wstring(unreadable);
  }
  if (codePage > 0) {
    text += (japanese ? U("\nシステムのコードページで表せない名前: ")
                      : L"\nName not in the system's code page (ANSI), which the list cannot "
                        L"keep: ") +
            std::to_wstring(codePage);
  }
  EXPECT_EQ(seen.caption, japanese ? U("ファイルの追加") : L"Add files");
  EXPECT_EQ(seen.text, text);
  EXPECT_TRUE(seen.hasOk);
}

// A drop that left files out: its one message.
void ExpectSkipped(MainWindowSession& session, bool japanese, int unreadable, int codePage) {
  const std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  ExpectSkippedMessage(seen[0], japanese, unreadable, codePage);
}

class MainWindowListTest : public testing::TestWithParam<int32_t> {
 protected:
  bool Japanese() const { return GetParam() == 1; }
};

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowListTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int32_t>& info) {
                           return info.param == 1 ? std::string("Japanese")
                                                  : std::string("English");
                         });

TEST_P(MainWindowListTest, AddTakesTheChosenFilesWithDerivedNames) {
  uitest::DebugRecorder debug;
  MainWindowSession session(GetParam());
  MakeInputs(session);
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();

  // Several files of one folder, in the order the dialog gives them.
  SetProgress(session, 50);
  session.Answer(uitest::ChooseFiles(Path(folder), {L"a.bin", L"b.txt"}));
  session.Command(IDC_ADD);
  std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, Japanese() ? U("ファイルを選択") : L"Selected Files");
  Rows expected = {{Path(folder / "a.bin"), L"a.txt", L"a"},
                   {Path(folder / "b.txt"), L"b.txt", L"b"}};
  ExpectViewMirrorsList(session, expected);
  ExpectProgress(session, 0);

  // One file given as a full path; the direction box now says text to binary,
  // which only the new row takes.
  session.SelectCombo(IDC_CONVERT, 1);
  session.Answer(uitest::ChooseFile(Path(folder / "archive.tar.gz")));
  session.Command(IDC_ADD);
  expected.push_back({Path(folder / "archive.tar.gz"), L"archive.tar.bin", L"archive_tar"});
  ExpectViewMirrorsList(session, expected);

  // The same file again is left out without a word.
  session.Answer(uitest::ChooseFile(Path(folder / "a.bin")));
  session.Command(IDC_ADD);
  ExpectViewMirrorsList(session, expected);
  EXPECT_EQ(session.TakeDialogs().size(), 2u) << "only the two file dialogs";

  // A cancelled dialog adds nothing; the bars are reset all the same.
  SetProgress(session, 50);
  session.Answer(uitest::PressButton(IDCANCEL));
  session.Command(IDC_ADD);
  ExpectViewMirrorsList(session, expected);
  ExpectProgress(session, 0);
  EXPECT_EQ(session.TakeDialogs().size(), 1u);
  EXPECT_EQ(session.PendingAnswers(), 0u);
  EXPECT_TRUE(NotFileLines(debug.Lines()).empty());

  // A typed name of no file is told about once the dialog has closed.
  session.Answer(uitest::ChooseFile(Path(folder / "missing.bin")));
  session.Command(IDC_ADD);
  ExpectViewMirrorsList(session, expected);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 2u);
  ExpectSkippedMessage(seen[1], Japanese(), 1, 0);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowListTest, DroppedFilesBecomeRowsAndFoldersAreLeftOut) {
  uitest::DebugRecorder debug;
  MainWindowSession session(GetParam());
  MakeInputs(session);
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();

  SetProgress(session, 40);
  session.DropFiles({Path(folder / "c.dat"), Path(folder / "sub"), Path(folder / "README")});
  Rows expected = {{Path(folder / "c.dat"), L"c.txt", L"c"},
                   {Path(folder / "README"), L"README.txt", L"README"}};
  ExpectViewMirrorsList(session, expected);
  ExpectProgress(session, 40);  // a drop leaves the bars alone
  EXPECT_EQ(NotFileLines(debug.Lines()),
            std::vector<std::wstring>{L"Not file : " + Path(folder / "sub") + L"\n"});
  ExpectSkipped(session, Japanese(), 1, 0);

  // Dropped again: nothing new, and nothing to tell, as the row is there.
  // Spelled with a doubled separator: another text, so another row.
  session.DropFiles({Path(folder / "c.dat")});
  ExpectViewMirrorsList(session, expected);
  EXPECT_TRUE(session.TakeDialogs().empty());
  const std::wstring doubled = Path(folder) + L"\\\\c.dat";
  session.DropFiles({doubled});
  expected.push_back({doubled, L"c.txt", L"c"});
  ExpectViewMirrorsList(session, expected);

  // A long path reaches the list whole: here a missing file, so the debug
  // line names it in full rather than a cut-off part of it.
  const std::wstring longPath = Path(folder) + L"\\" + std::wstring(280, L'x') + L".bin";
  session.DropFiles({longPath});
  ExpectViewMirrorsList(session, expected);
  const std::vector<std::wstring> lines = NotFileLines(debug.Lines());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], L"Not file : " + longPath + L"\n");
  ExpectSkipped(session, Japanese(), 1, 0);

  // A name that neither the Western nor the Japanese code page holds is
  // taken whole; its array name has a '_' for each such character.
  const std::filesystem::path thai = folder / L"\u0e01\u0e02.bin";
  test::WriteAll(thai, "data");
  session.DropFiles({Path(thai), Path(folder / "gone.bin"), Path(folder / "a.bin")});
  expected.push_back({Path(thai), L"\u0e01\u0e02.txt", L"__"});
  expected.push_back({Path(folder / "a.bin"), L"a.txt", L"a"});
  ExpectViewMirrorsList(session, expected);
  ExpectSkipped(session, Japanese(), 1, 0);

  // Cancel without a run leaves the run state alone, rows or not.
  session.Command(IDC_CANCEL_RUN);
  EXPECT_EQ(session.app().cancelRequested.load(), 0);
  ExpectViewMirrorsList(session, expected);

  EXPECT_TRUE(session.TakeDialogs().empty());
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// What the file information dialog showed, and how to answer it.
struct InfoDialogShown {
  std::wstring input;
  std::wstring output;
  std::wstring array;
  bool inputReadOnly = false;
  // The dialog opened with the focus there; also true when another program's
  // window had the activation, as tests running side by side may.
  bool focusInOutput = false;
};

// EditFileInfo's button that is the Enter key in the output name instead.
constexpr int kPressEnter = -1;

uitest::DialogAction EditFileInfo(InfoDialogShown* shown, const wchar_t* output,
                                  const wchar_t* array, int button) {
  return [=](HWND dialog) {
    wchar_t text[600] = {};
    GetDlgItemTextW(dialog, IDC_INPUT_FILE_NAME, text, 600);
    shown->input = text;
    GetDlgItemTextW(dialog, IDC_OUTPUT_FILE_NAME, text, 600);
    shown->output = text;
    GetDlgItemTextW(dialog, IDC_ARRAY_NAME, text, 600);
    shown->array = text;
    shown->inputReadOnly =
        (GetWindowLongW(GetDlgItem(dialog, IDC_INPUT_FILE_NAME), GWL_STYLE) & ES_READONLY) != 0;
    shown->focusInOutput =
        GetFocus() == GetDlgItem(dialog, IDC_OUTPUT_FILE_NAME) || GetActiveWindow() != dialog;
    if (output != nullptr) SetDlgItemTextW(dialog, IDC_OUTPUT_FILE_NAME, output);
    if (array != nullptr) SetDlgItemTextW(dialog, IDC_ARRAY_NAME, array);
    if (button == kPressEnter) {
      // As typed: the dialog's own loop turns it into its default button.
      PostMessageW(GetDlgItem(dialog, IDC_OUTPUT_FILE_NAME), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    } else {
      uitest::ClickButton(dialog, button);
    }
  };
}

// Types each name into the output name and presses OK, then the good name
// and OK. Only a dialog that stayed open through the refusals takes the good
// name: one that ended at a refused name would keep what it read then.
uitest::DialogAction RefuseNames(std::vector<std::wstring> names, std::wstring good) {
  return [names, good](HWND dialog) {
    for (const std::wstring& name : names) {
      SetDlgItemTextW(dialog, IDC_OUTPUT_FILE_NAME, name.c_str());
      uitest::ClickButton(dialog, IDOK);
    }
    SetDlgItemTextW(dialog, IDC_OUTPUT_FILE_NAME, good.c_str());
    uitest::ClickButton(dialog, IDOK);
  };
}

TEST_P(MainWindowListTest, ModifyEditsTheFirstSelectedRow) {
  MainWindowSession session(GetParam());
  MakeInputs(session);
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.txt"), Path(folder / "c.dat")});
  Rows expected = {{Path(folder / "a.bin"), L"a.txt", L"a"},
                   {Path(folder / "b.txt"), L"b.txt", L"b"},
                   {Path(folder / "c.dat"), L"c.txt", L"c"}};
  ExpectViewMirrorsList(session, expected);

  // Without a selected row nothing is asked.
  session.Command(IDC_MODIFY);
  EXPECT_TRUE(session.TakeDialogs().empty());

  // One row at a time: with two selected Modify is off and asks nothing.
  session.SelectRows({2, 1});
  EXPECT_EQ(session.SelectedRowCount(), 2);
  EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_MODIFY)));
  session.Command(IDC_MODIFY);
  EXPECT_TRUE(session.TakeDialogs().empty());

  // Row 1 is edited; an emptied array name stays empty.
  InfoDialogShown shown;
  session.SelectRows({1});
  EXPECT_TRUE(IsWindowEnabled(session.Control(IDC_MODIFY)));
  SetProgress(session, 30);
  // An array name that is no C identifier is kept only when the user says so.
  session.Answer(EditFileInfo(&shown, L"renamed.out", L"", IDOK));
  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_MODIFY);
  std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].text.rfind(Japanese() ? U("配列名が C の識別子ではないため")
                                          : L"The array name is not a C identifier",
                               0),
            0u);
  EXPECT_TRUE(seen[1].hasYes && seen[1].hasNo);
  EXPECT_EQ(seen[1].defaultId, IDNO);
  EXPECT_EQ(seen[0].caption, Japanese() ? U("ファイル情報編集") : L"Edit File Information");
  EXPECT_EQ(seen[0].defaultId, IDOK) << "Enter accepts";
  EXPECT_EQ(shown.input, Path(folder / "b.txt"));
  EXPECT_EQ(shown.output, L"b.txt");
  EXPECT_EQ(shown.array, L"b");
  EXPECT_TRUE(shown.inputReadOnly);
  EXPECT_TRUE(shown.focusInOutput);
  expected[1] = {Path(folder / "b.txt"), L"renamed.out", L""};
  ExpectViewMirrorsList(session, expected);
  ExpectProgress(session, 0);

  // An output name Windows would not keep as typed is refused at OK with
  // its reason, and the dialog stays open for another try.
  const struct {
    const wchar_t* name;
    const char* japanese;  // a part of the reason
    const wchar_t* english;
  } refused[] = {
      {L"", "出力ファイル名を入力", L"Enter an output file name."},
      {L"sub\\bad:name?.txt", "フォルダー（\\ や /）", L"cannot contain a folder"},
      {L"bad:name?.txt", "使えない文字 : が", L"contains :, which"},
      {L"tab\there", "制御文字", L"control characters"},
      {L"x.txt.", "末尾にピリオドや空白", L"end with a dot or a space"},
      {L"nul.txt", "デバイス名", L"for a device"},
  };
  std::vector<std::wstring> names;
  for (const auto& name : refused)
    names.push_back(name.name);
  session.SelectRows({0});
  session.Answer(RefuseNames(names, L"good.txt"));
  session.Command(IDC_MODIFY);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), std::size(refused) + 1);
  for (size_t i = 0; i < std::size(refused); ++i) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(refused[i].name)));
    const std::wstring reason = Japanese() ? U(refused[i].japanese) : refused[i].english;
    EXPECT_NE(seen[i + 1].text.find(reason), std::wstring::npos) << seen[i + 1].text;
    EXPECT_EQ(seen[i + 1].caption, Japanese() ? U("ファイル情報編集") : L"Edit File Information");
  }
  expected[0] = {Path(folder / "a.bin"), L"good.txt", L"a"};
  ExpectViewMirrorsList(session, expected);

  // Enter in the output name accepts the edit, as OK does.
  session.SelectRows({0});
  session.Answer(EditFileInfo(&shown, L"entered.txt", L"first", kPressEnter));
  session.Command(IDC_MODIFY);
  expected[0] = {Path(folder / "a.bin"), L"entered.txt", L"first"};
  ExpectViewMirrorsList(session, expected);

  // Cancel changes nothing, and the bars stay where they were.
  session.SelectRows({2});
  SetProgress(session, 30);
  session.Answer(EditFileInfo(&shown, L"x.bin", L"x", IDCANCEL));
  session.Command(IDC_MODIFY);
  EXPECT_EQ(session.ListRows(), expected);
  EXPECT_EQ(session.ModelRows(), expected);
  ExpectProgress(session, 30);

  // A double click on the list opens the dialog for the first selected row.
  session.SelectRows({2});
  NMITEMACTIVATE click = {};
  click.hdr.hwndFrom = session.Control(IDC_FILE_LIST);
  click.hdr.idFrom = IDC_FILE_LIST;
  click.hdr.code = NM_DBLCLK;
  click.iItem = 2;
  session.Answer(EditFileInfo(&shown, nullptr, L"clicked", IDOK));
  session.Send(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(shown.input, Path(folder / "c.dat"));
  expected[2] = {Path(folder / "c.dat"), L"c.txt", L"clicked"};
  ExpectViewMirrorsList(session, expected);
  EXPECT_EQ(session.TakeDialogs().size(), 3u);
  EXPECT_EQ(session.PendingAnswers(), 0u);

  // No goes back to the dialog, to the array name; a valid name then passes.
  session.SelectRows({2});
  session.Answer([](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_ARRAY_NAME, L"my array");
    uitest::ClickButton(dialog, IDOK);  // the warning, answered No
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_ARRAY_NAME));
    SetDlgItemTextW(dialog, IDC_ARRAY_NAME, L"my_array");
    uitest::ClickButton(dialog, IDOK);
  });
  session.Answer(uitest::PressButton(IDNO));
  session.Command(IDC_MODIFY);
  expected[2] = {Path(folder / "c.dat"), L"c.txt", L"my_array"};
  ExpectViewMirrorsList(session, expected);
  EXPECT_EQ(session.TakeDialogs().size(), 2u) << "the dialog and one warning";

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowListTest, DeleteAndAllDeleteAskFirst) {
  MainWindowSession session(GetParam());
  MakeInputs(session);
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.txt"), Path(folder / "c.dat"),
                     Path(folder / "README")});
  Rows expected = {{Path(folder / "a.bin"), L"a.txt", L"a"},
                   {Path(folder / "b.txt"), L"b.txt", L"b"},
                   {Path(folder / "c.dat"), L"c.txt", L"c"},
                   {Path(folder / "README"), L"README.txt", L"README"}};

  // The question names the one row, or counts the rows, and says the files
  // stay on the disk.
  const std::wstring onDisk = Japanese() ? U("\r\nディスク上のファイルは削除されません。")
                                         : L"\r\nThe file on disk is not touched.";
  const std::wstring filesOnDisk = Japanese() ? onDisk : L"\r\nThe files on disk are not touched.";
  auto named = [&](const char* name) {
    return (Japanese() ? U("「") + U(name) + U("」をリストから削除しますか？")
                       : L"Remove \"" + U(name) + L"\" from the list?") +
           onDisk;
  };
  auto counted = [&](int count, bool all) {
    const std::wstring n = std::to_wstring(count);
    if (Japanese()) {
      return (all ? U("リストのすべてのファイル（") + n + U(" 個）を削除しますか？")
                  : n + U(" 個のファイルをリストから削除しますか？")) +
             filesOnDisk;
    }
    return (all ? L"Remove all " : L"Remove ") + n + L" files from the list?" + filesOnDisk;
  };
  auto expectQuestion = [&](const char* what, const std::wstring& question) {
    SCOPED_TRACE(what);
    const std::vector<SeenDialog> seen = session.TakeDialogs();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, Japanese() ? U("リストから削除") : L"Remove from List");
    EXPECT_EQ(seen[0].text, question);
    EXPECT_TRUE(seen[0].hasYes);
    EXPECT_TRUE(seen[0].hasNo);
    EXPECT_EQ(seen[0].defaultId, IDNO);
  };

  // Nothing selected: Delete is off, and neither it nor its key asks.
  EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_DELETE)));
  session.Command(IDC_DELETE);
  session.PressKey(session.Control(IDC_FILE_LIST), VK_DELETE);
  ASSERT_TRUE(session.Flush());
  EXPECT_TRUE(session.TakeDialogs().empty());
  ExpectViewMirrorsList(session, expected);

  // No keeps the rows. Both selected rows show with the focus on Delete.
  session.SelectRows({2, 1});
  EXPECT_TRUE(IsWindowEnabled(session.Control(IDC_DELETE)));
  session.Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(session.Control(IDC_DELETE)), TRUE);
  EXPECT_EQ(session.SelectedRowCount(), 2);
  EXPECT_NE(RowColour(session, 1), RowColour(session, 0));
  EXPECT_EQ(RowColour(session, 1), RowColour(session, 2));
  SetProgress(session, 20);
  session.Answer(uitest::PressButton(IDNO));
  session.Command(IDC_DELETE);
  expectQuestion("Delete, No", counted(2, false));
  EXPECT_EQ(session.ModelRows(), expected);
  EXPECT_EQ(session.ListRows(), expected);
  ExpectProgress(session, 20);

  // The Delete key in the list, Yes: both rows go after the one question.
  // (Before, only the first selected row went.)
  session.Answer(uitest::PressButton(IDYES));
  session.PressKey(session.Control(IDC_FILE_LIST), VK_DELETE);
  ASSERT_TRUE(session.WaitForDialogs(1));
  ASSERT_TRUE(session.Flush());
  expectQuestion("Delete key, Yes", counted(2, false));
  expected.erase(expected.begin() + 1, expected.begin() + 3);
  ExpectViewMirrorsList(session, expected);
  ExpectProgress(session, 0);
  EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_DELETE)));

  // In a text box the key is the box's own.
  session.SelectRows({0});
  session.PressKey(session.Control(IDC_DATA_FORMAT), VK_DELETE);
  ASSERT_TRUE(session.Flush());
  EXPECT_TRUE(session.TakeDialogs().empty());

  // All Delete counts the rows; No keeps everything.
  SetProgress(session, 20);
  session.Answer(uitest::PressButton(IDNO));
  session.Command(IDC_ALL_DELETE);
  expectQuestion("All Delete, No", counted(2, true));
  EXPECT_EQ(session.ListRows(), expected);
  ExpectProgress(session, 20);

  // One row is named.
  session.SelectRows({1});
  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_DELETE);
  expectQuestion("Delete one, Yes", named("README"));
  expected.pop_back();
  ExpectViewMirrorsList(session, expected);

  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_ALL_DELETE);
  expectQuestion("All Delete, Yes", named("a.bin"));
  ExpectViewMirrorsList(session, {});
  ExpectProgress(session, 0);
  EXPECT_EQ(session.app().fileList.entries.Get(), nullptr);
  for (const int id : {IDC_MODIFY, IDC_DELETE, IDC_ALL_DELETE, IDC_EXECUTE})
    EXPECT_FALSE(IsWindowEnabled(session.Control(id))) << id;

  // An empty list is not asked about.
  session.Command(IDC_ALL_DELETE);
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_EQ(session.PendingAnswers(), 0u);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// Ctrl+A selects every row, a header click sorts by its column (again: the
// other way), and Copy Path puts the selected paths on the clipboard.
TEST_P(MainWindowListTest, SelectAllSortAndCopyPath) {
  MainWindowSession session(GetParam());
  MakeInputs(session);
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  session.DropFiles({Path(folder / "b.txt"), Path(folder / "c.dat"), Path(folder / "a.bin")});
  const Rows dropped = {{Path(folder / "b.txt"), L"b.txt", L"b"},
                        {Path(folder / "c.dat"), L"c.txt", L"c"},
                        {Path(folder / "a.bin"), L"a.txt", L"a"}};
  ExpectViewMirrorsList(session, dropped);

  session.PressKey(session.Control(IDC_FILE_LIST), 'A', true);
  ASSERT_TRUE(session.Flush());
  EXPECT_EQ(session.SelectedRowCount(), 3);

  session.Command(ID_LIST_COPY_PATH);
  std::wstring copied;
  ASSERT_TRUE(OpenClipboard(nullptr));
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    copied = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(copied, dropped[0][0] + L"\r\n" + dropped[1][0] + L"\r\n" + dropped[2][0]);

  NMLISTVIEW click = {};
  click.hdr.hwndFrom = session.Control(IDC_FILE_LIST);
  click.hdr.idFrom = IDC_FILE_LIST;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 2;  // the array name
  const struct {
    const char* what;
    std::vector<int> order;  // of dropped
  } clicks[] = {{"first click", {2, 0, 1}}, {"second click", {1, 0, 2}}};
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.what);
    session.Send(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    Rows sorted;
    for (const int i : c.order)
      sorted.push_back(dropped[i]);
    ExpectViewMirrorsList(session, sorted);
  }
  EXPECT_TRUE(session.app().fileList.IsModified());

  session.app().fileList.MarkUnmodified();
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

}  // namespace
