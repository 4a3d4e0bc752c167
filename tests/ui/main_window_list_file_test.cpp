// File > Open, Save and Save As in the main window: the settings controls and
// the rows go into a list file and come back from it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource.h"
#include "support/process.h"
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

// ASCII paths only, so the narrow form is the same text.
std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

std::string FileText(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = test::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

std::wstring ListFilePath(MainWindowSession& session) {
  const wchar_t* wide = session.app().listFilePath.GetWide();
  return wide != nullptr ? wide : L"";
}

// What the six settings controls show.
struct Shown {
  std::wstring output;
  std::wstring direction;
  std::wstring size;
  std::wstring order;
  std::wstring format;
  std::wstring arrayTemplate;

  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << testing::PrintToString(std::vector<std::wstring>{
      shown.output, shown.direction, shown.size, shown.order, shown.format, shown.arrayTemplate});
}

Shown ReadShown(MainWindowSession& session) {
  return {session.Text(IDC_OUTPUT_FOLDER),
          session.ComboSelectedText(IDC_CONVERT),
          session.ComboSelectedText(IDC_DATA_SIZE),
          session.ComboSelectedText(IDC_ENDIAN),
          session.Text(IDC_DATA_FORMAT),
          session.Text(IDC_ARRAY_FORMAT)};
}

// The recent lists the File menu shows, in order, without their "&N ".
std::vector<std::wstring> RecentMenu(MainWindowSession& session) {
  std::vector<std::wstring> shown;
  HMENU file = GetSubMenu(GetMenu(session.window()), 0);
  for (int i = 0; i < GetMenuItemCount(file); ++i) {
    const UINT id = GetMenuItemID(file, i);
    if (id < ID_FILE_RECENT_FIRST || id >= ID_FILE_RECENT_FIRST + ID_FILE_RECENT_COUNT) continue;
    wchar_t text[512] = {};
    GetMenuStringW(file, static_cast<UINT>(i), text, 512, MF_BYPOSITION);
    const std::wstring number = L"&" + std::to_wstring(shown.size() + 1) + L" ";
    EXPECT_EQ(std::wstring(text).rfind(number, 0), 0u) << text;
    shown.push_back(std::wstring(text).substr(number.size()));
  }
  return shown;
}

class MainWindowListFileTest : public testing::TestWithParam<int32_t> {
 protected:
  bool Japanese() const { return GetParam() == 1; }
  std::wstring Text(const char* japanese, const wchar_t* english) const {
    return Japanese() ? U(japanese) : english;
  }
};

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowListFileTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int32_t>& info) {
                           return info.param == 1 ? std::string("Japanese")
                                                  : std::string("English");
                         });

TEST_P(MainWindowListFileTest, SaveAsSaveAndOpenRoundTrip) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  test::WriteAll(folder / "a.bin", "a");
  test::WriteAll(folder / "b.txt", "b");
  const std::wstring untitled = Text("無題", L"Untitled");
  EXPECT_EQ(session.Title(), untitled + L" - Brelvix");
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.txt")});
  const Rows rows = {{Path(folder / "a.bin"), L"a.txt", L"a"},
                     {Path(folder / "b.txt"), L"b.txt", L"b"}};
  EXPECT_EQ(session.Title(), L"*" + untitled + L" - Brelvix");
  EXPECT_TRUE(RecentMenu(session).empty());

  // The settings as the controls show them, not as stored.
  session.SetText(IDC_OUTPUT_FOLDER, L"C:\\lists out");
  session.SelectCombo(IDC_CONVERT, 1);
  session.SelectCombo(IDC_DATA_SIZE, 2);
  session.SelectCombo(IDC_ENDIAN, 1);
  session.SetText(IDC_DATA_FORMAT, L"0x%04X");
  session.SetText(IDC_ARRAY_FORMAT, L"int ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)};");
  const Shown saved = ReadShown(session);
  EXPECT_EQ(saved.direction, Text("テキスト→バイナリ", L"Text -> Binary"));
  EXPECT_EQ(saved.size, Text("4 バイト", L"4 Byte"));

  // Save without a current list file asks for a name; ".csv" is added.
  session.Answer(uitest::ChooseFile(Path(folder / "list")));
  session.Command(ID_FILE_SAVE);
  std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, Text("ファイルリストの保存", L"Save File List"));
  const std::filesystem::path list = folder / "list.csv";
  EXPECT_EQ(ListFilePath(session), Path(list));
  EXPECT_EQ(session.Title(), L"list.csv - Brelvix");
  const std::string rowLines = Narrow(Path(folder / "a.bin")) + ",a.txt,a\r\n" +
                               Narrow(Path(folder / "b.txt")) + ",b.txt,b\r\n";
  // The template's line break is quoted so that it reads back as written.
  EXPECT_EQ(
      FileText(list),
      "C:\\lists out,1,4,1,0x%04X,\"int ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)};\"\r\n" + rowLines);

  // Save again writes the same file without a dialog.
  session.SetText(IDC_DATA_FORMAT, L"0x%02X");
  session.Command(ID_FILE_SAVE);
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_EQ(
      FileText(list),
      "C:\\lists out,1,4,1,0x%02X,\"int ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)};\"\r\n" + rowLines);
  const Shown resaved = ReadShown(session);

  // Everything changed and the list emptied; Open brings both back.
  session.SetText(IDC_OUTPUT_FOLDER, L"elsewhere");
  session.SelectCombo(IDC_CONVERT, 0);
  session.SelectCombo(IDC_DATA_SIZE, 0);
  session.SelectCombo(IDC_ENDIAN, 0);
  session.SetText(IDC_DATA_FORMAT, L"");
  session.SetText(IDC_ARRAY_FORMAT, L"");
  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_ALL_DELETE);
  EXPECT_TRUE(session.ListRows().empty());
  session.TakeDialogs();

  // Ctrl+O opens it.
  session.SendTo(IDC_FILE_PROGRESS, PBM_SETPOS, 70, 0);
  session.Answer(uitest::ChooseFile(Path(list)));
  session.PressKey(session.Control(IDC_FILE_LIST), 'O', true);
  ASSERT_TRUE(session.WaitForDialogs(1));
  ASSERT_TRUE(session.Flush());
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, Text("ファイルリストの読み込み", L"Load File List"));
  EXPECT_EQ(ReadShown(session), resaved);
  EXPECT_EQ(session.ListRows(), rows);
  EXPECT_EQ(session.ModelRows(), rows);
  EXPECT_EQ(ListFilePath(session), Path(list));
  EXPECT_EQ(session.Title(), L"list.csv - Brelvix");
  EXPECT_EQ(session.ProgressPosition(IDC_FILE_PROGRESS), 0);
  ASSERT_EQ(RecentMenu(session).size(), 1u);
  EXPECT_TRUE(RecentMenu(session)[0].ends_with(L"\\list.csv")) << RecentMenu(session)[0];
  EXPECT_NE(FileText(session.settingsFile()).find("<recent_list_1>" + Narrow(Path(list)) + "<"),
            std::string::npos);
  // Only the controls: the window's own output folder waits for Execute.
  EXPECT_TRUE(session.app().outputFolder.IsEmpty());

  // After a load, Save writes to the loaded file without a dialog.
  session.SetText(IDC_DATA_FORMAT, L"%u");
  session.Command(ID_FILE_SAVE);
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_NE(FileText(list).find(",1,4,1,%u,"), std::string::npos);
  session.SetText(IDC_DATA_FORMAT, L"0x%02X");

  // A cancelled Open changes nothing but the bars.
  session.SendTo(IDC_FILE_PROGRESS, PBM_SETPOS, 70, 0);
  session.Answer(uitest::PressButton(IDCANCEL));
  session.Command(ID_FILE_OPEN);
  EXPECT_EQ(session.ListRows(), rows);
  EXPECT_EQ(ReadShown(session), resaved);
  EXPECT_EQ(session.ProgressPosition(IDC_FILE_PROGRESS), 0);
  session.TakeDialogs();

  // Save As appends ".csv" unless the name ends with it in any case.
  session.Answer(uitest::ChooseFile(Path(folder / "list.txt")));
  session.Command(ID_FILE_SAVE_AS);
  EXPECT_TRUE(std::filesystem::exists(folder / "list.txt.csv"));
  EXPECT_EQ(ListFilePath(session), Path(folder / "list.txt.csv"));
  session.Answer(uitest::ChooseFile(Path(folder / "other.CSV")));
  session.Command(ID_FILE_SAVE_AS);
  EXPECT_EQ(ListFilePath(session), Path(folder / "other.CSV"));
  EXPECT_EQ(FileText(folder / "other.CSV"), FileText(folder / "list.txt.csv"));
  EXPECT_EQ(session.TakeDialogs().size(), 2u);
  EXPECT_EQ(session.PendingAnswers(), 0u);

  // The lists saved come first in the menu; a changed list is marked.
  EXPECT_EQ(RecentMenu(session).size(), 3u);
  EXPECT_EQ(std::string(session.parameter().recent_lists[1].Text()),
            Narrow(Path(folder / "list.txt.csv")));
  session.DropFiles({Path(folder / "list.csv")});
  EXPECT_EQ(session.Title(), L"*other.CSV - Brelvix");
  session.Answer(uitest::PressButton(IDYES));
  session.SelectRows({2});
  session.Command(IDC_DELETE);
  EXPECT_EQ(session.TakeDialogs().size(), 1u);
  EXPECT_EQ(session.Title(), L"*other.CSV - Brelvix") << "removed, still not saved";
  session.Command(ID_FILE_SAVE);
  EXPECT_EQ(session.Title(), L"other.CSV - Brelvix");

  // A recent list that is gone leaves the menu with a word; one that is
  // there opens.
  std::filesystem::remove(folder / "list.txt.csv");
  session.Command(ID_FILE_RECENT_FIRST + 1);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text.rfind(
                Text("ファイルリストが見つからないため", L"The file list is no longer there"), 0),
            0u);
  EXPECT_NE(seen[0].text.find(Path(folder / "list.txt.csv")), std::wstring::npos);
  EXPECT_EQ(RecentMenu(session).size(), 2u);
  EXPECT_EQ(ListFilePath(session), Path(folder / "other.CSV"));
  session.Command(ID_FILE_RECENT_FIRST + 1);
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_EQ(ListFilePath(session), Path(list));
  EXPECT_EQ(session.Title(), L"list.csv - Brelvix");
  EXPECT_TRUE(RecentMenu(session)[0].ends_with(L"\\list.csv"));

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowListFileTest, SaveToAFileThatCannotBeCreatedSaysSo) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  // A folder where the list file would go.
  std::filesystem::create_directory(folder / "blocked.csv");

  session.Answer(uitest::ChooseFile(Path(folder / "blocked")));
  session.Command(ID_FILE_SAVE_AS);
  std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 2u) << "the file dialog, then the message";
  EXPECT_EQ(seen[1].caption, Text("ファイルリストの保存", L"Save file list"));
  EXPECT_EQ(seen[1].text, Text("ファイルがオープンできません", L"Can't open file"));
  EXPECT_TRUE(seen[1].hasOk);
  EXPECT_FALSE(seen[1].hasYes);
  // The name is kept, so Save tries the same file again, without a dialog.
  EXPECT_EQ(ListFilePath(session), Path(folder / "blocked.csv"));
  session.Command(ID_FILE_SAVE);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, Text("ファイルがオープンできません", L"Can't open file"));

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

struct RecordCase {
  const char* name;
  const char* file;  // the list file's bytes
  Shown shown;       // the controls afterwards (English texts)
  size_t rows;
  bool becomesCurrent;            // listFilePath takes the file
  const char* message = nullptr;  // the English message of a failed load
};

// Before each load the controls show: "before", Binary -> Text, 2 Byte, Big
// Endian, "%d", "tmpl"; the list holds one row.
const RecordCase kRecordCases[] = {
    {"settings record only",
     "D:\\o,1,8,1,%u,T\r\n",
     {L"D:\\o", L"Text -> Binary", L"8 Byte", L"Little Endian", L"%u", L"T"},
     0,
     true},
    {"LF line ends and a file record",
     "D:\\o,0,1,0,x,y\nin.bin,in.txt,in\n",
     {L"D:\\o", L"Binary -> Text", L"1 Byte", L"Big Endian", L"x", L"y"},
     1,
     true},
    {"blank before a number selects",
     "o, 1,\t4,1,f,t\r\n",
     {L"o", L"Text -> Binary", L"4 Byte", L"Little Endian", L"f", L"t"},
     0,
     true},
    {"numbers that name no item leave the boxes",
     "o,4x,3,,f\r\n",
     {L"o", L"Binary -> Text", L"2 Byte", L"Big Endian", L"f", L""},
     0,
     true},
    {"negative direction names no item",
     "o,-1,8,7,f,t\r\n",
     {L"o", L"Binary -> Text", L"8 Byte", L"Big Endian", L"f", L"t"},
     0,
     true},
    {"quoted cells",
     "\"a,b\",1,2,0,\"0x\"\"%X\",\"l1\r\nl2\"\r\n",
     {L"a,b", L"Text -> Binary", L"2 Byte", L"Big Endian", L"0x\"%X", L"l1\r\nl2"},
     0,
     true},
    {"empty file",
     "",
     {L"before", L"Binary -> Text", L"2 Byte", L"Big Endian", L"%d", L"tmpl"},
     0,
     false},
    {"unterminated quote",
     "D:\\o,1,8,1,%u,T\r\nin.bin,in.txt,in\r\n\"in2.bin,in2.txt,in2\r\n",
     {L"before", L"Binary -> Text", L"2 Byte", L"Big Endian", L"%d", L"tmpl"},
     1,
     false,
     "The quote on line 3 is never closed"},
};

TEST_P(MainWindowListFileTest, OpenPutsTheSettingsRecordIntoTheControls) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  test::WriteAll(folder / "a.bin", "a");
  for (const RecordCase& row : kRecordCases) {
    SCOPED_TRACE(row.name);
    session.SetText(IDC_OUTPUT_FOLDER, L"before");
    session.SelectCombo(IDC_CONVERT, 0);
    session.SelectCombo(IDC_DATA_SIZE, 1);
    session.SelectCombo(IDC_ENDIAN, 0);
    session.SetText(IDC_DATA_FORMAT, L"%d");
    session.SetText(IDC_ARRAY_FORMAT, L"tmpl");
    if (!session.ListRows().empty()) {
      session.Answer(uitest::PressButton(IDYES));
      session.Command(IDC_ALL_DELETE);
      session.TakeDialogs();
    }
    session.DropFiles({Path(folder / "a.bin")});
    ASSERT_EQ(session.ListRows().size(), 1u);
    const std::wstring previous = ListFilePath(session);
    const Rows rowsBefore = session.ListRows();

    // The dropped row changed the list: Open asks first (answered No).
    const std::filesystem::path file = folder / (std::string(row.name) + ".csv");
    test::WriteAll(file, row.file);
    session.Answer(uitest::PressButton(IDNO));
    session.Answer(uitest::ChooseFile(Path(file)));
    session.Command(ID_FILE_OPEN);
    const std::vector<SeenDialog> seen = session.TakeDialogs();
    ASSERT_EQ(seen.size(), row.message != nullptr ? 3u : 2u);
    EXPECT_EQ(
        seen[0].text.rfind(
            Text("ファイルリストへの変更を保存しますか？", L"Save changes to the file list?"), 0),
        0u)
        << testing::PrintToString(seen[0].text);
    EXPECT_TRUE(seen[0].hasYes && seen[0].hasNo);
    if (row.message != nullptr && !Japanese()) {
      EXPECT_EQ(seen[2].text, U(row.message) + L"\n" + Path(file));
    }

    Shown expected = row.shown;
    if (Japanese()) {
      // The boxes' items read in the window's language.
      expected.direction =
          expected.direction == L"Text -> Binary" ? U("テキスト→バイナリ") : U("バイナリ→テキスト");
      expected.order =
          expected.order == L"Little Endian" ? U("リトルエンディアン") : U("ビッグエンディアン");
      const size_t unit = expected.size.find(L" Byte");
      if (unit != std::wstring::npos) expected.size.replace(unit, 5, U(" バイト"));
    }
    EXPECT_EQ(ReadShown(session), expected);
    // A file that loads replaces the list; one that fails keeps it as it was.
    EXPECT_EQ(session.ListRows().size(), row.rows);
    if (row.message != nullptr) {
      EXPECT_EQ(session.ListRows(), rowsBefore);
    }
    EXPECT_EQ(session.ModelRows(), session.ListRows());
    EXPECT_EQ(ListFilePath(session), row.becomesCurrent ? Path(file) : previous);
  }
  // Cancel on the question opens nothing.
  const Rows kept = session.ListRows();
  session.Answer(uitest::PressButton(IDCANCEL));
  session.Command(ID_FILE_OPEN);
  EXPECT_EQ(session.TakeDialogs().size(), 1u);
  EXPECT_EQ(session.ListRows(), kept);
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// The files under root that are not inputs, by relative path, and removes
// them.
std::map<std::wstring, std::vector<uint8_t>> TakeOutputs(const std::filesystem::path& root,
                                                         const std::set<std::wstring>& inputs) {
  std::map<std::wstring, std::vector<uint8_t>> made;
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    if (item.is_regular_file() && inputs.count(Path(item.path())) == 0)
      files.push_back(item.path());
  }
  for (const auto& file : files) {
    made[Path(std::filesystem::relative(file, root))] = test::ReadAll(file);
    std::filesystem::remove(file);
  }
  return made;
}

// One list, run by the window's Execute and by brelvix-cli run, gives the same
// files: the output folder's trailing separators, and an empty folder putting
// each output beside its input.
TEST_P(MainWindowListFileTest, WindowAndCommandLineMakeTheSameFiles) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path root = session.folder().path() / "tree";
  std::filesystem::create_directories(root / "in" / "x");
  std::filesystem::create_directories(root / "in" / "y");
  std::filesystem::create_directories(root / "out");
  const std::filesystem::path inputs[] = {root / "in" / "x" / "a.bin", root / "in" / "y" / "b.bin"};
  test::WriteAll(inputs[0], std::string("\x01\x02\xFF 0x12 &H3456"));
  test::WriteAll(inputs[1], std::string(300, '\x7F'));
  const std::set<std::wstring> inputNames = {Path(inputs[0]), Path(inputs[1])};
  const std::string rows =
      Narrow(Path(inputs[0])) + ",a.txt,first\r\n" + Narrow(Path(inputs[1])) + ",b.txt,second\r\n";
  const struct {
    const char* name;
    std::string folder;
  } cases[] = {
      {"trailing separators", Narrow(Path(root / "out")) + "\\\\"},
      {"empty output folder", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path list = root / "list.csv";
    test::WriteAll(
        list, c.folder + ",0,2,1,0x%04X,\"short ($ARRAY_NAME)[] = {($ARRAY_DATA)};\"\r\n" + rows);
    session.Answer(uitest::ChooseFile(Path(list)));
    session.Command(ID_FILE_OPEN);
    session.Command(IDC_EXECUTE);
    EXPECT_TRUE(session.WaitForDialogs(2));
    EXPECT_TRUE(session.WaitForRunEnd());
    session.TakeDialogs();
    std::set<std::wstring> kept = inputNames;
    kept.insert(Path(list));
    const auto window = TakeOutputs(root, kept);
    EXPECT_EQ(window.size(), 2u);

    const test::ProcessResult cli =
        test::RunProcess(BX_CLI_PATH, {"run", "-q", Narrow(Path(list))}, root);
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(TakeOutputs(root, kept), window);
  }
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowListFileTest, RunsUnderTheExpectedCodePage) {
  const char* expected = std::getenv("BX_EXPECT_ACP");
  if (expected == nullptr) GTEST_SKIP() << "BX_EXPECT_ACP not set for this run";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

// On a Japanese system the list file holds Japanese names in code page 932
// and reads them back.
TEST_P(MainWindowListFileTest, JapaneseFileNamesRoundTripInCodePage932) {
  if (GetACP() != 932) GTEST_SKIP() << "needs the ANSI code page 932";
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path& folder = session.folder().path();
  const std::filesystem::path input = folder / std::filesystem::path(U("データ.bin"));
  test::WriteAll(input, "x");
  session.DropFiles({Path(input)});
  const Rows rows = {{Path(input), U("データ.txt"), U("データ")}};
  EXPECT_EQ(session.ListRows(), rows);

  const std::filesystem::path list = folder / "japanese.csv";
  session.Answer(uitest::ChooseFile(Path(list)));
  session.Command(ID_FILE_SAVE_AS);
  // "データ" in Shift_JIS.
  EXPECT_NE(FileText(list).find("\x83\x66\x81\x5B\x83\x5E.txt"), std::string::npos);

  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_ALL_DELETE);
  session.Answer(uitest::ChooseFile(Path(list)));
  session.Command(ID_FILE_OPEN);
  EXPECT_EQ(session.ListRows(), rows);
  EXPECT_EQ(session.ModelRows(), rows);
  EXPECT_EQ(session.TakeDialogs().size(), 3u);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// Names no code page of the system may hold (Japanese on 1252, an emoji and
// Hangul on 932) and a path past 260 units: added, shown, saved in a UTF-8
// list and loaded again (ui_cli_run_test runs such a list).
TEST_P(MainWindowListFileTest, AnyNameGoesThroughTheWindowAndTheCommandLine) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  const std::filesystem::path root = session.folder().path() / "any";
  const std::filesystem::path deep = root / std::string(120, 'd') / std::string(120, 'e');
  const std::filesystem::path out = root / std::filesystem::path(U("出力\xF0\x9F\x98\x80"));
  std::filesystem::create_directories(deep);
  std::filesystem::create_directories(out);
  const std::wstring japanese = U("日本語ファイル"), mixed = U("絵文字\xF0\x9F\x98\x80と한글");
  const std::filesystem::path inputs[] = {root / (japanese + L".bin"), root / (mixed + L".bin"),
                                          deep / (mixed + L".bin")};
  for (const auto& input : inputs)
    test::WriteAll(input, std::string("\x01\x02 0x12"));
  session.Answer(uitest::ChooseFiles(Path(root), {japanese + L".bin", mixed + L".bin"}));
  session.Command(IDC_ADD);
  session.DropFiles({Path(inputs[2])});
  const bool western = GetACP() == 1252;
  const std::wstring arrays[] = {western ? L"_______" : japanese,
                                 western ? L"_______" : U("絵文字_と__")};
  const Rows rows = {{Path(inputs[0]), japanese + L".txt", arrays[0]},
                     {Path(inputs[1]), mixed + L".txt", arrays[1]},
                     {Path(inputs[2]), mixed + L".txt", arrays[1]}};
  EXPECT_EQ(session.ListRows(), rows);
  ASSERT_GT(Path(inputs[2]).size(), 300u);

  session.SetText(IDC_OUTPUT_FOLDER, Path(out).c_str());
  const std::filesystem::path list = root / "any.csv";
  session.Answer(uitest::ChooseFile(Path(list)));
  session.Command(ID_FILE_SAVE_AS);
  EXPECT_EQ(FileText(list).substr(0, 3), "\xEF\xBB\xBF");
  session.Answer(uitest::PressButton(IDYES));
  session.Command(IDC_ALL_DELETE);
  session.Answer(uitest::ChooseFile(Path(list)));
  session.Command(ID_FILE_OPEN);
  EXPECT_EQ(session.ListRows(), rows);
  EXPECT_EQ(session.Text(IDC_OUTPUT_FOLDER), Path(out));
  session.TakeDialogs();

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

}  // namespace
