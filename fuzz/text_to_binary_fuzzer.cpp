// The text-to-binary converter on arbitrary text. It checks the bytes
// against the scan written out plainly, and that they do not depend on how
// the text is cut into blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/file.h"
#include "convert/conversion_monitor.h"
#include "convert/convert_types.h"
#include "convert/text_to_binary.h"

namespace {

class MemoryFile : public CFile {
 public:
  uint32_t Write(const void* buffer, uint32_t count, uint64_t = kCurrentPosition) override {
    data.append(static_cast<const char*>(buffer), count);
    return count;
  }
  std::string data;
};

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One byte at a time, as the scan is described.
std::string Plain(const std::string& text, int byteOrder, int unitSize) {
  const int unit = unitSize == 2 || unitSize == 4 || unitSize == 8 ? unitSize : 1;
  std::string out;
  auto append = [&](uint64_t value) {
    for (int k = 0; k < unit; ++k) {
      const int shift = byteOrder == 0 ? 8 * (unit - 1 - k) : 8 * k;
      out.push_back(static_cast<char>(value >> shift));
    }
  };
  const size_t n = text.size();
  bool inNumber = false;
  bool hasDigit = false;
  uint64_t value = 0;
  for (size_t i = 0; i < n; ++i) {
    const char b = text[i];
    if (!inNumber) {
      if (i + 1 < n && ((b == '0' && text[i + 1] == 'x') ||
                        (b == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')))) {
        inNumber = true;
        hasDigit = false;
        value = 0;
        ++i;
      }
    } else if (Digit(b) >= 0) {
      value = value * 16 + static_cast<uint64_t>(Digit(b));
      hasDigit = true;
    } else {
      if (b == '\t' || b == '\n' || b == '\r' || b == ' ' || b == ',' || i == n - 1) append(value);
      inNumber = false;
    }
  }
  if (inNumber && hasDigit) append(value);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t unitSize =
      (data[0] & 0x80) != 0 ? static_cast<int8_t>(data[0] & 0x0F) : 1 << (data[0] & 3);
  const int32_t byteOrder = (data[0] & 0x40) != 0 ? LittleEndian : BigEndian;
  const uint8_t cutSeed = data[1];
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

  SilentMonitor monitor;
  MemoryFile whole;
  if (!ConvertTextToBinary(monitor, text.data(), static_cast<int32_t>(text.size()), whole,
                           byteOrder, unitSize)) {
    std::abort();
  }
  if (whole.data != Plain(text, byteOrder, unitSize)) std::abort();

  MemoryFile pieces;
  TextToBinaryStream stream(monitor, pieces);
  if (!stream.Begin(byteOrder, unitSize, text.size())) std::abort();
  size_t at = 0;
  for (uint32_t k = 0; at < text.size(); ++k) {
    size_t n = 1 + (cutSeed * 29u + k * 13u) % 41u;
    if (n > text.size() - at) n = text.size() - at;
    stream.Feed(text.data() + at, n);
    at += n;
  }
  if (!stream.Finish() || pieces.data != whole.data) std::abort();
  return 0;
}
