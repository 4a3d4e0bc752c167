// The binary-to-text converter on arbitrary settings and data. Besides
// finding crashes and overruns it checks that the text does not depend on
// how the input is cut into blocks, and that every value format the parser
// accepts formats values exactly as snprintf does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/file.h"
#include "convert/binary_to_text.h"
#include "convert/conversion_monitor.h"
#include "convert/convert_test_support.h"
#include "convert/convert_types.h"
#include "convert/value_format.h"

namespace {

// Takes a length-prefixed piece of the input.
std::string Take(const uint8_t*& data, size_t& size, size_t limit) {
  if (size == 0) return std::string();
  size_t length = *data++ % (limit + 1);
  --size;
  if (length > size) length = size;
  std::string piece(reinterpret_cast<const char*>(data), length);
  data += length;
  size -= length;
  return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Sizes 1, 2, 4 and 8 mostly, now and then any other value.
  const int32_t unitSize =
      (data[0] & 0x80) != 0 ? static_cast<int8_t>(data[0] & 0x0F) : 1 << (data[0] & 3);
  const int32_t byteOrder = data[1] & 1 ? LittleEndian : data[1] >> 1;
  const uint8_t cutSeed = data[2];
  data += 3;
  size -= 3;
  const std::string format = Take(data, size, 40);
  const std::string arrayTemplate = Take(data, size, 255);
  const std::string name = Take(data, size, 127);

  SilentMonitor monitor;
  convert_test::MemoryFile whole;
  const bool ok =
      ConvertBinaryToText(monitor, data, static_cast<int32_t>(size), whole, byteOrder, unitSize,
                          format.c_str(), arrayTemplate.c_str(), name.c_str());
  if (!ok || whole.data.size() < 2 || whole.data.compare(whole.data.size() - 2, 2, "\r\n") != 0) {
    std::abort();
  }

  convert_test::MemoryFile pieces;
  BinaryToTextStream stream(monitor, pieces);
  if (!stream.Begin(byteOrder, unitSize, format.c_str(), arrayTemplate.c_str(), name.c_str(),
                    size)) {
    std::abort();
  }
  size_t at = 0;
  for (uint32_t k = 0; at < size; ++k) {
    size_t n = 1 + (cutSeed * 31u + k * 17u) % 23u;
    if (n > size - at) n = size - at;
    stream.Feed(data + at, n);
    at += n;
  }
  if (!stream.Finish() || pieces.data != whole.data) std::abort();

  ValueFormat parsed;
  if (parsed.Parse(format.c_str()) == ValueFormatStatus::Valid) {
    char text[kValueTextCapacity];
    for (size_t i = 0; i + 8 <= size && i < 64; i += 8) {
      uint64_t value;
      std::memcpy(&value, data + i, 8);
      for (uint64_t v : {value, value >> 31, value & 0xFF, uint64_t{0}}) {
        const int32_t n = parsed.Format(v, text);
        if (n > parsed.MaxLength() || n > kMaxValueText ||
            std::string(text, static_cast<size_t>(n)) !=
                convert_test::Snprintf(format.c_str(), v)) {
          std::abort();
        }
      }
    }
  }
  return 0;
}
