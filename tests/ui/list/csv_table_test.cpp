#include "ui/list/csv_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "base/codepage.h"
#include "base/file.h"
#include "support/test_support.h"
#include "ui/list/ui_test_util.h"

namespace {

using uitest::Ansi;
using uitest::Rows;
using uitest::ToRows;

Rows Parse(const std::string& bytes, uint32_t codePage = kCodePageAnsi) {
  int result = 1;
  std::unique_ptr<CsvTable> table(
      ParseCsvBytes(bytes.data(), static_cast<int32_t>(bytes.size()), codePage, &result));
  EXPECT_EQ(kCsvOk, result);
  return ToRows(table.get());
}

// Feeds the bytes in two blocks split at split.
Rows ParseSplit(const std::string& bytes, size_t split) {
  CCsvParser parser(kCodePageAnsi);
  EXPECT_EQ(kCsvOk, parser.Feed(bytes.data(), static_cast<int32_t>(split)));
  EXPECT_EQ(kCsvOk, parser.Feed(bytes.data() + split, static_cast<int32_t>(bytes.size() - split)));
  EXPECT_EQ(kCsvOk, parser.Finish());
  std::unique_ptr<CsvTable> table(parser.TakeTable());
  return ToRows(table.get());
}

// Exactly size bytes (at least 3) of short lines, and their rows: a filler
// that moves the following bytes to a chosen place in the file.
std::pair<std::string, Rows> Filler(size_t size) {
  std::string bytes;
  Rows rows;
  while (size - bytes.size() > 200) {
    bytes += std::string(98, 'f') + "\r\n";
    rows.push_back({std::string(98, 'f')});
  }
  const std::string last(size - bytes.size() - 2, 'g');
  rows.push_back({last});
  return {bytes + last + "\r\n", rows};
}

Rows ReadFile(const std::filesystem::path& path, int expectedResult = kCsvOk) {
  int result = 1;
  std::unique_ptr<CsvTable> table(ReadCsvTable(test::WidePath(path).c_str(), &result));
  EXPECT_EQ(expectedResult, result);
  return ToRows(table.get());
}

TEST(CsvStateMachine, EveryTransitionOfTheTable) {
  // actions: c consume, s store, d drop trailing blanks, e end cell, f end a
  // non-empty cell, r end row.
  struct Row {
    CsvState state;
    unsigned char byte;
    bool cellEmpty;
    CsvState next;
    const char* actions;
  } rows[] = {
      {CsvField, ' ', true, CsvField, "c"},
      {CsvField, '\t', true, CsvField, "c"},
      {CsvField, ' ', false, CsvField, "cs"},
      {CsvField, '\t', false, CsvField, "cs"},
      {CsvField, '\n', false, CsvAfterLf, "c"},
      {CsvField, '\r', true, CsvAfterCr, "c"},
      {CsvField, '"', true, CsvQuoted, "c"},
      {CsvField, '"', false, CsvField, "cs"},
      {CsvField, ',', false, CsvField, "cde"},
      {CsvField, ',', true, CsvField, "cde"},
      {CsvField, 'x', true, CsvField, "cs"},
      {CsvField, 0x93, false, CsvField, "cs"},
      {CsvQuoted, '"', false, CsvQuoteSeen, "c"},
      {CsvQuoted, ',', false, CsvQuoted, "cs"},
      {CsvQuoted, '\r', true, CsvQuoted, "cs"},
      {CsvQuoted, '\n', false, CsvQuoted, "cs"},
      {CsvQuoted, ' ', true, CsvQuoted, "cs"},
      {CsvQuoteSeen, '"', false, CsvQuoted, "cs"},
      {CsvQuoteSeen, ',', true, CsvField, "ce"},
      {CsvQuoteSeen, '\n', false, CsvAfterLf, "ce"},
      {CsvQuoteSeen, '\r', true, CsvAfterCr, "ce"},
      {CsvQuoteSeen, 'x', false, CsvSkipToComma, "ce"},
      {CsvSkipToComma, ',', true, CsvField, "c"},
      {CsvSkipToComma, '\r', true, CsvSkipToComma, "c"},
      {CsvSkipToComma, '"', true, CsvSkipToComma, "c"},
      {CsvAfterLf, '\r', true, CsvLineEnd, "c"},
      {CsvAfterLf, '\n', true, CsvLineEnd, ""},
      {CsvAfterLf, 'x', false, CsvLineEnd, ""},
      {CsvAfterCr, '\n', true, CsvLineEnd, "c"},
      {CsvAfterCr, '\r', true, CsvLineEnd, ""},
      {CsvLineEnd, 'x', false, CsvField, "fr"},
      {CsvLineEnd, '\n', true, CsvField, "fr"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "state " << row.state << " byte " << int(row.byte)
                                    << (row.cellEmpty ? " empty" : " full"));
    const CsvStep step = CsvNextStep(row.state, row.byte, row.cellEmpty);
    const std::string actions = row.actions;
    EXPECT_EQ(row.next, step.next);
    EXPECT_EQ(actions.find('c') != std::string::npos, step.consume);
    EXPECT_EQ(actions.find('s') != std::string::npos, step.store);
    EXPECT_EQ(actions.find('d') != std::string::npos, step.dropBlanks);
    EXPECT_EQ(actions.find('e') != std::string::npos, step.endCell);
    EXPECT_EQ(actions.find('f') != std::string::npos, step.endFullCell);
    EXPECT_EQ(actions.find('r') != std::string::npos, step.endRow);
  }
}

struct Consequence {
  const char* name;
  std::string bytes;
  Rows rows;
};

const Consequence kConsequences[] = {
    {"LF line ends", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
    {"CR line ends", "a,b\rc,d\r", {{"a", "b"}, {"c", "d"}}},
    {"CR LF line ends", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
    {"LF CR line ends", "a,b\n\rc,d\n\r", {{"a", "b"}, {"c", "d"}}},
    {"CR CR is two line ends", "a\r\rb\r", {{"a"}, {}, {"b"}}},
    {"an empty line is a row without cells", "a\r\n\r\nb\r\n", {{"a"}, {}, {"b"}}},
    {"a blank line too", "a\n  \t\nb", {{"a"}, {}, {"b"}}},
    {"end of input without a line end", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
    {"line ends at the end add no row", "a\r\n\r\n", {{"a"}}},
    {"empty input", "", {}},
    {"only a line end", "\r\n", {}},
    {"leading blanks skipped", "  a,\t b", {{"a", "b"}}},
    {"trailing blanks dropped before a comma", "a \t,b", {{"a", "b"}}},
    {"last cell keeps trailing blanks", "a,b  \r\n", {{"a", "b  "}}},
    {"inner blanks kept", "a b,c", {{"a b", "c"}}},
    {"empty cell between commas kept", "a,,b", {{"a", "", "b"}}},
    {"trailing empty cell yields no cell", "a,b,\r\nc", {{"a", "b"}, {"c"}}},
    {"a lone comma", ",", {{""}}},
    {"quoted comma", "\"a,b\",c", {{"a,b", "c"}}},
    {"quoted line breaks", "\"a\r\nb\nc\rd\",e\r\n", {{"a\r\nb\nc\rd", "e"}}},
    {"doubled quotes", "\"say \"\"hi\"\"\"\r\n\"\"\"\"", {{"say \"hi\""}, {"\""}}},
    {"empty quoted cell at a line end", "a,\"\"\r\nb", {{"a", ""}, {"b"}}},
    {"empty quoted cell at the end of input", "a,\"\"", {{"a", ""}}},
    {"quoted blanks kept", "  \"  a  \" ,b", {{"  a  ", "b"}}},
    {"text after a closing quote dropped", "\"a\"xyz,b", {{"a", "b"}}},
    {"and runs over the line end", "\"a\"x\r\nb,c\r\n", {{"a", "c"}}},
    {"quote inside an unquoted cell", "ab\"c\",d", {{"ab\"c\"", "d"}}},
    {"a NUL ends its cell's text only",
     std::string("a\0b,c\r\nd,e\r\n", 12),
     {{"a", "c"}, {"d", "e"}}},
};

TEST(CsvReader, ConsequencesOfTheStateMachine) {
  test::TempDir folder;
  for (const Consequence& row : kConsequences) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.rows, Parse(row.bytes));
    test::WriteAll(folder / "list.csv", row.bytes);
    EXPECT_EQ(row.rows, ReadFile(folder / "list.csv"));
    // The state, cell and row carry over wherever a block ends.
    for (size_t split = 0; split <= row.bytes.size(); ++split)
      EXPECT_EQ(row.rows, ParseSplit(row.bytes, split)) << "split at " << split;
  }
}

TEST(CsvReader, BlocksOfOneMebibyteCrossingACell) {
  const std::string tail = "\"a,\"\"b\r\nc\"  ,  d e  ,f\r\n\r\ng\n\rh";
  const Rows tailRows = {{"a,\"b\r\nc", "d e", "f"}, {}, {"g"}, {"h"}};
  // Block 2 starts at each of these bytes of the tail: inside the quotes,
  // between the doubled quotes, between CR and LF, after the closing quote,
  // in the blanks before a comma, inside an LF CR.
  const size_t starts[] = {0, 2, 4, 5, 8, 10, 11, 12, 16, 19, 25, 29};
  test::TempDir folder;
  for (const size_t start : starts) {
    SCOPED_TRACE(testing::Message() << "block 2 starts at tail byte " << start);
    auto [filler, expected] = Filler(kCsvBlockSize - start);
    test::WriteAll(folder / "big.csv", filler + tail);
    expected.insert(expected.end(), tailRows.begin(), tailRows.end());
    EXPECT_EQ(expected, ReadFile(folder / "big.csv"));
  }
}

TEST(CsvReader, CellsOfAnyLength) {
  for (const size_t length : {1u, 1023u, 1024u, 1025u, 2048u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string plain(length, 'p');
    std::string quoted(length, 'q');
    quoted[length / 2] = ',';
    EXPECT_EQ((Rows{{plain, quoted}, {"z"}}), Parse(plain + ",\"" + quoted + "\"\r\nz"));
  }
}

TEST(CsvReader, FileThatDoesNotOpenGivesMinusOne) {
  test::TempDir folder;
  EXPECT_EQ(Rows{}, ReadFile(folder / "missing.csv", kCsvCannotOpen));
  test::WriteAll(folder / "held.csv", "a,b\r\n");
  CFile writer;
  CString held;
  test::AssignPath(held, folder / "held.csv");
  ASSERT_EQ(kOk, writer.Create(held, CreateRule::Always));
  EXPECT_EQ(Rows{}, ReadFile(folder / "held.csv", kCsvCannotOpen));
}

// A cell is kept as a file name is: exactly, whatever the code page.
TEST(CsvReader, AppendCsvCellMakesTheRowAndDecodesTheCodePage) {
  int result = kCsvOk;
  std::unique_ptr<CsvRow> row(AppendCsvCell(nullptr, "ab", 2, kCodePageAnsi, &result));
  ASSERT_NE(nullptr, row);
  EXPECT_EQ(row.get(), AppendCsvCell(row.get(), "", 0, kCodePageAnsi, &result));
  EXPECT_EQ(row.get(), AppendCsvCell(row.get(), "\x93\xfa\x96\x7b", 4, kCodePageShiftJis, &result));
  EXPECT_EQ(kCsvOk, result);
  EXPECT_EQ((std::vector<std::string>{"ab", "", uitest::Name("日本")}), uitest::Cells(row.get()));
}

// The code page of the list files follows the writer's, the ANSI code page;
// under Wine the Japanese run proves the 932 case.
TEST(CsvCodePage, ReadsWithTheAnsiCodePage) {
  if (const char* expected = std::getenv("BX_EXPECT_ACP")) {
    ASSERT_EQ(static_cast<uint32_t>(std::atoi(expected)), AnsiCodePage());
  }
  const bool utf8 = AnsiCodePage() == kCodePageUtf8;
  EXPECT_EQ(kCodePageAnsi, CsvCodePageFor(true));
  EXPECT_EQ(utf8 ? kCodePageShiftJis : kCodePageAnsi, CsvCodePageFor(false));
}

TEST(CsvCodePage, ShiftJisListsLoadWhereAnsiIs932OrUtf8) {
  if (AnsiCodePage() != kCodePageShiftJis && AnsiCodePage() != kCodePageUtf8) {
    GTEST_SKIP() << "code page " << AnsiCodePage() << " holds no Japanese text";
  }
  test::TempDir folder;
  // 日本語,表 in Shift_JIS; 表 ends in the byte of a backslash. The second
  // file starts valid as UTF-8 and breaks only after the first block.
  const std::string shiftJis = "\x93\xfa\x96\x7b\x8c\xea,\x95\x5c\r\n";
  const Rows japanese = {{Ansi("日本語"), Ansi("表")}};
  auto [filler, fillerRows] = Filler(kCsvBlockSize + 100);
  fillerRows.insert(fillerRows.end(), japanese.begin(), japanese.end());
  const struct {
    std::string bytes;
    Rows rows;
  } files[] = {{shiftJis, japanese}, {filler + shiftJis, fillerRows}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.bytes.size());
    test::WriteAll(folder / "sjis.csv", file.bytes);
    EXPECT_EQ(file.rows, ReadFile(folder / "sjis.csv"));
  }
}

TEST(CsvCodePage, Utf8CharactersAcrossBlocksStayUtf8) {
  if (AnsiCodePage() != kCodePageUtf8) GTEST_SKIP() << "the ANSI code page is not UTF-8";
  test::TempDir folder;
  // 日 is three bytes; the block boundary falls after its first or second.
  for (const size_t before : {1u, 2u}) {
    SCOPED_TRACE(before);
    auto [filler, rows] = Filler(kCsvBlockSize - before);
    test::WriteAll(folder / "utf8.csv", filler + "日本,語\r\n");
    rows.push_back({"日本", "語"});
    EXPECT_EQ(rows, ReadFile(folder / "utf8.csv"));
  }
  // In UTF-16 the first block ends between the two halves of a surrogate
  // pair; each block holds kCsvBlockSize - 2 bytes.
  auto [filler, rows] = Filler((kCsvBlockSize - 2) / 2 - 1);
  std::string utf16 = "\xFF\xFE";
  for (const WideChar unit : test::Utf16(filler + "\xF0\x9F\x98\x80,x\r\n")) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  test::WriteAll(folder / "utf16.csv", utf16);
  rows.push_back({"\xF0\x9F\x98\x80", "x"});
  EXPECT_EQ(rows, ReadFile(folder / "utf16.csv"));
}

// As in an 8-bit list, a NUL ends its cell's text and nothing more.
TEST(CsvCodePage, Utf16NulEndsItsCellOnly) {
  test::TempDir folder;
  const std::string text("a\0b,c\r\nd,e\r\n", 12);
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big endian" : "little endian");
    std::string utf16 = big ? "\xFE\xFF" : "\xFF\xFE";
    for (const char byte : text) {
      utf16 += big ? '\0' : byte;
      utf16 += big ? byte : '\0';
    }
    test::WriteAll(folder / "list.csv", utf16);
    EXPECT_EQ((Rows{{"a", "c"}, {"d", "e"}}), ReadFile(folder / "list.csv"));
  }
}

}  // namespace
