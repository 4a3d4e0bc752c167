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
//
// Three spellings follow the platform's C library, as the README states:
// 'l' reads sizeof(long) bytes (32 bits on Windows), ' ' puts a blank before
// an unsigned decimal on Windows only, and "%#.0o" writes "0" for zero on
// Linux and nothing on Windows. Every other format writes the same text in
// both 64-bit builds.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/expects.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The text of a format whose every value has the same length: fixed text,
// the value's hex digits, fixed text. The texts around the digits are
// stored in full 32-byte blocks so that they can be copied in one move.
struct FixedHexLayout {
  char lead[32] = {};   // prefix, padding blanks and zeros
  char trail[32] = {};  // padding blanks and suffix
  int32_t leadLength = 0;
  int32_t digits = 0;  // 2, 4, 8 or 16
  int32_t length = 0;  // the whole text
  bool upper = true;
};

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

  // Fills layout when the text of every value below 2^valueBits (8, 16, 32
  // or 64) is the same literal text around all hex digits the conversion
  // reads, none of them dropped; false when Format is needed.
  bool FixedHex(int32_t valueBits, FixedHexLayout* layout) const;

 private:
  // The steps of Parse. Each reads from p and leaves it after what it took.
  bool AppendLiteral(char literal, bool afterConversion);  // false: too long
  ValueFormatStatus ParseConversion(const char*& p);       // p after the '%'
  bool ParseFlags(const char*& p);                         // true when '0' was seen
  int32_t ParseLengthModifier(const char*& p);             // the bits read: 8 to 64
  ValueFormatStatus CheckMaxLength();                      // sets maxLength_

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

// Writes the last digits (1 to 16) hex digits of value at out, the most
// significant first; stores 16 bytes from out, the ones after the digits
// being scrap for a later store to overwrite.
inline void PutHexDigits(uint64_t value, int32_t digits, bool upper, char* out) {
  BX_EXPECTS(digits >= 1 && digits <= 16);
  const uint64_t top = value << (64 - 4 * digits);
#if defined(__SSE2__) && defined(__x86_64__)
  // Each byte splits into its two nibbles side by side; the nibbles above 9
  // take the distance from '9' + 1 to 'A' or 'a' on top of '0'.
  const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(__builtin_bswap64(top)));
  const __m128i low = _mm_set1_epi8(0x0F);
  const __m128i nibbles =
      _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(bytes, 4), low), _mm_and_si128(bytes, low));
  const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)),
                                        _mm_set1_epi8(upper ? 'A' - '0' - 10 : 'a' - '0' - 10));
  const __m128i text = _mm_add_epi8(nibbles, _mm_add_epi8(letters, _mm_set1_epi8('0')));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), text);
#else
  const char* const alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char text[16];
  for (int32_t i = 0; i < 16; ++i)
    text[i] = alphabet[(top >> (60 - 4 * i)) & 15];
  std::memcpy(out, text, 16);
#endif
}

// The format used when the value format text is empty: by unit size, with
// "0x%02X" for 1 and for any size other than 2, 4 and 8.
const char* DefaultValueFormat(int32_t unitSize);
