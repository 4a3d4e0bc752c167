// brelvix-cli run, started as a child process: a list saved with the writer
// must give exactly the files the per-file conversion makes from its rows.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "convert/conversion_monitor.h"
#include "convert/convert_file.h"
#include "support/process.h"
#include "support/test_support.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/ui_test_util.h"

namespace {

namespace fs = std::filesystem;
using uitest::Text;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::map<std::string, std::vector<uint8_t>> FolderContents(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& item : fs::directory_iterator(folder))
    files[Utf8(item.path().filename())] = test::ReadAll(item.path());
  return files;
}

class CliRunTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(inputs);
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
      bytes += "0x1F,&H2e3d, &hABCDEF01\t0x123456789\r\n{0x7}0X8;" + std::string(1, char(i * 37));
    std::vector<std::string> names = {"a.bin", "README", "big.dat"};
    if (uitest::AnsiHolds("データ, \"1\".bin")) names.push_back("データ, \"1\".bin");
    // Names outside the code page (Japanese on 1252, emoji and Hangul on 932)
    // and a path longer than the classic 260 units.
    names.insert(names.end(), {"日本語ファイル.bin", "絵文字\xF0\x9F\x98\x80と한글.bin",
                               std::string(240, 'L') + ".bin"});
    for (size_t i = 0; i < names.size(); ++i) {
      const fs::path path = inputs / fs::path(std::u8string(names[i].begin(), names[i].end()));
      test::WriteAll(path, bytes.substr(0, i == 2 ? bytes.size() : 40 + i * 7));
    }
  }

  // Saves the files of the input folder as a list with these settings.
  void SaveList(int32_t direction, int32_t unitSize, int32_t byteOrder, const char* format,
                const char* arrayTemplate, const fs::path& folder, int32_t numberSyntax = 0) {
    FileListSettings settings;
    settings.numberSyntax = numberSyntax;
    settings.outputFolder.AssignWide(test::WidePath(folder).c_str());
    settings.direction = direction;
    settings.unitSize = unitSize;
    settings.byteOrder = byteOrder;
    settings.valueFormat.AssignWide(test::Utf16(format).c_str());
    settings.arrayTemplate.AssignWide(test::Utf16(arrayTemplate).c_str());
    for (const auto& item : fs::directory_iterator(inputs)) {
      ASSERT_GE(list.AddFilePath(test::WidePath(item.path()).c_str(), direction), 0);
    }
    ASSERT_EQ(kCsvWriteOk, WriteCsvFileList(test::WidePath(listPath).c_str(), settings, list));
    request.direction = direction;
    request.unitSize = unitSize;
    request.byteOrder = byteOrder;
    request.numberSyntax = numberSyntax;
    request.valueFormat = format;  // ASCII in every case below
    request.arrayTemplate = arrayTemplate;
  }

  // Converts every row with the per-file conversion into folder.
  void ConvertRows(const fs::path& folder) {
    CString folderText;
    test::AssignPath(folderText, folder);
    SilentMonitor monitor;
    for (int32_t i = 0; i < list.entryCount; ++i) {
      const FileListEntry& row = list.entries[i];
      request.inputPath = row.inputName.path.Text();
      request.outputFolder = folderText.Text();
      request.outputStem = row.outputName.stem.Text();
      request.outputExtension = row.outputName.extension.Text();
      request.arrayName = row.arrayName.Text();
      ASSERT_EQ(FileConversionStatus::Converted, ConvertFile(request, monitor, nullptr));
    }
  }

  int Run(const std::vector<std::string>& args) {
    last = test::RunProcess(BX_CLI_PATH, args, folder.path());
    return last.exitCode;
  }
  std::string Log() const { return last.out + last.err; }

  test::TempDir folder;
  fs::path inputs = folder / "in";
  fs::path listPath = folder / "list.csv";
  CFileList list;
  FileConversionRequest request;
  test::ProcessResult last;
};

TEST_F(CliRunTest, MakesTheFilesThePerFileConversionMakes) {
  const struct {
    const char* name;
    int32_t direction, unitSize, byteOrder;
    const char* format;
    const char* arrayTemplate;
    bool outputOption;
    int32_t numberSyntax = 0;
  } cases[] = {
      {"binary to text into the list's folder", 0, 1, 0, "0x%02X",
       "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};", false},
      {"2-byte little endian with a template of several lines, -o", 0, 2, 1, "%#06x",
       "// ($ARRAY_NAME), from a list\r\nshort ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)\r\n};", true},
      {"text to binary, 4-byte little endian", 1, 4, 1, "", "", false},
      {"default format by size", 0, 8, 0, "", "($ARRAY_DATA)", true},
      {"text to binary in the C syntax", 1, 1, 0, "", "", false, 1},
      {"binary to text naming each file", 0, 1, 0, "0x%02X", "// ($FILE_NAME)\r\n($ARRAY_DATA)",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    list.ClearFileList();
    const fs::path out = folder / "out", option = folder / "option", reference = folder / "ref";
    for (const fs::path& made : {out, option, reference}) {
      fs::remove_all(made);
      fs::create_directory(made);
      // A taken name: the row gets the next free one, "(1)".
      test::WriteAll(made / (c.direction == 0 ? "a.txt" : "a.bin"), "kept");
    }
    SaveList(c.direction, c.unitSize, c.byteOrder, c.format, c.arrayTemplate, out, c.numberSyntax);
    ConvertRows(reference);
    std::vector<std::string> args = {"run", Utf8(listPath)};
    if (c.outputOption) args.insert(args.end(), {"-o", Utf8(option) + "/"});
    EXPECT_EQ(0, Run(args)) << Log();
    const auto expected = FolderContents(reference);
    EXPECT_EQ(expected, FolderContents(c.outputOption ? option : out));
    EXPECT_EQ(size_t(list.entryCount) + 1, expected.size());
    EXPECT_EQ(1u, FolderContents(c.outputOption ? out : option).size());
  }
}

TEST_F(CliRunTest, ExitStatusesMatchTheOtherCommands) {
  SaveList(0, 1, 0, "0x%02X", "($ARRAY_DATA)", folder / "out");
  fs::create_directory(folder / "out");
  test::WriteAll(folder / "empty.csv", "");
  test::WriteAll(folder / "gone.csv", "out,0,1,0,,\r\n" + Utf8(folder / "gone.bin") +
                                          ",gone.txt,g\r\n" + Utf8(inputs / "a.bin") +
                                          ",a.txt,a\r\n");
  test::WriteAll(folder / "broken.csv", "out,0,1,0,,\r\n" + Utf8(inputs / "a.bin") +
                                            ",a.txt,a\r\n\"" + Utf8(inputs / "a.bin") + ",b,b\r\n");
  test::WriteAll(folder / "beside.csv", ",0,1,0,,\r\n" + Utf8(inputs / "a.bin") + ",a.txt,a\r\n");
  // Warnings as the window's end message gives them; the rows still convert.
  test::WriteAll(folder / "none.txt", "no numbers");
  test::WriteAll(folder / "warn.csv",
                 "out,1,1,0,,\r\n" + Utf8(folder / "none.txt") + ",none.bin,none\r\n");
  test::WriteAll(folder / "named.csv",
                 "out,0,1,0,,\r\n" + Utf8(inputs / "a.bin") + ",n.txt,my-name\r\n");
  test::WriteAll(folder / "format.csv",
                 "out,0,1,0,%s,\r\n" + Utf8(inputs / "a.bin") + ",f.txt,f\r\n");
  test::WriteAll(folder / "noname.csv", "out,0,1,0,,\r\n" + Utf8(inputs / "a.bin") + ",,a\r\n" +
                                            Utf8(inputs / "a.bin") + ",n.txt,n\r\n");
  // The warnings to-text and to-binary give.
  test::WriteAll(folder / "t.txt", "0x1FU,0x20,");
  test::WriteAll(folder / "dropped.csv",
                 "out,1,1,0,,\r\n" + Utf8(folder / "t.txt") + ",t.bin,t\r\n");
  test::WriteAll(folder / "literal.csv", "out,0,8,0,0x%02X,($ARRAY_STRING)\r\n" +
                                             Utf8(inputs / "big.dat") + ",s.txt,s\r\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"run", Utf8(listPath), "-q"}, 0, ""},
      {{"run", Utf8(folder / "gone.csv"), "-o", Utf8(folder / "out")}, 1, "gone.bin"},
      {{"run", Utf8(folder / "missing.csv")}, 1, "cannot open the file list: "},
      {{"run", Utf8(folder / "format.csv")}, 2, "value format '%s' is not usable"},
      {{"run", Utf8(folder / "noname.csv")}, 1, "the row has no output file name"},
      {{"run", Utf8(folder / "dropped.csv")}, 0, "1 prefixed number was dropped"},
      {{"run", Utf8(folder / "literal.csv")},
       0,
       "warning: the format '0x%02X' shows only the low 32 bits"},
      {{"run", Utf8(folder / "literal.csv")}, 0, "MSVC refuses more than 65,535"},
      {{"run", Utf8(folder / "empty.csv")}, 1, "the file list is empty"},
      {{"run"}, 2, "no LIST given"},
      {{"run", Utf8(listPath), Utf8(listPath)}, 2, "one LIST only"},
      {{"run", "-x", Utf8(listPath)}, 2, "unknown option '-x'"},
      {{"run", Utf8(listPath), "-o", "-"}, 2, "'-o -'"},
      {{"run", Utf8(folder / "broken.csv")}, 1, "broken.csv:3: a quoted cell is not closed"},
      {{"run", Utf8(folder / "beside.csv")}, 0, "output folder: beside each input file"},
      {{"run", Utf8(folder / "warn.csv")}, 0, "none.txt: no number with the prefix"},
      {{"run", Utf8(folder / "named.csv")}, 0, "the array name 'my-name' is not a C identifier"},
      // Last: its log is looked at once more below.
      {{"run", Utf8(listPath), "-o", Utf8(folder / "out") + "//"},
       0,
       "output folder: " + Utf8(folder / "out")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(c.status, Run(c.args));
    EXPECT_NE(std::string::npos, Log().find(c.message)) << Log();
  }
  EXPECT_EQ(std::string::npos, Log().find(Utf8(folder / "out") + "//")) << "separators trimmed";
  // The row after the missing input was still converted, as the row after
  // the one without an output name; nothing of an unusable format.
  const auto made = FolderContents(folder / "out");
  EXPECT_EQ(1u, made.count("a(1).txt"));
  EXPECT_EQ(1u, made.count("n.txt"));
  EXPECT_EQ(0u, made.count("f.txt"));
  EXPECT_EQ(0u, made.count("(1)"));
  EXPECT_TRUE(fs::exists(inputs / "a.txt")) << "an empty folder puts the output beside its input";
}

// ($FILE_NAME) is text of the output, in the code page: a character the code
// page lacks is written as '?', and the run says so.
TEST_F(CliRunTest, FileNameOutsideTheCodePageWarns) {
  if (uitest::AnsiHolds("\xF0\x9F\x98\x80")) GTEST_SKIP() << "the code page holds every name";
  const std::string name = "x\xF0\x9F\x98\x80y.bin";
  test::WriteAll(folder.path() / fs::path(std::u8string(name.begin(), name.end())), "A");
  test::WriteAll(folder / "fname.csv", "\xEF\xBB\xBFout,0,1,0,0x%02X,// ($FILE_NAME)\r\n" +
                                           Utf8(folder / "x") +
                                           "\xF0\x9F\x98\x80y.bin,x.txt,x\r\n");
  fs::create_directory(folder / "out");
  EXPECT_EQ(0, Run({"run", Utf8(folder / "fname.csv")}));
  EXPECT_NE(std::string::npos, Log().find("($FILE_NAME) is written with '?'")) << Log();
  const std::vector<uint8_t> made = test::ReadAll(folder / "out" / "x.txt");
  EXPECT_EQ("// x?y.bin", std::string(made.begin(), made.end()).substr(0, 10));
}

}  // namespace
