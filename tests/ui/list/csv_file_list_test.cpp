#include "ui/list/csv_file_list.h"
#include "ui/list/list_batch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "base/codepage.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"
#include "ui/list/ui_test_util.h"

namespace {

using uitest::Ansi;
using uitest::Rows;
using uitest::Text;

void Set(CString& target, const std::string& utf8) {
  target.AssignWide(test::Utf16(utf8).c_str());
}

void AddRow(CFileList& list, const std::string& input, const std::string& output,
            const std::string& array) {
  FileListEntry entry;
  entry.inputName.SetPath(Ansi(input).c_str());
  entry.outputName.SetPath(Ansi(output).c_str());
  Set(entry.arrayName, array);
  ASSERT_GE(list.AppendFileEntry(std::move(entry)), 0);
}

std::unique_ptr<CsvTable> Parse(const std::string& bytes) {
  int result = 1;
  std::unique_ptr<CsvTable> table(
      ParseCsvBytes(bytes.data(), static_cast<int32_t>(bytes.size()), kCodePageAnsi, &result));
  EXPECT_EQ(kCsvOk, result);
  return table;
}

class CsvFileListTest : public testing::Test {
 protected:
  std::basic_string<WideChar> Path(const char* name) const { return test::WidePath(folder / name); }
  std::string FileText(const char* name) const {
    const auto bytes = test::ReadAll(folder / name);
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir folder;
  FileListSettings settings;
  CFileList list;
};

TEST(CsvWriterQuoting, QuotesExactlyWhatTheReaderWouldChange) {
  const struct {
    const char* cell;
    const char* written;
  } rows[] = {
      {"plain", "plain"},
      {"", ""},
      {"inner blank", "inner blank"},
      {"C:\\data\\logo.png", "C:\\data\\logo.png"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\r\nbreak", "\"line\r\nbreak\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"cr\ronly", "\"cr\ronly\""},
      {" lead", "\" lead\""},
      {"trail\t", "\"trail\t\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.cell);
    CString line;
    const std::string cell = row.cell;
    ASSERT_EQ(1, AppendCsvText(&line, cell.data(), static_cast<int32_t>(cell.size())));
    EXPECT_EQ(row.written, Text(line));
    // Read back as first cell of a line, it is the text that was written.
    EXPECT_EQ((Rows{{cell, "x"}}), uitest::ToRows(Parse(Text(line) + ",x\r\n").get()));
  }
}

TEST_F(CsvFileListTest, WritesTheOldFormWhereNoCellNeedsQuotes) {
  Set(settings.outputFolder, "C:\\out");
  Set(settings.valueFormat, "0x%02X");
  Set(settings.arrayTemplate, "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};");
  settings.direction = 1;
  settings.unitSize = 4;
  settings.byteOrder = 1;
  AddRow(list, "C:\\in\\a.bin", "a.txt", "a");
  AddRow(list, "C:\\in\\b.bin", "b.txt", "");
  ASSERT_EQ(kCsvWriteOk, WriteCsvFileList(Path("list.csv").c_str(), settings, list));
  EXPECT_EQ(
      "C:\\out,1,4,1,0x%02X,const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};\r\n"
      "C:\\in\\a.bin,a.txt,a\r\n"
      "C:\\in\\b.bin,b.txt,\r\n",
      FileText("list.csv"));
  CFileList empty;
  ASSERT_EQ(kCsvWriteOk, WriteCsvFileList(Path("empty.csv").c_str(), settings, empty));
  const std::string settingsOnly = FileText("empty.csv");
  EXPECT_EQ(settingsOnly.find("\r\n") + 2, settingsOnly.size());
}

TEST_F(CsvFileListTest, SaveThenLoadGivesBackTheSameListAndSettings) {
  Set(settings.outputFolder, "C:\\出力, 結果\\\"最新\"");
  Set(settings.valueFormat, "0x%02X, ");
  Set(settings.arrayTemplate,
      "// 配列, データ\r\nconst char ($ARRAY_NAME)[] = {\r\n($ARRAY_DATA)\r\n};");
  settings.direction = 1;
  settings.unitSize = 8;
  settings.byteOrder = 1;
  settings.numberSyntax = 1;
  AddRow(list, "C:\\データ\\a,\"b\".bin", "a,\"b\".txt", "配列_1");
  AddRow(list, " C:\\lead\\表示.bin ", "表示.bin", "");
  AddRow(list, "C:\\plain\\c.bin", "c.txt", "c");
  ASSERT_EQ(kCsvWriteOk, WriteCsvFileList(Path("list.csv").c_str(), settings, list));

  FileListSettings loaded;
  CFileList loadedList;
  AddRow(loadedList, "stale.bin", "stale.txt", "stale");  // loading replaces the list
  ASSERT_EQ(kCsvOk, LoadListFile(Path("list.csv").c_str(), &loaded, &loadedList, nullptr));
  EXPECT_EQ(Text(settings.outputFolder), Text(loaded.outputFolder));
  EXPECT_EQ(Text(settings.valueFormat), Text(loaded.valueFormat));
  EXPECT_EQ(Text(settings.arrayTemplate), Text(loaded.arrayTemplate));
  EXPECT_TRUE(loaded.directionSet && loaded.unitSizeSet && loaded.byteOrderSet);
  EXPECT_EQ(1, loaded.direction);
  EXPECT_EQ(8, loaded.unitSize);
  EXPECT_EQ(1, loaded.byteOrder);
  EXPECT_TRUE(loaded.numberSyntaxSet);
  EXPECT_EQ(1, loaded.numberSyntax);
  ASSERT_EQ(list.entryCount, loadedList.entryCount);
  for (int32_t i = 0; i < list.entryCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Text(list.entries[i].inputName.path), Text(loadedList.entries[i].inputName.path));
    EXPECT_EQ(Text(list.entries[i].outputName.path), Text(loadedList.entries[i].outputName.path));
    EXPECT_EQ(Text(list.entries[i].arrayName), Text(loadedList.entries[i].arrayName));
  }
  if (uitest::AnsiHolds("配列_1")) {
    // The Japanese text itself came back, not only its replacement characters.
    EXPECT_EQ(test::Utf16("配列_1"), loadedList.entries[0].arrayName.GetWide());
  }
}

// A list naming a file that no code page of the system may hold is written
// as UTF-8 with a byte-order mark and reads back with every name exact; its
// texts stay what the code page made of them.
TEST_F(CsvFileListTest, ListWithANameOutsideTheCodePageIsUtf8) {
  const std::string folderName = "C:\\한글 출력";
  const std::string input = "C:\\in\\絵文字\xF0\x9F\x98\x80.bin";
  settings.outputFolder.AssignName(test::Utf16(folderName).c_str());
  Set(settings.arrayTemplate, "// 한 ($ARRAY_DATA)");
  CString path;
  path.AssignName(test::Utf16(input).c_str());
  FileListEntry entry;
  entry.inputName.SetPath(path.Text());
  path.AssignName(test::Utf16("絵文字\xF0\x9F\x98\x80.txt").c_str());
  entry.outputName.SetPath(path.Text());
  Set(entry.arrayName, "a");
  ASSERT_GE(list.AppendFileEntry(std::move(entry)), 0);
  ASSERT_EQ(kCsvWriteOk, WriteCsvFileList(Path("list.csv").c_str(), settings, list));
  // Where the code page is UTF-8 (POSIX) every name fits, and the list is as ever.
  const bool utf8 = AnsiCodePage() == kCodePageUtf8;
  EXPECT_EQ(FileText("list.csv"), (utf8 ? "" : "\xEF\xBB\xBF") + folderName + ",0,1,0,,// " +
                                      (utf8 ? "한" : "?") + " ($ARRAY_DATA)\r\n" + input +
                                      ",絵文字\xF0\x9F\x98\x80.txt,a\r\n");

  FileListSettings loaded;
  CFileList loadedList;
  ASSERT_EQ(kCsvOk, LoadListFile(Path("list.csv").c_str(), &loaded, &loadedList, nullptr));
  EXPECT_EQ(test::Utf16(folderName), loaded.outputFolder.GetWide());
  EXPECT_EQ(Text(settings.arrayTemplate), Text(loaded.arrayTemplate));
  ASSERT_EQ(1, loadedList.entryCount);
  EXPECT_EQ(test::Utf16(input), loadedList.entries[0].inputName.path.GetWide());
  EXPECT_EQ(Text(list.entries[0].outputName.path), Text(loadedList.entries[0].outputName.path));
}

TEST(CsvNumberCell, ReadsBlanksSignAndDigitsOnly) {
  constexpr int64_t kHuge = -999;  // read, and larger than any item
  const struct {
    const char* text;
    bool read;
    int64_t value;
  } rows[] = {
      {"4", true, 4},    {" \t4", true, 4},  {"-1", true, -1},
      {"-", true, 0},    {"  ", true, 0},    {"", false, 0},
      {"4x", false, 0},  {"4 ", false, 0},   {"+4", false, 0},
      {"--1", false, 0}, {"0x10", false, 0}, {"99999999999999999999", true, kHuge},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    CString cell;
    cell.AssignBytes(row.text, static_cast<int32_t>(std::string(row.text).size()));
    int64_t value = 12345;
    EXPECT_EQ(row.read, ReadCsvNumber(&cell, &value));
    if (row.value == kHuge) {
      EXPECT_GT(value, 8);
    } else if (row.read) {
      EXPECT_EQ(row.value, value);
    }
  }
  int64_t value = 0;
  EXPECT_FALSE(ReadCsvNumber(nullptr, &value));
}

TEST(CsvSettingsRecord, SelectsOnlyKnownItemsAndEmptiesMissingTexts) {
  const struct {
    const char* line;
    int32_t direction, unitSize, byteOrder;  // -1: left as it was
    const char* format;
    const char* templ;
    int32_t numberSyntax = -1;
  } rows[] = {
      {"C:\\out,1,4,1,%d,t", 1, 4, 1, "%d", "t"},
      {"C:\\out, 0 ,\t8, 0,f", 0, 8, 0, "f", ""},
      {"C:\\out,,3,4x,,t,extra", -1, -1, -1, "", "t"},
      {"C:\\out,\" \",\" 2\",\"-\"", 0, 2, 0, "", ""},
      {"C:\\out,-1,0,2", -1, -1, -1, "", ""},
      {"C:\\out", -1, -1, -1, "", ""},
      {"C:\\out,1,1,0,,t,1", 1, 1, 0, "", "t", 1},
      {"C:\\out,1,1,0,,t, 0,x", 1, 1, 0, "", "t", 0},
      {"C:\\out,1,1,0,,t,2", 1, 1, 0, "", "t", -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    FileListSettings record;
    record.direction = 1;
    record.unitSize = 2;
    record.byteOrder = 1;
    record.numberSyntax = 1;
    Set(record.valueFormat, "old");
    Set(record.arrayTemplate, "old");
    const auto table = Parse(std::string(row.line) + "\r\n");
    ApplySettingsRecord(table->GetAt(0), &record);
    EXPECT_EQ("C:\\out", Text(record.outputFolder));
    EXPECT_EQ(row.direction >= 0, record.directionSet);
    EXPECT_EQ(row.direction >= 0 ? row.direction : 1, record.direction);
    EXPECT_EQ(row.unitSize >= 0, record.unitSizeSet);
    EXPECT_EQ(row.unitSize >= 0 ? row.unitSize : 2, record.unitSize);
    EXPECT_EQ(row.byteOrder >= 0, record.byteOrderSet);
    EXPECT_EQ(row.byteOrder >= 0 ? row.byteOrder : 1, record.byteOrder);
    EXPECT_EQ(row.numberSyntax >= 0, record.numberSyntaxSet);
    EXPECT_EQ(row.numberSyntax >= 0 ? row.numberSyntax : 1, record.numberSyntax);
    EXPECT_EQ(row.format, Text(record.valueFormat));
    EXPECT_EQ(row.templ, Text(record.arrayTemplate));
  }
}

TEST_F(CsvFileListTest, FileRecordsTakeCellsAsTheyAreAndSkipEmptyLines) {
  // LF-only line ends load like CR LF ones.
  for (const char* lineEnd : {"\r\n", "\n"}) {
    SCOPED_TRACE(lineEnd[0] == '\r' ? "CR LF" : "LF");
    std::string text = "out,0,1,0,f,t|a.bin,a.txt,a||b.bin|c.bin,,|d.bin,d.txt,d,extra|";
    for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|'))
      text.replace(at, 1, lineEnd);
    test::WriteAll(folder / "rows.csv", text);
    ASSERT_EQ(kCsvOk, LoadListFile(Path("rows.csv").c_str(), &settings, &list, nullptr));
    const char* expected[][3] = {
        {"a.bin", "a.txt", "a"}, {"b.bin", "", ""}, {"c.bin", "", ""}, {"d.bin", "d.txt", "d"}};
    ASSERT_EQ(4, list.entryCount);
    for (int32_t i = 0; i < 4; ++i) {
      EXPECT_EQ(expected[i][0], Text(list.entries[i].inputName.path));
      EXPECT_EQ(expected[i][1], Text(list.entries[i].outputName.path));
      EXPECT_EQ(expected[i][2], Text(list.entries[i].arrayName));
    }
  }
}

TEST_F(CsvFileListTest, FailedLoadsLeaveAnEmptyListAndTheSettings) {
  const struct {
    const char* name;
    const char* bytes;  // null: no such file
    int result;
    int32_t rows;
  } files[] = {
      {"missing.csv", nullptr, kCsvCannotOpen, 0},
      {"empty.csv", "", kListFileEmpty, 0},
      {"settings.csv", "new,1,2,1,f,t\r\n", kCsvOk, 0},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    if (file.bytes != nullptr) test::WriteAll(folder / file.name, std::string(file.bytes));
    Set(settings.outputFolder, "keep");
    AddRow(list, "x.bin", "x.txt", "x");
    EXPECT_EQ(file.result, LoadListFile(Path(file.name).c_str(), &settings, &list, nullptr));
    EXPECT_EQ(file.rows, list.entryCount);
    EXPECT_EQ(file.bytes != nullptr && file.bytes[0] != 0 ? "new" : "keep",
              Text(settings.outputFolder));
  }
}

std::string Utf16Bytes(const std::string& utf8, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const WideChar unit : test::Utf16(utf8)) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// Lists as other programs write them, and broken ones, through the loader
// both front ends use.
TEST_F(CsvFileListTest, LoadsListsFromOtherProgramsAndRefusesBrokenQuotes) {
  const bool japanese = uitest::AnsiHolds("データ");
  const std::string name = japanese ? "データ" : "é";
  const std::string plain = "out " + name + ",1,2,1,f,t\r\n/in/" + name + ".bin,o.txt,a\r\n";
  const bool shiftJisRead = AnsiCodePage() == kCodePageShiftJis || AnsiCodePage() == kCodePageUtf8;
  const struct {
    const char* name;
    bool applies;
    std::string bytes;
    int result;
    int32_t quoteLine;
  } cases[] = {
      {"UTF-8", AnsiCodePage() == kCodePageUtf8, plain, kCsvOk, 0},
      {"UTF-8 with a byte-order mark", true, "\xEF\xBB\xBF" + plain, kCsvOk, 0},
      {"UTF-16 LE", true, Utf16Bytes(plain, false), kCsvOk, 0},
      {"UTF-16 BE", true, Utf16Bytes(plain, true), kCsvOk, 0},
      {"code page 932", japanese && shiftJisRead,
       "out \x83\x66\x81\x5B\x83\x5E,1,2,1,f,t\r\n/in/\x83\x66\x81\x5B\x83\x5E.bin,o.txt,a\r\n",
       kCsvOk, 0},
      {"unterminated quote", true, plain + "\"/in/b.bin,b.txt,b\r\n/in/c.bin,c.txt,c\r\n",
       kCsvUnterminatedQuote, 3},
      {"unterminated quote after a cell of two lines", true,
       Utf16Bytes(plain + "\"two\r\nlines\",x,y\r\nz,\"open\r\n", true), kCsvUnterminatedQuote, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.applies) continue;
    test::WriteAll(folder / "list.csv", c.bytes);
    Set(settings.outputFolder, "keep");
    AddRow(list, "x.bin", "x.txt", "x");
    int32_t quoteLine = 0;
    EXPECT_EQ(c.result, LoadListFile(Path("list.csv").c_str(), &settings, &list, &quoteLine));
    EXPECT_EQ(c.quoteLine, quoteLine);
    if (c.result != kCsvOk) {
      EXPECT_EQ(0, list.entryCount);
      EXPECT_EQ("keep", Text(settings.outputFolder));
      continue;
    }
    EXPECT_EQ(Ansi("out " + name), Text(settings.outputFolder));
    EXPECT_EQ(2, settings.unitSize);
    ASSERT_EQ(1, list.entryCount);
    EXPECT_EQ(Ansi("/in/" + name + ".bin"), Text(list.entries[0].inputName.path));
    EXPECT_EQ("a", Text(list.entries[0].arrayName));
  }
}

// The one rule for the output folder of a row, in the window and in run.
TEST_F(CsvFileListTest, RowsMapToTheFolderAsWrittenOrBesideTheirInput) {
  const struct {
    const char* outputFolder;
    const char* input;
    const char* folder;
  } cases[] = {
      {"out", "/in/a.bin", "out"},
      {"out//\\", "/in/a.bin", "out"},
      {"C:\\", "D:\\in\\a.bin", "C:"},
      {"/", "/in/a.bin", "/"},
      {"", "/in/x//a.bin", "/in/x"},
      {"", "D:\\in\\a.bin", "D:\\in"},
      {"", "/a.bin", "/"},
      {"", "a.bin", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.outputFolder << " " << c.input);
    list.ClearFileList();
    AddRow(list, c.input, "o.txt", "arr");
    FileConversionRequest request;
    CString folder;
    ASSERT_TRUE(MapListRow(settings, c.outputFolder, list.entries[0], &folder, &request));
    EXPECT_STREQ(c.folder, request.outputFolder);
    EXPECT_STREQ(c.input, request.inputPath);
    // Whichever copy fails, the row maps to its folder or reports false: an
    // empty folder would put the output in the current one.
    const int64_t failures = test::SweepAllocationFailures([&](int64_t skip) {
      SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
      FileConversionRequest mapped;
      CString mappedFolder;
      bool made = false;
      const bool fired = test::RunFailingAllocation(skip, [&] {
        made = MapListRow(settings, c.outputFolder, list.entries[0], &mappedFolder, &mapped);
      });
      EXPECT_EQ(made, !fired);
      if (made) {
        EXPECT_STREQ(c.folder, mapped.outputFolder);
      }
      return fired;
    });
    EXPECT_GE(failures, 1);
  }
}

// A direction switch gives a row the new default extension only where the
// name still carries the other one; a name the user chose stays.
TEST(OutputExtensionSwitch, ChangesOnlyTheOtherDefaultExtension) {
  const struct {
    const char* name;
    int32_t direction;
    const char* expected;
  } cases[] = {
      {"a.txt", 1, "a.bin"},
      {"a.bin", 0, "a.txt"},
      {"a.txt", 0, "a.txt"},
      {"a.bin", 1, "a.bin"},
      {"archive.tar.txt", 1, "archive.tar.bin"},
      {".txt", 1, ".bin"},  // from ".profile"
      {".bin", 0, ".txt"},
      {"a.h", 1, "a.h"},
      {"a.TXT", 1, "a.TXT"},
      {"a.txt.c", 1, "a.txt.c"},
      {"txt", 1, "txt"},
      {"a", 0, "a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " to direction " << c.direction);
    CFileName name;
    ASSERT_TRUE(name.SetPath(c.name));
    EXPECT_EQ(std::string(c.expected) != c.name, SwitchOutputExtension(&name, c.direction));
    EXPECT_EQ(c.expected, Text(name.path));
    EXPECT_EQ(c.expected, Text(name.name));
    // What the run composes from it.
    CFileName fresh;
    ASSERT_TRUE(fresh.SetPath(c.expected));
    EXPECT_EQ(Text(fresh.stem), Text(name.stem));
    EXPECT_EQ(Text(fresh.extension), Text(name.extension));
  }
}

TEST_F(CsvFileListTest, WriteReportsAFileThatCannotBeCreated) {
  EXPECT_EQ(kCsvWriteCannotCreate,
            WriteCsvFileList(test::WidePath(folder / "no" / "list.csv").c_str(), settings, list));
  EXPECT_EQ(kCsvWriteCannotCreate, WriteCsvFileList(WSTR(""), settings, list));
}

// A write that falls short anywhere, or a failed flush, is reported and
// leaves the old list as it was.
TEST_F(CsvFileListTest, FailedWritesKeepTheOldList) {
  AddRow(list, "a.bin", "a.txt", "a");
  AddRow(list, "b.bin", "b.txt", "b");
  const struct {
    int failFrom;
    bool failFlush;
  } cases[] = {{0, false}, {2, false}, {-1, true}};
  for (const auto& row : cases) {
    SCOPED_TRACE(testing::Message()
                 << "fail from write " << row.failFrom << ", flush " << row.failFlush);
    test::WriteAll(folder / "list.csv", std::string("old\r\n"));
    test::FailingFile file;
    file.failFrom = row.failFrom;
    file.failFlush = row.failFlush;
    EXPECT_EQ(kCsvWriteFailed, WriteCsvFileList(Path("list.csv").c_str(), settings, list, file));
    EXPECT_EQ("old\r\n", FileText("list.csv"));
    EXPECT_FALSE(std::filesystem::exists(folder / "list.csv.tmp"));
  }
}

}  // namespace
