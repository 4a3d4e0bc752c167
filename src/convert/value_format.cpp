#include "convert/value_format.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace {

// Two digits per entry, so that each table step produces two characters.
struct DigitPairs {
  char hexUpper[512];
  char hexLower[512];
  char decimal[200];
  constexpr DigitPairs() : hexUpper(), hexLower(), decimal() {
    const char* upper = "0123456789ABCDEF";
    const char* lower = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
      hexUpper[2 * i] = upper[i >> 4];
      hexUpper[2 * i + 1] = upper[i & 15];
      hexLower[2 * i] = lower[i >> 4];
      hexLower[2 * i + 1] = lower[i & 15];
    }
    for (int i = 0; i < 100; ++i) {
      decimal[2 * i] = static_cast<char>('0' + i / 10);
      decimal[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kPairs;

// Writes the digits of value (> 0) so that they end just before end;
// returns how many there are.
int32_t HexDigits(uint64_t value, char* end, const char* pairs) {
  const int32_t count = (std::bit_width(value) + 3) / 4;
  char* p = end;
  while (value >= 0x100) {
    p -= 2;
    std::memcpy(p, pairs + 2 * (value & 0xFF), 2);
    value >>= 8;
  }
  if (value >= 0x10) {
    p -= 2;
    std::memcpy(p, pairs + 2 * value, 2);
  } else {
    *--p = pairs[2 * value + 1];
  }
  return count;
}

int32_t DecimalDigits(uint64_t value, char* end) {
  char* p = end;
  while (value >= 100) {
    p -= 2;
    std::memcpy(p, kPairs.decimal + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    p -= 2;
    std::memcpy(p, kPairs.decimal + 2 * value, 2);
  } else {
    *--p = static_cast<char>('0' + value);
  }
  return static_cast<int32_t>(end - p);
}

int32_t OctalDigits(uint64_t value, char* end) {
  char* p = end;
  do {
    *--p = static_cast<char>('0' + (value & 7));
    value >>= 3;
  } while (value != 0);
  return static_cast<int32_t>(end - p);
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

ValueFormatStatus ValueFormat::Parse(const char* format) {
  *this = ValueFormat();
  if (format == nullptr) format = "";
  bool converted = false;
  bool literalTooLong = false;
  const char* p = format;
  while (*p != 0) {
    char literal = *p;
    if (*p == '%') {
      if (p[1] == 0) return ValueFormatStatus::Incomplete;
      if (p[1] == '%') {
        p += 2;
      } else {
        if (converted) return ValueFormatStatus::TwoConversions;
        ++p;
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
            break;
          }
        }
        if (*p == '*') return ValueFormatStatus::StarArgument;
        width_ = ReadCount(p);
        if (*p == '.') {
          ++p;
          if (*p == '*') return ValueFormatStatus::StarArgument;
          precision_ = ReadCount(p);
        }
        // The argument is a 64-bit value in a 64-bit slot; the modifier
        // says how many of its low bits the conversion reads.
        bits_ = 32;
        if (p[0] == 'h' && p[1] == 'h') {
          bits_ = 8;
          p += 2;
        } else if (*p == 'h') {
          bits_ = 16;
          ++p;
        } else if (p[0] == 'l' && p[1] == 'l') {
          bits_ = 64;
          p += 2;
        } else if (*p == 'l') {
          bits_ = static_cast<int32_t>(sizeof(long) * 8);  // 32 on Windows
          ++p;
        } else if (*p == 'j') {
          bits_ = static_cast<int32_t>(sizeof(intmax_t) * 8);
          ++p;
        } else if (*p == 'z') {
          bits_ = static_cast<int32_t>(sizeof(std::size_t) * 8);
          ++p;
        } else if (*p == 't') {
          bits_ = static_cast<int32_t>(sizeof(std::ptrdiff_t) * 8);
          ++p;
        }
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
        converted = true;
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
        continue;
      }
      literal = '%';
    } else {
      ++p;
    }
    int32_t& length = converted ? suffixLength_ : prefixLength_;
    char* text = converted ? suffix_ : prefix_;
    if (prefixLength_ + suffixLength_ >= kMaxValueText) {
      literalTooLong = true;
    } else {
      text[length++] = literal;
    }
  }
  if (!converted) return ValueFormatStatus::NoConversion;
  if (literalTooLong) return ValueFormatStatus::TooLong;

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
  bool negative = false;
  if (bits_ < 64) {
    const uint64_t mask = (uint64_t{1} << bits_) - 1;
    value &= mask;
    if (signed_ && (value >> (bits_ - 1)) != 0) {
      negative = true;
      value = (~value + 1) & mask;
      // The most negative value keeps its magnitude with the sign bit set.
      if (value == 0) value = uint64_t{1} << (bits_ - 1);
    }
  } else if (signed_ && static_cast<int64_t>(value) < 0) {
    negative = true;
    value = ~value + 1;
  }

  char digitBuffer[24];
  char* const digitEnd = digitBuffer + sizeof digitBuffer;
  int32_t digitCount = 0;
  if (value != 0) {
    if (base_ == 16) {
      digitCount = HexDigits(value, digitEnd, upper_ ? kPairs.hexUpper : kPairs.hexLower);
    } else if (base_ == 10) {
      digitCount = DecimalDigits(value, digitEnd);
    } else {
      digitCount = OctalDigits(value, digitEnd);
    }
  } else if (precision_ != 0) {
    digitEnd[-1] = '0';
    digitCount = 1;
  }

  int32_t zeros = precision_ > digitCount ? precision_ - digitCount : 0;
  if (alternate_ && base_ == 8 && zeros == 0 && digitCount > 0 && digitEnd[-digitCount] != '0') {
    zeros = 1;
  }
#if !defined(_WIN32)
  // "%#.0o" prints "0" for zero here; the MinGW-w64 printf prints nothing.
  if (alternate_ && base_ == 8 && digitCount == 0 && zeros == 0) zeros = 1;
#endif

  char lead[2];
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

  char* p = out;
  std::memcpy(p, prefix_, static_cast<size_t>(prefixLength_));
  p += prefixLength_;
  const int32_t body = leadLength + zeros + digitCount;
  const int32_t pad = width_ > body ? width_ - body : 0;
  if (pad > 0 && !leftAlign_ && !zeroPad_) {
    std::memset(p, ' ', static_cast<size_t>(pad));
    p += pad;
  }
  std::memcpy(p, lead, static_cast<size_t>(leadLength));
  p += leadLength;
  if (pad > 0 && zeroPad_) zeros += pad;
  std::memset(p, '0', static_cast<size_t>(zeros));
  p += zeros;
  std::memcpy(p, digitEnd - digitCount, static_cast<size_t>(digitCount));
  p += digitCount;
  if (pad > 0 && leftAlign_) {
    std::memset(p, ' ', static_cast<size_t>(pad));
    p += pad;
  }
  std::memcpy(p, suffix_, static_cast<size_t>(suffixLength_));
  p += suffixLength_;
  return static_cast<int32_t>(p - out);
}
