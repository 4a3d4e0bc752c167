#include "convert/string_literal.h"

#include <array>
#include <cstring>

namespace {

// The text of one byte in a piece: up to four characters, of which length
// count, and what else the byte asks for.
struct ByteText {
  // [0] the short text; [1] the text before an octal digit: an octal escape
  // then takes all three digits, so that it cannot take the digit in.
  char text[2][4];
  uint8_t length[2];
  uint8_t octal;  // 1 for an octal escape, so that text[octal & digit] picks
  bool special;   // '?' (escaped after another '?', so that no trigraph
                  // forms) or a line feed (which ends the row)
};

constexpr std::array<ByteText, 256> MakeTable() {
  std::array<ByteText, 256> table{};
  for (int b = 0; b < 256; ++b) {
    ByteText& entry = table[b];
    if (b >= 0x20 && b < 0x7F) {
      entry.text[0][0] = static_cast<char>(b);
      entry.length[0] = 1;
      entry.special = b == '?';
    } else {
      // As few digits as the value needs.
      const char digits[3] = {static_cast<char>('0' + (b >> 6)),
                              static_cast<char>('0' + ((b >> 3) & 7)),
                              static_cast<char>('0' + (b & 7))};
      const int needed = b >= 64 ? 3 : b >= 8 ? 2 : 1;
      entry.text[0][0] = '\\';
      for (int k = 0; k < needed; ++k)
        entry.text[0][1 + k] = digits[3 - needed + k];
      entry.length[0] = static_cast<uint8_t>(1 + needed);
      entry.octal = 1;
    }
    const char escapes[][2] = {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
    for (const auto& escape : escapes) {
      if (static_cast<uint8_t>(escape[0]) != b) continue;
      entry.text[0][0] = '\\';
      entry.text[0][1] = escape[1];
      entry.length[0] = 2;
      entry.octal = 0;
      entry.special = escape[0] == '\n';
    }
    entry.text[1][0] = '\\';
    entry.text[1][1] = static_cast<char>('0' + (b >> 6));
    entry.text[1][2] = static_cast<char>('0' + ((b >> 3) & 7));
    entry.text[1][3] = static_cast<char>('0' + (b & 7));
    entry.length[1] = 4;
  }
  return table;
}

constexpr std::array<ByteText, 256> kTable = MakeTable();

constexpr std::array<uint8_t, 256> MakeOctalDigits() {
  std::array<uint8_t, 256> digits{};
  for (int b = '0'; b <= '7'; ++b)
    digits[b] = 1;
  return digits;
}

constexpr std::array<uint8_t, 256> kOctalDigit = MakeOctalDigits();

}  // namespace

size_t StringLiteralEncoder::Encode(const uint8_t* data, size_t count, char* out, size_t room,
                                    size_t* written) {
  *written = 0;
  if (room < kStringTextPerByte) return 0;
  char* p = out;
  char* const stop = out + (room - kStringTextPerByte);
  size_t i = 0;
  while (i < count && p <= stop) {
    if (!rowOpen_ || rowBytes_ >= kStringRowBytes || groupBytes_ >= kStringGroupBytes) {
      // A new piece: an escape before its closing quote cannot take a digit.
      if (pendingOctal_ >= 0) {
        const ByteText& entry = kTable[static_cast<size_t>(pendingOctal_)];
        std::memcpy(p, entry.text[0], 4);
        p += entry.length[0];
        pendingOctal_ = -1;
      }
      if (rowOpen_) {
        *p++ = '"';
        if (groupBytes_ >= kStringGroupBytes) {
          std::memcpy(p, kStringGroupBreak, sizeof kStringGroupBreak - 1);
          p += sizeof kStringGroupBreak - 1;
          groupBytes_ = 0;
        }
        std::memcpy(p, "\r\n", 2);
        p += 2;
      }
      std::memcpy(p, "\t\t\"", 3);
      p += 3;
      rowOpen_ = true;
      rowBytes_ = 0;
      lastQuestion_ = false;
    } else if (pendingOctal_ >= 0) {
      const ByteText& entry = kTable[static_cast<size_t>(pendingOctal_)];
      if (kOctalDigit[data[i]]) {
        std::memcpy(p, entry.text[1], 4);
        p += 4;
      } else {
        std::memcpy(p, entry.text[0], 4);
        p += entry.length[0];
      }
      pendingOctal_ = -1;
    }

    // The bytes of this row that this call has. Only '?' and line feeds
    // branch; random data would defeat any other test of the byte.
    size_t left = static_cast<size_t>(kStringRowBytes - rowBytes_);
    if (left > static_cast<size_t>(kStringGroupBytes - groupBytes_)) {
      left = static_cast<size_t>(kStringGroupBytes - groupBytes_);
    }
    if (left > count - i) left = count - i;
    const size_t end = i + left;
    size_t j = i;
    for (; j < end && p <= stop; ++j) {
      const uint8_t b = data[j];
      const ByteText& entry = kTable[b];
      // An octal escape before an octal digit in the same piece takes all
      // three digits, so that it cannot take the digit in.
      const uint8_t next = j + 1 < end ? data[j + 1] : 0;
      const uint8_t form = entry.octal & kOctalDigit[next];
      std::memcpy(p, entry.text[form], 4);
      p += entry.length[form];
      if (!entry.special) continue;
      if (b == '?') {
        if (j > i ? data[j - 1] == '?' : lastQuestion_) {
          p[-1] = '\\';
          *p++ = '?';
        }
        continue;
      }
      // A line feed: the row is full after it.
      ++j;
      rowBytes_ = kStringRowBytes - static_cast<int32_t>(j - i);
      break;
    }
    if (j > i) {
      const uint8_t last = data[j - 1];
      lastQuestion_ = last == '?';
      // The call's last byte, inside a row: its octal escape waits for the
      // next call's first byte.
      if (j == count && kTable[last].octal != 0 &&
          rowBytes_ + static_cast<int32_t>(j - i) < kStringRowBytes) {
        p -= kTable[last].length[0];
        pendingOctal_ = last;
      }
    }
    rowBytes_ += static_cast<int32_t>(j - i);
    groupBytes_ += static_cast<int32_t>(j - i);
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
    std::memcpy(p, entry.text[0], 4);
    p += entry.length[0];
  }
  *p++ = '"';
  pendingOctal_ = -1;
  rowOpen_ = false;
  rowBytes_ = 0;
  groupBytes_ = 0;
  lastQuestion_ = false;
  return static_cast<size_t>(p - out);
}
