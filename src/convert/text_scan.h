// The vectorised part of the text -> binary scan: whole 64-byte windows of
// text taken at once between numbers. The byte-at-a-time scan in
// text_to_binary.cpp stays the reference, and handles every place these
// windows decline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// True when the bytes first and second begin a number.
constexpr bool IsNumberPrefix(uint8_t first, uint8_t second, NumberSyntax syntax) {
  if (first == '&') return second == 'H' || second == 'h';
  return first == '0' && (second == 'x' || (second == 'X' && syntax == NumberSyntax::C));
}

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

// Stores the low kUnit bytes of value at out, swapped when kSwap is set;
// returns kUnit.
template <int kUnit, bool kSwap>
inline int32_t StoreUnit(uint8_t* out, uint64_t value) {
  if constexpr (kUnit == 1) {
    out[0] = static_cast<uint8_t>(value);
  } else if constexpr (kUnit == 2) {
    auto v = static_cast<uint16_t>(value);
    if constexpr (kSwap) v = __builtin_bswap16(v);
    std::memcpy(out, &v, 2);
  } else if constexpr (kUnit == 4) {
    auto v = static_cast<uint32_t>(value);
    if constexpr (kSwap) v = __builtin_bswap32(v);
    std::memcpy(out, &v, 4);
  } else {
    uint64_t v = value;
    if constexpr (kSwap) v = __builtin_bswap64(v);
    std::memcpy(out, &v, 8);
  }
  return kUnit;
}
