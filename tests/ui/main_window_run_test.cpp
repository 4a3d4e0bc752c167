// The conversion run in the main window: Execute with its settings update,
// the worker over every row with the two bars, the closing message, Cancel,
// the list commands refused while the worker reads the list, and closing the
// window during a run. The outputs are compared with the per-file
// conversion's own output for the same settings.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "resource.h"
#include "support/test_support.h"
#include "ui/main_window_driver.h"

namespace {

namespace fs = std::filesystem;
using uitest::MainWindowSession;
using uitest::SeenDialog;

// Upper bound of a wait that only a hang reaches.
constexpr DWORD kHangMs = 60000;

const char kDefaultTemplate[] = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";

std::wstring U(const char* utf8) {
  return test::Utf16(utf8);
}

std::wstring Path(const fs::path& path) {
  return test::WidePath(path);
}

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes)
    byte = static_cast<uint8_t>(generator());
  return bytes;
}

// Text that the text-to-binary direction reads: prefixed hex numbers, 16 to
// a line, about size bytes.
std::string HexText(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string text;
  text.reserve(size + 64);
  static const char kDigits[] = "0123456789ABCDEF";
  for (int n = 0; text.size() < size; ++n) {
    const unsigned value = generator() & 0xFF;
    text += "0x";
    text += kDigits[value >> 4];
    text += kDigits[value & 15];
    text += (n % 16 == 15) ? ",\r\n" : ", ";
  }
  return text;
}

// A manual-reset event, closed with its scope.
struct Event {
  HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Event() { CloseHandle(handle); }
  bool Wait() const { return WaitForSingleObject(handle, kHangMs) == WAIT_OBJECT_0; }
  void Set() const { SetEvent(handle); }
};

// What the conversion controls hold, as the per-file conversion gets it.
struct Settings {
  int32_t direction = 0;
  int32_t unitSize = 1;
  int32_t byteOrder = 0;
  std::string valueFormat = "0x%02X";
  std::string arrayTemplate = kDefaultTemplate;
};

// The per-file conversion of input with these settings, into a fresh folder,
// as the window's row for it (array name = stem) would have it. The texts of
// settings are 8-bit text in the ANSI code page, as the window hands them on.
std::vector<uint8_t> Reference(const fs::path& input, const Settings& settings) {
  test::TempDir folder;
  const wchar_t* extension = settings.direction == 0 ? L"txt" : L"bin";
  CString stem;
  CString extensionText;
  CString inputPath;
  CString folderPath;
  stem.AssignWide(input.stem().wstring().c_str());
  extensionText.AssignWide(extension);
  test::AssignPath(inputPath, input);
  test::AssignPath(folderPath, folder.path());
  FileConversionRequest request;
  request.direction = settings.direction;
  request.unitSize = settings.unitSize;
  request.byteOrder = settings.byteOrder;
  request.valueFormat = settings.valueFormat.c_str();
  request.arrayTemplate = settings.arrayTemplate.c_str();
  request.arrayName = stem.Text();
  request.outputFolder = folderPath.Text();
  request.outputStem = stem.Text();
  request.outputExtension = extensionText.Text();
  request.inputPath = inputPath.Text();
  SilentMonitor monitor;
  EXPECT_EQ(ConvertFile(request, monitor, nullptr), FileConversionStatus::Converted);
  return test::ReadAll(folder.path() / (input.stem().wstring() + L"." + extension));
}

// A UTF-8 literal as the window keeps it: 8-bit text in the ANSI code page.
std::string Ansi(const char* utf8) {
  CString text;
  text.AssignWide(U(utf8).c_str());
  return std::string(text.Text(), static_cast<size_t>(text.length));
}

// True when the ANSI code page holds the text without loss.
bool AnsiHolds(const char* utf8) {
  CString text;
  text.AssignWide(U(utf8).c_str());
  const wchar_t* back = text.GetWide();
  return back != nullptr && U(utf8) == back;
}

std::vector<std::string> FileNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Puts the settings into the controls; sizes and orders by their item.
void ShowSettings(MainWindowSession& session, const Settings& settings) {
  session.SelectCombo(IDC_CONVERT, settings.direction);
  const int sizeIndex = settings.unitSize == 8   ? 3
                        : settings.unitSize == 4 ? 2
                                                 : settings.unitSize - 1;
  session.SelectCombo(IDC_DATA_SIZE, sizeIndex);
  session.SelectCombo(IDC_ENDIAN, settings.byteOrder);
  session.SetText(IDC_DATA_FORMAT, U(settings.valueFormat.c_str()));
  session.SetText(IDC_ARRAY_FORMAT, U(settings.arrayTemplate.c_str()));
}

bool MenuItemGrayed(MainWindowSession& session, int id) {
  return (GetMenuState(GetMenu(session.window()), static_cast<UINT>(id), MF_BYCOMMAND) &
          MF_GRAYED) != 0;
}

bool AcceptsFiles(MainWindowSession& session) {
  return (GetWindowLongW(session.window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

const int kListButtons[] = {IDC_ADD, IDC_MODIFY, IDC_DELETE, IDC_ALL_DELETE};

// The control with the keyboard focus on the window's thread.
HWND Focus(MainWindowSession& session) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(session.window(), nullptr), &info);
  return info.hwndFocus;
}

std::string Describe(HWND window) {
  char name[64] = {};
  if (window != nullptr) GetClassNameA(window, name, 64);
  return std::string("window of class ") + name + ", id " + std::to_string(GetDlgCtrlID(window));
}

// A disabled control with the focus takes no keys: the keyboard is dead.
void ExpectFocusUsable(MainWindowSession& session) {
  HWND focus = Focus(session);
  EXPECT_TRUE(focus == nullptr || IsWindowEnabled(focus)) << Describe(focus);
}

// No run: Execute and the list commands usable, Cancel not.
void ExpectIdle(MainWindowSession& session) {
  EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_CANCEL_RUN)));
  // Each command where it can act: on the rows there are and those selected.
  const bool rows = session.app().fileList.entryCount > 0;
  const int selected = session.SelectedRowCount();
  const struct {
    int id;
    bool enabled;
  } states[] = {{IDC_EXECUTE, rows},
                {IDC_ADD, true},
                {IDC_MODIFY, selected == 1},
                {IDC_DELETE, selected > 0},
                {IDC_ALL_DELETE, rows}};
  for (const auto& state : states) {
    SCOPED_TRACE(state.id);
    EXPECT_EQ(IsWindowEnabled(session.Control(state.id)) != FALSE, state.enabled);
  }
  EXPECT_FALSE(MenuItemGrayed(session, ID_FILE_OPEN));
  EXPECT_TRUE(AcceptsFiles(session));
  EXPECT_EQ(session.app().worker.WorkingId(), 0u);
  ExpectFocusUsable(session);
}

// A run in progress: Cancel usable; Execute and the list commands not.
void ExpectRunning(MainWindowSession& session) {
  EXPECT_TRUE(IsWindowEnabled(session.Control(IDC_CANCEL_RUN)));
  EXPECT_FALSE(IsWindowEnabled(session.Control(IDC_EXECUTE)));
  for (const int id : kListButtons) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(IsWindowEnabled(session.Control(id)));
  }
  EXPECT_TRUE(MenuItemGrayed(session, ID_FILE_OPEN));
  EXPECT_FALSE(AcceptsFiles(session));
  EXPECT_NE(session.app().worker.WorkingId(), 0u);
  ExpectFocusUsable(session);
}

void ExpectRunMessage(const SeenDialog& seen, bool stopped, bool japanese) {
  EXPECT_EQ(seen.caption, L"Brelvix");
  if (stopped) {
    EXPECT_EQ(seen.text, japanese ? U("変換を中断しました") : L"Data convert stopped.");
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_WARNING));
  } else {
    EXPECT_EQ(seen.text, japanese ? U("変換が完了しました") : L"Data convert complete.");
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_INFORMATION));
  }
  EXPECT_TRUE(seen.hasOk);
  EXPECT_FALSE(seen.hasYes);
  EXPECT_FALSE(seen.hasNo);
}

// Execute, then the run's one message (answered OK) and the run's end.
std::vector<SeenDialog> ExecuteAndWait(MainWindowSession& session) {
  session.Command(IDC_EXECUTE);
  EXPECT_TRUE(session.WaitForDialogs(1));
  EXPECT_TRUE(session.WaitForRunEnd());
  return session.TakeDialogs();
}

class MainWindowRunTest : public testing::TestWithParam<int32_t> {
 protected:
  bool Japanese() const { return GetParam() == 1; }
};

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowRunTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int32_t>& info) {
                           return info.param == 1 ? std::string("Japanese")
                                                  : std::string("English");
                         });

TEST_P(MainWindowRunTest, RunConvertsEveryRowAndTheSecondRunNumbersTheNames) {
  uitest::DebugRecorder debug;
  MainWindowSession session(GetParam());
  const fs::path in = session.folder() / "in";
  const fs::path out = session.folder() / "out";
  fs::create_directories(in);
  fs::create_directories(out);
  test::WriteAll(in / "alpha.bin", RandomBytes(1001, 1));
  test::WriteAll(in / "empty.bin", std::string());
  test::WriteAll(in / "gone.bin", RandomBytes(10, 2));
  test::WriteAll(in / "beta.dat", RandomBytes(70000, 3));
  ASSERT_TRUE(session.Start());
  ExpectIdle(session);

  session.DropFiles({Path(in / "alpha.bin"), Path(in / "empty.bin"), Path(in / "gone.bin"),
                     Path(in / "beta.dat")});
  ASSERT_EQ(session.app().fileList.entryCount, 4);
  // A row whose input has gone is skipped, and named.
  fs::remove(in / "gone.bin");
  Settings settings;
  settings.unitSize = 2;
  settings.byteOrder = 1;
  settings.valueFormat = "0x%04X";
  ShowSettings(session, settings);
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));

  // The run is not "complete": a row was skipped and one had nothing in it.
  const std::wstring endMessage =
      Japanese() ? U("変換が終了しました。3 件を変換しました（全 4 件、うち警告 1 件）。失敗 0 "
                     "件、スキップ 1 件。\r\n\r\nempty.bin: 警告: 入力ファイルが空です\r\n"
                     "gone.bin: スキップ: 入力ファイルが見つかりません")
                 : L"Data convert finished: 3 of 4 files converted (1 with warnings), 0 failed, 1 "
                   L"skipped.\r\n\r\nempty.bin: warning: empty input\r\ngone.bin: skipped: input "
                   L"not found";
  std::vector<SeenDialog> seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, endMessage);
  EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
  // The whole-run bar counts bytes, in thousandths; the line names the last
  // row.
  EXPECT_EQ(session.ProgressRange(IDC_TOTAL_PROGRESS), std::make_pair(0, 1000));
  EXPECT_EQ(session.ProgressPosition(IDC_TOTAL_PROGRESS), 1000);
  EXPECT_EQ(session.ProgressPosition(IDC_FILE_PROGRESS), 100);
  EXPECT_EQ(session.Text(IDC_PROGRESS_TEXT)
                .rfind(Japanese() ? U("ファイル 4 / 4: ") : L"File 4 of 4: ", 0),
            0u)
      << testing::PrintToString(session.Text(IDC_PROGRESS_TEXT));
  ExpectIdle(session);
  EXPECT_EQ(session.WorkersStarted(), 1);

  const std::vector<uint8_t> alpha = Reference(in / "alpha.bin", settings);
  const std::vector<uint8_t> beta = Reference(in / "beta.dat", settings);
  ASSERT_FALSE(alpha.empty());
  EXPECT_EQ(FileNames(out), (std::vector<std::string>{"alpha.txt", "beta.txt", "empty.txt"}));
  EXPECT_EQ(test::ReadAll(out / "alpha.txt"), alpha);
  EXPECT_EQ(test::ReadAll(out / "beta.txt"), beta);
  EXPECT_TRUE(test::ReadAll(out / "empty.txt").empty());

  // Again into the same folder: nothing is replaced, the names get (1).
  seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, endMessage);
  EXPECT_EQ(session.ProgressPosition(IDC_TOTAL_PROGRESS), 1000);
  EXPECT_EQ(FileNames(out), (std::vector<std::string>{"alpha(1).txt", "alpha.txt", "beta(1).txt",
                                                      "beta.txt", "empty(1).txt", "empty.txt"}));
  EXPECT_EQ(test::ReadAll(out / "alpha(1).txt"), alpha);
  EXPECT_EQ(test::ReadAll(out / "beta(1).txt"), beta);
  EXPECT_EQ(test::ReadAll(out / "alpha.txt"), alpha);
  EXPECT_EQ(session.WorkersStarted(), 2);
  ExpectIdle(session);

  // One debug line per name tried.
  const std::vector<std::wstring> lines = debug.Lines();
  for (const char* line : {"\\alpha.txt (0)\n", "\\alpha.txt (-2)\n", "\\alpha(1).txt (0)\n",
                           "\\empty(1).txt (0)\n", "\\beta(1).txt (0)\n"}) {
    SCOPED_TRACE(line);
    const std::wstring expected = L"output file = " + Path(out) + U(line);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1);
  }

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST(MainWindowRunNamesTest, JapaneseNamesAndTemplateReachTheOutput) {
  // Under a Japanese locale (code page 932); elsewhere these names have no
  // 8-bit form and cannot be rows at all.
  if (!AnsiHolds("データ配列")) GTEST_SKIP() << "the ANSI code page has no Japanese";
  MainWindowSession session(1);
  const fs::path in = session.folder().path() / U("入力");
  const fs::path out = session.folder().path() / U("出力");
  fs::create_directories(in);
  fs::create_directories(out);
  const fs::path input = in / U("データ.bin");
  test::WriteAll(input, RandomBytes(3000, 17));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(input)});
  ASSERT_EQ(session.app().fileList.entryCount, 1);
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));
  // The file name and size markers of the template box too.
  const char kTemplateText[] =
      "/* 配列 ($FILE_NAME) ($ARRAY_SIZE) */ char ($ARRAY_NAME)[] = {($ARRAY_DATA)}; // 終";
  session.SetText(IDC_ARRAY_FORMAT, U(kTemplateText));

  const std::vector<SeenDialog> seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 1u);
  ExpectRunMessage(seen[0], false, true);
  Settings settings;
  settings.arrayTemplate = Ansi(kTemplateText);
  const std::vector<uint8_t> expected = Reference(input, settings);
  const std::string head = Ansi("/* 配列 データ.bin 3000 */ char データ[] = {");
  ASSERT_GE(expected.size(), head.size());
  EXPECT_EQ(std::string(expected.begin(), expected.begin() + static_cast<long>(head.size())), head);
  EXPECT_EQ(test::ReadAll(out / U("データ.txt")), expected);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowRunTest, ExecuteWithAnEmptyListDoesNothing) {
  MainWindowSession session(GetParam());
  ASSERT_TRUE(session.Start());
  // A changed setting would be saved by an Execute that got that far.
  session.SetText(IDC_DATA_FORMAT, L"%d");
  session.SendTo(IDC_FILE_PROGRESS, PBM_SETPOS, 40, 0);
  session.SendTo(IDC_TOTAL_PROGRESS, PBM_SETPOS, 60, 0);

  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(session.Flush());
  EXPECT_EQ(session.WorkersStarted(), 0);
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_FALSE(fs::exists(session.settingsFile()));
  EXPECT_EQ(session.parameter().data_format.Text(), std::string("0x%02X"));
  EXPECT_EQ(session.ProgressPosition(IDC_FILE_PROGRESS), 40);
  EXPECT_EQ(session.ProgressPosition(IDC_TOTAL_PROGRESS), 60);
  ExpectIdle(session);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST_P(MainWindowRunTest, AnInvalidFormatStartsNothingAndFailedRowsAreNamed) {
  MainWindowSession session(GetParam());
  const fs::path& folder = session.folder().path();
  for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"})
    test::WriteAll(folder / name, RandomBytes(100, 11));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.bin"), Path(folder / "c.bin"),
                     Path(folder / "d.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder / "out"));
  fs::create_directories(folder / "out");

  session.SetText(IDC_DATA_FORMAT, L"%s%n");
  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(session.Flush());
  std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  const std::wstring invalid =
      Japanese() ? U("データ形式が正しくないため") : L"The data format is not valid";
  EXPECT_EQ(seen[0].text.rfind(invalid, 0), 0u) << seen[0].text.size();
  EXPECT_NE(seen[0].text.find(L"%s%n"), std::wstring::npos);
  EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
  EXPECT_EQ(session.WorkersStarted(), 0);
  EXPECT_TRUE(FileNames(folder / "out").empty());

  // A missing folder is offered for creation; No starts nothing.
  session.SetText(IDC_DATA_FORMAT, L"0x%I64X");
  fs::remove(folder / "out");
  session.Command(IDC_EXECUTE);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  const std::wstring create = Japanese()
                                  ? U("出力先フォルダがありません。作成して変換しますか？")
                                  : L"The output folder does not exist. Create it and convert?";
  EXPECT_EQ(seen[0].text, create + L"\r\n\r\n" + Path(folder / "out"));
  EXPECT_TRUE(seen[0].hasYes && seen[0].hasNo);
  EXPECT_EQ(session.WorkersStarted(), 0);
  EXPECT_FALSE(fs::exists(folder / "out"));

  // A file in the folder's place cannot be written: named with the cause.
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder / "a.bin"));
  session.Command(IDC_EXECUTE);
  seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  const std::wstring notWritable =
      (Japanese() ? U("出力先フォルダに書き込めないため、変換を開始できません。")
                  : L"The output folder cannot be written, so the conversion was not started.") +
      L"\r\n\r\n" + Path(folder / "a.bin") + L"\r\n";
  EXPECT_EQ(seen[0].text.rfind(notWritable, 0), 0u);
  EXPECT_GT(seen[0].text.size(), notWritable.size()) << "the system's cause follows";
  EXPECT_EQ(session.WorkersStarted(), 0);

  // Yes creates the folder, and the run names each row that did not convert
  // cleanly: one whose output name the system refuses fails with the cause.
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder / "out" / "sub"));
  ASSERT_TRUE(session.app().fileList.ModifyFileEntry(1, WSTR(""), WSTR("b?.txt"), WSTR("b")));
  session.Answer(uitest::PressButton(IDYES));
  seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].text, create + L"\r\n\r\n" + Path(folder / "out" / "sub"));
  const std::wstring failed =
      Japanese() ? U("変換が終了しました。3 件を変換しました（全 4 件、うち警告 0 件）。失敗 1 "
                     "件、スキップ 0 件。\r\n\r\nb.bin: 失敗: 出力ファイルを作成できません: ")
                 : L"Data convert finished: 3 of 4 files converted (0 with warnings), 1 failed, 0 "
                   L"skipped.\r\n\r\nb.bin: failed: cannot create the output file: ";
  EXPECT_EQ(seen[1].text.rfind(failed, 0), 0u) << seen[1].text.size();
  EXPECT_GT(seen[1].text.size(), failed.size()) << "the system's cause follows";
  EXPECT_EQ(seen[1].icon, LoadIconW(nullptr, IDI_WARNING));
  EXPECT_EQ(FileNames(folder / "out" / "sub"),
            (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
  // The status column says the same of each row.
  EXPECT_EQ(session.Cell(0, 3), Japanese() ? U("変換済み: a.txt") : L"converted: a.txt");
  const std::wstring rowFailed = Japanese() ? U("失敗: 出力ファイルを作成できません: ")
                                            : L"failed: cannot create the output file: ";
  EXPECT_EQ(session.Cell(1, 3).rfind(rowFailed, 0), 0u);
  ExpectIdle(session);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// Picks the direction as the user does, and gives the rows' output names.
std::vector<std::wstring> SwitchDirection(MainWindowSession& session, int32_t direction) {
  session.SelectCombo(IDC_CONVERT, direction);
  session.Send(WM_COMMAND, MAKEWPARAM(IDC_CONVERT, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(session.Control(IDC_CONVERT)));
  std::vector<std::wstring> outputs;
  for (const auto& row : session.ListRows())
    outputs.push_back(row[1]);
  return outputs;
}

// A text-to-binary run: texts without numbers, with dropped numbers and empty
// ones are named with their warning; a direction switch gives the rows the
// new default extension but keeps a name the user chose.
TEST_P(MainWindowRunTest, WarnedRowsAreNamedAndTheDirectionSwitchRenamesDefaultsOnly) {
  MainWindowSession session(GetParam());
  const fs::path& folder = session.folder().path();
  test::WriteAll(folder / "ok.txt", std::string("0x01,0x02,"));
  test::WriteAll(folder / "none.txt", std::string("no numbers here"));
  test::WriteAll(folder / "dropped.txt", std::string("0x1FU,0x20,\n0x30h 0x40"));
  test::WriteAll(folder / "empty.txt", std::string());
  test::WriteAll(folder / "keep.txt", std::string("0x03 "));
  ASSERT_TRUE(session.Start());
  session.SelectCombo(IDC_CONVERT, 0);
  session.DropFiles({Path(folder / "ok.txt"), Path(folder / "none.txt"),
                     Path(folder / "dropped.txt"), Path(folder / "empty.txt"),
                     Path(folder / "keep.txt")});
  ASSERT_TRUE(session.app().fileList.ModifyFileEntry(4, WSTR(""), WSTR("keep.h"), WSTR("k")));
  EXPECT_EQ(
      SwitchDirection(session, 1),
      (std::vector<std::wstring>{L"ok.bin", L"none.bin", L"dropped.bin", L"empty.bin", L"keep.h"}));
  const fs::path out = folder / "out";
  fs::create_directories(out);
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));

  const std::vector<SeenDialog> seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text,
            Japanese()
                ? U("変換が終了しました。5 件を変換しました（全 5 件、うち警告 3 件）。失敗 0 "
                    "件、スキップ 0 件。\r\n\r\nnone.txt: 警告: 数値が見つかりません\r\n"
                    "dropped.txt: 警告: 2 個の数値を読み飛ばしました\r\n"
                    "empty.txt: 警告: 入力ファイルが空です")
                : L"Data convert finished: 5 of 5 files converted (3 with warnings), 0 "
                  L"failed, 0 skipped.\r\n\r\nnone.txt: warning: no numbers found\r\n"
                  L"dropped.txt: warning: 2 numbers dropped\r\nempty.txt: warning: empty "
                  L"input");
  EXPECT_EQ(FileNames(out),
            (std::vector<std::string>{"dropped.bin", "empty.bin", "keep.h", "none.bin", "ok.bin"}));
  EXPECT_EQ(test::ReadAll(out / "ok.bin"), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(test::ReadAll(out / "keep.h"), (std::vector<uint8_t>{3}));

  // Back: the defaults follow, the chosen name stays.
  EXPECT_EQ(
      SwitchDirection(session, 0),
      (std::vector<std::wstring>{L"ok.txt", L"none.txt", L"dropped.txt", L"empty.txt", L"keep.h"}));

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// One control changed between two runs, and what the settings file must then
// hold.
struct SaveCase {
  const char* name;
  std::function<void(MainWindowSession&, const fs::path& folder)> change;
  std::function<void(const CAppParameter& stored, const fs::path& folder)> check;
};

std::string Text(const CString& text) {
  return std::string(text.Text(), static_cast<size_t>(text.length));
}

const SaveCase kSaveCases[] = {
    {"output folder",
     [](MainWindowSession& s, const fs::path& folder) {
       s.SetText(IDC_OUTPUT_FOLDER, Path(folder / "second"));
     },
     [](const CAppParameter& p, const fs::path& folder) {
       CString expected;
       test::AssignPath(expected, folder / "second");
       EXPECT_EQ(Text(p.output_path), Text(expected));
     }},
    {"direction", [](MainWindowSession& s, const fs::path&) { s.SelectCombo(IDC_CONVERT, 1); },
     [](const CAppParameter& p, const fs::path&) { EXPECT_EQ(p.convert, 1); }},
    {"unit size", [](MainWindowSession& s, const fs::path&) { s.SelectCombo(IDC_DATA_SIZE, 3); },
     [](const CAppParameter& p, const fs::path&) { EXPECT_EQ(p.data_size, 8); }},
    {"byte order", [](MainWindowSession& s, const fs::path&) { s.SelectCombo(IDC_ENDIAN, 1); },
     [](const CAppParameter& p, const fs::path&) { EXPECT_EQ(p.endian, 1); }},
    {"value format",
     [](MainWindowSession& s, const fs::path&) { s.SetText(IDC_DATA_FORMAT, L"%02x"); },
     [](const CAppParameter& p, const fs::path&) { EXPECT_EQ(Text(p.data_format), "%02x"); }},
    {"array template",
     [](MainWindowSession& s, const fs::path&) {
       s.SetText(IDC_ARRAY_FORMAT, L"x[] = {($ARRAY_DATA)}");
     },
     [](const CAppParameter& p, const fs::path&) {
       EXPECT_EQ(Text(p.array_format), "x[] = {($ARRAY_DATA)}");
     }},
};

TEST(MainWindowRunSettingsTest, ExecuteSavesTheSettingsOnlyWhenAControlChanged) {
  MainWindowSession session(0);
  const fs::path& folder = session.folder().path();
  fs::create_directories(folder / "first");
  fs::create_directories(folder / "second");
  test::WriteAll(folder / "row.bin", RandomBytes(100, 4));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "row.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder / "first"));
  // The first Execute takes the typed folder, a change; the settings file is
  // then removed so that each case can see whether it is written again.
  ExecuteAndWait(session);
  ASSERT_TRUE(fs::exists(session.settingsFile()));
  fs::remove(session.settingsFile());

  ExecuteAndWait(session);
  EXPECT_FALSE(fs::exists(session.settingsFile())) << "nothing changed";

  for (const SaveCase& item : kSaveCases) {
    SCOPED_TRACE(item.name);
    item.change(session, folder);
    ExecuteAndWait(session);
    ASSERT_TRUE(fs::exists(session.settingsFile()));
    CAppParameter stored;
    stored.settingsPath.Assign(session.parameter().settingsPath);
    ASSERT_EQ(stored.Load(), 1);
    item.check(stored, folder);
    fs::remove(session.settingsFile());

    ExecuteAndWait(session);
    EXPECT_FALSE(fs::exists(session.settingsFile())) << "the same again is no change";
  }

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// A settings file that cannot be written (a folder stands in its place) is
// reported at the first Execute that changes a setting, and only then.
TEST(MainWindowRunSettingsTest, AFailedSettingsSaveIsShownOnce) {
  for (const int32_t language : {0, 1}) {
    SCOPED_TRACE(language);
    MainWindowSession session(language);
    const fs::path& folder = session.folder().path();
    fs::create_directories(session.settingsFile());
    test::WriteAll(folder / "row.bin", RandomBytes(10, 5));
    ASSERT_TRUE(session.Start());
    session.DropFiles({Path(folder / "row.bin")});
    session.SetText(IDC_OUTPUT_FOLDER, Path(folder));
    session.Command(IDC_EXECUTE);
    ASSERT_TRUE(session.WaitForDialogs(2));
    EXPECT_TRUE(session.WaitForRunEnd());
    std::vector<SeenDialog> seen = session.TakeDialogs();
    EXPECT_EQ(seen[0].text,
              language == 1
                  ? U("設定ファイルに保存できませんでした。設定はこのセッションの間だけ有効です。")
                  : L"The settings could not be saved to the settings file; "
                    L"they hold for this session only.");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));

    session.SetText(IDC_DATA_FORMAT, L"%02x");
    seen = ExecuteAndWait(session);
    EXPECT_EQ(seen.size(), 1u) << "the run's own message only";
    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }
}

// A cancel that arrives while the first, large row is being converted.
struct CancelCase {
  const char* name;
  int32_t language;
  Settings settings;
};

const CancelCase kCancelCases[] = {
    {"binary to text, English", 0, Settings{0, 1, 0, "0x%02X", kDefaultTemplate}},
    {"binary to text, 4-byte units, Japanese", 1,
     Settings{0, 4, 1, "0x%08X", "int ($ARRAY_NAME)[] = {($ARRAY_DATA)}; /* end */"}},
    {"text to binary, 2-byte units, English", 0, Settings{1, 2, 0, "0x%02X", kDefaultTemplate}},
};

TEST(MainWindowRunCancelTest, CancelStopsTheRunAndLeavesNoFileOfTheRowCut) {
  for (const CancelCase& item : kCancelCases) {
    SCOPED_TRACE(item.name);
    const Settings& settings = item.settings;
    MainWindowSession session(item.language);
    const fs::path& folder = session.folder().path();
    const fs::path out = folder / "out";
    fs::create_directories(out);
    const fs::path big = folder / (settings.direction == 0 ? "big.bin" : "big.txt");
    if (settings.direction == 0) {
      test::WriteAll(big, RandomBytes(size_t{4} << 20, 5));
    } else {
      test::WriteAll(big, HexText(size_t{4} << 20, 6));
    }
    if (settings.direction == 0) {
      test::WriteAll(folder / "next.bin", RandomBytes(100, 7));
    } else {
      test::WriteAll(folder / "next.bin", HexText(100, 7));
    }
    ASSERT_TRUE(session.Start());
    // The direction box decides the output names' extension when rows are
    // added, so it is set first.
    ShowSettings(session, settings);
    session.DropFiles({Path(big), Path(folder / "next.bin")});
    ASSERT_EQ(session.app().fileList.entryCount, 2);
    session.SetText(IDC_OUTPUT_FOLDER, Path(out));

    // Cancel as soon as the file bar first moves, and as the keyboard does
    // it: the focus on the button, then its click through the window's
    // thread. Sent, so the worker goes on only once the cancel has been taken.
    std::atomic<int32_t> movedAt{-1};
    wchar_t lineDuringRun[256] = {};
    session.ObserveProgress([&](int32_t percent) {
      if (percent <= 0 || movedAt >= 0) return;
      movedAt = percent;
      GetWindowTextW(session.Control(IDC_PROGRESS_TEXT), lineDuringRun, 256);
      SendMessageW(session.window(), WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(session.Control(IDC_CANCEL_RUN)), TRUE);
      SendMessageW(session.window(), WM_COMMAND, MAKEWPARAM(IDC_CANCEL_RUN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(session.Control(IDC_CANCEL_RUN)));
    });

    const std::vector<SeenDialog> seen = ExecuteAndWait(session);
    ASSERT_EQ(seen.size(), 1u);
    const std::string input = big.filename().string();
    EXPECT_EQ(
        seen[0].text,
        item.language == 1
            ? U(("変換を中断しました。0 件を変換しました（全 2 件、うち警告 0 件）。失敗 0 "
                 "件、スキップ 0 件。\r\n\r\n" +
                 input + ": 中断したため出力していません")
                    .c_str())
            : U(("Data convert stopped: 0 of 2 files converted (0 with warnings), 0 failed, 0 "
                 "skipped.\r\n\r\n" +
                 input + ": stopped, not written")
                    .c_str()));
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_GT(movedAt.load(), 0);
    EXPECT_LT(movedAt.load(), 100);
    // During the run the line named the file and its bytes; the cancelled
    // row's bytes are not counted done.
    const std::wstring line = lineDuringRun;
    EXPECT_EQ(line.rfind((item.language == 1 ? U("ファイル 1 / 2: ") : L"File 1 of 2: ") +
                             test::Utf16(input) + L" \u2014 ",
                         0),
              0u)
        << testing::PrintToString(line);
    EXPECT_EQ(session.ProgressRange(IDC_TOTAL_PROGRESS), std::make_pair(0, 1000));
    EXPECT_LT(session.ProgressPosition(IDC_TOTAL_PROGRESS), 1000);
    ExpectIdle(session);

    // The row cut short would pass for a whole one: nothing of it is left.
    EXPECT_TRUE(FileNames(out).empty()) << "no output, no temporary file, no second row";
    const std::string extension = settings.direction == 0 ? ".txt" : ".bin";
    const std::vector<uint8_t> whole = Reference(big, settings);

    // The next run starts afresh and converts the whole file.
    session.ObserveProgress({});
    const std::vector<SeenDialog> again = ExecuteAndWait(session);
    ASSERT_EQ(again.size(), 1u);
    ExpectRunMessage(again[0], false, item.language == 1);
    EXPECT_EQ(test::ReadAll(out / ("big" + extension)), whole);

    session.Command(IDCANCEL);
    EXPECT_EQ(session.WaitForExit(), 1);
  }
}

// Holds the worker inside its first progress report until released, so that
// the test can act while the run is certainly active.
class WorkerPause {
 public:
  explicit WorkerPause(MainWindowSession& session) {
    session.ObserveProgress([this](int32_t percent) {
      if (percent <= 0 || held_.exchange(true)) return;
      paused_.Set();
      resume_.Wait();
    });
  }
  // Releases a worker still held when a check failed early.
  ~WorkerPause() { resume_.Set(); }
  bool WaitUntilPaused() { return paused_.Wait(); }
  void Resume() { resume_.Set(); }

 private:
  std::atomic<bool> held_{false};
  Event paused_;
  Event resume_;
};

TEST(MainWindowRunListTest, ListCommandsAreRefusedDuringARun) {
  MainWindowSession session(0);
  const fs::path& folder = session.folder().path();
  fs::create_directories(folder / "out");
  test::WriteAll(folder / "a.bin", RandomBytes(50000, 8));
  test::WriteAll(folder / "b.bin", RandomBytes(300, 9));
  test::WriteAll(folder / "c.bin", RandomBytes(30, 10));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder / "out"));
  const uitest::Rows rows = session.ListRows();
  ASSERT_EQ(rows.size(), 2u);

  // Execute pressed from the keyboard: the focus must leave it as it is
  // disabled, and leave Cancel as the run ends. (Another program's window
  // that takes the activation, as tests running side by side do, takes the
  // focus too; the checks then see none.)
  session.Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(session.Control(IDC_EXECUTE)), TRUE);
  WorkerPause pause(session);
  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(pause.WaitUntilPaused());
  ASSERT_TRUE(session.Flush());
  ExpectRunning(session);

  // Every way of changing the list, each with the answer that would change
  // it queued: a refused command opens no dialog and uses no answer.
  const uitest::DialogAction renameRow = [](HWND dialog) {
    SetWindowTextW(GetDlgItem(dialog, IDC_ARRAY_NAME), L"renamed");
    uitest::ClickButton(dialog, IDOK);
  };
  struct Refused {
    int id;
    uitest::DialogAction answer;
  };
  const Refused commands[] = {
      {IDC_ADD, uitest::ChooseFile(Path(folder / "c.bin"))},
      {IDC_MODIFY, renameRow},
      {IDC_DELETE, uitest::PressButton(IDYES)},
      {IDC_ALL_DELETE, uitest::PressButton(IDYES)},
      // Loading empties the list before it reads the chosen file.
      {ID_FILE_OPEN, uitest::ChooseFile(Path(folder / "c.bin"))},
  };
  session.SelectRows({1});
  for (const Refused& command : commands) {
    SCOPED_TRACE(command.id);
    session.Answer(command.answer);
    session.Command(command.id);
    EXPECT_EQ(session.PendingAnswers(), 1u);
    session.ClearAnswers();
    EXPECT_EQ(session.ModelRows(), rows);
  }
  NMITEMACTIVATE click = {};
  click.hdr.hwndFrom = session.Control(IDC_FILE_LIST);
  click.hdr.idFrom = IDC_FILE_LIST;
  click.hdr.code = NM_DBLCLK;
  click.iItem = 1;
  session.Answer(renameRow);
  session.Send(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(session.PendingAnswers(), 1u);
  session.ClearAnswers();
  session.DropFiles({Path(folder / "c.bin")});
  // Execute reached all the same (its button is disabled) starts nothing.
  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(session.Flush());
  EXPECT_TRUE(session.TakeDialogs().empty());
  EXPECT_EQ(session.ListRows(), rows);
  EXPECT_EQ(session.ModelRows(), rows);
  EXPECT_EQ(session.WorkersStarted(), 1);
  EXPECT_EQ(session.DialogsShown(), 0);
  ExpectRunning(session);

  pause.Resume();
  ASSERT_TRUE(session.WaitForDialogs(1));
  ASSERT_TRUE(session.WaitForRunEnd());
  const std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 1u);
  ExpectRunMessage(seen[0], false, false);
  EXPECT_EQ(FileNames(folder / "out"), (std::vector<std::string>{"a.txt", "b.txt"}));
  ExpectIdle(session);

  // After the run the list takes files again.
  session.DropFiles({Path(folder / "c.bin")});
  EXPECT_EQ(session.app().fileList.entryCount, 3);

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

TEST(MainWindowRunListTest, ControlsAreReadAtTheStartOfEveryFile) {
  MainWindowSession session(0);
  const fs::path& folder = session.folder().path();
  const fs::path out = folder / "out";
  fs::create_directories(out);
  test::WriteAll(folder / "a.bin", RandomBytes(50000, 11));
  test::WriteAll(folder / "b.bin", RandomBytes(5000, 12));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "a.bin"), Path(folder / "b.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));
  const Settings first;
  ShowSettings(session, first);

  WorkerPause pause(session);
  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(pause.WaitUntilPaused());
  ASSERT_TRUE(fs::exists(session.settingsFile())) << "the typed folder was saved at Execute";
  fs::remove(session.settingsFile());
  // Changed while the first file is converted: the second file takes it.
  Settings second;
  second.unitSize = 2;
  second.byteOrder = 1;
  second.valueFormat = "%u";
  second.arrayTemplate = "($ARRAY_NAME): ($ARRAY_DATA) .";
  ShowSettings(session, second);
  pause.Resume();
  ASSERT_TRUE(session.WaitForDialogs(1));
  ASSERT_TRUE(session.WaitForRunEnd());
  session.TakeDialogs();

  EXPECT_EQ(test::ReadAll(out / "a.txt"), Reference(folder / "a.bin", first));
  EXPECT_EQ(test::ReadAll(out / "b.txt"), Reference(folder / "b.bin", second));
  EXPECT_FALSE(fs::exists(session.settingsFile())) << "only Execute saves";

  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// No control shows the number syntax: the stored one reaches the rows.
TEST(MainWindowRunListTest, TheStoredNumberSyntaxReachesTheRows) {
  MainWindowSession session(0, [](CAppParameter& parameter) { parameter.number_syntax = 1; });
  const fs::path& folder = session.folder().path();
  const fs::path out = folder / "out";
  fs::create_directories(out);
  test::WriteAll(folder / "c.txt", std::string("{0x01,0x02}\r\nf(0X3);"));
  ASSERT_TRUE(session.Start());
  Settings settings;
  settings.direction = 1;
  ShowSettings(session, settings);
  session.DropFiles({Path(folder / "c.txt")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));
  const std::vector<SeenDialog> seen = ExecuteAndWait(session);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(test::ReadAll(out / "c.bin"), (std::vector<uint8_t>{1, 2, 3}));
  session.Command(IDCANCEL);
  EXPECT_EQ(session.WaitForExit(), 1);
}

// The ways to close the window, each as the window receives it.
struct CloseCase {
  const char* name;
  UINT message;
  WPARAM wParam;
};

// Answers the questions of a close during a run: Yes to stopping the run
// (Yes / No), No to saving the list (Yes / No / Cancel).
void StopTheRunDropTheList(HWND dialog) {
  HWND cancel = GetDlgItem(dialog, IDCANCEL);
  uitest::ClickButton(dialog, cancel != nullptr && IsWindowVisible(cancel) ? IDNO : IDYES);
}

const CloseCase kCloseCases[] = {
    {"Esc", WM_COMMAND, IDCANCEL},
    {"close box", WM_CLOSE, 0},
    {"File > Exit", WM_COMMAND, ID_FILE_EXIT},
};

TEST(MainWindowRunCloseTest, ClosingDuringARunCancelsAndEndsWithoutTheMessage) {
  for (const CloseCase& item : kCloseCases) {
    SCOPED_TRACE(item.name);
    MainWindowSession session(0);
    const fs::path& folder = session.folder().path();
    const fs::path out = folder / "out";
    fs::create_directories(out);
    test::WriteAll(folder / "big.bin", RandomBytes(size_t{4} << 20, 13));
    ASSERT_TRUE(session.Start());
    session.DropFiles({Path(folder / "big.bin")});
    session.SetText(IDC_OUTPUT_FOLDER, Path(out));

    // The close is posted as the window would get it, while the worker is in
    // the middle of the file; the worker goes on once the close has cancelled
    // the run.
    std::atomic<bool> closed{false};
    session.ObserveProgress([&](int32_t percent) {
      if (percent <= 0 || closed.exchange(true)) return;
      PostMessageW(session.window(), item.message, item.wParam, 0);
      const ULONGLONG limit = GetTickCount64() + kHangMs;
      while (session.app().cancelRequested.load() == 0 && GetTickCount64() < limit)
        SwitchToThread();
    });
    session.Answer(&StopTheRunDropTheList);
    session.Answer(&StopTheRunDropTheList);
    session.Command(IDC_EXECUTE);
    EXPECT_EQ(session.WaitForExit(), 1);
    EXPECT_TRUE(closed.load());
    EXPECT_TRUE(session.WaitForRunEnd()) << "the worker ended before Run returned";
    // The two questions, and no run message while closing.
    const std::vector<SeenDialog> seen = session.TakeDialogs();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"A conversion is running. Stop it and close the window?");
    EXPECT_EQ(seen[0].defaultId, IDNO) << "Enter does not stop a run";
    EXPECT_EQ(seen[1].text, L"Save changes to the file list?");
    EXPECT_EQ(session.app().worker.WorkingId(), 0u);

    EXPECT_TRUE(FileNames(out).empty()) << "the row cut short leaves no file";
  }
}

TEST(MainWindowRunCloseTest, EscRightAfterExecuteAsksAndEndsTheRun) {
  MainWindowSession session(0);
  const fs::path& folder = session.folder().path();
  const fs::path out = folder / "out";
  fs::create_directories(out);
  test::WriteAll(folder / "big.bin", RandomBytes(size_t{4} << 20, 15));
  test::WriteAll(folder / "next.bin", RandomBytes(100, 16));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "big.bin"), Path(folder / "next.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(out));

  // Both queued at once: Esc is handled as soon as Execute has returned.
  session.Post(session.window(), WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, BN_CLICKED),
               reinterpret_cast<LPARAM>(session.Control(IDC_EXECUTE)));
  session.Answer(&StopTheRunDropTheList);
  session.Answer(&StopTheRunDropTheList);
  session.Post(session.window(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(session.WaitForExit(), 1);
  EXPECT_EQ(session.WorkersStarted(), 1);
  EXPECT_TRUE(session.WaitForRunEnd());
  // The close asked (to stop the run, unless it had ended, and about the
  // changed list); a run that ended meanwhile may have told so.
  int questions = 0;
  for (const SeenDialog& seen : session.TakeDialogs())
    questions += seen.hasYes && seen.hasNo ? 1 : 0;
  EXPECT_GE(questions, 1);
  // The run goes on while the questions are up, so it may have got further;
  // a row the stop cut short leaves nothing, every other output is whole.
  if (fs::exists(out / "big.txt")) {
    EXPECT_EQ(test::ReadAll(out / "big.txt"), Reference(folder / "big.bin", Settings{}));
  }
  if (fs::exists(out / "next.txt")) {
    EXPECT_EQ(test::ReadAll(out / "next.txt"), Reference(folder / "next.bin", Settings{}));
  }
  for (const std::string& name : FileNames(out))
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(MainWindowRunCloseTest, ClosingAsTheMessageOpensEndsIt) {
  MainWindowSession session(0);
  const fs::path& folder = session.folder().path();
  test::WriteAll(folder / "a.bin", RandomBytes(10, 15));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "a.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder));

  // The worker has decided to show its message; as the box is being made,
  // the window is closed, and the box is made only once the close waits for
  // the worker. The close must still end it, or it would wait for ever.
  const DWORD windowThread = GetWindowThreadProcessId(session.window(), nullptr);
  std::atomic<bool> closed{false};
  session.ObserveCreation([&](HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (GetCurrentThreadId() == windowThread || std::wcscmp(className, L"#32770") != 0 ||
        closed.exchange(true)) {
      return;
    }
    PostMessageW(session.window(), WM_COMMAND, IDCANCEL, 0);
    const ULONGLONG limit = GetTickCount64() + kHangMs;
    while (session.app().cancelRequested.load() == 0 && GetTickCount64() < limit)
      SwitchToThread();
  });
  session.Answer(&StopTheRunDropTheList);
  // The message itself is left unanswered: only the close may end it.
  session.Answer([](HWND) {});
  session.Command(IDC_EXECUTE);
  EXPECT_EQ(session.WaitForExit(), 1);
  EXPECT_TRUE(closed.load());
  EXPECT_TRUE(session.WaitForRunEnd());
  const std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_GE(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Save changes to the file list?");
  EXPECT_TRUE(fs::exists(folder / "a.txt"));
}

TEST(MainWindowRunCloseTest, ClosingWhileTheMessageIsShownEndsIt) {
  MainWindowSession session(1);
  const fs::path& folder = session.folder().path();
  test::WriteAll(folder / "a.bin", RandomBytes(10, 14));
  ASSERT_TRUE(session.Start());
  session.DropFiles({Path(folder / "a.bin")});
  session.SetText(IDC_OUTPUT_FOLDER, Path(folder));

  // The message stays up, unanswered, and the window is closed under it.
  Event shown;
  session.Answer([&](HWND) { shown.Set(); });
  session.Command(IDC_EXECUTE);
  ASSERT_TRUE(shown.Wait());
  session.Post(session.window(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(session.WaitForExit(), 1);
  EXPECT_TRUE(session.WaitForRunEnd());
  // The run's message, then the question about the changed list (No); the
  // run has ended, so nothing asks to stop it.
  const std::vector<SeenDialog> seen = session.TakeDialogs();
  ASSERT_EQ(seen.size(), 2u);
  ExpectRunMessage(seen[0], false, true);
  EXPECT_EQ(seen[1].text, test::Utf16("ファイルリストへの変更を保存しますか？"));
  EXPECT_TRUE(fs::exists(folder / "a.txt"));
}

}  // namespace
