// POSIX backend of the code-page conversion. The ANSI code page is UTF-8;
// code page 932 goes through iconv (glibc's CP932). Invalid input follows the
// Windows replacement rules: U+FFFD for broken UTF-8, U+30FB for broken 932,
// and '?' for characters that code page 932 cannot hold.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/codepage.h"
#include "base/holder.h"

namespace {

constexpr char16_t kUtf8Replacement = 0xFFFD;
constexpr char16_t kShiftJisReplacement = 0x30FB;

// Writes to out when it is not null; returns the number of units.
int32_t DecodeUtf8(const unsigned char* s, int32_t n, char16_t* out) {
  int32_t units = 0;
  auto put = [&](uint32_t u) {
    if (out != nullptr) out[units] = static_cast<char16_t>(u);
    ++units;
  };
  int32_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      put(c);
      ++i;
      continue;
    }
    int extra = -1;
    uint32_t minimum = 0;
    uint32_t value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, minimum = 0x80, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, minimum = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, minimum = 0x10000, value = c & 0x07;
    }
    int taken = 1;
    bool valid = extra > 0;
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      value = (value << 6) | (s[i + k] & 0x3F);
      taken = k + 1;
    }
    if (valid && (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))) {
      valid = false;
    }
    if (!valid) {
      // A broken sequence yields one replacement; its continuation bytes that
      // were already consumed are skipped with it.
      put(kUtf8Replacement);
      i += taken;
      continue;
    }
    if (value >= 0x10000) {
      value -= 0x10000;
      put(0xD800 + (value >> 10));
      put(0xDC00 + (value & 0x3FF));
    } else {
      put(value);
    }
    i += extra + 1;
  }
  return units;
}

int32_t EncodeUtf8(const char16_t* s, int32_t n, unsigned char* out) {
  int32_t bytes = 0;
  auto put = [&](uint32_t b) {
    if (out != nullptr) out[bytes] = static_cast<unsigned char>(b);
    ++bytes;
  };
  for (int32_t i = 0; i < n; ++i) {
    uint32_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = kUtf8Replacement;
    }
    if (u < 0x80) {
      put(u);
    } else if (u < 0x800) {
      put(0xC0 | (u >> 6));
      put(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      put(0xE0 | (u >> 12));
      put(0x80 | ((u >> 6) & 0x3F));
      put(0x80 | (u & 0x3F));
    } else {
      put(0xF0 | (u >> 18));
      put(0x80 | ((u >> 12) & 0x3F));
      put(0x80 | ((u >> 6) & 0x3F));
      put(0x80 | (u & 0x3F));
    }
  }
  return bytes;
}

// Runs iconv over the whole input, replacing what it cannot convert. Output
// goes to out when it is not null; returns the number of output bytes.
// unitSize is the width of one input character step on failure (1 for
// narrow input, 2 for UTF-16).
int64_t IconvAll(const char* from, const char* to, const char* input, size_t inputSize,
                 size_t unitSize, const char* replacement, size_t replacementSize, char* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
  int64_t total = 0;
  char scratch[4096];
  char* in = const_cast<char*>(input);
  size_t inLeft = inputSize;
  auto emit = [&](const char* bytes, size_t n) {
    if (out != nullptr) std::memcpy(out + total, bytes, n);
    total += static_cast<int64_t>(n);
  };
  while (inLeft > 0) {
    char* dst = scratch;
    size_t room = sizeof scratch;
    const size_t r = iconv(cd, &in, &inLeft, &dst, &room);
    emit(scratch, sizeof scratch - room);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a truncated sequence at the end): replace one step.
      emit(replacement, replacementSize);
      const size_t skip = inLeft < unitSize ? inLeft : unitSize;
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = scratch;
  size_t room = sizeof scratch;
  iconv(cd, nullptr, nullptr, &dst, &room);
  emit(scratch, sizeof scratch - room);
  iconv_close(cd);
  return total;
}

int32_t NarrowLength(const char* text, int32_t count) {
  return count < 0 ? static_cast<int32_t>(std::strlen(text)) + 1 : count;
}

int32_t WideCount(const WideChar* text, int32_t count) {
  return count < 0 ? WideLength(text) + 1 : count;
}

int32_t DecodeShiftJis(const char* text, int32_t n, char16_t* out) {
  static const char kReplacement[2] = {static_cast<char>(kShiftJisReplacement & 0xFF),
                                       static_cast<char>(kShiftJisReplacement >> 8)};
  // Pass 1 sizes, pass 2 fills: iconv output cannot be sized up front.
  const int64_t bytes =
      IconvAll("CP932", "UTF-16LE", text, static_cast<size_t>(n), 1, kReplacement, 2, nullptr);
  if (bytes < 0) return -1;
  if (out == nullptr) return static_cast<int32_t>(bytes / 2);
  CBuffer<char> raw;
  if (!raw.AllocateUninitialised(static_cast<size_t>(bytes) + 1)) return -1;
  IconvAll("CP932", "UTF-16LE", text, static_cast<size_t>(n), 1, kReplacement, 2, raw.Get());
  for (int64_t i = 0; i < bytes / 2; ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                   (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
  }
  return static_cast<int32_t>(bytes / 2);
}

int32_t EncodeShiftJis(const char16_t* text, int32_t n, char* out) {
  CBuffer<char> raw;
  if (!raw.AllocateUninitialised(static_cast<size_t>(n) * 2 + 1)) return -1;
  for (int32_t i = 0; i < n; ++i) {
    raw[2 * i] = static_cast<char>(text[i] & 0xFF);
    raw[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  const int64_t bytes =
      IconvAll("UTF-16LE", "CP932", raw.Get(), static_cast<size_t>(n) * 2, 2, "?", 1, out);
  return static_cast<int32_t>(bytes);
}

}  // namespace

uint32_t AnsiCodePage() {
  return kCodePageUtf8;
}

bool IsAnsiLeadByte(unsigned char /*byte*/) {
  // UTF-8: every byte of a character above ASCII is above 127.
  return false;
}

WideChar* MultiByteToWide(const char* text, int32_t count, uint32_t codePage) {
  if (text == nullptr) count = 0;
  const int32_t n = count == 0 ? 0 : NarrowLength(text, count);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const bool shiftJis = codePage == kCodePageShiftJis;
  int32_t needed =
      n == 0 ? 0 : (shiftJis ? DecodeShiftJis(text, n, nullptr) : DecodeUtf8(bytes, n, nullptr));
  if (needed <= 0) needed = n;
  CBuffer<WideChar> buffer;
  if (!buffer.Allocate(static_cast<size_t>(needed) + 1)) return nullptr;
  if (n > 0) {
    if (shiftJis) {
      if (DecodeShiftJis(text, n, buffer.Get()) < 0) return nullptr;
    } else {
      DecodeUtf8(bytes, n, buffer.Get());
    }
  }
  return buffer.Release();
}

char* WideToMultiByte(const WideChar* text, int32_t count, uint32_t codePage) {
  if (text == nullptr) count = 0;
  const int32_t n = count == 0 ? 0 : WideCount(text, count);
  const bool shiftJis = codePage == kCodePageShiftJis;
  int32_t needed =
      n == 0 ? 0 : (shiftJis ? EncodeShiftJis(text, n, nullptr) : EncodeUtf8(text, n, nullptr));
  if (needed < 0) needed = 0;
  CBuffer<char> buffer;
  if (!buffer.Allocate(static_cast<size_t>(needed) + 1)) return nullptr;
  if (n > 0) {
    if (shiftJis) {
      if (EncodeShiftJis(text, n, buffer.Get()) < 0) return nullptr;
    } else {
      EncodeUtf8(text, n, reinterpret_cast<unsigned char*>(buffer.Get()));
    }
  }
  return buffer.Release();
}
