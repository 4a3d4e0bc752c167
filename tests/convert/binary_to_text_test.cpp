#include "convert/binary_to_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

#include "base/debug_print.h"
#include "convert/string_literal.h"
#include "convert_test_support.h"

namespace {

using convert_test::AsString;
using convert_test::MemoryFile;
using convert_test::RandomBytes;
using convert_test::RecordingMonitor;
using convert_test::ReferenceBinaryToText;
using convert_test::Trace;

const char kTemplate[] = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";

struct Settings {
  int byteOrder = 0;
  int unitSize = 1;
  std::string format;
  std::string arrayTemplate = kTemplate;
  std::string name = "table";
};

std::vector<uint8_t> Counting(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

std::string Convert(const std::vector<uint8_t>& data, const Settings& s, bool* result = nullptr) {
  SilentMonitor monitor;
  MemoryFile output;
  const bool ok = ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()),
                                      output, s.byteOrder, s.unitSize, s.format.c_str(),
                                      s.arrayTemplate.c_str(), s.name.c_str());
  if (result != nullptr) *result = ok;
  return output.data;
}

// Converts through the stream with the input cut into the given block sizes
// (repeated as needed).
std::string ConvertInBlocks(const std::vector<uint8_t>& data, const Settings& s,
                            const std::vector<size_t>& blocks) {
  SilentMonitor monitor;
  MemoryFile output;
  BinaryToTextStream stream(monitor, output);
  EXPECT_TRUE(stream.Begin(s.byteOrder, s.unitSize, s.format.c_str(), s.arrayTemplate.c_str(),
                           s.name.c_str(), data.size()));
  size_t at = 0;
  for (size_t k = 0; at < data.size(); ++k) {
    size_t n = blocks[k % blocks.size()];
    if (n > data.size() - at) n = data.size() - at;
    EXPECT_TRUE(stream.Feed(data.data() + at, n));
    at += n;
  }
  EXPECT_TRUE(stream.Finish());
  EXPECT_EQ(stream.Consumed(), data.size());
  return output.data;
}

TEST(BinaryToTextTest, WorkedExample) {
  Settings s;
  s.unitSize = 2;
  EXPECT_EQ(Convert(Counting(18), s),
            "const unsigned char table[] = {\r\n"
            "\t\t0x0001,0x0203,0x0405,0x0607,0x0809,0x0A0B,0x0C0D,0x0E0F,\r\n"
            "\t\t0x1011\r\n"
            "};\r\n");
}

TEST(BinaryToTextTest, EdgeCases) {
  struct Row {
    const char* name;
    Settings settings;
    std::vector<uint8_t> data;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"a non-empty format serves every unit size as it stands",
       {0, 2, "0x%02X", "($ARRAY_DATA)", ""},
       {0x02, 0x03, 0x00, 0x01},
       "\r\n\t\t0x203,0x01\r\n\r\n"},
      {"a format without ll prints the low 32 bits of an 8-byte unit",
       {0, 8, "0x%X", "($ARRAY_DATA)", ""},
       {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
       "\r\n\t\t0x55667788\r\n\r\n"},
      {"the default 8-byte format keeps all 64 bits, little endian",
       {1, 8, "", "($ARRAY_DATA)", ""},
       {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
       "\r\n\t\t0x8877665544332211\r\n\r\n"},
      {"4-byte units, little endian, default format",
       {1, 4, "", "($ARRAY_DATA)", ""},
       {1, 2, 3, 4, 5, 6, 7, 8},
       "\r\n\t\t0x04030201,0x08070605\r\n\r\n"},
      {"a template without the data marker comes first, names put in",
       {0, 1, "", "x ($ARRAY_NAME) y", "n"},
       {1, 2},
       "x n y\r\n\t\t0x01,0x02\r\n"},
      {"the data marker at the very end",
       {0, 1, "", "a($ARRAY_DATA)", "n"},
       {0xAB},
       "a\r\n\t\t0xAB\r\n\r\n"},
      {"a name after the data marker is replaced, a second data marker is text",
       {0, 1, "", "($ARRAY_DATA)($ARRAY_NAME)($ARRAY_DATA)", "n"},
       {0},
       "\r\n\t\t0x00\r\nn($ARRAY_DATA)\r\n"},
      {"every name marker before the data marker is replaced",
       {0, 1, "", "($ARRAY_NAME)_($ARRAY_NAME)=($ARRAY_DATA);", "ab"},
       {1},
       "ab_ab=\r\n\t\t0x01\r\n;\r\n"},
      {"an empty name removes the marker",
       {0, 1, "", "c ($ARRAY_NAME)[] = {($ARRAY_DATA)};", ""},
       {1},
       "c [] = {\r\n\t\t0x01\r\n};\r\n"},
      {"an empty template", {0, 1, "", "", "n"}, {1, 2}, "\r\n\t\t0x01,0x02\r\n"},
      {"other parentheses and other letter case are text",
       {0, 1, "", "f(x) ($array_name) ($ARRAY_NAM ($ARRAY_DATA) (", "n"},
       {7},
       "f(x) ($array_name) ($ARRAY_NAM \r\n\t\t0x07\r\n (\r\n"},
      {"a marker cut short at the end of the template",
       {0, 1, "", "($ARRAY_DAT", "n"},
       {7},
       "($ARRAY_DAT\r\n\t\t0x07\r\n"},
      {"17 bytes: a full row with a trailing comma, then one value",
       {0, 1, "", "($ARRAY_DATA)", ""},
       Counting(17),
       "\r\n\t\t0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0A,0x0B,0x0C,0x0D,0x0E,"
       "0x0F,\r\n\t\t0x10\r\n\r\n"},
      {"rows follow the byte offset: 8-byte units make rows of two",
       {0, 8, "%llu", "($ARRAY_DATA)", ""},
       std::vector<uint8_t>(40, 0),
       "\r\n\t\t0,0,\r\n\t\t0,0,\r\n\t\t0\r\n\r\n"},
      {"a partial last unit takes zeros, big endian",
       {0, 4, "", "($ARRAY_DATA)", ""},
       {1, 2, 3, 4, 5, 6},
       "\r\n\t\t0x01020304,0x05060000\r\n\r\n"},
      {"a partial last unit takes zeros, little endian",
       {1, 2, "", "($ARRAY_DATA)", ""},
       {1, 2, 3},
       "\r\n\t\t0x0201,0x0003\r\n\r\n"},
      {"unit size 0 acts as 1",
       {0, 0, "", "($ARRAY_DATA)", ""},
       {1, 2},
       "\r\n\t\t0x01,0x02\r\n\r\n"},
      {"unit size 3 acts as 1 with its default format",
       {1, 3, "", "($ARRAY_DATA)", ""},
       {0xFE},
       "\r\n\t\t0xFE\r\n\r\n"},
      {"byte order values other than 0 are little endian",
       {7, 2, "", "($ARRAY_DATA)", ""},
       {1, 2},
       "\r\n\t\t0x0201\r\n\r\n"},
      {"no input: head, two line breaks and the tail",
       {0, 1, "", kTemplate, "t"},
       {},
       "const unsigned char t[] = {\r\n\r\n};\r\n"},
      {"the template may span lines and hold any bytes",
       {0, 1, "%d", "/* \xe9\x85\x8d\xe5\x88\x97 */\r\nint ($ARRAY_NAME)[] = {($ARRAY_DATA)\r\n};",
        "v"},
       {200},
       "/* \xe9\x85\x8d\xe5\x88\x97 */\r\nint v[] = {\r\n\t\t200\r\n\r\n};\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bool ok = false;
    EXPECT_EQ(Convert(row.data, row.settings, &ok), row.expected);
    EXPECT_TRUE(ok);
  }
}

TEST(BinaryToTextTest, SizeCountAndFileNameMarkers) {
  struct Row {
    const char* name;
    int unitSize;
    size_t size;
    const char* arrayTemplate;
    std::string expected;
  };
  const Row rows[] = {
      {"size alone", 1, 3, "($ARRAY_SIZE)($ARRAY_DATA)", "3\r\n\t\t0x00,0x01,0x02\r\n\r\n"},
      {"count rounds up to whole units", 4, 5, "($ARRAY_COUNT)($ARRAY_DATA)",
       "2\r\n\t\t0x00010203,0x04000000\r\n\r\n"},
      {"file name alone, without the data marker", 1, 1, "[($FILE_NAME)]",
       "[my file.bin]\r\n\t\t0x00\r\n"},
      {"all together, each several times", 2, 4,
       "($ARRAY_NAME) ($ARRAY_SIZE) ($ARRAY_COUNT) ($FILE_NAME) ($ARRAY_SIZE)=($ARRAY_DATA)",
       "t 4 2 my file.bin 4=\r\n\t\t0x0001,0x0203\r\n\r\n"},
      {"after the data marker too", 1, 1, "($ARRAY_DATA)($ARRAY_SIZE)($ARRAY_COUNT)($FILE_NAME)",
       "\r\n\t\t0x00\r\n11my file.bin\r\n"},
      {"the length after the array, count in whole units", 4, 5,
       "char ($ARRAY_NAME)[]={($ARRAY_DATA)};\nint "
       "($ARRAY_NAME)_len=($ARRAY_SIZE),n=($ARRAY_COUNT);",
       "char t[]={\r\n\t\t0x00010203,0x04000000\r\n};\nint t_len=5,n=2;\r\n"},
      {"after the string marker too", 2, 3, "($ARRAY_COUNT)($ARRAY_STRING)($ARRAY_SIZE)",
       "3\r\n\t\t\"\\0\\1\\2\"\r\n3\r\n"},
      {"the first data marker decides", 1, 1, "($ARRAY_DATA)($ARRAY_STRING)",
       "\r\n\t\t0x00\r\n($ARRAY_STRING)\r\n"},
      {"empty input", 1, 0, "($ARRAY_SIZE) ($ARRAY_COUNT)($ARRAY_DATA)($ARRAY_SIZE)",
       "0 0\r\n\r\n0\r\n"},
      {"empty input as a string gives an empty literal", 1, 0, "($ARRAY_SIZE)=($ARRAY_STRING);",
       "0=\r\n\t\t\"\"\r\n;\r\n"},
      {"cut short or in other case", 1, 1, "($ARRAY_SIZ($array_count)($FILE_NAME($ARRAY_DATA)",
       "($ARRAY_SIZ($array_count)($FILE_NAME\r\n\t\t0x00\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SilentMonitor monitor;
    MemoryFile output;
    BinaryToTextStream stream(monitor, output);
    const std::vector<uint8_t> data = Counting(row.size);
    EXPECT_TRUE(
        stream.Begin(0, row.unitSize, "", row.arrayTemplate, "t", data.size(), "my file.bin"));
    EXPECT_TRUE(stream.Feed(data.data(), data.size()) || data.empty());
    EXPECT_TRUE(stream.Finish());
    EXPECT_EQ(output.data, row.expected);
  }
}

std::vector<WideString>* g_lines = nullptr;

int RecordLine(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  g_lines->push_back(FormatDebugLine(format, args));
  va_end(args);
  return 0;
}

TEST(BinaryToTextTest, InvalidFormatFallsBackToTheDefaultWithADebugLine) {
  struct Row {
    const char* format;
    int unitSize;
    const char* expected;
    const WideChar* line;
  };
  const Row rows[] = {
      {"%s", 1, "0x41", WSTR("invalid data format = %s\n")},
      {"%n", 2, "0x4142", WSTR("invalid data format = %n\n")},
      {"%x%x", 4, "0x41424344", WSTR("invalid data format = %x%x\n")},
      {"%*d", 8, "0x4142434445464748", WSTR("invalid data format = %*d\n")},
      {"%99d", 1, "0x41", WSTR("invalid data format = %99d\n")},
      {"plain", 1, "0x41", WSTR("invalid data format = plain\n")},
  };
  std::vector<WideString> lines;
  g_lines = &lines;
  SetDebugPrintTarget(&RecordLine);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    lines.clear();
    Settings s;
    s.format = row.format;
    s.unitSize = row.unitSize;
    s.arrayTemplate = "($ARRAY_DATA)";
    const std::vector<uint8_t> data = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    const std::string text = Convert(data, s);
    EXPECT_EQ(text, ReferenceBinaryToText(data, 0, row.unitSize, "", "($ARRAY_DATA)", ""));
    EXPECT_EQ(text.find(row.expected), 4u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], row.line);
  }
  ResetDebugPrintTarget();
  g_lines = nullptr;
}

// The formats the comparison with the plain algorithm runs over.
const char* const kFormats[] = {
    "",
    "0x%02X",
    "0x%04X",
    "0x%08X",
    "0x%016llX",
    "%#06llx",
    "%u",
    "&H%04X",
    "%d",
    "%i",
    "%lld",
    "%+hd",
    "% hhi",
    "%o",
    "%#llo",
    "%-10x|",
    "%10.6X",
    "%.0u",
    "%#.0o",
    "%#x",
    "%llu",
    "%jX",
    "%zx",
    "%tx",
    "%lx",
    "%hhu",
    "%%%X%%",
    "&h%x",
    "%020lld",
    "%-+22lli;",
    "%#24llo",
    "%.20llu",
    "0b%hhX",
    // Texts of one length composed around the digits, and near misses.
    "%-12.8X|",
    "%08hx",
    "%.4hhX",
    "[%20.16llx]",
    "%40.16llX",
    "%016llx h",
    "%0-8x",
    "%#08X",
};

TEST(BinaryToTextTest, MatchesThePlainAlgorithmForEveryUnitSizeOrderAndFormat) {
  const auto data = RandomBytes(1003, 11);
  for (const char* format : kFormats) {
    for (int unitSize : {1, 2, 4, 8}) {
      for (int byteOrder : {0, 1}) {
        SCOPED_TRACE(std::string("format \"") + format + "\" unit " + std::to_string(unitSize) +
                     " order " + std::to_string(byteOrder));
        Settings s{byteOrder, unitSize, format, kTemplate, "blob"};
        for (size_t length : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{1003}}) {
          const std::vector<uint8_t> part(data.begin(), data.begin() + length);
          EXPECT_EQ(Convert(part, s),
                    ReferenceBinaryToText(part, byteOrder, unitSize, format, kTemplate, "blob"))
              << "length " << length;
        }
      }
    }
  }
}

TEST(BinaryToTextTest, EveryByteValueInEveryFormat) {
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  for (const char* format : kFormats) {
    SCOPED_TRACE(format);
    Settings s{0, 1, format, "($ARRAY_DATA)", ""};
    EXPECT_EQ(Convert(all, s), ReferenceBinaryToText(all, 0, 1, format, "($ARRAY_DATA)", ""));
  }
}

TEST(BinaryToTextTest, LargeInputsGiveTheSameTextAsSmallOnes) {
  // Large inputs of 1- and 2-byte units are formatted through tables of
  // every value; each text length class has its own table layout.
  const auto data = RandomBytes(260 * 1024 + 1, 13);
  const char* formats[] = {"", "&H%04X", "%#06llx", "%-20u|", "%40x"};
  for (const char* format : formats) {
    for (int unitSize : {1, 2}) {
      for (int byteOrder = 0; byteOrder <= (unitSize == 1 ? 0 : 1); ++byteOrder) {
        SCOPED_TRACE(std::string("format \"") + format + "\" unit " + std::to_string(unitSize) +
                     " order " + std::to_string(byteOrder));
        Settings s{byteOrder, unitSize, format, "($ARRAY_DATA)", ""};
        EXPECT_TRUE(Convert(data, s) ==
                    ReferenceBinaryToText(data, byteOrder, unitSize, format, "($ARRAY_DATA)", ""));
      }
    }
  }
}

TEST(BinaryToTextTest, BlockBoundariesDoNotChangeTheText) {
  const auto data = RandomBytes(3000, 5);
  struct Row {
    int unitSize;
    int byteOrder;
    const char* format;
    std::vector<size_t> blocks;
  };
  const Row rows[] = {
      {1, 0, "", {1}},
      {1, 0, "%u", {7, 1, 3}},
      {1, 0, "%-40d", {2999}},
      {2, 0, "", {1}},
      {2, 1, "%hd", {3, 5}},
      {4, 0, "", {1, 2, 3, 4, 5}},
      {4, 1, "%+d", {7}},
      {8, 0, "", {1}},
      {8, 1, "%#llo", {9, 13, 1}},
      {8, 0, "0x%016llX", {15}},
      {2, 0, "0x%02X", {1, 1, 2}},
      {4, 1, "%o", {3000}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("unit ") + std::to_string(row.unitSize) + " format \"" + row.format +
                 "\" first block " + std::to_string(row.blocks[0]));
    Settings s{row.byteOrder, row.unitSize, row.format, kTemplate, "d"};
    EXPECT_EQ(ConvertInBlocks(data, s, row.blocks), Convert(data, s));
  }
}

TEST(BinaryToTextTest, EverySplitPointOfASmallInput) {
  const auto data = RandomBytes(37, 3);
  for (int unitSize : {1, 2, 4, 8}) {
    Settings s{1, unitSize, "", kTemplate, "d"};
    const std::string whole = Convert(data, s);
    for (size_t cut = 0; cut <= data.size(); ++cut) {
      SCOPED_TRACE("unit " + std::to_string(unitSize) + " cut at " + std::to_string(cut));
      SilentMonitor monitor;
      MemoryFile output;
      BinaryToTextStream stream(monitor, output);
      ASSERT_TRUE(stream.Begin(1, unitSize, "", kTemplate, "d", data.size()));
      EXPECT_TRUE(stream.Feed(data.data(), cut));
      EXPECT_TRUE(stream.Feed(data.data() + cut, 0));
      EXPECT_TRUE(stream.Feed(data.data() + cut, data.size() - cut));
      EXPECT_TRUE(stream.Finish());
      EXPECT_EQ(output.data, whole);
    }
  }
}

// Bytes that make escapes, digits after them, '?' runs and line feeds meet
// block and row boundaries everywhere.
TEST(BinaryToTextTest, StringRowsAreTheSameHoweverTheInputIsSplit) {
  const uint8_t alphabet[] = {0, 1, 9, '0', '7', '8', '?', '\n', '"', 'a', 0x80, 0xFF};
  std::vector<uint8_t> data = RandomBytes(300, 11);
  for (uint8_t& b : data)
    b = alphabet[b % sizeof alphabet];
  const char kString[] = "x = ($ARRAY_STRING);";
  Settings s{0, 1, "", kString, "d"};
  const std::string whole = Convert(data, s);
  EXPECT_EQ(ConvertInBlocks(data, s, {1}), whole);
  for (size_t cut = 0; cut <= data.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    EXPECT_EQ(ConvertInBlocks(data, s, {cut == 0 ? data.size() : cut, data.size()}), whole);
  }
}

// The bytes of one C string literal's source text, escapes decoded.
std::string DecodePiece(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    const char c = text[++i];
    if (c >= '0' && c <= '7') {
      int value = 0;
      for (int k = 0; k < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++k, ++i)
        value = value * 8 + (text[i] - '0');
      --i;
      bytes += static_cast<char>(value);
    } else {
      bytes += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return bytes;
}

// Counted as MSVC would: no piece over 16,380 bytes, no group over 65,535
// with its zero; the groups, read as one array, are the input however the
// input is split.
TEST(BinaryToTextTest, StringGroupsStayWithinMsvcLimits) {
  const std::string kBreak = kStringGroupBreak;
  for (size_t length : {size_t{0}, size_t{16384}, size_t{16385}, size_t{70000}}) {
    SCOPED_TRACE(std::to_string(length) + " bytes");
    std::vector<uint8_t> data = RandomBytes(length, 5);
    for (size_t i = 0; i < data.size(); i += 7)
      data[i] = static_cast<uint8_t>(i % 3 == 0 ? '\n' : '0' + i % 10);
    Settings s{0, 1, "", "x = {($ARRAY_STRING)};", "d"};
    std::string text = Convert(data, s);
    EXPECT_EQ(ConvertInBlocks(data, s, {16383, 1, 5000}), text);
    // Long literals stand between the lines that quiet gcc and clang.
    const std::string opening = kStringPragmaOpening, closing = kStringPragmaClosing;
    if (text.compare(0, opening.size(), opening) == 0) {
      text = text.substr(opening.size(), text.size() - opening.size() - closing.size());
    }
    std::string body = text.substr(5, text.size() - 9);  // "x = {" ... "};\r\n"
    std::vector<std::string> groups;
    for (size_t at = 0;;) {
      const size_t next = body.find(kBreak, at);
      groups.push_back(body.substr(at, next - at));
      if (next == std::string::npos) break;
      at = next + kBreak.size();
    }
    EXPECT_EQ(groups.size(),
              length == 0 ? 1 : (length + kStringGroupBytes - 1) / kStringGroupBytes);
    std::string all;
    for (const std::string& group : groups) {
      std::string bytes;
      size_t open = group.find('"');
      while (open != std::string::npos) {
        size_t close = open + 1;
        while (group[close] != '"')
          close += group[close] == '\\' ? 2 : 1;
        const std::string piece = DecodePiece(group.substr(open + 1, close - open - 1));
        EXPECT_LE(piece.size(), 16380u);
        bytes += piece;
        open = group.find('"', close + 1);
      }
      EXPECT_LE(bytes.size() + 1, 65535u);
      // Full groups but the last: rows of a two-dimensional array.
      EXPECT_EQ(bytes.size(), std::min<size_t>(kStringGroupBytes, length - all.size()));
      all += bytes;
    }
    EXPECT_EQ(all, AsString(data));
  }
}

TEST(BinaryToTextTest, WritesTheRowsInPiecesAndReportsProgressThere) {
  struct Row {
    int unitSize;
    const char* format;
    size_t length;
  };
  const Row rows[] = {
      {1, "", 450000}, {2, "%u", 1000001}, {8, "%#llo", 1000001}, {4, "%-60x", 200001}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.format) + " unit " + std::to_string(row.unitSize));
    const auto data = RandomBytes(row.length, 17);
    RecordingMonitor monitor;
    MemoryFile output;
    ASSERT_TRUE(ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()), output,
                                    0, row.unitSize, row.format, kTemplate, "big"));
    Trace trace;
    EXPECT_EQ(output.data,
              ReferenceBinaryToText(data, 0, row.unitSize, row.format, kTemplate, "big", &trace));
    EXPECT_EQ(monitor.progress, trace.progress);
    ASSERT_GE(trace.flushes.size(), 2u);
    // Head, name, rest of head, line break, then the row pieces.
    const std::vector<uint32_t> pieces(
        output.writeSizes.begin() + 4,
        output.writeSizes.begin() + 4 + static_cast<long>(trace.flushes.size()));
    EXPECT_EQ(pieces, trace.flushes);
    for (uint32_t piece : pieces) {
      EXPECT_GE(piece, static_cast<uint32_t>(kRowBufferSize - 100));
      EXPECT_LT(piece, static_cast<uint32_t>(kRowBufferSize));
    }
  }
}

TEST(BinaryToTextTest, ShortWrites) {
  const auto data = RandomBytes(400000, 2);  // rows of about 2.1 MB: two pieces and a rest
  const std::string full = ReferenceBinaryToText(data, 0, 1, "", kTemplate, "name");
  // Writes in order: 0 "const unsigned char ", 1 "name", 2 "[] = {", 3 CR LF, 4 and 5 the
  // two full row pieces, 6 the rest of the rows, 7 CR LF, 8 "};", 9 CR LF.
  const std::string head = "const unsigned char name[] = {\r\n";
  struct Row {
    const char* name;
    int failOnce;
    size_t writes;       // Write calls made
    bool reachesTheEnd;  // the final progress report 100
  };
  const Row rows[] = {
      {"template head", 0, 1, false},
      {"array name", 1, 2, false},
      {"head after the name", 2, 3, false},
      {"line break after the head", 3, 4, false},
      {"first row piece", 4, 8, true},
      {"last rows", 6, 10, true},
      {"line break before the tail", 7, 8, false},
      {"tail", 8, 9, false},
      {"final line break", 9, 10, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingMonitor monitor;
    MemoryFile output;
    output.failOnce = row.failOnce;
    EXPECT_FALSE(ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()),
                                     output, 0, 1, "", kTemplate, "name"));
    EXPECT_EQ(output.writeSizes.size(), row.writes);
    EXPECT_EQ(!monitor.progress.empty() && monitor.progress.back() == 100, row.reachesTheEnd);
  }

  // A short row piece drops the remaining values but still finishes the text.
  RecordingMonitor monitor;
  MemoryFile output;
  output.failOnce = 4;
  ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()), output, 0, 1, "",
                      kTemplate, "name");
  const uint32_t piece = output.writeSizes[4];
  EXPECT_EQ(output.data, full.substr(0, head.size() + piece / 2) + "\r\n};\r\n");
  EXPECT_EQ(monitor.progress, std::vector<int32_t>{100});
}

TEST(BinaryToTextTest, CancelEndsTheRowsAndFinishesTheText) {
  const auto data = RandomBytes(500000, 9);
  const std::string head = "const unsigned char c[] = {\r\n";
  Trace trace;
  const std::string full = ReferenceBinaryToText(data, 0, 1, "", kTemplate, "c", &trace);

  // Cancelled before the first value: no values at all.
  RecordingMonitor before;
  before.cancelRequested = 1;
  MemoryFile empty;
  EXPECT_TRUE(ConvertBinaryToText(before, data.data(), static_cast<int32_t>(data.size()), empty, 0,
                                  1, "", kTemplate, "c"));
  EXPECT_EQ(empty.data, head + "\r\n};\r\n");
  EXPECT_EQ(before.progress, std::vector<int32_t>{100});
  // A size after the data states what the data holds; before it, the input's.
  MemoryFile sized;
  EXPECT_TRUE(ConvertBinaryToText(before, data.data(), static_cast<int32_t>(data.size()), sized, 0,
                                  1, "", "($ARRAY_SIZE){($ARRAY_DATA)}($ARRAY_SIZE)", "c"));
  EXPECT_EQ(sized.data, "500000{\r\n\r\n}0\r\n");

  // Cancelled at the first progress report, that is while the first row
  // piece is written out: the value of that step is still made, the next
  // one is not.
  RecordingMonitor during;
  during.cancelAtReport = 1;
  MemoryFile output;
  BinaryToTextStream stream(during, output);
  ASSERT_TRUE(stream.Begin(0, 1, "", kTemplate, "c", data.size()));
  EXPECT_FALSE(stream.Feed(data.data(), data.size()));
  EXPECT_TRUE(stream.Cancelled());
  EXPECT_FALSE(stream.Feed(data.data(), data.size())) << "input after the cancel is ignored";
  EXPECT_TRUE(stream.Finish());
  const size_t stepEnd = full.find(',', head.size() + trace.flushes[0] + 1);
  ASSERT_NE(stepEnd, std::string::npos);
  EXPECT_TRUE(output.data == full.substr(0, stepEnd) + "\r\n};\r\n")
      << "the output ends at offset " << output.data.size() << " instead of " << stepEnd + 6;
  EXPECT_EQ(during.progress, (std::vector<int32_t>{trace.progress[0], 100}));
}

TEST(BinaryToTextTest, StreamMisuseIsHarmless) {
  SilentMonitor monitor;
  MemoryFile output;
  BinaryToTextStream stream(monitor, output);
  const uint8_t byte = 1;
  EXPECT_FALSE(stream.Feed(&byte, 1)) << "before Begin";
  EXPECT_FALSE(stream.Finish()) << "without Begin";
  EXPECT_FALSE(stream.Begin(0, 1, "", "", "", 1)) << "after Finish";
  EXPECT_TRUE(output.data.empty());

  MemoryFile nulls;
  EXPECT_TRUE(ConvertBinaryToText(monitor, nullptr, 5, nulls, 0, 1, nullptr, nullptr, nullptr));
  EXPECT_EQ(nulls.data, "\r\n\r\n") << "null texts read as empty, null data as none";
  MemoryFile negative;
  EXPECT_TRUE(ConvertBinaryToText(monitor, &byte, -3, negative, 0, 1, "", "($ARRAY_DATA)", ""));
  EXPECT_EQ(negative.data, "\r\n\r\n\r\n");
}

}  // namespace
