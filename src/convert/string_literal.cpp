#include "convert/string_literal.h"

#include <array>
#include <cstring>

namespace {

enum ByteKind : uint8_t {
  kPlain,     // written as it stands
  kQuestion,  // '?': escaped after another '?', so that no trigraph forms
  kEscape,    // a backslash and the letter in kEscapeLetter
  kOctal,     // an octal escape
};

struct ByteTable {
  std::array<uint8_t, 256> kind{};
  std::array<char, 256> letter{};
};

constexpr ByteTable MakeByteTable() {
  ByteTable table;
  for (int b = 0; b < 256; ++b) {
    table.kind[b] = b >= 0x20 && b < 0x7F ? kPlain : kOctal;
  }
  table.kind['?'] = kQuestion;
  const char pairs[][2] = {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
  for (const auto& pair : pairs) {
    table.kind[static_cast<uint8_t>(pair[0])] = kEscape;
    table.letter[static_cast<uint8_t>(pair[0])] = pair[1];
  }
  return table;
}

constexpr ByteTable kTable = MakeByteTable();

// Writes value as an octal escape, with three digits when full is set and
// otherwise with as few as it needs.
char* WriteOctal(char* out, int32_t value, bool full) {
  *out++ = '\\';
  if (full || value >= 64) *out++ = static_cast<char>('0' + (value >> 6));
  if (full || value >= 8) *out++ = static_cast<char>('0' + ((value >> 3) & 7));
  *out++ = static_cast<char>('0' + (value & 7));
  return out;
}

}  // namespace

size_t StringLiteralEncoder::Encode(const uint8_t* data, size_t count, char* out, size_t room,
                                    size_t* written) {
  *written = 0;
  if (room < kStringTextPerByte) return 0;
  char* p = out;
  char* const stop = out + (room - kStringTextPerByte);
  size_t i = 0;
  for (; i < count && p <= stop; ++i) {
    const uint8_t b = data[i];
    if (!rowOpen_ || rowBytes_ >= kStringRowBytes) {
      // A new piece: an escape before its closing quote cannot take a digit.
      if (pendingOctal_ >= 0) p = WriteOctal(p, pendingOctal_, false);
      pendingOctal_ = -1;
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
      p = WriteOctal(p, pendingOctal_, b >= '0' && b <= '7');
      pendingOctal_ = -1;
    }
    ++rowBytes_;
    switch (kTable.kind[b]) {
      case kPlain:
        *p++ = static_cast<char>(b);
        lastQuestion_ = false;
        break;
      case kQuestion:
        if (lastQuestion_) *p++ = '\\';
        *p++ = '?';
        lastQuestion_ = true;
        break;
      case kEscape:
        *p++ = '\\';
        *p++ = kTable.letter[b];
        lastQuestion_ = false;
        if (b == '\n') rowBytes_ = kStringRowBytes;
        break;
      default:
        pendingOctal_ = b;
        lastQuestion_ = false;
        break;
    }
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
  if (pendingOctal_ >= 0) p = WriteOctal(p, pendingOctal_, false);
  *p++ = '"';
  pendingOctal_ = -1;
  rowOpen_ = false;
  rowBytes_ = 0;
  lastQuestion_ = false;
  return static_cast<size_t>(p - out);
}
