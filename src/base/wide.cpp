#include "base/wide.h"

int32_t WideLength(const WideChar* text) {
  if (text == nullptr) return 0;
  int32_t n = 0;
  while (text[n] != 0)
    ++n;
  return n;
}
