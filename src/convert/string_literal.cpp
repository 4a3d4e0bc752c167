#include "convert/string_literal.h"

#include <array>
#include <cstring>

namespace {

// The text of one byte in a piece: up to four characters, of which length
// count, and what else the byte asks for.
struct ByteText {
  char text[4];
  char full[4];  // an octal escape with all three digits
  uint8_t length;
  uint8_t kind;
};

enum ByteKind : uint8_t {
  kPlain,     // the text stands for the byte whatever follows
  kQuestion,  // '?': escaped after another '?', so that no trigraph forms
  kLineFeed,  // "\n", which also ends the row
  kOctal,     // a short octal escape, written in full before an octal digit
};

constexpr std::array<ByteText, 256> MakeTable() {
  std::array<ByteText, 256> table{};
  for (int b = 0; b < 256; ++b) {
    ByteText& entry = table[b];
    entry.full[0] = '\\';
    entry.full[1] = static_cast<char>('0' + (b >> 6));
    entry.full[2] = static_cast<char>('0' + ((b >> 3) & 7));
    entry.full[3] = static_cast<char>('0' + (b & 7));
    if (b >= 0x20 && b < 0x7F) {
      entry.text[0] = static_cast<char>(b);
      entry.length = 1;
      entry.kind = b == '?' ? kQuestion : kPlain;
      continue;
    }
    // As few digits as the value needs.
    const int digits = b >= 64 ? 3 : b >= 8 ? 2 : 1;
    entry.text[0] = '\\';
    for (int k = 0; k < digits; ++k) {
      entry.text[1 + k] = entry.full[4 - digits + k];
    }
    entry.length = static_cast<uint8_t>(1 + digits);
    entry.kind = kOctal;
  }
  const char escapes[][2] = {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
  for (const auto& escape : escapes) {
    ByteText& entry = table[static_cast<uint8_t>(escape[0])];
    entry.text[0] = '\\';
    entry.text[1] = escape[1];
    entry.length = 2;
    entry.kind = escape[0] == '\n' ? kLineFeed : kPlain;
  }
  return table;
}

constexpr std::array<ByteText, 256> kTable = MakeTable();

bool IsOctalDigit(uint8_t b) {
  return b >= '0' && b <= '7';
}

}  // namespace

size_t StringLiteralEncoder::Encode(const uint8_t* data, size_t count, char* out, size_t room,
                                    size_t* written) {
  *written = 0;
  if (room < kStringTextPerByte) return 0;
  char* p = out;
  char* const stop = out + (room - kStringTextPerByte);
  size_t i = 0;
  while (i < count && p <= stop) {
    if (!rowOpen_ || rowBytes_ >= kStringRowBytes) {
      // A new piece: an escape before its closing quote cannot take a digit.
      if (pendingOctal_ >= 0) {
        const ByteText& entry = kTable[static_cast<size_t>(pendingOctal_)];
        std::memcpy(p, entry.text, 4);
        p += entry.length;
        pendingOctal_ = -1;
      }
      if (rowOpen_) {
        std::memcpy(p, "\"\r\n", 3);
        p += 3;
      }
      std::memcpy(p, "\t\t\"", 3);
      p += 3;
      rowOpen_ = true;
      rowBytes_ = 0;
      lastQuestion_ = false;
    } else if (pendingOctal_ >= 0) {
      const ByteText& entry = kTable[static_cast<size_t>(pendingOctal_)];
      if (IsOctalDigit(data[i])) {
        std::memcpy(p, entry.full, 4);
        p += 4;
      } else {
        std::memcpy(p, entry.text, 4);
        p += entry.length;
      }
      pendingOctal_ = -1;
    }

    // The bytes of this row that this call has.
    size_t left = static_cast<size_t>(kStringRowBytes - rowBytes_);
    if (left > count - i) left = count - i;
    const size_t end = i + left;
    bool previousQuestion = lastQuestion_;
    size_t j = i;
    for (; j < end && p <= stop; ++j) {
      const uint8_t b = data[j];
      const ByteText& entry = kTable[b];
      std::memcpy(p, entry.text, 4);
      p += entry.length;
      if (entry.kind == kPlain) {
        previousQuestion = false;
        continue;
      }
      if (entry.kind == kQuestion) {
        if (previousQuestion) {
          p[-1] = '\\';
          *p++ = '?';
        }
        previousQuestion = true;
        continue;
      }
      previousQuestion = false;
      if (entry.kind == kLineFeed) {
        // The row is full after it.
        ++j;
        rowBytes_ = kStringRowBytes - static_cast<int32_t>(j - i);
        break;
      }
      // An octal escape: the next byte decides its form, unless it starts a
      // new piece. The last byte of the call waits for the next call.
      if (j + 1 == count && rowBytes_ + static_cast<int32_t>(j + 1 - i) < kStringRowBytes) {
        p -= entry.length;
        pendingOctal_ = b;
      } else if (j + 1 < end && IsOctalDigit(data[j + 1])) {
        p -= entry.length;
        std::memcpy(p, entry.full, 4);
        p += 4;
      }
    }
    rowBytes_ += static_cast<int32_t>(j - i);
    lastQuestion_ = previousQuestion;
    i = j;
  }
  *written = static_cast<size_t>(p - out);
  return i;
}

size_t StringLiteralEncoder::End(char* out) {
  char* p = out;
  if (!rowOpen_) {
    std::memcpy(p, "\t\t\"", 3);
    p += 3;
  }
  if (pendingOctal_ >= 0) {
    const ByteText& entry = kTable[static_cast<size_t>(pendingOctal_)];
    std::memcpy(p, entry.text, 4);
    p += entry.length;
  }
  *p++ = '"';
  pendingOctal_ = -1;
  rowOpen_ = false;
  rowBytes_ = 0;
  lastQuestion_ = false;
  return static_cast<size_t>(p - out);
}
