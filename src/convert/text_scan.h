// The vectorised part of the text -> binary scan: whole 64-byte windows of
// text taken at once between numbers. The byte-at-a-time scan in
// text_to_binary.cpp stays the reference, and handles every place these
// windows decline.
#pragma once

#include <cstddef>
#include <cstdint>

// How numbers are read. The plain rule takes only numbers that a separator
// ends, so "0x1F;" and "[0x10]" write nothing; the C rule reads a C source as
// a compiler does. Kept as 0 and 1 in settings and lists.
enum class NumberSyntax : int32_t {
  Plain = 0,  // prefixes "0x", "&H", "&h"; separators tab, LF, CR, blank, comma
  C = 1,      // also the prefix "0X", and '}', ')', ']', ';' end a number
};

// A stored value as a syntax: anything but 1 is the plain rule.
constexpr NumberSyntax NumberSyntaxOf(int32_t value) {
  return value == 1 ? NumberSyntax::C : NumberSyntax::Plain;
}

// True when byte ends a number and makes it count.
constexpr bool IsNumberSeparator(uint8_t byte, NumberSyntax syntax) {
  switch (byte) {
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case ',':
      return true;
    case '}':
    case ')':
    case ']':
    case ';':
      return syntax == NumberSyntax::C;
    default:
      return false;
  }
}

// Two bytes as one number, the first one low, as the scans read a prefix.
constexpr unsigned BytePair(uint8_t first, uint8_t second) {
  return first | (unsigned{second} << 8);
}

// True when the pair of bytes (BytePair) begins a number. The bit that tells
// 'h' from 'H' (and 'x' from 'X' where "0X" is a prefix) is set before the
// compare, so each prefix is one compare.
constexpr bool IsNumberPrefix(unsigned pair, NumberSyntax syntax) {
  constexpr unsigned kLowerSecond = 0x2000u;
  const unsigned foldX = syntax == NumberSyntax::C ? kLowerSecond : 0;
  return (pair | foldX) == BytePair('0', 'x') || (pair | kLowerSecond) == BytePair('&', 'h');
}

// What a byte is to a number: 0 to 15 a hex digit's value, or one of these.
inline constexpr uint8_t kSeparatorByte = 16;  // ends a number and makes it count
inline constexpr uint8_t kForeignByte = 17;    // ends a number and drops it

// The class of every byte, for one syntax; the byte-at-a-time and the
// window scans read the same table.
struct NumberBytes {
  uint8_t of[256];
  explicit constexpr NumberBytes(NumberSyntax syntax) : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = IsNumberSeparator(static_cast<uint8_t>(b), syntax) ? kSeparatorByte : kForeignByte;
    for (int d = 0; d < 10; ++d)
      of['0' + d] = static_cast<uint8_t>(d);
    for (int d = 0; d < 6; ++d) {
      of['A' + d] = static_cast<uint8_t>(10 + d);
      of['a' + d] = static_cast<uint8_t>(10 + d);
    }
  }
};
template <NumberSyntax kSyntax>
inline constexpr NumberBytes kNumberBytes{kSyntax};

enum class TextScanner {
  Scalar,  // one byte at a time
  Sse2,    // 64-byte windows, SSE2 (every x86-64 processor)
  Avx2,    // 64-byte windows, AVX2, BMI1 and BMI2
};

// The fastest scanner this processor runs.
TextScanner BestTextScanner();

// Scans windows of text from p while there are at least kWindowReach bytes
// up to limit; p must be between numbers. Every number ended by a
// separator of syntax is stored at *out as a unit of unitSize bytes (1, 2, 4 or 8),
// swapped when swap is set; the scan stops right after a unit that leaves
// *out at or past full. Returns the position reached, which is between
// numbers. Sets *decline when the window at that position needs the
// byte-at-a-time scan: a prefix inside a number ("0x0x", "0x1&H2"), or a
// number that the window does not end.
using WindowScanFunction = const uint8_t* (*)(const uint8_t* p, const uint8_t* limit,
                                              int32_t unitSize, bool swap, NumberSyntax syntax,
                                              uint8_t** out, const uint8_t* full, bool* decline);
inline constexpr ptrdiff_t kWindowReach = 65;  // the window and the byte after it

// What a window scan finds in 64 bytes of text, bit i for byte i.
struct WindowMasks {
  uint64_t prefix;  // bytes i and i + 1 are a prefix
  uint64_t digit;   // a hex digit
};

// The window scan for scanner, or null for Scalar or one this build lacks.
WindowScanFunction WindowScanFor(TextScanner scanner);

// The two window scans, for WindowScanFor; they exist on x86-64 only.
const uint8_t* ScanWindowsSse2(const uint8_t* p, const uint8_t* limit, int32_t unitSize, bool swap,
                               NumberSyntax syntax, uint8_t** out, const uint8_t* full,
                               bool* decline);
const uint8_t* ScanWindowsAvx2(const uint8_t* p, const uint8_t* limit, int32_t unitSize, bool swap,
                               NumberSyntax syntax, uint8_t** out, const uint8_t* full,
                               bool* decline);
