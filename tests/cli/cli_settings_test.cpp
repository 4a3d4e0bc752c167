#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/settings_file.h"
#include "config/config_test_support.h"
#include "support/allocation_failure.h"

using configtest::Bytes;

namespace {

namespace fs = std::filesystem;

// A stream for what a function prints. A file of its own rather than
// tmpfile(), which the Windows runtime puts in the root of the drive.
class Capture {
 public:
  Capture() : file_(std::fopen((dir_ / "capture.txt").string().c_str(), "w+b")) {}
  ~Capture() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  FILE* get() const { return file_; }
  std::string Text() const {
    std::fflush(file_);
    std::rewind(file_);
    std::string out;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
      out.append(buffer, n);
    return out;
  }

 private:
  test::TempDir dir_;  // before file_: the stream is opened inside it
  FILE* file_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string Header() {
  return "<?xml version=\"1.0\" ?>\r\n";
}

class CliSettingsTest : public testing::Test {
 protected:
  // The program's search looks into these two folders.
  void PlaceProgram(CAppParameter& parameter) {
    fs::create_directories(dir_ / "cwd");
    fs::create_directories(dir_ / "app");
    test::AssignPath(parameter.currentPath, dir_ / "cwd");
    test::AssignPath(parameter.appPath, dir_ / "app");
  }
  std::string PathText(const fs::path& path) {
    CString text;
    test::AssignPath(text, path);
    return Bytes(&text);
  }
  test::TempDir dir_;
};

TEST_F(CliSettingsTest, ListShowsEveryKeyInTheFileOrder) {
  test::WriteAll(dir_ / "s.ini", Header() +
                                     "<config><language>1</language><font_name>Arial</font_name>"
                                     "<colors><color><index>1</index><text>255</text></color>"
                                     "</colors><data_size>4</data_size><data_format></data_format>"
                                     "<output_path>C:\\out</output_path>"
                                     // The window's own keys: not the tool's.
                                     "<window_left>-5</window_left><window_width>800</window_width>"
                                     "<input_column_width>90</input_column_width></config>");
  CAppParameter parameter;
  PlaceProgram(parameter);
  bool read = false;
  Capture err;
  const std::string file = PathText(dir_ / "s.ini");
  ASSERT_EQ(LoadCliSettings(file.c_str(), parameter, &read, err.get()), 0);
  EXPECT_TRUE(read);
  Capture out;
  ListSettings(parameter, out.get());
  const std::string cwd = PathText(dir_ / "cwd");
  const std::vector<std::string> expected = {
      "settings_file = " + file,
      "language = 1",
      "font_name = Arial",
      "font_size = 0",
      "temp_path = " + cwd,
      "log_enabled = 0",
      "log_path = " + cwd,
      "view_toolbar = 1",
      "view_statusbar = 1",
      "color[0].text = 0",
      "color[0].background = 16777215",
      "color[1].text = 255",
      "color[1].background = 16777215",
      "output_path = C:\\out",
      "convert = 0",
      "data_size = 4",
      "endian = 0",
      "data_format = 0x%02X",
      "array_format = const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};",
      "number_syntax = 0",
  };
  EXPECT_EQ(Lines(out.Text()), expected);
  EXPECT_EQ(err.Text(), "");
}

TEST_F(CliSettingsTest, ListKeepsAMultiLineTemplateOnOneLine) {
  CAppParameter parameter;
  PlaceProgram(parameter);
  parameter.array_format.AssignWide(WSTR("a[] = {\r\n\t($ARRAY_DATA)\x01};"));
  parameter.output_path.AssignWide(WSTR("C:\\out"));
  Capture out;
  ListSettings(parameter, out.get());
  const std::vector<std::string> lines = Lines(out.Text());
  ASSERT_FALSE(lines.empty());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "array_format = a[] = {\\r\\n\\t($ARRAY_DATA)\\x01};");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "output_path = C:\\out"), lines.end());
}

// A given settings file whose name cannot be copied stops the command: the
// search would otherwise read another file.
TEST_F(CliSettingsTest, AGivenFileNameThatCannotBeCopiedStops) {
  CAppParameter parameter;
  PlaceProgram(parameter);
  test::WriteAll(dir_ / "cwd" / "brelvix.ini",
                 Header() + "<config><language>1</language></config>");
  const std::string file = PathText(dir_ / "given.ini");
  Capture err;
  bool read = true;
  int status = 0;
  {
    test::FailAllocation fail(0, test::FailAllocation::kFrom);
    status = LoadCliSettings(file.c_str(), parameter, &read, err.get());
  }
  EXPECT_EQ(status, kExitFailed);
  EXPECT_FALSE(read);
  EXPECT_EQ(parameter.language, -1) << "nothing read";
  EXPECT_EQ(err.Text(), "brelvix-cli: out of memory\n");
}

TEST_F(CliSettingsTest, Load) {
  struct Row {
    const char* name;
    const char* given;    // --settings FILE relative to the test folder; null: search
    const char* fileAt;   // where a file is placed; null: none
    const char* content;  // its content
    int status;
    bool read;
    int32_t language;
    const char* message;           // part of what goes to standard error; "" for nothing
    const char* fifoAt = nullptr;  // a FIFO is placed there (POSIX)
  };
  const std::string good = Header() + "<config><language>1</language></config>";
  const std::string large = good + std::string(1 << 20, ' ');
  const Row rows[] = {
      {"given file", "given.ini", "given.ini", good.c_str(), 0, true, 1, ""},
      {"given file missing", "given.ini", nullptr, "", kExitUsage, false, -1,
       "cannot open the settings file"},
      {"given file unreadable", "given.ini", "given.ini", "not xml", kExitUsage, false, -1,
       "cannot be read as a settings file"},
      {"found in the current directory", nullptr, "cwd/brelvix.ini", good.c_str(), 0, true, 1, ""},
      {"found beside the program", nullptr, "app/brelvix.ini", good.c_str(), 0, true, 1, ""},
      {"none found: built-in defaults", nullptr, nullptr, "", 0, false, -1, ""},
      {"found but unreadable: defaults and a warning", nullptr, "cwd/brelvix.ini", "\x01\x02", 0,
       false, -1, "warning: the settings file"},
      {"given file over 1 MiB", "given.ini", "given.ini", large.c_str(), kExitUsage, false, -1,
       "is larger than 1 MiB"},
      {"found file over 1 MiB: defaults and a warning", nullptr, "cwd/brelvix.ini", large.c_str(),
       0, false, -1, "warning: the settings file"},
      {"a FIFO in the current directory is named", nullptr, "app/brelvix.ini", good.c_str(), 0,
       true, 1, "brelvix.ini' is skipped: it does not open as a regular file", "cwd/brelvix.ini"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir root;
    CAppParameter parameter;
    fs::create_directories(root / "cwd");
    fs::create_directories(root / "app");
    test::AssignPath(parameter.currentPath, root / "cwd");
    test::AssignPath(parameter.appPath, root / "app");
    if (row.fileAt != nullptr) test::WriteAll(root / row.fileAt, std::string(row.content));
    if (row.fifoAt != nullptr) {
#if defined(_WIN32)
      continue;  // no FIFOs
#else
      ASSERT_EQ(mkfifo((root / row.fifoAt).c_str(), 0666), 0);
#endif
    }
    CString given;
    if (row.given != nullptr) test::AssignPath(given, root / row.given);

    Capture err;
    bool read = true;
    EXPECT_EQ(
        LoadCliSettings(row.given != nullptr ? given.Text() : nullptr, parameter, &read, err.get()),
        row.status);
    EXPECT_EQ(read, row.read);
    EXPECT_EQ(parameter.language, row.language);
    const std::string message = err.Text();
    if (row.message[0] == 0) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(row.message), std::string::npos) << message;
    }
    // The command line never writes a settings file.
    if (row.fileAt == nullptr && row.fifoAt == nullptr) {
      EXPECT_FALSE(fs::exists(root / "cwd" / "brelvix.ini"));
      EXPECT_FALSE(fs::exists(root / "app" / "brelvix.ini"));
    }
  }
}

TEST_F(CliSettingsTest, TakeRemovesTheSettingsOption) {
  struct Row {
    const char* name;
    std::vector<const char*> args;
    int status;
    std::vector<std::string> values;
    const char* settingsFile;  // null: none
    bool noSettings = false;
  };
  const Row rows[] = {
      {"no settings",
       {"to-text", "a.bin", "--no-settings"},
       0,
       {"to-text", "a.bin"},
       nullptr,
       true},
      {"--no-settings after -- is a file",
       {"to-text", "--", "--no-settings"},
       0,
       {"to-text", "--", "--no-settings"},
       nullptr},
      {"--no-settings takes no value",
       {"to-text", "--no-settings=1", "a"},
       kExitUsage,
       {},
       nullptr},
      {"--no-settings with --settings",
       {"to-text", "--no-settings", "--settings", "x.ini", "a"},
       kExitUsage,
       {},
       nullptr},
      {"no option", {"to-text", "-s", "2", "a.bin"}, 0, {"to-text", "-s", "2", "a.bin"}, nullptr},
      {"separate value",
       {"to-text", "--settings", "x.ini", "a.bin"},
       0,
       {"to-text", "a.bin"},
       "x.ini"},
      {"attached value",
       {"to-text", "a.bin", "--settings=y.ini"},
       0,
       {"to-text", "a.bin"},
       "y.ini"},
      {"the last one counts",
       {"to-text", "--settings=a", "--settings", "b", "f"},
       0,
       {"to-text", "f"},
       "b"},
      {"after -- it is a file",
       {"to-binary", "--", "--settings", "x"},
       0,
       {"to-binary", "--", "--settings", "x"},
       nullptr},
      {"missing value", {"to-text", "a.bin", "--settings"}, kExitUsage, {}, nullptr},
      {"empty value", {"to-text", "--settings=", "a.bin"}, kExitUsage, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionArguments arguments;
    const char* file = nullptr;
    Capture err;
    const int status =
        arguments.Take(static_cast<int>(row.args.size()), row.args.data(), &file, err.get());
    EXPECT_EQ(status, row.status);
    if (status != 0) {
      EXPECT_NE(err.Text().find("settings'"), std::string::npos);
      EXPECT_NE(err.Text().find("to-text --help"), std::string::npos);
      continue;
    }
    EXPECT_EQ(
        std::vector<std::string>(arguments.values.Get(), arguments.values.Get() + arguments.count),
        row.values);
    EXPECT_EQ(arguments.values[arguments.count], nullptr);
    EXPECT_EQ(file != nullptr ? std::string(file) : "(none)",
              row.settingsFile != nullptr ? row.settingsFile : "(none)");
    EXPECT_EQ(arguments.noSettings, row.noSettings);
  }
}

TEST_F(CliSettingsTest, StoredDefaultsGoAheadOfTheUsersOptions) {
  struct Row {
    const char* name;
    bool toText;
    int32_t dataSize, endian;
    const char* dataFormat;
    std::string arrayFormat;
    const char* outputPath;
    std::vector<std::string> values;  // after the command's name, before "-s" "1" "a.bin"
    const char* warning;              // part of standard error; "" for nothing
    const char* folder = nullptr;     // the stored output folder handed on; null: none
    int32_t numberSyntax = 0;
  };
  const std::string longTemplate(256, 'x');
  const Row rows[] = {
      {"to-text takes all five",
       true,
       2,
       1,
       "%d,",
       "T",
       "out",
       {"--size=2", "--endian=little", "--format=%d,", "--template=T"},
       "",
       "out"},
      {"to-binary takes size, byte order and folder",
       false,
       8,
       0,
       "%d,",
       "T",
       "out",
       {"--size=8", "--endian=big"},
       "",
       "out"},
      {"empty folder stays the current directory",
       false,
       1,
       0,
       "",
       "T",
       "",
       {"--size=1", "--endian=big"},
       ""},
      {"empty format is the default of each size",
       true,
       4,
       0,
       "",
       "",
       "",
       {"--size=4", "--endian=big", "--format=", "--template="},
       ""},
      {"sizes clamp as the size box shows them",
       false,
       16,
       5,
       "",
       "",
       "",
       {"--size=8", "--endian=little"},
       ""},
      {"a size the box has no item for is left out",
       false,
       3,
       -2,
       "",
       "",
       "",
       {"--endian=big"},
       ""},
      {"an unusable format falls back with a warning",
       true,
       1,
       0,
       "%s",
       "T",
       "",
       {"--size=1", "--endian=big", "--format=", "--template=T"},
       "data_format '%s' is not usable"},
      {"a long format falls back with a warning",
       true,
       1,
       0,
       "0x%02X and quite a lot more text here",
       "T",
       "",
       {"--size=1", "--endian=big", "--format=", "--template=T"},
       "data_format is longer"},
      {"a long template is left out with a warning",
       true,
       1,
       0,
       "0x%02X",
       longTemplate,
       "",
       {"--size=1", "--endian=big", "--format=0x%02X"},
       "array_format is longer"},
      {"a folder named - is a folder",
       false,
       1,
       0,
       "",
       "",
       "-",
       {"--size=1", "--endian=big"},
       "",
       "./-"},
      {"the C syntax goes to to-binary",
       false,
       1,
       0,
       "",
       "",
       "o",
       {"--size=1", "--endian=big", "--syntax=c"},
       "",
       "o",
       1},
      {"and not to to-text",
       true,
       1,
       0,
       "",
       "T",
       "",
       {"--size=1", "--endian=big", "--format=", "--template=T"},
       "",
       nullptr,
       1},
      {"a syntax this version does not know is the plain one",
       false,
       1,
       0,
       "",
       "",
       "",
       {"--size=1", "--endian=big"},
       "",
       nullptr,
       7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CAppParameter parameter;
    parameter.data_size = row.dataSize;
    parameter.endian = row.endian;
    parameter.number_syntax = row.numberSyntax;
    parameter.data_format.AssignBytes(row.dataFormat,
                                      static_cast<int32_t>(std::strlen(row.dataFormat)));
    parameter.array_format.AssignBytes(row.arrayFormat.data(),
                                       static_cast<int32_t>(row.arrayFormat.size()));
    parameter.output_path.AssignBytes(row.outputPath,
                                      static_cast<int32_t>(std::strlen(row.outputPath)));

    const char* command = row.toText ? "to-text" : "to-binary";
    const std::vector<const char*> args = {command, "-s", "1", "a.bin"};
    ConversionArguments arguments;
    const char* file = nullptr;
    Capture err;
    ASSERT_EQ(arguments.Take(static_cast<int>(args.size()), args.data(), &file, err.get()), 0);
    arguments.AddStoredDefaults(row.toText, parameter, err.get());

    std::vector<std::string> expected = {command};
    expected.insert(expected.end(), row.values.begin(), row.values.end());
    expected.insert(expected.end(), {"-s", "1", "a.bin"});
    EXPECT_EQ(
        std::vector<std::string>(arguments.values.Get(), arguments.values.Get() + arguments.count),
        expected);
    EXPECT_EQ(arguments.values[arguments.count], nullptr);
    EXPECT_EQ(arguments.storedOutputFolder != nullptr ? arguments.storedOutputFolder : "(none)",
              std::string(row.folder != nullptr ? row.folder : "(none)"));
    if (row.warning[0] == 0) {
      EXPECT_EQ(err.Text(), "");
    } else {
      EXPECT_NE(err.Text().find(row.warning), std::string::npos) << err.Text();
    }
  }
}

}  // namespace
