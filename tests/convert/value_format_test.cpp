#include "convert/value_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert_test_support.h"

namespace {

using convert_test::Snprintf;

// What the converter formats: edge values of every width, both signs.
std::vector<uint64_t> Values() {
  std::vector<uint64_t> values = {0,
                                  1,
                                  7,
                                  8,
                                  9,
                                  10,
                                  15,
                                  16,
                                  99,
                                  100,
                                  0x7F,
                                  0x80,
                                  0xFF,
                                  0x100,
                                  0x7FFF,
                                  0x8000,
                                  0xFFFF,
                                  0x10000,
                                  999999999,
                                  0x7FFFFFFF,
                                  0x80000000,
                                  0xFFFFFFFF,
                                  0x100000000,
                                  0xFFFFFFFF80,
                                  0x123456789ABCDEF0,
                                  9999999999999999999ull,
                                  0x7FFFFFFFFFFFFFFF,
                                  0x8000000000000000,
                                  0xFFFFFFFFFFFFFFFF};
  const auto random = convert_test::RandomBytes(8 * 8, 7);
  for (size_t i = 0; i < random.size(); i += 8) {
    uint64_t v = 0;
    std::memcpy(&v, random.data() + i, 8);
    values.push_back(v);
    values.push_back(v >> 29);
  }
  return values;
}

// Formats the value through ValueFormat and compares with snprintf; returns
// false after reporting the first difference.
bool MatchesSnprintf(const std::string& format, const std::vector<uint64_t>& values) {
  ValueFormat parsed;
  if (parsed.Parse(format.c_str()) != ValueFormatStatus::Valid) {
    ADD_FAILURE() << "format \"" << format << "\" did not parse";
    return false;
  }
  char text[kValueTextCapacity];
  for (uint64_t value : values) {
    const int32_t length = parsed.Format(value, text);
    const std::string expected = Snprintf(format.c_str(), value);
    const std::string actual(text, static_cast<size_t>(length));
    if (actual != expected) {
      ADD_FAILURE() << "format \"" << format << "\" value 0x" << std::hex << value << ": got \""
                    << actual << "\", snprintf gives \"" << expected << "\"";
      return false;
    }
    if (length > parsed.MaxLength()) {
      ADD_FAILURE() << "format \"" << format << "\" value 0x" << std::hex << value
                    << " is longer than its bound " << std::dec << parsed.MaxLength();
      return false;
    }
  }
  // The text composed around the digits, where the format allows it for
  // values of a unit's width, as the converter composes it.
  for (int32_t bits : {8, 16, 32, 64}) {
    FixedHexLayout layout;
    if (!parsed.FixedHex(bits, &layout)) continue;
    for (uint64_t value : values) {
      if (bits < 64) value &= (uint64_t{1} << bits) - 1;
      std::memcpy(text, layout.lead, sizeof layout.lead);
      PutHexDigits(value, layout.digits, layout.upper, text + layout.leadLength);
      std::memcpy(text + layout.leadLength + layout.digits, layout.trail, sizeof layout.trail);
      const std::string actual(text, static_cast<size_t>(layout.length));
      if (actual != Snprintf(format.c_str(), value)) {
        ADD_FAILURE() << "format \"" << format << "\" composed for " << bits << "-bit value 0x"
                      << std::hex << value << ": got \"" << actual << "\"";
        return false;
      }
    }
  }
  return true;
}

// Every combination of flags, widths, precisions and length modifiers for
// one conversion letter.
void CheckFamily(char conversion) {
  const std::vector<uint64_t> values = Values();
  const char* widths[] = {"", "1", "2", "3", "5", "8", "17", "24"};
  const char* precisions[] = {"", ".", ".0", ".1", ".2", ".3", ".8", ".20"};
#if defined(_WIN32)
  // The Windows C library knows its own size prefixes.
  const char* modifiers[] = {"", "hh", "h", "l", "ll", "j", "z", "t", "I64", "I32", "I"};
#else
  const char* modifiers[] = {"", "hh", "h", "l", "ll", "j", "z", "t"};
#endif
  const char flags[] = "-+ #0";
  int failures = 0;
  for (int set = 0; set < 32; ++set) {
    std::string flagText;
    for (int f = 0; f < 5; ++f) {
      if (set & (1 << f)) flagText.push_back(flags[f]);
    }
    for (const char* width : widths) {
      for (const char* precision : precisions) {
        for (const char* modifier : modifiers) {
          const std::string format =
              "%" + flagText + width + precision + modifier + std::string(1, conversion);
          if (!MatchesSnprintf(format, values) && ++failures >= 10) return;
        }
      }
    }
  }
}

TEST(ValueFormatTest, SignedDecimalMatchesSnprintf) {
  CheckFamily('d');
  CheckFamily('i');
}

TEST(ValueFormatTest, UnsignedDecimalMatchesSnprintf) {
  CheckFamily('u');
}

TEST(ValueFormatTest, OctalMatchesSnprintf) {
  CheckFamily('o');
}

TEST(ValueFormatTest, HexMatchesSnprintf) {
  CheckFamily('x');
  CheckFamily('X');
}

TEST(ValueFormatTest, LiteralTextAndFlagSpellingsMatchSnprintf) {
  const std::vector<uint64_t> values = Values();
  const char* formats[] = {
      "0x%02X",      "&H%04X",  "%#06llx",     "%u",
      "%%%d%%",      "[%5.3x]", "value=%-8o;", "%00008X",
      "%-0+ #12.4d", "%+ d",    "% +d",        "%0-8x",
      "%##x",        "%--5d",   "0x%016llX h", "\xe3\x81\x82%X\xe3\x81\x84",
      "\t%x\r\n",    "%.0u,",   "5%%%x",       "%%%%%lld",
      "0x%hhX",      "%hd",     "%#.0o",       "%#.0x",
      "%#o",         "%#5.0o",  "%#X",         "%.0d",
      "% .0d",       "%+.0i",
  };
  for (const char* format : formats) {
    EXPECT_TRUE(MatchesSnprintf(format, values)) << format;
  }
}

// Where the C library does not know I64, I32 and I, they must give what
// their portable spellings give.
TEST(ValueFormatTest, WindowsSizePrefixesMatchTheirPortableSpellings) {
  const std::vector<uint64_t> values = Values();
  const char* pairs[][2] = {{"0x%016I64X", "0x%016llX"}, {"%+I64d", "%+lld"}, {"%I32x", "%x"},
                            {"%-5I32i", "%-5i"},         {"%#Io", "%#llo"},   {"%Iu", "%llu"}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair[0]);
    ValueFormat windows;
    ValueFormat portable;
    ASSERT_EQ(windows.Parse(pair[0]), ValueFormatStatus::Valid);
    ASSERT_EQ(portable.Parse(pair[1]), ValueFormatStatus::Valid);
    char a[kValueTextCapacity];
    char b[kValueTextCapacity];
    for (uint64_t value : values) {
      const int32_t length = windows.Format(value, a);
      ASSERT_EQ(std::string(a, static_cast<size_t>(length)),
                std::string(b, static_cast<size_t>(portable.Format(value, b))));
    }
  }
}

TEST(ValueFormatTest, ParseStatus) {
  struct Row {
    const char* format;
    ValueFormatStatus status;
  };
  const Row rows[] = {
      {"0x%02X", ValueFormatStatus::Valid},
      {"%d", ValueFormatStatus::Valid},
      {"&H%04X", ValueFormatStatus::Valid},
      {"100%% %u", ValueFormatStatus::Valid},
      {"%jx %%", ValueFormatStatus::Valid},
      {"", ValueFormatStatus::NoConversion},
      {"abc", ValueFormatStatus::NoConversion},
      {"100%%", ValueFormatStatus::NoConversion},
      {"%d%d", ValueFormatStatus::TwoConversions},
      {"%x,%x", ValueFormatStatus::TwoConversions},
      {"%s", ValueFormatStatus::UnsupportedConversion},
      {"%n", ValueFormatStatus::UnsupportedConversion},
      {"%hn", ValueFormatStatus::UnsupportedConversion},
      {"%c", ValueFormatStatus::UnsupportedConversion},
      {"%f", ValueFormatStatus::UnsupportedConversion},
      {"%p", ValueFormatStatus::UnsupportedConversion},
      {"%Lx", ValueFormatStatus::UnsupportedConversion},
      {"%qd", ValueFormatStatus::UnsupportedConversion},
      {"%I64X", ValueFormatStatus::Valid},
      {"%I6d", ValueFormatStatus::UnsupportedConversion},
      {"%lI64d", ValueFormatStatus::UnsupportedConversion},
      {"%I64", ValueFormatStatus::Incomplete},
      {"%'d", ValueFormatStatus::UnsupportedConversion},
      {"%1$d", ValueFormatStatus::UnsupportedConversion},
      {"%5%", ValueFormatStatus::UnsupportedConversion},
      {"%lll", ValueFormatStatus::UnsupportedConversion},
      {"%hhhd", ValueFormatStatus::UnsupportedConversion},
      {"%*d", ValueFormatStatus::StarArgument},
      {"%.*d", ValueFormatStatus::StarArgument},
      {"%-*x", ValueFormatStatus::StarArgument},
      {"%", ValueFormatStatus::Incomplete},
      {"abc%", ValueFormatStatus::Incomplete},
      {"%08", ValueFormatStatus::Incomplete},
      {"%ll", ValueFormatStatus::Incomplete},
      // The bound of one value's text is 95 characters.
      {"%95d", ValueFormatStatus::Valid},
      {"%96d", ValueFormatStatus::TooLong},
      {"x%95d", ValueFormatStatus::TooLong},
      {"%.94d", ValueFormatStatus::Valid},
      {"%.95d", ValueFormatStatus::TooLong},
      {"%.95u", ValueFormatStatus::Valid},
      {"%#.93x", ValueFormatStatus::Valid},
      {"%#.94x", ValueFormatStatus::TooLong},
      {"%#.95o", ValueFormatStatus::Valid},
      {"%99999999999999d", ValueFormatStatus::TooLong},
      {"%.99999999999999x", ValueFormatStatus::TooLong},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    ValueFormat format;
    EXPECT_EQ(format.Parse(row.format), row.status);
    EXPECT_STRNE(DescribeValueFormatStatus(row.status), "");
  }
  ValueFormat format;
  EXPECT_EQ(format.Parse(nullptr), ValueFormatStatus::NoConversion);
}

TEST(ValueFormatTest, LongLiteralTextIsBoundedNotOverrun) {
  // Formats longer than the 31 bytes a caller normally passes.
  ValueFormat format;
  EXPECT_EQ(format.Parse((std::string(80, 'a') + "%02hhX" + std::string(13, 'b')).c_str()),
            ValueFormatStatus::Valid);
  EXPECT_EQ(format.MaxLength(), 95);
  EXPECT_TRUE(MatchesSnprintf(std::string(80, 'a') + "%02hhX" + std::string(13, 'b'), Values()));
  EXPECT_EQ(format.Parse((std::string(80, 'a') + "%02hhX" + std::string(14, 'b')).c_str()),
            ValueFormatStatus::TooLong);
  EXPECT_EQ(format.Parse((std::string(500, 'a') + "%X" + std::string(500, '%')).c_str()),
            ValueFormatStatus::TooLong);
}

TEST(ValueFormatTest, MaxLengthIsReachedByTheWidestValue) {
  struct Row {
    const char* format;
    uint64_t widest;
  };
  const Row rows[] = {
      {"0x%02X", 0xFFFFFFFF}, {"%d", 0x80000000},      {"%lld", 0x8000000000000000},
      {"%llu", ~uint64_t{0}}, {"%#llo", ~uint64_t{0}}, {"%#llx", ~uint64_t{0}},
      {"%hhd", 0x80},         {"%hu", 0xFFFF},         {"%+.30d", 1},
      {"%#.40o", 1},          {"[%60x]", 0},           {"%#o", 0xFFFFFFFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    ValueFormat format;
    ASSERT_EQ(format.Parse(row.format), ValueFormatStatus::Valid);
    EXPECT_EQ(static_cast<int32_t>(Snprintf(row.format, row.widest).size()), format.MaxLength());
  }
}

TEST(ValueFormatTest, DefaultFormatByUnitSize) {
  struct Row {
    int32_t unitSize;
    const char* format;
  };
  const Row rows[] = {{1, "0x%02X"}, {2, "0x%04X"}, {4, "0x%08X"},  {8, "0x%016llX"},
                      {0, "0x%02X"}, {3, "0x%02X"}, {-1, "0x%02X"}, {16, "0x%02X"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.unitSize);
    EXPECT_STREQ(DefaultValueFormat(row.unitSize), row.format);
    ValueFormat format;
    EXPECT_EQ(format.Parse(DefaultValueFormat(row.unitSize)), ValueFormatStatus::Valid);
  }
}

}  // namespace
