#include "convert/value_format.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace {

constexpr bool kLittleEndianMachine = std::endian::native == std::endian::little;

// Format's buffer contract: a store may run past the text by at most
// kCopyBlock bytes (CopyText of the suffix after the longest text; WriteHex,
// PutHexDigits and Fill run over by less), so kValueTextCapacity must hold
// the longest text plus that much. The row buffer and the value table of the
// binary-to-text stream rely on it.
constexpr int32_t kCopyBlock = 32;
static_assert(kMaxValueText + kCopyBlock <= kValueTextCapacity,
              "Format may store kCopyBlock bytes past a text of kMaxValueText");
static_assert(16 <= kCopyBlock, "WriteHex and Fill store 16-byte blocks");

struct DecimalPairs {
  char text[200];
  constexpr DecimalPairs() : text() {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DecimalPairs kDecimalPairs;

constexpr uint64_t kPowersOfTen[20] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull,
                                       10000000000000000ull,
                                       100000000000000000ull,
                                       1000000000000000000ull,
                                       10000000000000000000ull};

// Digits of value > 0 in each base.
int32_t DecimalCount(uint64_t value) {
  // 1233 / 4096 is just above log10(2): t is the count or one less.
  const int32_t t = (std::bit_width(value) * 1233) >> 12;
  return t + (value >= kPowersOfTen[t] ? 1 : 0);
}

int32_t HexCount(uint64_t value) {
  return (std::bit_width(value) + 3) / 4;
}

int32_t OctalCount(uint64_t value) {
  return (std::bit_width(value) + 2) / 3;
}

// The last count (1 to 8) hex digits of x as characters, the most
// significant first in memory. Each nibble is spread into a byte of its own
// and all are turned into digits or letters at once.
uint64_t HexChars(uint32_t x, int32_t count, uint64_t letterOffset) {
  BX_EXPECTS(count >= 1 && count <= 8);
  uint64_t v = x;
  v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
  v = (v | (v << 8)) & 0x00FF00FF00FF00FFull;
  v = (v | (v << 4)) & 0x0F0F0F0F0F0F0F0Full;
  const uint64_t letters = ((v + 0x0606060606060606ull) >> 4) & 0x0101010101010101ull;
  v += 0x3030303030303030ull + letters * letterOffset;
  // The least significant digit is the lowest byte: shift the wanted digits
  // to the top, then turn the order around for memory.
  v <<= 8 * (8 - count);
  if constexpr (kLittleEndianMachine) v = __builtin_bswap64(v);
  return v;
}

// Writes count hex digits of value (count <= 16) at out; may store up to 16
// bytes from out. The characters are stored straight from registers.
void WriteHex(uint64_t value, int32_t count, bool upper, char* out) {
  BX_EXPECTS(count >= 1 && count <= 16);
  const uint64_t letterOffset = upper ? 'A' - '0' - 10 : 'a' - '0' - 10;
  if (count > 8) {
    const uint64_t high = HexChars(static_cast<uint32_t>(value >> 32), count - 8, letterOffset);
    std::memcpy(out, &high, 8);
    out += count - 8;
    count = 8;
  }
  const uint64_t low = HexChars(static_cast<uint32_t>(value), count, letterOffset);
  std::memcpy(out, &low, 8);
}

void WriteDecimal(uint64_t value, int32_t count, char* out) {
  char* p = out + count;
  while (value >= 100) {
    p -= 2;
    std::memcpy(p, kDecimalPairs.text + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    std::memcpy(p - 2, kDecimalPairs.text + 2 * value, 2);
  } else {
    p[-1] = static_cast<char>('0' + value);
  }
}

void WriteOctal(uint64_t value, int32_t count, char* out) {
  for (char* p = out + count; p > out; value >>= 3)
    *--p = static_cast<char>('0' + (value & 7));
}

// Copies length bytes, in one fixed-size move when they are few; may read
// and store up to kCopyBlock bytes from text and out.
void CopyText(char* out, const char* text, int32_t length) {
  if (length <= 16) {
    std::memcpy(out, text, 16);
  } else if (length <= kCopyBlock) {
    std::memcpy(out, text, kCopyBlock);
  } else {
    std::memcpy(out, text, static_cast<size_t>(length));
  }
}

// Fills count bytes with c in 16-byte stores; may store up to 15 bytes more.
void Fill(char* out, char c, int32_t count) {
  char block[16];
  std::memset(block, c, sizeof block);
  for (int32_t i = 0; i < count; i += 16)
    std::memcpy(out + i, block, 16);
}

// The most digits a value of the given width has in the given base.
int32_t MaxDigits(int32_t bits, int32_t base, bool isSigned) {
  if (base == 16) return bits / 4;
  if (base == 8) return (bits + 2) / 3;
  switch (bits) {
    case 8:
      return 3;
    case 16:
      return 5;
    case 32:
      return 10;
    default:
      return isSigned ? 19 : 20;
  }
}

// Reads a run of decimal digits, saturating far above any useful value.
int32_t ReadCount(const char*& p) {
  int32_t count = 0;
  while (*p >= '0' && *p <= '9') {
    if (count < 100000) count = count * 10 + (*p - '0');
    ++p;
  }
  return count;
}

}  // namespace

const char* DescribeValueFormatStatus(ValueFormatStatus status) {
  switch (status) {
    case ValueFormatStatus::Valid:
      return "valid";
    case ValueFormatStatus::NoConversion:
      return "it has no conversion; one of %d %i %u %o %x %X is needed";
    case ValueFormatStatus::TwoConversions:
      return "it has more than one conversion";
    case ValueFormatStatus::UnsupportedConversion:
      return "only the integer conversions d i u o x X with the length modifiers hh h l ll j z t "
             "I64 I32 I "
             "are allowed";
    case ValueFormatStatus::StarArgument:
      return "a '*' width or precision is not allowed";
    case ValueFormatStatus::Incomplete:
      return "it ends inside a conversion (write %% for a percent sign)";
    case ValueFormatStatus::TooLong:
      return "the text of one value could be longer than 95 characters";
  }
  return "invalid";
}

const char* DefaultValueFormat(int32_t unitSize) {
  switch (unitSize) {
    case 2:
      return "0x%04X";
    case 4:
      return "0x%08X";
    case 8:
      return "0x%016llX";
    default:
      return "0x%02X";
  }
}

// Parse reads the text in four steps: literal bytes go to the prefix or the
// suffix (AppendLiteral); a '%' starts the one conversion (ParseConversion:
// flags, width, precision, length modifier, letter); at the end the longest
// text a value can make is checked (CheckMaxLength).
ValueFormatStatus ValueFormat::Parse(const char* format) {
  *this = ValueFormat();
  if (format == nullptr) format = "";
  bool converted = false;
  bool literalTooLong = false;
  for (const char* p = format; *p != 0;) {
    const char literal = *p++;
    if (literal == '%') {
      if (*p == 0) return ValueFormatStatus::Incomplete;
      if (*p == '%') {
        ++p;  // "%%": a percent sign in the literal text
      } else {
        if (converted) return ValueFormatStatus::TwoConversions;
        const ValueFormatStatus status = ParseConversion(p);
        if (status != ValueFormatStatus::Valid) return status;
        converted = true;
        continue;
      }
    }
    if (!AppendLiteral(literal, converted)) literalTooLong = true;
  }
  if (!converted) return ValueFormatStatus::NoConversion;
  if (literalTooLong) return ValueFormatStatus::TooLong;
  return CheckMaxLength();
}

bool ValueFormat::AppendLiteral(char literal, bool afterConversion) {
  if (prefixLength_ + suffixLength_ >= kMaxValueText) return false;
  if (afterConversion) {
    suffix_[suffixLength_++] = literal;
  } else {
    prefix_[prefixLength_++] = literal;
  }
  return true;
}

ValueFormatStatus ValueFormat::ParseConversion(const char*& p) {
  const bool zero = ParseFlags(p);
  if (*p == '*') return ValueFormatStatus::StarArgument;
  width_ = ReadCount(p);
  if (*p == '.') {
    ++p;
    if (*p == '*') return ValueFormatStatus::StarArgument;
    precision_ = ReadCount(p);
  }
  bits_ = ParseLengthModifier(p);
  switch (*p) {
    case 'd':
    case 'i':
      base_ = 10;
      signed_ = true;
      break;
    case 'u':
      base_ = 10;
      break;
    case 'o':
      base_ = 8;
      break;
    case 'x':
      base_ = 16;
      upper_ = false;
      break;
    case 'X':
      base_ = 16;
      break;
    case 0:
      return ValueFormatStatus::Incomplete;
    default:
      return ValueFormatStatus::UnsupportedConversion;
  }
  ++p;
  zeroPad_ = zero && !leftAlign_ && precision_ < 0;
  if (!signed_) {
    plusSign_ = false;
#if defined(_WIN32)
    // The MinGW-w64 printf puts the blank of ' ' before %u too.
    if (base_ != 10) spaceSign_ = false;
#else
    spaceSign_ = false;
#endif
  }
  return ValueFormatStatus::Valid;
}

bool ValueFormat::ParseFlags(const char*& p) {
  bool zero = false;
  for (;; ++p) {
    if (*p == '-') {
      leftAlign_ = true;
    } else if (*p == '+') {
      plusSign_ = true;
    } else if (*p == ' ') {
      spaceSign_ = true;
    } else if (*p == '#') {
      alternate_ = true;
    } else if (*p == '0') {
      zero = true;
    } else {
      return zero;
    }
  }
}

int32_t ValueFormat::ParseLengthModifier(const char*& p) {
  // The argument is a 64-bit value in a 64-bit slot; the modifier says how
  // many of its low bits the conversion reads.
  if (p[0] == 'h' && p[1] == 'h') {
    p += 2;
    return 8;
  }
  if (p[0] == 'l' && p[1] == 'l') {
    p += 2;
    return 64;
  }
  // The Windows C library's sizes, on every platform: I64, I32, and I alone
  // for the pointer size (64 bits on Win64).
  if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
    p += 3;
    return 64;
  }
  if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
    p += 3;
    return 32;
  }
  switch (*p) {
    case 'h':
      ++p;
      return 16;
    case 'l':
      ++p;
      return static_cast<int32_t>(sizeof(long) * 8);  // 32 on Windows
    case 'j':
      ++p;
      return static_cast<int32_t>(sizeof(intmax_t) * 8);
    case 'z':
      ++p;
      return static_cast<int32_t>(sizeof(std::size_t) * 8);
    case 't':
      ++p;
      return static_cast<int32_t>(sizeof(std::ptrdiff_t) * 8);
    case 'I':
      ++p;
      return static_cast<int32_t>(sizeof(void*) * 8);
    default:
      return 32;
  }
}

ValueFormatStatus ValueFormat::CheckMaxLength() {
  const int32_t digits = MaxDigits(bits_, base_, signed_);
  int32_t body = precision_ > digits ? precision_ : digits;
  if (alternate_ && base_ == 8 && precision_ <= digits) body = digits + 1;
  if (alternate_ && base_ == 16) body += 2;
  if (signed_ || spaceSign_) body += 1;
  const int32_t field = width_ > body ? width_ : body;
  maxLength_ = prefixLength_ + suffixLength_ + field;
  if (maxLength_ > kMaxValueText) return ValueFormatStatus::TooLong;
  return ValueFormatStatus::Valid;
}

int32_t ValueFormat::Format(uint64_t value, char* out) const {
  BX_EXPECTS(out != nullptr && maxLength_ > 0);
  bool negative = false;
  if (bits_ < 64) {
    const uint64_t mask = (uint64_t{1} << bits_) - 1;
    value &= mask;
    if (signed_ && (value >> (bits_ - 1)) != 0) {
      negative = true;
      // The most negative value is its own magnitude, sign bit set.
      value = (~value + 1) & mask;
    }
  } else if (signed_ && static_cast<int64_t>(value) < 0) {
    negative = true;
    value = ~value + 1;
  }

  int32_t digitCount = 0;
  if (value != 0) {
    digitCount = base_ == 16   ? HexCount(value)
                 : base_ == 10 ? DecimalCount(value)
                               : OctalCount(value);
  } else if (precision_ != 0) {
    digitCount = 1;
  }
  int32_t zeros = precision_ > digitCount ? precision_ - digitCount : 0;
  if (alternate_ && base_ == 8 && zeros == 0) {
    // The leading digit of a value other than 0 is never 0.
    if (value != 0) zeros = 1;
#if !defined(_WIN32)
    // "%#.0o" prints "0" for zero here; the MinGW-w64 printf prints nothing.
    if (digitCount == 0) zeros = 1;
#endif
  }

  char lead[2] = {0, 0};
  int32_t leadLength = 0;
  if (negative) {
    lead[leadLength++] = '-';
  } else if (plusSign_) {
    lead[leadLength++] = '+';
  } else if (spaceSign_) {
    lead[leadLength++] = ' ';
  }
  if (alternate_ && base_ == 16 && value != 0) {
    lead[leadLength++] = '0';
    lead[leadLength++] = upper_ ? 'X' : 'x';
  }

  // Every store below may run past its text into room that a later store
  // or the next value overwrites; out holds kValueTextCapacity bytes, and
  // the text itself is at most kMaxValueText long.
  static_assert(sizeof(prefix_) >= kCopyBlock && sizeof(suffix_) >= kCopyBlock,
                "CopyText reads whole blocks of the literal texts");
  char* p = out;
  CopyText(p, prefix_, prefixLength_);
  p += prefixLength_;
  const int32_t body = leadLength + zeros + digitCount;
  const int32_t pad = width_ > body ? width_ - body : 0;
  if (pad > 0 && !leftAlign_ && !zeroPad_) {
    Fill(p, ' ', pad);
    p += pad;
  }
  std::memcpy(p, lead, 2);
  p += leadLength;
  if (zeroPad_) zeros += pad;
  if (zeros > 0) {
    Fill(p, '0', zeros);
    p += zeros;
  }
  if (digitCount > 0) {
    if (base_ == 16) {
      WriteHex(value, digitCount, upper_, p);
    } else if (base_ == 10) {
      WriteDecimal(value, digitCount, p);
    } else {
      WriteOctal(value, digitCount, p);
    }
    p += digitCount;
  }
  if (pad > 0 && leftAlign_) {
    Fill(p, ' ', pad);
    p += pad;
  }
  CopyText(p, suffix_, suffixLength_);
  p += suffixLength_;
  return static_cast<int32_t>(p - out);
}

bool ValueFormat::FixedHex(int32_t valueBits, FixedHexLayout* layout) const {
  // '#' prints no "0x" for zero, so its length changes.
  if (base_ != 16 || alternate_ || signed_ || plusSign_ || spaceSign_) return false;
  const int32_t digits = (bits_ < valueBits ? bits_ : valueBits) / 4;
  // The fewest digits printed: the precision, or with '0' the width.
  const int32_t least = precision_ >= 0 ? precision_ : zeroPad_ ? width_ : 1;
  if (least < digits) return false;
  const int32_t pad = width_ > least ? width_ - least : 0;
  const int32_t lead = prefixLength_ + (leftAlign_ ? 0 : pad) + least - digits;
  const int32_t trail = (leftAlign_ ? pad : 0) + suffixLength_;
  if (lead > 32 || trail > 32) return false;
  *layout = FixedHexLayout();
  char* p = layout->lead;
  std::memcpy(p, prefix_, static_cast<size_t>(prefixLength_));
  p += prefixLength_;
  if (!leftAlign_) {
    std::memset(p, ' ', static_cast<size_t>(pad));
    p += pad;
  }
  std::memset(p, '0', static_cast<size_t>(least - digits));
  p = layout->trail;
  if (leftAlign_) {
    std::memset(p, ' ', static_cast<size_t>(pad));
    p += pad;
  }
  std::memcpy(p, suffix_, static_cast<size_t>(suffixLength_));
  layout->leadLength = lead;
  layout->digits = digits;
  layout->length = lead + digits + trail;
  layout->upper = upper_;
  return true;
}
