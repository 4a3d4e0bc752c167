#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/codepage.h"
#include "bx_version.h"
#include "config/config_test_support.h"
#include "convert/app_parameter.h"

using configtest::Bytes;
using configtest::DebugLines;

namespace {

namespace fs = std::filesystem;

[[maybe_unused]] fs::path PathOf(CString& text) {
  const WideChar* wide = text.GetWide();
  return fs::path(std::basic_string<WideChar>(wide != nullptr ? wide : WSTR("")));
}

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::optional<std::string> GetEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

#if !defined(_WIN32)
void SetEnvironment(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}
#endif

const char kSeparator =
#if defined(_WIN32)
    '\\';
#else
    '/';
#endif

class AppParameterTest : public testing::Test {
 protected:
  void SetUp() override {
#if !defined(_WIN32)
    // The per-user data folder lands in this test's folder, not in $HOME.
    savedDataHome_ = GetEnvironment("XDG_DATA_HOME");
    savedHome_ = GetEnvironment("HOME");
    SetEnvironment("XDG_DATA_HOME", (dir_ / "data").string());
#endif
  }
  void TearDown() override {
#if !defined(_WIN32)
    SetEnvironment("XDG_DATA_HOME", savedDataHome_);
    SetEnvironment("HOME", savedHome_);
#endif
  }

  void UseFile(CAppParameter& parameter, const std::string& name) {
    test::AssignPath(parameter.settingsPath, dir_ / name);
  }
  void MakePredictable(CAppParameter& parameter) {
    parameter.currentPath.AssignWide(WSTR("C:\\work"));
    parameter.tempPath.AssignWide(WSTR("C:\\temp"));
    parameter.logPath.AssignWide(WSTR("D:\\log"));
    UseFile(parameter, "brelvix.ini");
  }
  void WriteSettings(const std::string& content) {
    test::WriteAll(dir_ / "brelvix.ini", content);
  }
  std::string SavedText() {
    return Text(test::ReadAll(dir_ / "brelvix.ini"));
  }

  test::TempDir dir_;
  std::optional<std::string> savedDataHome_;
  std::optional<std::string> savedHome_;
};

TEST_F(AppParameterTest, ConstructionDefaults) {
  CAppParameter parameter;
  EXPECT_EQ(parameter.output_path.length, 0);
  EXPECT_EQ(Bytes(&parameter.data_format), "0x%02X");
  EXPECT_EQ(Bytes(&parameter.array_format),
            "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};");
  EXPECT_EQ(parameter.convert, 0);
  EXPECT_EQ(parameter.data_size, 1);
  EXPECT_EQ(parameter.endian, 0);
  EXPECT_EQ(parameter.language, -1) << "the settings-store part is built too";
}

TEST_F(AppParameterTest, Identity) {
  CAppParameter parameter;
  CCommConfig& config = parameter;  // through the virtual slots
  EXPECT_EQ(WideString(config.GetVersion()), WSTR(BX_VERSION_TEXT));
  EXPECT_EQ(WideString(config.GetTitle(0)), WSTR("Brelvix"));
  EXPECT_EQ(WideString(config.GetTitle(1)), WSTR("Brelvix"));
  EXPECT_EQ(config.GetMenuId(1), ResourceNumber(10013));
  EXPECT_EQ(config.GetMenuId(0), ResourceNumber(10014));
  EXPECT_EQ(config.GetMenuId(-1), ResourceNumber(10014));

  const WideString japaneseHelp = config.GetHelpPage(1);
  const WideString englishHelp = config.GetHelpPage(0);
  const WideString japanesePath = WSTR("/soft/brelvix/help");
  const WideString englishPath = WSTR("/en/brelvix/help");
  EXPECT_EQ(japaneseHelp.rfind(WSTR("https://"), 0), 0u);
  EXPECT_EQ(japaneseHelp.substr(japaneseHelp.size() - japanesePath.size()), japanesePath);
  EXPECT_EQ(englishHelp.substr(englishHelp.size() - englishPath.size()), englishPath);
  EXPECT_EQ(WideString(config.GetHelpPage(-1)), englishHelp);

  struct MenuRow {
    const WideChar* name;
    int32_t position;
  };
  const MenuRow menus[] = {
      {WSTR("File"), 0},  {WSTR("Help"), 1}, {WSTR("Window"), 0}, {WSTR("help"), 0},
      {WSTR("Help "), 0}, {WSTR("Hel"), 0},  {WSTR(""), 0},       {nullptr, 0},
  };
  for (size_t i = 0; i < sizeof menus / sizeof menus[0]; ++i) {
    const MenuRow& row = menus[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(config.GetMenuPosition(row.name), row.position);
  }

  struct ResourceRow {
    int32_t number;
    ResourceName name;
  };
  const ResourceRow resources[] = {
      {10010, nullptr},
      {10011, ResourceNumber(10011)},
      {10012, ResourceNumber(10012)},
      {10016, ResourceNumber(10016)},
      {10017, nullptr},
      {0, nullptr},
      {-10011, nullptr},
  };
  for (const ResourceRow& row : resources) {
    SCOPED_TRACE(row.number);
    EXPECT_EQ(config.GetResourceId(row.number), row.name);
  }
  EXPECT_EQ(reinterpret_cast<uintptr_t>(ResourceNumber(10013)), 10013u);
}

// Help Topics opens the page the release carries beside the program; the web
// page only when that one is missing.
TEST_F(AppParameterTest, HelpPageBesideTheProgramWins) {
  struct Row {
    const char* name;
    int32_t language;
    const char* present;   // the page in help/ beside the program, or null
    const char* expected;  // a file in help/, or null for the web page
  };
  const Row rows[] = {
      {"English page there", 0, "en.html", "en.html"},
      {"Japanese page there", 1, "ja.html", "ja.html"},
      {"Japanese page missing", 1, "en.html", nullptr},
      {"no help folder", 0, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir root;
    fs::create_directory(root / "help");
    if (row.present != nullptr) test::WriteAll(root / "help" / row.present, "<html></html>");
    CAppParameter parameter;
    test::AssignPath(parameter.appPath, root.path());
    CString page;
    parameter.FindHelpPage(row.language, page);
    CString expected;
    if (row.expected != nullptr) {
      test::AssignPath(expected, root / "help" / row.expected);
    } else {
      expected.AssignWide(parameter.GetHelpPage(row.language));
    }
    EXPECT_EQ(Bytes(&page), Bytes(&expected));
  }
}

TEST_F(AppParameterTest, InitIdentitySetsTheWindowClasses) {
  CAppParameter parameter;
  parameter.canToggleToolbar = 1;
  parameter.canToggleStatusbar = 1;
  parameter.InitIdentity();
  EXPECT_EQ(parameter.canToggleToolbar, 0);
  EXPECT_EQ(parameter.canToggleStatusbar, 0);
  EXPECT_EQ(Bytes(&parameter.mainWindowClass), "MIRDALE MAIN WINDOW");
  EXPECT_EQ(Bytes(&parameter.childWindowClass), "MIRDALE CHILD WINDOW");
  EXPECT_EQ(Bytes(&parameter.controlItemWindowClass), "MIRDALE CONTROL ITEM WINDOW");
  EXPECT_EQ(Bytes(&parameter.mdiClientWindowClass), "MIRDALE MDI CLIENT WINDOW");
  EXPECT_EQ(Bytes(&parameter.settingsFileName), std::string(1, kSeparator) + "brelvix.ini");
}

// The settings file in the current directory wins when one opens there;
// otherwise the one beside the program is read and written. With neither, an
// installed copy (its folder not writable) keeps the file in the data folder.
TEST_F(AppParameterTest, SettingsFileSearch) {
  struct Row {
    const char* name;
    bool inCurrent;  // a brelvix.ini in the current directory
    bool besideProgram;
    bool folderInCurrent;  // a folder named brelvix.ini in the current directory
    bool currentKnown;
    const char* expectedFolder;
    bool appWritable = true;  // the program's folder takes new files
    bool inData = false;      // a brelvix.ini in the per-user data folder
    bool marked = false;      // the installer's marker beside the program
    bool cwdMarked = false;   // and in the current directory (started in an installed folder)
  };
  const Row rows[] = {
      {"both: current directory wins", true, true, false, true, "cwd"},
      {"only in the current directory", true, false, false, true, "cwd"},
      {"only beside the program", false, true, false, true, "app"},
      {"neither: beside the program", false, false, false, true, "app"},
      {"a folder of that name does not count", false, true, true, true, "app"},
      {"current directory unknown", true, true, false, false, "app"},
      {"portable copy ignores the data folder", false, false, false, true, "app", true, true},
      {"installed, neither: the data folder", false, false, false, true, "data", false, false},
      {"installed, file in the data folder", false, false, false, true, "data", false, true},
      {"installed, beside the program wins", false, true, false, true, "app", false, true},
      {"installed, current directory wins", true, false, false, true, "cwd", false, true},
      {"marked, writable folder: the data folder", false, false, false, true, "data", true, false,
       true},
      {"marked: a file beside the program is not used", false, true, false, true, "data", true,
       true, true},
      {"marked: the current directory still wins", true, true, false, true, "cwd", true, false,
       true},
      {"marked, started in an installed folder: the data folder", true, true, false, true, "data",
       true, false, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir root;
    fs::create_directory(root / "cwd");
    fs::create_directory(root / "app");
    // The maker's folder is missing unless a file is there: an installed
    // copy's first start makes both levels.
    const fs::path data = root / "maker" / "data";
    if (row.inData) fs::create_directories(data);
    const std::string current = "<?xml version=\"1.0\" ?><config><language>0</language></config>";
    const std::string beside = "<?xml version=\"1.0\" ?><config><language>1</language></config>";
    if (row.inCurrent) test::WriteAll(root / "cwd" / "brelvix.ini", current);
    if (row.besideProgram) test::WriteAll(root / "app" / "brelvix.ini", beside);
    if (row.folderInCurrent) fs::create_directory(root / "cwd" / "brelvix.ini");
    if (row.inData) test::WriteAll(data / "brelvix.ini", beside);
    if (row.marked) test::WriteAll(root / "app" / "brelvix-installed.txt", "");
    if (row.cwdMarked) test::WriteAll(root / "cwd" / "brelvix-installed.txt", "");

    CAppParameter parameter;
    if (row.currentKnown) {
      test::AssignPath(parameter.currentPath, root / "cwd");
    } else {
      parameter.currentPath.Clear();
    }
    test::AssignPath(parameter.appPath, root / "app");
    test::AssignPath(parameter.dataFolder, data);
    parameter.folderWritable = row.appWritable ? [](const CString&) { return true; }
                                               : [](const CString&) { return false; };
    DebugLines debug;
    parameter.InitIdentity();

    const std::string where = row.expectedFolder;
    const fs::path folder = where == "data" ? data : root / where;
    CString expected;
    test::AssignPath(expected, folder / "brelvix.ini");
    EXPECT_EQ(Bytes(&parameter.settingsPath), Bytes(&expected));
    ASSERT_FALSE(debug.Lines().empty());
    EXPECT_EQ(debug.Lines()[0],
              WSTR("ini_file = ") + WideString(parameter.settingsPath.GetWide()) + WSTR("\n"));

    // Load reads that file and Save writes it.
    const bool fileThere =
        where == "cwd" ? row.inCurrent : (where == "app" ? row.besideProgram : row.inData);
    EXPECT_EQ(parameter.Load(), fileThere ? 1 : 0);
    if (fileThere) {
      EXPECT_EQ(parameter.language, row.expectedFolder[0] == 'c' ? 0 : 1);
    }
    parameter.fontSize = 33;
    ASSERT_EQ(parameter.Save(), 1);
    const std::string written = Text(test::ReadAll(folder / "brelvix.ini"));
    EXPECT_NE(written.find("<font_size>33</font_size>"), std::string::npos);
  }
}

#if defined(_WIN32)
// SHGetFolderPathW gives the local application-data folder; the last level is
// created only when its parent is there.
TEST_F(AppParameterTest, DataFolderIsInTheLocalApplicationData) {
  const std::optional<std::string> local = GetEnvironment("LOCALAPPDATA");
  ASSERT_TRUE(local.has_value());
  const fs::path maker = fs::path(*local) / "quorvel";
  const fs::path product = maker / "brelvix";
  const bool makerExisted = fs::exists(maker);
  const bool productExisted = fs::exists(product);

  CAppParameter parameter;
  if (!makerExisted) {
    parameter.InitIdentity();
    EXPECT_TRUE(
        fs::equivalent(fs::path(*local), PathOf(parameter.dataFolder).parent_path().parent_path()));
    EXPECT_EQ(Bytes(&parameter.dataFolder).substr(parameter.dataFolder.length - 16),
              "\\quorvel\\brelvix");
    EXPECT_FALSE(fs::exists(product)) << "one level only";
    fs::create_directory(maker);
  }
  parameter.InitIdentity();
  EXPECT_TRUE(fs::is_directory(product));
  EXPECT_TRUE(fs::equivalent(PathOf(parameter.dataFolder), product));
  if (!productExisted) fs::remove(product);
  if (!makerExisted) fs::remove(maker);
}
#else
TEST_F(AppParameterTest, DataFolderFollowsTheXdgRules) {
  struct Row {
    const char* name;
    std::optional<std::string> dataHome;  // relative to the test folder when not absolute
    bool dataHomeAbsolute;
    std::optional<std::string> home;
    bool makerExists;
    const char* expected;  // relative to the test folder; empty: no data folder
    bool created;
  };
  const Row rows[] = {
      {"XDG_DATA_HOME, maker folder missing", "xdg", true, "home", false, "xdg/quorvel/brelvix",
       false},
      {"XDG_DATA_HOME, maker folder there", "xdg", true, "home", true, "xdg/quorvel/brelvix", true},
      {"relative XDG_DATA_HOME is ignored", "xdg", false, "home", true,
       "home/.local/share/quorvel/brelvix", true},
      {"empty XDG_DATA_HOME is ignored", "", false, "home", true,
       "home/.local/share/quorvel/brelvix", true},
      {"no XDG_DATA_HOME", std::nullopt, false, "home", true, "home/.local/share/quorvel/brelvix",
       true},
      {"neither variable", std::nullopt, false, std::nullopt, false, "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir root;
    std::optional<std::string> dataHome = row.dataHome;
    if (dataHome && row.dataHomeAbsolute) dataHome = (root / *dataHome).string();
    std::optional<std::string> home;
    if (row.home) home = (root / *row.home).string();
    SetEnvironment("XDG_DATA_HOME", dataHome);
    SetEnvironment("HOME", home);
    const fs::path expected = root / row.expected;
    if (row.makerExists) fs::create_directories(expected.parent_path());

    CAppParameter parameter;
    parameter.InitIdentity();
    if (std::string(row.expected).empty()) {
      EXPECT_EQ(parameter.dataFolder.length, 0);
      continue;
    }
    EXPECT_EQ(Bytes(&parameter.dataFolder), expected.string());
    EXPECT_EQ(fs::is_directory(expected), row.created);
  }
}
#endif

TEST_F(AppParameterTest, SavedFileHasTheExactLayout) {
  CAppParameter parameter;
  MakePredictable(parameter);
  ASSERT_EQ(parameter.Save(), 1);
  EXPECT_EQ(
      SavedText(),
      "<?xml version=\"1.0\" ?>\r\n"
      "<config><language>-1</language>\r\n"
      "<font_name/>\r\n"
      "<font_size>0</font_size>\r\n"
      "<temp_path>C:\\temp</temp_path>\r\n"
      "<log_enabled>0</log_enabled>\r\n"
      "<log_path>D:\\log</log_path>\r\n"
      "<view_toolbar>1</view_toolbar>\r\n"
      "<view_statusbar>1</view_statusbar>\r\n"
      "<colors><color><index>0</index>\r\n"
      "<text>0</text>\r\n"
      "<background>16777215</background>\r\n"
      "</color>\r\n"
      "<color><index>1</index>\r\n"
      "<text>13158600</text>\r\n"
      "<background>16777215</background>\r\n"
      "</color>\r\n"
      "</colors>\r\n"
      "<output_path/>\r\n"
      "<convert>0</convert>\r\n"
      "<data_size>1</data_size>\r\n"
      "<endian>0</endian>\r\n"
      "<data_format>0x%02X</data_format>\r\n"
      "<array_format>const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};</array_format>\r\n"
      "</config>\r\n");
}

TEST_F(AppParameterTest, SaveThenLoadGivesBackEveryValue) {
  std::string sample;
  switch (AnsiCodePage()) {
    case kCodePageUtf8:
    case kCodePageShiftJis:
      sample = "出力フォルダ";
      break;
    default:
      sample = "Ausgabe é";
  }
  CAppParameter saved;
  MakePredictable(saved);
  saved.language = 0;
  saved.output_path.AssignWide(test::Utf16("C:\\" + sample).c_str());
  saved.convert = 1;
  saved.data_size = 8;
  saved.endian = 1;
  saved.number_syntax = 1;
  saved.data_format.AssignWide(WSTR("%#010llx"));
  saved.array_format.AssignWide(WSTR("uint8_t ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)\r\n};"));
  // The window's place, on a monitor left of the primary one.
  saved.window_left = -1700;
  saved.window_top = 40;
  saved.window_width = 900;
  saved.window_height = 700;
  saved.window_maximized = 1;
  saved.column_widths[0] = 310;
  saved.column_widths[1] = 120;
  saved.column_widths[2] = 95;
  saved.AddRecentList(WSTR("C:\\lists\\old.csv"));
  saved.AddRecentList(WSTR("C:\\lists\\new.csv"));
  ASSERT_EQ(saved.Save(), 1);
  EXPECT_NE(SavedText().find("<output_path>C:\\" + sample + "</output_path>"), std::string::npos);
  EXPECT_NE(SavedText().find("</array_format>\r\n<number_syntax>1</number_syntax>\r\n"),
            std::string::npos);
  EXPECT_NE(SavedText().find("<window_left>-1700</window_left>"), std::string::npos);

  CAppParameter loaded;
  MakePredictable(loaded);
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.language, 0);
  EXPECT_EQ(Bytes(&loaded.output_path), configtest::Ansi("C:\\" + sample));
  EXPECT_EQ(loaded.convert, 1);
  EXPECT_EQ(loaded.data_size, 8);
  EXPECT_EQ(loaded.endian, 1);
  EXPECT_EQ(loaded.number_syntax, 1);
  EXPECT_EQ(Bytes(&loaded.data_format), "%#010llx");
  EXPECT_EQ(Bytes(&loaded.array_format), "uint8_t ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)\r\n};");
  EXPECT_EQ(loaded.window_left, -1700);
  EXPECT_EQ(loaded.window_top, 40);
  EXPECT_EQ(loaded.window_width, 900);
  EXPECT_EQ(loaded.window_height, 700);
  EXPECT_EQ(loaded.window_maximized, 1);
  EXPECT_EQ(loaded.column_widths[0], 310);
  EXPECT_EQ(loaded.column_widths[1], 120);
  EXPECT_EQ(loaded.column_widths[2], 95);
  EXPECT_EQ(Bytes(&loaded.recent_lists[0]), "C:\\lists\\new.csv");
  EXPECT_EQ(Bytes(&loaded.recent_lists[1]), "C:\\lists\\old.csv");
  EXPECT_TRUE(loaded.recent_lists[2].IsEmpty());
}

// The recent lists keep the latest first, move a path met again up and hold
// eight at most.
TEST_F(AppParameterTest, RecentListsKeepTheLatestEight) {
  const struct {
    const char* steps;  // a digit adds that list, "-N" removes entry N
    const char* order;
  } cases[] = {
      {"123", "321"},    {"1231", "132"},   {"123456789", "98765432"},
      {"1234-0", "321"}, {"1234-2", "431"}, {"12-9", "21"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    CAppParameter parameter;
    for (const char* step = c.steps; *step != 0; ++step) {
      if (*step == '-') {
        parameter.RemoveRecentList(*++step - '0');
        continue;
      }
      const WideChar path[] = {static_cast<WideChar>(*step), 0};
      parameter.AddRecentList(path);
    }
    std::string order;
    for (CString& path : parameter.recent_lists)
      order += Bytes(&path);
    EXPECT_EQ(order, c.order);
  }
}

int CountLineEnds(const std::string& text) {
  int count = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++count;
  return count;
}

// Line breaks, TABs and spaces at the ends or in runs are the user's text, not
// layout: a string comes back from the file byte for byte, and the file keeps
// its line layout.
// A folder the ANSI code page cannot name is written as its UTF-8 text, in
// the element it always had, and reads back exactly; a template with such
// characters stays in the code page as the window gives it.
TEST_F(AppParameterTest, AFolderOfAnyNameReadsBackExactly) {
  const std::string folder = "C:\\日本語\\絵文字\xF0\x9F\x98\x80と한글";
  CAppParameter saved;
  MakePredictable(saved);
  saved.output_path.AssignName(test::Utf16(folder).c_str());
  saved.array_format.AssignWide(test::Utf16("// 한 ($ARRAY_DATA)").c_str());
  ASSERT_EQ(saved.Save(), 1);
  EXPECT_NE(SavedText().find("<output_path>" + folder + "</output_path>"), std::string::npos);
  CAppParameter loaded;
  UseFile(loaded, "brelvix.ini");
  ASSERT_EQ(loaded.Load(), 1);
  ASSERT_NE(loaded.output_path.GetWide(), nullptr);
  EXPECT_EQ(std::basic_string<WideChar>(loaded.output_path.GetWide()), test::Utf16(folder));
  EXPECT_EQ(Bytes(&loaded.array_format), Bytes(&saved.array_format));
}

TEST_F(AppParameterTest, WhitespaceInStringsSurvivesSaveAndLoad) {
  enum Field { kArrayFormat, kDataFormat, kOutputPath, kTempPath };
  struct Row {
    const char* name;
    Field field;
    const char* text;  // UTF-8
  };
  const Row rows[] = {
      {"template over three lines", kArrayFormat,
       "const unsigned char ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)\r\n};"},
      {"template indented with TABs", kArrayFormat,
       "static const uint8_t ($ARRAY_NAME)[] =\r\n{\r\n\t($ARRAY_DATA)\r\n};\r\n"},
      {"template with leading and trailing spaces", kArrayFormat, "  ($ARRAY_DATA)  "},
      {"template with double spaces", kArrayFormat,
       "unsigned  char ($ARRAY_NAME)[]  =  {($ARRAY_DATA)};"},
      {"template with LF line ends", kArrayFormat, "/* ($ARRAY_NAME) */\n($ARRAY_DATA)\n"},
      {"template with blank lines and space indents", kArrayFormat,
       "\r\n\r\n    ($ARRAY_DATA)\r\n\r\n"},
      {"template of whitespace only", kArrayFormat, " \t\r\n "},
      {"template with markup characters", kArrayFormat,
       "// <($ARRAY_NAME)> & \"x\"\r\n\t'($ARRAY_DATA)'"},
      {"template with Japanese text", kArrayFormat,
       "// \xE9\x85\x8D\xE5\x88\x97 ($ARRAY_NAME)\r\n\t($ARRAY_DATA)  "},
      {"template with references as text", kArrayFormat, "&#10; &amp; &#x20;\r\n"},
      {"value format with a trailing space", kDataFormat, "0x%02X, "},
      {"value format with a leading TAB", kDataFormat, "\t%3d"},
      {"output folder with double spaces", kOutputPath, "C:\\My  Files\\ out "},
      {"settings-store string", kTempPath, " C:\\temp\t"},
  };
  const auto field = [](CAppParameter& parameter, Field which) -> CString& {
    switch (which) {
      case kArrayFormat:
        return parameter.array_format;
      case kDataFormat:
        return parameter.data_format;
      case kOutputPath:
        return parameter.output_path;
      case kTempPath:
        break;
    }
    return parameter.tempPath;
  };

  CAppParameter plain;
  MakePredictable(plain);
  ASSERT_EQ(plain.Save(), 1);
  const int layoutLines = CountLineEnds(SavedText());

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CAppParameter saved;
    MakePredictable(saved);
    field(saved, row.field).AssignWide(test::Utf16(row.text).c_str());
    ASSERT_EQ(saved.Save(), 1);
    const std::string file = SavedText();
    EXPECT_EQ(CountLineEnds(file), layoutLines);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), layoutLines);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), layoutLines);
    EXPECT_EQ(file.find('\t'), std::string::npos);

    CAppParameter loaded;
    MakePredictable(loaded);
    ASSERT_EQ(loaded.Load(), 1);
    EXPECT_EQ(Bytes(&field(loaded, row.field)), configtest::Ansi(row.text));
    ASSERT_EQ(loaded.Save(), 1);
    EXPECT_EQ(SavedText(), file) << "saving what was loaded writes the same file";
  }
}

// The user's case: a multi-line template entered in the window is saved at
// Execute, comes back unchanged at the next start, and the next Execute with
// the same window text finds nothing to save.
TEST_F(AppParameterTest, MultiLineTemplateFromTheWindowSurvivesARestart) {
  const auto arrayFormat =
      test::Utf16("static const uint8_t ($ARRAY_NAME)[] = {\r\n\t($ARRAY_DATA)\r\n};");
  ConversionControls controls;
  controls.outputFolder = WSTR("C:\\out");
  controls.convert = 0;
  controls.dataSize = 1;
  controls.endian = 0;
  controls.dataFormat = WSTR("0x%02X, ");
  controls.arrayFormat = arrayFormat.c_str();

  CAppParameter before;
  MakePredictable(before);
  CString windowFolder;
  ASSERT_EQ(before.UpdateFromControls(controls, windowFolder), ParametersUpdate::Saved);

  CAppParameter after;
  MakePredictable(after);
  ASSERT_EQ(after.Load(), 1);
  EXPECT_EQ(Bytes(&after.array_format), Bytes(&before.array_format));
  EXPECT_EQ(Bytes(&after.data_format), "0x%02X, ");
  fs::remove(dir_ / "brelvix.ini");
  CString restartedFolder(after.output_path.GetWide());
  EXPECT_EQ(after.UpdateFromControls(controls, restartedFolder), ParametersUpdate::Unchanged);
  EXPECT_FALSE(fs::exists(dir_ / "brelvix.ini"));
}

// A settings file as written before whitespace was kept (no character
// references, every text free of collapsing whitespace) is read and written
// back byte for byte.
TEST_F(AppParameterTest, OldFormFileIsWrittenBackUnchanged) {
  struct Values {
    const char* language;
    const char* fontName;  // null: an empty element
    const char* tempPath;
    const char* outputPath;
    const char* dataFormat;
    const char* arrayFormat;
  };
  const auto oldForm = [](const Values& v) {
    const auto element = [](const char* name, const char* text) {
      return text == nullptr ? std::string("<") + name + "/>\r\n"
                             : std::string("<") + name + ">" + text + "</" + name + ">\r\n";
    };
    return std::string("<?xml version=\"1.0\" ?>\r\n<config>") + element("language", v.language) +
           element("font_name", v.fontName) + element("font_size", "9") +
           element("temp_path", v.tempPath) + element("log_enabled", "0") +
           element("log_path", "D:\\log") + element("view_toolbar", "1") +
           element("view_statusbar", "0") +
           "<colors><color><index>0</index>\r\n<text>255</text>\r\n"
           "<background>16777215</background>\r\n</color>\r\n"
           "<color><index>1</index>\r\n<text>13158600</text>\r\n"
           "<background>65280</background>\r\n</color>\r\n</colors>\r\n" +
           element("output_path", v.outputPath) + element("convert", "1") +
           element("data_size", "4") + element("endian", "1") +
           element("data_format", v.dataFormat) + element("array_format", v.arrayFormat) +
           "</config>\r\n";
  };
  const bool holdsJapanese = AnsiCodePage() == kCodePageUtf8 || AnsiCodePage() == kCodePageShiftJis;
  struct Row {
    const char* name;
    Values values;
    bool japanese;
  };
  const Row rows[] = {
      {"the defaults",
       {"-1", nullptr, "C:\\temp", nullptr, "0x%02X",
        "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};"},
       false},
      {"single spaces and entities",
       {"0", "Courier New", "C:\\Program Files\\a &amp; b", "D:\\out &lt;1&gt; &apos;x&apos;",
        "0x%02X,",
        "static const unsigned char ($ARRAY_NAME)[] = { ($ARRAY_DATA) }; // &quot;x&quot;"},
       false},
      {"Japanese text",
       {"1", "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
        "C:\\\xE4\xB8\x80\xE6\x99\x82", "C:\\\xE5\x87\xBA\xE5\x8A\x9B", "%3d",
        "/* \xE9\x85\x8D\xE5\x88\x97 */ ($ARRAY_NAME) ($ARRAY_DATA)"},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.japanese && !holdsJapanese) continue;
    const std::string file = oldForm(row.values);
    WriteSettings(file);
    CAppParameter parameter;
    MakePredictable(parameter);
    ASSERT_EQ(parameter.Load(), 1);
    ASSERT_EQ(parameter.Save(), 1);
    EXPECT_EQ(SavedText(), file);
  }
}

TEST_F(AppParameterTest, EmptyStringsReadBackAsTheirDefaults) {
  CAppParameter saved;
  MakePredictable(saved);
  saved.output_path.AssignWide(WSTR("C:\\out"));
  saved.data_format.Clear();
  saved.array_format.Clear();
  ASSERT_EQ(saved.Save(), 1);
  EXPECT_NE(SavedText().find("<data_format/>\r\n<array_format/>\r\n"), std::string::npos);

  saved.output_path.Clear();
  ASSERT_EQ(saved.Save(), 1);
  CAppParameter loaded;
  MakePredictable(loaded);
  loaded.output_path.AssignWide(WSTR("stale"));
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.output_path.length, 0);
  EXPECT_EQ(Bytes(&loaded.data_format), "0x%02X");
  EXPECT_EQ(Bytes(&loaded.array_format), "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};");
}

TEST_F(AppParameterTest, ConversionKeysAreReadAsStored) {
  struct Row {
    const char* name;
    const char* keys;
    int32_t convert, dataSize, endian;
    const char* dataFormat;
  };
  const Row rows[] = {
      {"missing keys give the defaults", "", 0, 1, 0, "0x%02X"},
      {"values out of range are kept",
       "<convert>-5</convert><data_size>3</data_size>"
       "<endian>7</endian>",
       -5, 3, 7, "0x%02X"},
      {"unit size 16 is kept", "<data_size>16</data_size>", 0, 16, 0, "0x%02X"},
      {"malformed integers give the defaults",
       "<convert>1.0</convert><data_size>four</data_size>"
       "<endian>+1</endian>",
       0, 1, 0, "0x%02X"},
      {"a format with text", "<data_format>%3d,</data_format>", 0, 1, 0, "%3d,"},
      {"a format element without text", "<data_format></data_format>", 0, 1, 0, "0x%02X"},
      {"first element of a name counts", "<convert>1</convert><convert>0</convert>", 1, 1, 0,
       "0x%02X"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteSettings(std::string("<?xml version=\"1.0\" ?><config>") + row.keys + "</config>");
    CAppParameter parameter;
    MakePredictable(parameter);
    parameter.convert = 9;
    parameter.data_size = 9;
    parameter.endian = 9;
    parameter.data_format.AssignWide(WSTR("old"));
    ASSERT_EQ(parameter.Load(), 1);
    EXPECT_EQ(parameter.convert, row.convert);
    EXPECT_EQ(parameter.data_size, row.dataSize);
    EXPECT_EQ(parameter.endian, row.endian);
    EXPECT_EQ(Bytes(&parameter.data_format), row.dataFormat);
  }
}

TEST_F(AppParameterTest, FileWithoutConfigKeepsTheConversionParameters) {
  WriteSettings("<?xml version=\"1.0\" ?><settings><convert>1</convert></settings>");
  CAppParameter parameter;
  MakePredictable(parameter);
  parameter.convert = 5;
  parameter.output_path.AssignWide(WSTR("kept"));
  ASSERT_EQ(parameter.Load(), 1);
  EXPECT_EQ(parameter.convert, 5);
  EXPECT_EQ(Bytes(&parameter.output_path), "kept");
}

TEST_F(AppParameterTest, ClampsAsTheBoxesShowTheValues) {
  struct Row {
    int32_t value, direction, unitSize, byteOrder;
  };
  const Row rows[] = {
      {-5, 0, 0, 0}, {0, 0, 0, 0}, {1, 1, 1, 1}, {3, 1, 3, 1}, {8, 1, 8, 1}, {16, 1, 8, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(ClampDirection(row.value), row.direction);
    EXPECT_EQ(ClampUnitSize(row.value), row.unitSize);
    EXPECT_EQ(ClampByteOrder(row.value), row.byteOrder);
  }
}

struct Stored {
  const char* outputPath;
  int32_t convert, dataSize, endian;
  const char* dataFormat;  // null: an empty string
  const char* arrayFormat;
};

TEST_F(AppParameterTest, UpdateFromControls) {
  struct Row {
    const char* name;
    Stored before;
    const char* windowFolder;
    const char* folder;  // control texts; null: empty control
    int32_t convert, dataSize, endian;
    const char* dataFormat;
    const char* arrayFormat;
    ParametersUpdate result;
    Stored after;
    const char* windowFolderAfter;
  };
  const Stored kDefault = {"C:\\out", 0, 1, 0, "0x%02X", "T"};
  const Row rows[] = {
      {"nothing changed", kDefault, "C:\\out", "C:\\out", 0, 1, 0, "0x%02X", "T",
       ParametersUpdate::Unchanged, kDefault, "C:\\out"},
      {"new output folder",
       kDefault,
       "C:\\out",
       "D:\\new",
       0,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"D:\\new", 0, 1, 0, "0x%02X", "T"},
       "D:\\new"},
      {"folder compares with the window's copy", kDefault, "E:\\win", "E:\\win", 0, 1, 0, "0x%02X",
       "T", ParametersUpdate::Unchanged, kDefault, "E:\\win"},
      {"folder cleared",
       kDefault,
       "C:\\out",
       nullptr,
       0,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"", 0, 1, 0, "0x%02X", "T"},
       ""},
      {"direction -5 shows as 0",
       {"C:\\out", -5, 1, 0, "0x%02X", "T"},
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Unchanged,
       {"C:\\out", -5, 1, 0, "0x%02X", "T"},
       "C:\\out"},
      {"direction 5 shows as 1",
       {"C:\\out", 5, 1, 0, "0x%02X", "T"},
       "C:\\out",
       "C:\\out",
       1,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Unchanged,
       {"C:\\out", 5, 1, 0, "0x%02X", "T"},
       "C:\\out"},
      {"direction changed",
       kDefault,
       "C:\\out",
       "C:\\out",
       1,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 1, 1, 0, "0x%02X", "T"},
       "C:\\out"},
      {"unit size 3 has no selection",
       {"C:\\out", 0, 3, 0, "0x%02X", "T"},
       "C:\\out",
       "C:\\out",
       0,
       0,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 0, 0, "0x%02X", "T"},
       "C:\\out"},
      {"unit size 16 shows as 8",
       {"C:\\out", 0, 16, 0, "0x%02X", "T"},
       "C:\\out",
       "C:\\out",
       0,
       8,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Unchanged,
       {"C:\\out", 0, 16, 0, "0x%02X", "T"},
       "C:\\out"},
      {"unit size changed",
       kDefault,
       "C:\\out",
       "C:\\out",
       0,
       4,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 4, 0, "0x%02X", "T"},
       "C:\\out"},
      {"byte order changed",
       kDefault,
       "C:\\out",
       "C:\\out",
       0,
       1,
       1,
       "0x%02X",
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 1, 1, "0x%02X", "T"},
       "C:\\out"},
      {"byte order -1 shows as 0",
       {"C:\\out", 0, 1, -1, "0x%02X", "T"},
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       "0x%02X",
       "T",
       ParametersUpdate::Unchanged,
       {"C:\\out", 0, 1, -1, "0x%02X", "T"},
       "C:\\out"},
      {"value format cleared",
       kDefault,
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       nullptr,
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 1, 0, nullptr, "T"},
       "C:\\out"},
      {"empty format equals the empty box",
       {"C:\\out", 0, 1, 0, nullptr, "T"},
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       "",
       "T",
       ParametersUpdate::Unchanged,
       {"C:\\out", 0, 1, 0, nullptr, "T"},
       "C:\\out"},
      {"format compares case-sensitively",
       kDefault,
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       "0x%02x",
       "T",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 1, 0, "0x%02x", "T"},
       "C:\\out"},
      {"template changed",
       kDefault,
       "C:\\out",
       "C:\\out",
       0,
       1,
       0,
       "0x%02X",
       "T2",
       ParametersUpdate::Saved,
       {"C:\\out", 0, 1, 0, "0x%02X", "T2"},
       "C:\\out"},
  };
  auto wide = [](const char* text) {
    return text != nullptr ? test::Utf16(text) : std::basic_string<WideChar>();
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(dir_ / "brelvix.ini");
    CAppParameter parameter;
    MakePredictable(parameter);
    parameter.output_path.AssignWide(wide(row.before.outputPath).c_str());
    parameter.convert = row.before.convert;
    parameter.data_size = row.before.dataSize;
    parameter.endian = row.before.endian;
    parameter.data_format.AssignWide(wide(row.before.dataFormat).c_str());
    parameter.array_format.AssignWide(wide(row.before.arrayFormat).c_str());
    CString windowFolder(wide(row.windowFolder).c_str());

    const auto folder = wide(row.folder);
    const auto dataFormat = wide(row.dataFormat);
    const auto arrayFormat = wide(row.arrayFormat);
    ConversionControls controls;
    controls.outputFolder = row.folder != nullptr ? folder.c_str() : nullptr;
    controls.convert = row.convert;
    controls.dataSize = row.dataSize;
    controls.endian = row.endian;
    controls.dataFormat = row.dataFormat != nullptr ? dataFormat.c_str() : nullptr;
    controls.arrayFormat = arrayFormat.c_str();

    EXPECT_EQ(parameter.UpdateFromControls(controls, windowFolder), row.result);
    EXPECT_EQ(Bytes(&parameter.output_path), row.after.outputPath);
    EXPECT_EQ(parameter.convert, row.after.convert);
    EXPECT_EQ(parameter.data_size, row.after.dataSize);
    EXPECT_EQ(parameter.endian, row.after.endian);
    EXPECT_EQ(Bytes(&parameter.data_format),
              row.after.dataFormat != nullptr ? row.after.dataFormat : "");
    EXPECT_EQ(Bytes(&parameter.array_format), row.after.arrayFormat);
    EXPECT_EQ(Bytes(&windowFolder), row.windowFolderAfter);
    // Saved exactly when something changed, and the file holds the new values.
    EXPECT_EQ(fs::exists(dir_ / "brelvix.ini"), row.result == ParametersUpdate::Saved);
    if (row.result == ParametersUpdate::Saved) {
      CAppParameter reloaded;
      MakePredictable(reloaded);
      ASSERT_EQ(reloaded.Load(), 1);
      EXPECT_EQ(reloaded.convert, row.after.convert);
      EXPECT_EQ(reloaded.data_size, row.after.dataSize);
      EXPECT_EQ(reloaded.endian, row.after.endian);
    }
  }
}

TEST_F(AppParameterTest, ClearingTheFormatTwiceSavesOnce) {
  CAppParameter parameter;
  MakePredictable(parameter);
  CString windowFolder;
  ConversionControls controls;
  controls.convert = 0;
  controls.dataSize = 1;
  controls.endian = 0;
  controls.dataFormat = WSTR("");
  controls.arrayFormat = CAppParameter::kDefaultArrayFormat;
  EXPECT_EQ(parameter.UpdateFromControls(controls, windowFolder), ParametersUpdate::Saved);
  EXPECT_EQ(parameter.data_format.length, 0);
  fs::remove(dir_ / "brelvix.ini");
  EXPECT_EQ(parameter.UpdateFromControls(controls, windowFolder), ParametersUpdate::Unchanged);
  EXPECT_FALSE(fs::exists(dir_ / "brelvix.ini"));
}

TEST_F(AppParameterTest, UpdateReportsAFailedSave) {
  CAppParameter parameter;
  MakePredictable(parameter);
  UseFile(parameter, "missing-folder/brelvix.ini");
  CString windowFolder;
  ConversionControls controls;
  controls.convert = 1;
  controls.dataSize = 1;
  controls.dataFormat = WSTR("0x%02X");
  controls.arrayFormat = CAppParameter::kDefaultArrayFormat;
  EXPECT_EQ(parameter.UpdateFromControls(controls, windowFolder), ParametersUpdate::SaveFailed);
  EXPECT_EQ(parameter.convert, 1);
}

TEST_F(AppParameterTest, InitializeFindsAndLoadsTheSettingsFile) {
  fs::create_directory(dir_ / "cwd");
  test::WriteAll(dir_ / "cwd" / "brelvix.ini",
                 "<?xml version=\"1.0\" ?><config><language>1</language>"
                 "<data_size>4</data_size></config>");
  CAppParameter parameter;
  test::AssignPath(parameter.currentPath, dir_ / "cwd");
  test::AssignPath(parameter.appPath, dir_.path());
  parameter.Initialize();
  EXPECT_EQ(Bytes(&parameter.mainWindowClass), "MIRDALE MAIN WINDOW");
  EXPECT_EQ(parameter.language, 1);
  EXPECT_EQ(parameter.data_size, 4);
  parameter.Shutdown();
  EXPECT_EQ(parameter.language, 1) << "Shutdown does nothing";
}

}  // namespace
