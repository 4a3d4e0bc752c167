// The integers under which the conversion settings are kept and stored.
#pragma once

#include <cstdint>

enum ConvertDirection : int32_t {
  BinaryToText = 0,
  TextToBinary = 1,
};

// The converters treat any value other than BigEndian as LittleEndian.
enum ByteOrder : int32_t {
  BigEndian = 0,
  LittleEndian = 1,
};

// The unit sizes in bytes; any other value converts as 1.
inline int32_t EffectiveUnitSize(int32_t unitSize) {
  return unitSize == 2 || unitSize == 4 || unitSize == 8 ? unitSize : 1;
}

// The program's defaults of the value format and the array template.
inline constexpr char kDefaultDataFormat[] = "0x%02X";
inline constexpr char kDefaultArrayFormat[] =
    "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";
