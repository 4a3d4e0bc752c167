#include "convert/text_scan.h"

#include "base/expects.h"
#include "convert/units.h"

#if defined(__x86_64__)
#include <emmintrin.h>

#include <bit>
#include <cstring>
#include <initializer_list>

namespace {

#define BX_SCAN_TARGET

// The masks of 16 bytes from p, and the values of their digits; kUpperX
// takes "0X" as a prefix too.
template <bool kUpperX>
inline __attribute__((always_inline)) void MasksOf16(const uint8_t* p, uint64_t* prefix,
                                                     uint64_t* digit, uint8_t* values) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i lower = _mm_or_si128(v, _mm_set1_epi8(0x20));
  const __m128i x = kUpperX ? _mm_or_si128(next, _mm_set1_epi8(0x20)) : next;
  const __m128i zeroX =
      _mm_and_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('0')), _mm_cmpeq_epi8(x, _mm_set1_epi8('x')));
  const __m128i ampersandH =
      _mm_and_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                    _mm_cmpeq_epi8(_mm_or_si128(next, _mm_set1_epi8(0x20)), _mm_set1_epi8('h')));
  // Signed compares: bytes from 0x80 on are negative and in no range.
  const __m128i decimal = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
  const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)),
                                       _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
  const __m128i isDigit = _mm_or_si128(decimal, letter);
  // A letter's low nibble is its value less 9.
  const __m128i value =
      _mm_add_epi8(_mm_and_si128(v, _mm_set1_epi8(0x0F)), _mm_and_si128(letter, _mm_set1_epi8(9)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(values), _mm_and_si128(value, isDigit));
  *prefix = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(zeroX, ampersandH)));
  *digit = static_cast<uint32_t>(_mm_movemask_epi8(isDigit));
}

template <bool kUpperX>
inline __attribute__((always_inline)) void BuildMasks(const uint8_t* p, WindowMasks* masks,
                                                      uint8_t* values) {
  *masks = WindowMasks{0, 0};
  for (int k = 0; k < 4; ++k) {
    uint64_t prefix, digit;
    MasksOf16<kUpperX>(p + 16 * k, &prefix, &digit, values + 16 * k);
    masks->prefix |= prefix << (16 * k);
    masks->digit |= digit << (16 * k);
  }
}

#include "convert/text_scan_kernel.inc"

}  // namespace

const uint8_t* ScanWindowsSse2(const uint8_t* p, const uint8_t* limit, int32_t unitSize, bool swap,
                               NumberSyntax syntax, uint8_t** out, const uint8_t* full,
                               bool* decline) {
  return ScanWindows(p, limit, unitSize, swap, syntax, out, full, decline);
}

TextScanner BestTextScanner() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
      __builtin_cpu_supports("bmi2")) {
    return TextScanner::Avx2;
  }
  return TextScanner::Sse2;
}

WindowScanFunction WindowScanFor(TextScanner scanner) {
  switch (scanner) {
    case TextScanner::Sse2:
      return &ScanWindowsSse2;
    case TextScanner::Avx2:
      return BestTextScanner() == TextScanner::Avx2 ? &ScanWindowsAvx2 : nullptr;
    default:
      return nullptr;
  }
}

#else

TextScanner BestTextScanner() {
  return TextScanner::Scalar;
}

WindowScanFunction WindowScanFor(TextScanner /*scanner*/) {
  return nullptr;
}

#endif
