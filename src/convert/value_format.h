// ValueFormat: the printf-style format of one value, parsed once and then
// applied to every value without going through the C library.
//
// A value format is literal text around exactly one integer conversion
// (d i u o x X with optional flags "-+ #0", width, precision and one of the
// length modifiers hh h l ll j z t, or the Windows C library's I64 I32 I);
// "%%" stands for a percent sign in the
// literal text. The text made for a value is byte for byte what snprintf
// gives for that format with the value passed as a 64-bit unsigned integer:
// the conversion reads the low bits its length modifier names (32 without
// one) and sign-extends them for d and i.
#pragma once

#include <cstdint>

// The most characters one value may take: the row buffer keeps 100 bytes
// free, 5 of which are needed for ",\r\n\t\t".
inline constexpr int32_t kMaxValueText = 95;
// Bytes Format may touch in its output buffer: it stores in whole words.
inline constexpr int32_t kValueTextCapacity = 128;

enum class ValueFormatStatus {
  Valid,
  NoConversion,           // only literal text
  TwoConversions,         // more than one conversion
  UnsupportedConversion,  // %s, %n, %c, %f, %p ... or an unknown length modifier
  StarArgument,           // '*' width or precision takes an argument
  Incomplete,             // a '%' at the end of the text
  TooLong,                // the text of one value could exceed kMaxValueText
};

// A short English description of a status, for messages to the user.
const char* DescribeValueFormatStatus(ValueFormatStatus status);

class ValueFormat {
 public:
  ValueFormat() = default;

  // Parses a NUL-terminated format (null reads as empty). The object holds a
  // usable format only when the result is Valid.
  ValueFormatStatus Parse(const char* format);

  // Writes the text of value to out, which must hold kValueTextCapacity bytes,
  // and returns its length (at most kMaxValueText). No terminator is written.
  int32_t Format(uint64_t value, char* out) const;

  // The most characters Format can return for this format.
  int32_t MaxLength() const { return maxLength_; }
  // How many low bits of the value the conversion shows: 8, 16, 32 or 64.
  int32_t Bits() const { return bits_; }

 private:
  char prefix_[kMaxValueText] = {};
  char suffix_[kMaxValueText] = {};
  int32_t prefixLength_ = 0;
  int32_t suffixLength_ = 0;
  int32_t maxLength_ = 0;
  // The conversion.
  int32_t bits_ = 32;  // 8, 16, 32 or 64
  int32_t base_ = 16;  // 8, 10 or 16
  bool signed_ = false;
  bool upper_ = true;
  bool leftAlign_ = false;  // '-'
  bool plusSign_ = false;   // '+'
  bool spaceSign_ = false;  // ' '
  bool alternate_ = false;  // '#'
  bool zeroPad_ = false;    // '0', and no '-' and no precision
  int32_t width_ = 0;
  int32_t precision_ = -1;  // -1 when none was given
};

// The format used when the value format text is empty: by unit size, with
// "0x%02X" for 1 and for any size other than 2, 4 and 8.
const char* DefaultValueFormat(int32_t unitSize);
