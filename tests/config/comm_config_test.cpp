#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "config/comm_config.h"
#include "config_test_support.h"

using configtest::Bytes;
using configtest::DebugLines;

namespace {

namespace fs = std::filesystem;

fs::path PathOf(CString& text) {
  const WideChar* wide = text.GetWide();
  return fs::path(std::basic_string<WideChar>(wide != nullptr ? wide : WSTR("")));
}

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Restores the current directory when it goes out of scope.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& path) : saved_(fs::current_path()) {
    fs::current_path(path);
  }
  ~CurrentDirectory() { fs::current_path(saved_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  fs::path saved_;
};

// A text the ANSI code page of this run can hold, with its UTF-8 form: the
// file always holds UTF-8, memory holds ANSI.
std::string NonAsciiSample() {
  switch (AnsiCodePage()) {
    case kCodePageUtf8:
      return "日本語 é \xF0\x9F\x98\x80";
    case kCodePageShiftJis:
      return "日本語のフォント";
    default:
      return "Schrift é ü";
  }
}

class SettingsStoreTest : public testing::Test {
 protected:
  void UseFile(CCommConfig& config, const std::string& name) {
    test::AssignPath(config.settingsPath, dir_ / name);
  }
  // A store whose paths do not depend on where the test runs.
  void MakePredictable(CCommConfig& config) {
    config.currentPath.AssignWide(WSTR("C:\\work"));
    config.tempPath.AssignWide(WSTR("C:\\temp"));
    config.logPath.AssignWide(WSTR("D:\\log"));
    UseFile(config, "brelvix.ini");
  }
  void WriteSettings(const std::string& content) { test::WriteAll(dir_ / "brelvix.ini", content); }
  std::string SavedText() { return Text(test::ReadAll(dir_ / "brelvix.ini")); }

  test::TempDir dir_;
};

TEST_F(SettingsStoreTest, ConstructionValues) {
  CCommConfig config;
  EXPECT_EQ(config.canToggleToolbar, 0);
  EXPECT_EQ(config.canToggleStatusbar, 0);
  for (CString* empty :
       {&config.mainWindowClass, &config.childWindowClass, &config.controlItemWindowClass,
        &config.mdiClientWindowClass, &config.settingsPath, &config.settingsFileName,
        &config.dataFolder, &config.fontName}) {
    EXPECT_EQ(empty->length, 0);
  }
  EXPECT_EQ(config.currentLanguage, 0);
  EXPECT_EQ(config.language, -1);
  EXPECT_EQ(config.fontSize, 0);
  EXPECT_EQ(Bytes(&config.tempPath), Bytes(&config.currentPath));
  EXPECT_EQ(Bytes(&config.logPath), Bytes(&config.currentPath));
  EXPECT_EQ(config.logEnabled, 0);
  EXPECT_EQ(config.viewToolbar, 1);
  EXPECT_EQ(config.viewStatusbar, 1);
  ASSERT_EQ(config.colorCount, 2);
  const ColorPair factory[2] = {{0x000000, 0xFFFFFF}, {0xC8C8C8, 0xFFFFFF}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(config.defaultColors[i].textColor, factory[i].textColor);
    EXPECT_EQ(config.defaultColors[i].backgroundColor, factory[i].backgroundColor);
    EXPECT_EQ(config.colors[i].textColor, factory[i].textColor);
    EXPECT_EQ(config.colors[i].backgroundColor, factory[i].backgroundColor);
  }
  ASSERT_EQ(config.colorLabelCount, 2);
  EXPECT_EQ(WideString(config.colorLabels[0].english), WSTR("Text Color (Normal)"));
  EXPECT_EQ(WideString(config.colorLabels[0].japanese), test::Utf16("通常のテキスト表示"));
  EXPECT_EQ(WideString(config.colorLabels[1].english), WSTR("Line Color"));
  EXPECT_EQ(WideString(config.colorLabels[1].japanese), test::Utf16("罫線の色"));
}

TEST_F(SettingsStoreTest, ConstructionFindsTheProgramFolderAndTheCurrentDirectory) {
  CurrentDirectory inside(dir_.path());
  DebugLines debug;
  CCommConfig config;
  EXPECT_TRUE(fs::equivalent(PathOf(config.currentPath), dir_.path()));
  EXPECT_TRUE(fs::exists(PathOf(config.appPath) / BX_TEST_PROGRAM)) << Bytes(&config.appPath);
  // No trailing separator on the program's folder.
  ASSERT_GT(config.appPath.length, 0);
  const char last = config.appPath.data[config.appPath.length - 1];
  EXPECT_TRUE(last != '\\' && last != '/');

  ASSERT_EQ(debug.Lines().size(), 2u);
  EXPECT_EQ(debug.Lines()[0],
            WSTR("app_path     = ") + WideString(config.appPath.GetWide()) + WSTR("\n"));
  EXPECT_EQ(debug.Lines()[1],
            WSTR("current_path = ") + WideString(config.currentPath.GetWide()) + WSTR("\n"));
}

TEST_F(SettingsStoreTest, BaseIdentityIsEmpty) {
  CCommConfig config;
  EXPECT_EQ(WideString(config.GetVersion()), WSTR("0.0.0.0"));
  EXPECT_EQ(WideString(config.GetTitle(1)), WSTR(""));
  EXPECT_EQ(WideString(config.GetHelpPage(0)), WSTR(""));
  EXPECT_EQ(WideString(config.GetMenuId(1)), WSTR(""));
  EXPECT_EQ(WideString(config.GetResourceId(10011)), WSTR(""));
  EXPECT_EQ(config.GetMenuPosition(WSTR("Help")), 0);
  config.Initialize();
  EXPECT_EQ(config.settingsPath.length, 0) << "the base knows no settings file";
}

TEST_F(SettingsStoreTest, SavedFileHasTheExactLayout) {
  CCommConfig config;
  MakePredictable(config);
  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(SavedText(),
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
            "</config>\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "brelvix.ini.tmp"));
}

TEST_F(SettingsStoreTest, SaveThenLoadGivesBackEveryValue) {
  const std::string sample = NonAsciiSample();
  CCommConfig saved;
  MakePredictable(saved);
  saved.language = 1;
  saved.fontName.AssignWide(test::Utf16(sample).c_str());
  saved.fontSize = -9;
  saved.tempPath.Clear();  // written as an empty element, read as the default
  saved.logEnabled = 1;
  saved.logPath.AssignWide(WSTR("<log> & \"quoted\" 'path'"));
  saved.viewToolbar = 0;
  saved.viewStatusbar = 0;
  saved.colors[0] = {0x123456, 0x000001};
  saved.colors[1] = {0xFFFFFFFF, 0x80000000};
  ASSERT_EQ(saved.Save(), 1);
  // UTF-8 in the file.
  EXPECT_NE(SavedText().find("<font_name>" + sample + "</font_name>"), std::string::npos);

  CCommConfig loaded;
  MakePredictable(loaded);
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.language, 1);
  EXPECT_EQ(Bytes(&loaded.fontName), configtest::Ansi(sample));
  EXPECT_EQ(loaded.fontSize, -9);
  EXPECT_EQ(Bytes(&loaded.tempPath), "C:\\work");
  EXPECT_EQ(loaded.logEnabled, 1);
  EXPECT_EQ(Bytes(&loaded.logPath), "<log> & \"quoted\" 'path'");
  EXPECT_EQ(loaded.viewToolbar, 0);
  EXPECT_EQ(loaded.viewStatusbar, 0);
  EXPECT_EQ(loaded.colors[0].textColor, 0x123456u);
  EXPECT_EQ(loaded.colors[0].backgroundColor, 0x000001u);
  EXPECT_EQ(loaded.colors[1].textColor, 0xFFFFFFFFu);
  EXPECT_EQ(loaded.colors[1].backgroundColor, 0x80000000u);
}

TEST_F(SettingsStoreTest, EmptyFontNameSurvivesAsAnEmptyElement) {
  CCommConfig saved;
  MakePredictable(saved);
  ASSERT_EQ(saved.Save(), 1);
  EXPECT_NE(SavedText().find("\r\n<font_name/>\r\n"), std::string::npos);
  CCommConfig loaded;
  MakePredictable(loaded);
  loaded.fontName.AssignWide(WSTR("Arial"));
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.fontName.length, 0);
}

TEST_F(SettingsStoreTest, UnreadableFilesChangeNothing) {
  struct Row {
    const char* name;
    bool exists;
    std::string content;
  };
  const Row rows[] = {
      {"missing file", false, ""},
      {"empty file", true, ""},
      {"no declaration", true, "<config><language>1</language></config>"},
      {"declaration only", true, "<?xml version=\"1.0\" ?>\r\n"},
      {"broken declaration", true, "<?xml version=\"1.0\"<config><language>1</language></config>"},
      {"UTF-16 file", true, std::string("\xFF\xFE<\0?\0x\0m\0l\0 \0?\0>\0", 18)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(dir_ / "brelvix.ini");
    if (row.exists) WriteSettings(row.content);
    CCommConfig config;
    MakePredictable(config);
    config.language = 0;
    config.fontSize = 12;
    EXPECT_EQ(config.Load(), 0);
    EXPECT_EQ(config.language, 0);
    EXPECT_EQ(config.fontSize, 12);
  }
}

// Editors that save "UTF-8 with BOM" must not cost the user the settings.
TEST_F(SettingsStoreTest, ByteOrderMarkIsReadAsIfAbsent) {
  WriteSettings(
      "\xEF\xBB\xBF<?xml version=\"1.0\" ?>\r\n<config><language>1</language>"
      "<font_name>\xC3\xA9</font_name></config>\r\n");
  CCommConfig config;
  MakePredictable(config);
  ASSERT_EQ(config.Load(), 1);
  EXPECT_EQ(config.language, 1);
  EXPECT_EQ(config.fontName.EqualsWide(test::Utf16("é").c_str()), 1);
  ASSERT_EQ(config.Save(), 1);
  const std::string saved = SavedText();
  EXPECT_EQ(saved.rfind("<?xml", 0), 0u) << "written back without the mark";
  EXPECT_NE(saved.find("<language>1</language>"), std::string::npos);
}

TEST_F(SettingsStoreTest, EmptyConfigSetsEveryKeyToItsDefault) {
  WriteSettings("<?xml version=\"1.0\" ?>\r\n<config/>\r\n");
  CCommConfig config;
  MakePredictable(config);
  config.language = 1;
  config.fontName.AssignWide(WSTR("Arial"));
  config.fontSize = 10;
  config.logEnabled = 1;
  config.viewToolbar = 0;
  config.viewStatusbar = 0;
  config.colors[0] = {1, 2};
  ASSERT_EQ(config.Load(), 1);
  EXPECT_EQ(config.language, -1);
  EXPECT_EQ(config.fontName.length, 0);
  EXPECT_EQ(config.fontSize, 0);
  EXPECT_EQ(Bytes(&config.tempPath), "C:\\work");
  EXPECT_EQ(config.logEnabled, 0);
  EXPECT_EQ(Bytes(&config.logPath), "C:\\work");
  EXPECT_EQ(config.viewToolbar, 1);
  EXPECT_EQ(config.viewStatusbar, 1);
  // Colours change only where a color element sets them.
  EXPECT_EQ(config.colors[0].textColor, 1u);
  EXPECT_EQ(config.colors[0].backgroundColor, 2u);
}

TEST_F(SettingsStoreTest, OnlyTheFirstTopLevelConfigCounts) {
  struct Row {
    const char* name;
    const char* body;
    int32_t language;
  };
  const Row rows[] = {
      {"no config changes nothing", "<other><language>1</language></other>", 5},
      {"config after another element", "<a/><config><language>1</language></config>", 1},
      {"first of two", "<config><language>0</language></config><config/>", 0},
      {"first child of that name", "<config><language>0</language><language>1</language></config>",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteSettings(std::string("<?xml version=\"1.0\" ?>") + row.body);
    CCommConfig config;
    MakePredictable(config);
    config.language = 5;
    EXPECT_EQ(config.Load(), 1);
    EXPECT_EQ(config.language, row.language);
  }
}

TEST_F(SettingsStoreTest, KeyValues) {
  struct Row {
    const char* name;
    const char* element;
    int32_t language;
    int32_t fontSize;
    const char* tempPath;
  };
  const Row rows[] = {
      {"language -1", "<language>-1</language>", -1, 0, "C:\\work"},
      {"language 0", "<language>0</language>", 0, 0, "C:\\work"},
      {"language 1", "<language>1</language>", 1, 0, "C:\\work"},
      {"language abc", "<language>abc</language>", -1, 0, "C:\\work"},
      {"language without text", "<language/>", -1, 0, "C:\\work"},
      {"malformed integer takes the default, not the old value", "<font_size>9pt</font_size>", -1,
       0, "C:\\work"},
      {"integer with spaces around", "<font_size>  11  </font_size>", -1, 11, "C:\\work"},
      {"string", "<temp_path>E:\\t</temp_path>", -1, 0, "E:\\t"},
      {"string element without content", "<temp_path></temp_path>", -1, 0, "C:\\work"},
      {"string decoded", "<temp_path>a&amp;b</temp_path>", -1, 0, "a&b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteSettings(std::string("<?xml version=\"1.0\" ?><config>") + row.element + "</config>");
    CCommConfig config;
    MakePredictable(config);
    config.language = 7;
    config.fontSize = 7;
    config.tempPath.AssignWide(WSTR("old"));
    ASSERT_EQ(config.Load(), 1);
    EXPECT_EQ(config.language, row.language);
    EXPECT_EQ(config.fontSize, row.fontSize);
    EXPECT_EQ(Bytes(&config.tempPath), row.tempPath);
  }
}

TEST_F(SettingsStoreTest, ColorElements) {
  struct Row {
    const char* name;
    const char* colors;
    ColorPair slot0;
    ColorPair slot1;
  };
  const ColorPair kSet0 = {0x111111, 0x222222};
  const ColorPair kSet1 = {0x333333, 0x444444};
  const Row rows[] = {
      {"both slots",
       "<color><index>0</index><text>1</text><background>2</background></color>"
       "<color><index>1</index><text>3</text><background>4</background></color>",
       {1, 2},
       {3, 4}},
      {"index 5 is ignored", "<color><index>5</index><text>1</text></color>", kSet0, kSet1},
      {"index -1 is ignored", "<color><index>-1</index><text>1</text></color>", kSet0, kSet1},
      {"no index is ignored", "<color><text>1</text></color>", kSet0, kSet1},
      {"only a background resets the text colour",
       "<color><index>1</index><background>255</background></color>",
       kSet0,
       {0xC8C8C8, 255}},
      {"other elements are skipped", "<colour><index>0</index><text>1</text></colour>", kSet0,
       kSet1},
      {"later element wins",
       "<color><index>0</index><text>1</text></color>"
       "<color><index>0</index><text>9</text></color>",
       {9, 0xFFFFFF},
       kSet1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteSettings(std::string("<?xml version=\"1.0\" ?><config><colors>") + row.colors +
                  "</colors></config>");
    CCommConfig config;
    MakePredictable(config);
    config.colors[0] = kSet0;
    config.colors[1] = kSet1;
    ASSERT_EQ(config.Load(), 1);
    EXPECT_EQ(config.colors[0].textColor, row.slot0.textColor);
    EXPECT_EQ(config.colors[0].backgroundColor, row.slot0.backgroundColor);
    EXPECT_EQ(config.colors[1].textColor, row.slot1.textColor);
    EXPECT_EQ(config.colors[1].backgroundColor, row.slot1.backgroundColor);
  }
}

TEST_F(SettingsStoreTest, SaveWithoutAPlaceFails) {
  CCommConfig config;
  EXPECT_EQ(config.Save(), 0) << "no settings path";
  UseFile(config, "missing-folder/brelvix.ini");
  EXPECT_EQ(config.Save(), 0);
  EXPECT_FALSE(fs::exists(dir_ / "missing-folder"));
}

TEST_F(SettingsStoreTest, SaveReplacesTheWholeFile) {
  WriteSettings(std::string(10000, '~'));
  CCommConfig config;
  MakePredictable(config);
  ASSERT_EQ(config.Save(), 1);
  const std::string saved = SavedText();
  EXPECT_EQ(saved.find('~'), std::string::npos);
  EXPECT_EQ(saved.substr(saved.size() - 11), "</config>\r\n");
}

// The new document goes to a file beside the old one first; when that cannot
// be written, or a write falls short, or the flush fails, the save fails and
// the old file stays as it was.
TEST_F(SettingsStoreTest, FailedSaveKeepsTheOldFile) {
  const std::string old = "<?xml version=\"1.0\" ?>\r\n<config><language>1</language></config>\r\n";
  struct Case {
    const char* name;
    int failFrom;
    bool failFlush;
  } const cases[] = {
      {"short write", 0, false},
      {"failed flush", -1, true},
  };
  // Files named as a save's temporary file might be are never touched.
  test::WriteAll(dir_ / "brelvix.ini.tmp", std::string("mine"));
  fs::create_directory(dir_ / "~brelvix-000000000000.tmp");
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    WriteSettings(old);
    CCommConfig config;
    MakePredictable(config);
    config.language = 0;
    test::FailingFile file;
    file.failFrom = row.failFrom;
    file.failFlush = row.failFlush;
    EXPECT_EQ(config.SaveThrough(file), 0);
    EXPECT_EQ(SavedText(), old);
  }
  CCommConfig config;
  MakePredictable(config);
  ASSERT_EQ(config.Save(), 1);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"brelvix.ini", "brelvix.ini.tmp",
                                             "~brelvix-000000000000.tmp"}));
  EXPECT_EQ(Text(test::ReadAll(dir_ / "brelvix.ini.tmp")), "mine");
}

#ifdef _WIN32
// Under Wine a Unix symbolic link is no reparse point; the save still goes
// through it to its target rather than putting a file in the link's place.
// The link is made outside Wine by the test's fixture, one per code page.
TEST_F(SettingsStoreTest, SaveGoesThroughAUnixLink) {
  const char* made = std::getenv("BX_UNIX_LINK_DIR");
  if (made == nullptr) GTEST_SKIP() << "no Unix link: made by the ctest fixture under Wine";
  const fs::path folder = fs::path("Z:" + std::string(made)) / std::to_string(AnsiCodePage());
  test::WriteAll(folder / "real.ini", std::string("old"));
  CCommConfig config;
  MakePredictable(config);
  test::AssignPath(config.settingsPath, folder / "brelvix.ini");
  ASSERT_EQ(config.Save(), 1);
  EXPECT_NE(Text(test::ReadAll(folder / "real.ini")).find("</config>"), std::string::npos);
}
#endif

#ifndef _WIN32
// A link is saved through to its target, and the file keeps its mode.
TEST_F(SettingsStoreTest, SaveKeepsTheLinkAndTheMode) {
  test::WriteAll(dir_ / "real.ini", std::string("old"));
  fs::permissions(dir_ / "real.ini", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real.ini", dir_ / "brelvix.ini");
  CCommConfig config;
  MakePredictable(config);
  ASSERT_EQ(config.Save(), 1);
  EXPECT_TRUE(fs::is_symlink(dir_ / "brelvix.ini"));
  EXPECT_NE(Text(test::ReadAll(dir_ / "real.ini")).find("</config>"), std::string::npos);
  EXPECT_EQ(fs::status(dir_ / "real.ini").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

// A folder where the user may not make files, holding a settings file the
// user may write: the file is written in place, and a short write there is
// still reported. The superuser may write anywhere, so then a child process
// runs the saves as an unprivileged user.
TEST_F(SettingsStoreTest, ReadOnlyFolderWithAWritableFileSavesInPlace) {
  WriteSettings("old");
  fs::permissions(dir_ / "brelvix.ini", fs::perms::all);
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
  const bool root = geteuid() == 0;
  const pid_t child = root ? fork() : 0;
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(9);
    CCommConfig config;
    MakePredictable(config);
    test::FailingFile failing;
    failing.failFrom = 0;
    const int failed = config.SaveThrough(failing);
    // The failed write in place put the old content back, also where no
    // byte at all may be written (ulimit -f 0).
    bool kept = SavedText() == "old";
    struct rlimit limit = {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t soft = limit.rlim_cur;
    limit.rlim_cur = 0;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const int limited = config.Save();
    limit.rlim_cur = soft;
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    kept = kept && limited == 0 && SavedText() == "old";
    const int saved = config.Save();
    if (root) _exit(failed == 0 && kept && saved == 1 ? 0 : 1);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(kept);
    EXPECT_EQ(saved, 1);
  } else {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "9: the user could not be changed";
  }
  fs::permissions(dir_.path(), fs::perms::owner_all);
  EXPECT_NE(SavedText().find("</config>"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "brelvix.ini.tmp"));
}
#endif

TEST_F(SettingsStoreTest, FailedReplaceLeavesNoNewFileBehind) {
  fs::create_directory(dir_ / "brelvix.ini");  // nothing can replace a folder
  CCommConfig config;
  MakePredictable(config);
  EXPECT_EQ(config.Save(), 0);
  EXPECT_TRUE(fs::is_directory(dir_ / "brelvix.ini"));
  EXPECT_FALSE(fs::exists(dir_ / "brelvix.ini.tmp"));
}

}  // namespace
