// The window scan with AVX2, compiled for it through function attributes
// and called only where the processor has it.
#include "convert/text_scan.h"

#include "base/expects.h"
#include "convert/units.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <bit>
#include <cstring>
#include <initializer_list>

namespace {

#define BX_SCAN_TARGET __attribute__((target("avx2,bmi,bmi2")))

// The masks of 32 bytes from p, and the values of their digits; kUpperX
// takes "0X" as a prefix too.
template <bool kUpperX>
BX_SCAN_TARGET inline __attribute__((always_inline)) void MasksOf32(const uint8_t* p,
                                                                    uint64_t* prefix,
                                                                    uint64_t* digit,
                                                                    uint8_t* values) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
  const __m256i lower = _mm256_or_si256(v, _mm256_set1_epi8(0x20));
  const __m256i x = kUpperX ? _mm256_or_si256(next, _mm256_set1_epi8(0x20)) : next;
  const __m256i zeroX = _mm256_and_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('0')),
                                         _mm256_cmpeq_epi8(x, _mm256_set1_epi8('x')));
  const __m256i ampersandH = _mm256_and_si256(
      _mm256_cmpeq_epi8(v, _mm256_set1_epi8('&')),
      _mm256_cmpeq_epi8(_mm256_or_si256(next, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('h')));
  // Signed compares: bytes from 0x80 on are negative and in no range.
  const __m256i decimal = _mm256_and_si256(_mm256_cmpgt_epi8(v, _mm256_set1_epi8('0' - 1)),
                                           _mm256_cmpgt_epi8(_mm256_set1_epi8('9' + 1), v));
  const __m256i letter = _mm256_and_si256(_mm256_cmpgt_epi8(lower, _mm256_set1_epi8('a' - 1)),
                                          _mm256_cmpgt_epi8(_mm256_set1_epi8('f' + 1), lower));
  const __m256i isDigit = _mm256_or_si256(decimal, letter);
  // A letter's low nibble is its value less 9.
  const __m256i value = _mm256_add_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x0F)),
                                        _mm256_and_si256(letter, _mm256_set1_epi8(9)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(values), _mm256_and_si256(value, isDigit));
  *prefix = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(zeroX, ampersandH)));
  *digit = static_cast<uint32_t>(_mm256_movemask_epi8(isDigit));
}

template <bool kUpperX>
BX_SCAN_TARGET inline __attribute__((always_inline)) void BuildMasks(const uint8_t* p,
                                                                     WindowMasks* masks,
                                                                     uint8_t* values) {
  uint64_t prefix[2], digit[2];
  MasksOf32<kUpperX>(p, &prefix[0], &digit[0], values);
  MasksOf32<kUpperX>(p + 32, &prefix[1], &digit[1], values + 32);
  masks->prefix = prefix[0] | (prefix[1] << 32);
  masks->digit = digit[0] | (digit[1] << 32);
}

#include "convert/text_scan_kernel.inc"

}  // namespace

const uint8_t* ScanWindowsAvx2(const uint8_t* p, const uint8_t* limit, int32_t unitSize, bool swap,
                               NumberSyntax syntax, uint8_t** out, const uint8_t* full,
                               bool* decline) {
  return ScanWindows(p, limit, unitSize, swap, syntax, out, full, decline);
}

#endif
