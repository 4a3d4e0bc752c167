#include <cstdint>

#include "base/codepage.h"

bool IsValidUtf8(const char* text, int32_t count) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int32_t i = 0;
  while (i < count) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    uint32_t minimum;
    uint32_t value;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, minimum = 0x80, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, minimum = 0x800, value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, minimum = 0x10000, value = c & 0x07;
    } else {
      return false;
    }
    if (count - i <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      value = (value << 6) | (p[i + k] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}
