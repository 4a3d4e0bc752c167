// Units of 1, 2, 4 or 8 bytes as both converters read and write them, and
// the room both keep free at the end of their output buffers.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

inline constexpr bool kBigEndianMachine = std::endian::native == std::endian::big;

// The size of the buffers the converters gather their output in. Pieces of
// about 1 MiB keep the kernel's cost per write small; larger ones gain
// nothing.
inline constexpr int32_t kOutputBufferSize = 1 << 20;
// A buffer is written out once fewer than this many bytes are free, so that
// one step (a unit, or a value with the separators before it) always fits
// without a check of its own.
inline constexpr int32_t kReserve = 100;

template <int kUnit>
using UnitWord = std::conditional_t<
    kUnit == 1, uint8_t,
    std::conditional_t<kUnit == 2, uint16_t, std::conditional_t<kUnit == 4, uint32_t, uint64_t>>>;

template <typename Word>
constexpr Word SwapBytes(Word v) {
  if constexpr (sizeof(Word) == 1) {
    return v;
  } else if constexpr (sizeof(Word) == 2) {
    return __builtin_bswap16(v);
  } else if constexpr (sizeof(Word) == 4) {
    return __builtin_bswap32(v);
  } else {
    return __builtin_bswap64(v);
  }
}

// The unit of kUnit bytes at p, swapped when kSwap is set.
template <int kUnit, bool kSwap>
inline uint64_t LoadUnit(const uint8_t* p) {
  UnitWord<kUnit> v;
  std::memcpy(&v, p, kUnit);
  if constexpr (kSwap) v = SwapBytes(v);
  return v;
}

// Stores the low kUnit bytes of value at out, swapped when kSwap is set;
// returns kUnit.
template <int kUnit, bool kSwap>
inline int32_t StoreUnit(uint8_t* out, uint64_t value) {
  auto v = static_cast<UnitWord<kUnit>>(value);
  if constexpr (kSwap) v = SwapBytes(v);
  std::memcpy(out, &v, kUnit);
  return kUnit;
}

// A unit size and byte order known at compile time.
template <int kUnitSize, bool kSwapBytes>
struct UnitKind {
  static constexpr int kUnit = kUnitSize;
  static constexpr bool kSwap = kSwapBytes;
};

// Calls run with the UnitKind of unitSize (1, 2, 4 or 8; any other as 1,
// which has no byte order) and swap, and returns what it returns: the one
// place a run-time unit size becomes a template argument.
template <typename Run>
inline decltype(auto) WithUnitKind(int32_t unitSize, bool swap, Run&& run) {
  switch (unitSize) {
    case 2:
      return swap ? run(UnitKind<2, true>()) : run(UnitKind<2, false>());
    case 4:
      return swap ? run(UnitKind<4, true>()) : run(UnitKind<4, false>());
    case 8:
      return swap ? run(UnitKind<8, true>()) : run(UnitKind<8, false>());
    default:
      return run(UnitKind<1, false>());
  }
}
