#include "convert/text_to_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/binary_to_text.h"
#include "convert_test_support.h"

namespace {

using convert_test::AsString;
using convert_test::MemoryFile;
using convert_test::RandomBytes;
using convert_test::RecordingMonitor;
using convert_test::ReferenceTextToBinary;
using convert_test::Trace;

constexpr NumberSyntax kPlain = NumberSyntax::Plain;
constexpr NumberSyntax kC = NumberSyntax::C;
constexpr NumberSyntax kSyntaxes[] = {kPlain, kC};

std::string SyntaxName(NumberSyntax syntax) {
  return syntax == kC ? " C syntax" : "";
}

std::string Convert(const std::string& text, int byteOrder, int unitSize, bool* result = nullptr,
                    NumberSyntax syntax = kPlain) {
  SilentMonitor monitor;
  MemoryFile output;
  const bool ok = ConvertTextToBinary(monitor, text.data(), static_cast<int32_t>(text.size()),
                                      output, byteOrder, unitSize, syntax);
  if (result != nullptr) *result = ok;
  return output.data;
}

// The scanners; one the processor lacks runs as the byte-at-a-time scan.
constexpr TextScanner kScanners[] = {TextScanner::Scalar, TextScanner::Sse2, TextScanner::Avx2};

std::string ConvertWith(TextScanner scanner, const std::string& text, int byteOrder, int unitSize,
                        size_t block, NumberSyntax syntax = kPlain) {
  SilentMonitor monitor;
  MemoryFile output;
  TextToBinaryStream stream(monitor, output);
  stream.UseScanner(scanner);
  EXPECT_TRUE(stream.Begin(byteOrder, unitSize, text.size(), syntax));
  for (size_t at = 0; at < text.size(); at += block)
    EXPECT_TRUE(stream.Feed(text.data() + at, std::min(block, text.size() - at)));
  EXPECT_TRUE(stream.Finish());
  return output.data;
}

std::string ConvertInBlocks(const std::string& text, int byteOrder, int unitSize,
                            const std::vector<size_t>& blocks, NumberSyntax syntax = kPlain) {
  SilentMonitor monitor;
  MemoryFile output;
  TextToBinaryStream stream(monitor, output);
  EXPECT_TRUE(stream.Begin(byteOrder, unitSize, text.size(), syntax));
  size_t at = 0;
  for (size_t k = 0; at < text.size(); ++k) {
    size_t n = blocks[k % blocks.size()];
    if (n > text.size() - at) n = text.size() - at;
    EXPECT_TRUE(stream.Feed(text.data() + at, n));
    at += n;
  }
  EXPECT_TRUE(stream.Finish());
  EXPECT_EQ(stream.Consumed(), text.size());
  return output.data;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values)
    bytes.push_back(static_cast<char>(v));
  return bytes;
}

TEST(TextToBinaryTest, EdgeCases) {
  struct Row {
    const char* name;
    std::string text;
    int byteOrder;
    int unitSize;
    std::string expected;
    NumberSyntax syntax = kPlain;
  };
  const std::vector<Row> rows = {
      {"two numbers, the last one ended by the end of the text", "0x12,0x34", 0, 1,
       Bytes({0x12, 0x34})},
      {"2-byte unit, big endian", "0x1234\n", 0, 2, Bytes({0x12, 0x34})},
      {"2-byte unit, little endian", "0x1234\n", 1, 2, Bytes({0x34, 0x12})},
      {"1-byte unit keeps the low byte", "0x1234\n", 0, 1, Bytes({0x34})},
      {"4-byte units", "0x01020304 0xA\t", 0, 4, Bytes({1, 2, 3, 4, 0, 0, 0, 0x0A})},
      {"4-byte units, little endian", "0x01020304\r", 1, 4, Bytes({4, 3, 2, 1})},
      {"8-byte unit, both halves", "0x0102030405060708,", 0, 8, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
      {"8-byte unit, little endian", "&H0102030405060708,", 1, 8, Bytes({8, 7, 6, 5, 4, 3, 2, 1})},
      {"a prefix followed at once by a separator is a zero", "0x,", 0, 1, Bytes({0})},
      {"capital X is no prefix", "0X1F ", 0, 1, ""},
      {"a bare number is ignored", "1F ", 0, 1, ""},
      {"a number ended by a foreign byte is dropped", "0x1F;\n", 0, 1, ""},
      {"a suffix letter drops the number", "0x1FU,", 0, 1, ""},
      {"brackets drop the number", "[0x10] ", 0, 1, ""},
      {"a foreign last byte still ends the number", "0x1F;", 0, 1, Bytes({0x1F})},
      {"a closing bracket as the last byte", "[0x10]", 0, 1, Bytes({0x10})},
      {"the foreign byte is consumed", "0x12&H34,", 0, 1, ""},
      {"&H and &h prefixes", "&H1f,&h2F\t", 0, 1, Bytes({0x1F, 0x2F})},
      {"&x is no prefix", "&x12,", 0, 1, ""},
      {"numbers anywhere count", "/* 0x41 */ int a[] = {0x42};\r\n// 0x43\n", 0, 1,
       Bytes({0x41, 0x43})},
      {"only the last 16 digits count", "0x123456789ABCDEF012\n", 0, 8,
       Bytes({0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x12})},
      {"no numbers", "hello, world\r\n", 0, 1, ""},
      {"UTF-16 text holds no \"0x\" byte pair", std::string("0\0x\0001\0,\0", 8), 0, 1, ""},
      {"a number whose last digit is the last byte", "0xAB", 0, 2, Bytes({0, 0xAB})},
      {"a bare prefix at the end is nothing", "0x", 0, 1, ""},
      {"a lone zero at the end is nothing", "1,0", 0, 1, ""},
      {"an ampersand at the end is nothing", "0x1,&", 0, 1, Bytes({1})},
      {"a prefix and a foreign last byte make a zero", "0x;", 0, 1, Bytes({0})},
      {"unit size 0 writes one byte", "0x1234,", 0, 0, Bytes({0x34})},
      {"unit size 3 writes one byte", "0x1234,", 1, 3, Bytes({0x34})},
      {"a separator right after a prefix inside a number", "0x0x12,", 0, 1, ""},
      {"every separator", "0x1\t0x2\n0x3\r0x4 0x5,", 0, 1, Bytes({1, 2, 3, 4, 5})},
      {"empty text", "", 0, 1, ""},
      // As a C compiler reads a source.
      {"C: a closing brace keeps the last value", "{0x01,0x02}", 0, 1, Bytes({1, 2}), kC},
      {"C: parentheses, brackets, semicolons", "f(0x1);a[0x2]=0x3;\n", 0, 1, Bytes({1, 2, 3}), kC},
      {"C: capital X is a prefix", "0X1F,0x2e ", 0, 1, Bytes({0x1F, 0x2E}), kC},
      {"C: &H stays a prefix", "&H7f)", 0, 1, Bytes({0x7F}), kC},
      {"C: a suffix letter still drops the number", "0x1FU,0x1FL}", 0, 1, "", kC},
      {"C: other punctuation still drops it", "0x1+0x2/0x3:", 0, 1, Bytes({3}), kC},
      {"C: a bare prefix before a brace is a zero", "{0x}", 0, 1, Bytes({0}), kC},
      {"C: wide numbers keep their low digits", "{0x1234,0x123456789}", 0, 4,
       Bytes({0, 0, 0x12, 0x34, 0x23, 0x45, 0x67, 0x89}), kC},
      {"C: a capital X inside a number drops it", "0x10X5,", 0, 1, "", kC},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bool ok = false;
    EXPECT_EQ(Convert(row.text, row.byteOrder, row.unitSize, &ok, row.syntax), row.expected);
    EXPECT_TRUE(ok);
    EXPECT_EQ(
        ReferenceTextToBinary(row.text, row.byteOrder, row.unitSize, nullptr, row.syntax == kC),
        row.expected)
        << "the plain algorithm of the tests agrees";
  }
}

// Text rich in the bytes the scanner cares about.
std::string TrickyText(size_t length, uint32_t seed) {
  static const char kAlphabet[] =
      "0x0x0x0X&H&h&X,, \t\r\n0123456789abcdefABCDEFXxHhg;[]{}()/:@G`\x80\xC1\xE6\xFF";
  const auto noise = RandomBytes(length, seed);
  std::string text(length, ' ');
  for (size_t i = 0; i < length; ++i)
    text[i] = kAlphabet[noise[i] % (sizeof kAlphabet - 1)];
  return text;
}

TEST(TextToBinaryTest, MatchesThePlainAlgorithm) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const std::string text = TrickyText(200 + seed * 37, seed);
    for (int unitSize : {1, 2, 4, 8}) {
      for (int byteOrder : {0, 1}) {
        for (NumberSyntax syntax : kSyntaxes) {
          SCOPED_TRACE("seed " + std::to_string(seed) + " unit " + std::to_string(unitSize) +
                       " order " + std::to_string(byteOrder) + SyntaxName(syntax));
          const std::string expected =
              ReferenceTextToBinary(text, byteOrder, unitSize, nullptr, syntax == kC);
          EXPECT_EQ(Convert(text, byteOrder, unitSize, nullptr, syntax), expected);
          for (TextScanner scanner : kScanners) {
            EXPECT_EQ(ConvertWith(scanner, text, byteOrder, unitSize, text.size(), syntax),
                      expected)
                << "scanner " << static_cast<int>(scanner);
          }
        }
      }
    }
  }
}

// One syntax's share of WindowEdges: two tests, so that they run side by side.
void CheckWindowEdges(NumberSyntax syntax) {
  // Each piece at every place around the edges of the first 64-byte windows
  // and of the blocks, with plain numbers around it.
  const char* pieces[] = {
      "0x12,",
      "0x0x12,",
      "0x12&H34,",
      "0x12&h34&H56 ",
      "&H0123456789abcdefABCDEF,",
      "0x0123456789abcdef0,",
      "0x,0x\t&h\n",
      "0x1f;0x2e,",
      "0x12",
      "0x",
      "0x5;",
      "&",
      "0",
      "0x0000000000000000000000000000000000000000000000000000000000000000000001,",
      "{0X12}",
      "0x3);0X4];",
      "0x10X5,",
      "0X",
  };
  const std::string filler = "0xA1, 0xB2,\r\n\t0xC3 0xD4,";
  for (const char* piece : pieces) {
    for (size_t at = 0; at < 140; at += at == 8 ? 44 : at == 76 ? 40 : 1) {
      for (bool last : {false, true}) {
        std::string text;
        while (text.size() < at)
          text += filler;
        text = text.substr(0, at) + piece;
        if (!last) text += filler + filler + filler;
        SCOPED_TRACE(std::string(piece) + " at " + std::to_string(at) + (last ? " last" : ""));
        for (int unitSize : {1, 8}) {
          // The syntax changes where numbers end, not how units are packed.
          if (syntax == kC && unitSize != 1) continue;
          const std::string expected =
              ReferenceTextToBinary(text, 1, unitSize, nullptr, syntax == kC);
          for (TextScanner scanner : kScanners) {
            for (size_t block : {text.size(), size_t{97}}) {
              ASSERT_EQ(ConvertWith(scanner, text, 1, unitSize, block, syntax), expected)
                  << "scanner " << static_cast<int>(scanner) << " unit " << unitSize << " block "
                  << block << SyntaxName(syntax);
            }
          }
        }
      }
    }
  }
}

TEST(TextToBinaryTest, WindowEdges) {
  CheckWindowEdges(kPlain);
}

TEST(TextToBinaryTest, WindowEdgesInTheCSyntax) {
  CheckWindowEdges(kC);
}

TEST(TextToBinaryTest, EveryByteValueInsideAndAfterDigits) {
  // Digits are classified several at a time; every byte value at every
  // place of a number must count as what it is.
  for (int value = 0; value < 256; ++value) {
    for (int place = 0; place <= 17; ++place) {
      const std::string number =
          "0x" + std::string(static_cast<size_t>(place), 'c') + static_cast<char>(value) + "5,";
      const std::string text = number + "0x9,0xfF,&h1 " + number + std::string(20, ' ');
      SCOPED_TRACE("byte " + std::to_string(value) + " after " + std::to_string(place) + " digits");
      for (int unitSize : {1, 8}) {
        for (NumberSyntax syntax : kSyntaxes) {
          if (syntax == kC && unitSize != 1) continue;  // as in WindowEdges
          EXPECT_EQ(Convert(text, 0, unitSize, nullptr, syntax),
                    ReferenceTextToBinary(text, 0, unitSize, nullptr, syntax == kC))
              << SyntaxName(syntax);
        }
      }
    }
  }
}

TEST(TextToBinaryTest, BlockBoundariesDoNotChangeTheBytes) {
  struct Row {
    int unitSize;
    int byteOrder;
    std::vector<size_t> blocks;
  };
  const Row rows[] = {{1, 0, {1}},       {2, 1, {2}},     {4, 0, {3, 1}},
                      {8, 1, {1, 2, 3}}, {2, 0, {7, 13}}, {1, 1, {4096}}};
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    const std::string text = TrickyText(3000, seed);
    for (const Row& row : rows) {
      for (NumberSyntax syntax : kSyntaxes) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " unit " + std::to_string(row.unitSize) +
                     " first block " + std::to_string(row.blocks[0]) + SyntaxName(syntax));
        EXPECT_EQ(ConvertInBlocks(text, row.byteOrder, row.unitSize, row.blocks, syntax),
                  Convert(text, row.byteOrder, row.unitSize, nullptr, syntax));
      }
    }
  }
}

TEST(TextToBinaryTest, EverySplitPointOfShortTexts) {
  const char* texts[] = {"0x12,0x34",     "&h1F;", "0x1F;", "[0x10]", "0X1}{0x2]",
                         "0x12&H34 0x5,", "0x",    "a0",    "0x;",    "0X"};
  for (const char* text : texts) {
    for (NumberSyntax syntax : kSyntaxes) {
      const std::string whole = Convert(text, 0, 2, nullptr, syntax);
      const size_t length = std::string(text).size();
      for (size_t cut = 0; cut <= length; ++cut) {
        SCOPED_TRACE(std::string(text) + " cut at " + std::to_string(cut) + SyntaxName(syntax));
        SilentMonitor monitor;
        MemoryFile output;
        TextToBinaryStream stream(monitor, output);
        ASSERT_TRUE(stream.Begin(0, 2, length, syntax));
        EXPECT_TRUE(stream.Feed(text, cut));
        EXPECT_TRUE(stream.Feed(text + cut, length - cut));
        EXPECT_TRUE(stream.Finish());
        EXPECT_EQ(output.data, whole);
      }
    }
  }
}

TEST(TextToBinaryTest, WritesInPiecesAndReportsProgressThere) {
  // Enough numbers for two pieces of 1-byte units.
  std::string text;
  for (int i = 0; i < 2200000; ++i)
    text += "0x" + std::to_string(i % 97) + (i % 7 ? "," : "\r\n");
  for (int unitSize : {1, 2, 8}) {
    SCOPED_TRACE(unitSize);
    RecordingMonitor monitor;
    MemoryFile output;
    ASSERT_TRUE(ConvertTextToBinary(monitor, text.data(), static_cast<int32_t>(text.size()), output,
                                    1, unitSize));
    Trace trace;
    EXPECT_EQ(output.data, ReferenceTextToBinary(text, 1, unitSize, &trace));
    EXPECT_EQ(monitor.progress, trace.progress);
    ASSERT_GE(trace.flushes.size(), 2u);
    const std::vector<uint32_t> pieces(
        output.writeSizes.begin(),
        output.writeSizes.begin() + static_cast<long>(trace.flushes.size()));
    EXPECT_EQ(pieces, trace.flushes);
    EXPECT_EQ(output.writeSizes.size(), trace.flushes.size() + 1) << "and one last write";
  }
}

TEST(TextToBinaryTest, ShortWritesStopAtOnce) {
  const size_t count = 2 * kUnitBufferSize + 3000;
  std::string text;
  for (size_t i = 0; i < count; ++i)
    text += "0xAB,";
  // Two full pieces, then the last write.
  struct Row {
    int failOnce;
    size_t writes;
    size_t bytes;
  };
  Trace trace;
  ReferenceTextToBinary(text, 0, 1, &trace);
  ASSERT_EQ(trace.flushes.size(), 2u);
  const Row rows[] = {
      {0, 1, trace.flushes[0] / 2},
      {1, 2, trace.flushes[0] + trace.flushes[1] / 2},
      {2, 3,
       (count - trace.flushes[0] - trace.flushes[1]) / 2 + trace.flushes[0] + trace.flushes[1]},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failOnce);
    RecordingMonitor monitor;
    MemoryFile output;
    output.failOnce = row.failOnce;
    EXPECT_FALSE(
        ConvertTextToBinary(monitor, text.data(), static_cast<int32_t>(text.size()), output, 0, 1));
    EXPECT_EQ(output.writeSizes.size(), row.writes);
    EXPECT_EQ(output.data, std::string(row.bytes, '\xAB'));
  }
}

TEST(TextToBinaryTest, CancelKeepsWhatWasBuffered) {
  std::string text;
  for (int i = 0; i < 1100000; ++i)
    text += "0x" + std::to_string(i % 89) + ",";
  Trace trace;
  const std::string full = ReferenceTextToBinary(text, 0, 1, &trace);

  RecordingMonitor before;
  before.cancelRequested = 1;
  MemoryFile nothing;
  EXPECT_TRUE(
      ConvertTextToBinary(before, text.data(), static_cast<int32_t>(text.size()), nothing, 0, 1));
  EXPECT_TRUE(nothing.data.empty());
  EXPECT_TRUE(before.progress.empty());

  RecordingMonitor during;
  during.cancelAtReport = 1;
  MemoryFile output;
  TextToBinaryStream stream(during, output);
  ASSERT_TRUE(stream.Begin(0, 1, text.size()));
  EXPECT_FALSE(stream.Feed(text.data(), text.size()));
  EXPECT_TRUE(stream.Cancelled());
  EXPECT_TRUE(stream.Finish());
  EXPECT_EQ(output.data, full.substr(0, trace.flushes[0]));
  EXPECT_EQ(during.progress, std::vector<int32_t>{trace.progress[0]});

  // A cancel during the scan loses the number being read; one that comes
  // after the last byte was scanned changes nothing.
  RecordingMonitor inNumber;
  MemoryFile cut;
  TextToBinaryStream scan(inNumber, cut);
  ASSERT_TRUE(scan.Begin(0, 1, 12));
  EXPECT_TRUE(scan.Feed("0x12,0x3", 8));
  inNumber.cancelRequested = 1;
  EXPECT_FALSE(scan.Feed("4,", 2));
  EXPECT_TRUE(scan.Finish());
  EXPECT_EQ(cut.data, Bytes({0x12}));

  RecordingMonitor late;
  MemoryFile tail;
  TextToBinaryStream last(late, tail);
  ASSERT_TRUE(last.Begin(0, 1, 9));
  EXPECT_TRUE(last.Feed("0x12,0x34", 9));
  late.cancelRequested = 1;
  EXPECT_TRUE(last.Finish());
  EXPECT_EQ(tail.data, Bytes({0x12, 0x34}));
}

TEST(TextToBinaryTest, RoundTripsThroughText) {
  // Formats whose literal text carries a prefix, with templates that hold no
  // prefixed number.
  struct Row {
    const char* format;
    int unitSize;
    int byteOrder;
  };
  const Row rows[] = {
      {"", 1, 0},          {"", 2, 0},          {"", 4, 1},       {"", 8, 0},
      {"", 8, 1},          {"0x%02X", 1, 1},    {"0x%02X", 2, 0}, {"0x%02X", 4, 1},
      {"&H%04X", 2, 1},    {"&h%x", 4, 0},      {"0x%llx", 8, 1}, {"0x%016llX", 8, 0},
      {"0x%-20llX", 8, 0}, {"0x%.12llx", 8, 1}, {" 0x%X ", 4, 0}, {"0x%hhX", 1, 0},
  };
  const char* templates[] = {"const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};", "",
                             "($ARRAY_DATA)", "x = [($ARRAY_DATA)]\r\n# ($ARRAY_NAME) 0X12"};
  const auto data = RandomBytes(4096, 21);
  for (const Row& row : rows) {
    for (const char* arrayTemplate : templates) {
      SCOPED_TRACE(std::string(row.format) + " unit " + std::to_string(row.unitSize) + " in \"" +
                   arrayTemplate + "\"");
      SilentMonitor monitor;
      MemoryFile text;
      ASSERT_TRUE(ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()), text,
                                      row.byteOrder, row.unitSize, row.format, arrayTemplate,
                                      "name"));
      const std::string binary = Convert(text.data, row.byteOrder, row.unitSize);
      EXPECT_EQ(binary, AsString(data));
      // And back to the same text.
      MemoryFile again;
      ConvertBinaryToText(monitor, reinterpret_cast<const uint8_t*>(binary.data()),
                          static_cast<int32_t>(binary.size()), again, row.byteOrder, row.unitSize,
                          row.format, arrayTemplate, "name");
      EXPECT_EQ(again.data, text.data);
    }
  }
}

TEST(TextToBinaryTest, AFormatWithoutLlLosesTheHighHalfOfEightByteUnits) {
  const auto data = RandomBytes(64, 4);
  SilentMonitor monitor;
  MemoryFile text;
  ASSERT_TRUE(ConvertBinaryToText(monitor, data.data(), 64, text, 0, 8, "0x%X", "", ""));
  const std::string binary = Convert(text.data, 0, 8);
  ASSERT_EQ(binary.size(), 64u);
  for (size_t i = 0; i < 64; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<uint8_t>(binary[i]), i % 8 < 4 ? 0 : data[i]);
  }
}

TEST(TextToBinaryTest, StreamMisuseIsHarmless) {
  SilentMonitor monitor;
  MemoryFile output;
  TextToBinaryStream stream(monitor, output);
  EXPECT_FALSE(stream.Feed("0x1,", 4)) << "before Begin";
  EXPECT_FALSE(stream.Finish()) << "without Begin";
  MemoryFile nulls;
  EXPECT_TRUE(ConvertTextToBinary(monitor, nullptr, 4, nulls, 0, 1));
  EXPECT_TRUE(nulls.data.empty());
  EXPECT_TRUE(nulls.writeSizes.empty());
}

}  // namespace
