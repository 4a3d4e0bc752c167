// The text-to-binary converter on arbitrary text. It checks the bytes of
// the byte-at-a-time scan against the scan written out plainly, those of
// every window scan the processor runs against the byte-at-a-time scan, and
// that they do not depend on how the text is cut into blocks, in both number
// syntaxes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/file.h"
#include "convert/conversion_monitor.h"
#include "convert/convert_test_support.h"
#include "convert/convert_types.h"
#include "convert/number_census.h"
#include "convert/text_to_binary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t unitSize =
      (data[0] & 0x80) != 0 ? static_cast<int8_t>(data[0] & 0x0F) : 1 << (data[0] & 3);
  const int32_t byteOrder = (data[0] & 0x40) != 0 ? LittleEndian : BigEndian;
  const NumberSyntax syntax = (data[0] & 0x20) != 0 ? NumberSyntax::C : NumberSyntax::Plain;
  const uint8_t cutSeed = data[1];
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

  SilentMonitor monitor;
  auto convert = [&](TextScanner scanner) {
    convert_test::MemoryFile output;
    TextToBinaryStream stream(monitor, output);
    stream.UseScanner(scanner);
    if (!stream.Begin(byteOrder, unitSize, text.size(), syntax)) std::abort();
    stream.Feed(text.data(), text.size());
    if (!stream.Finish()) std::abort();
    return output.data;
  };
  const std::string whole = convert(TextScanner::Scalar);
  if (whole != convert_test::ReferenceTextToBinary(text, byteOrder, unitSize, nullptr,
                                                   syntax == NumberSyntax::C)) {
    std::abort();
  }
  for (TextScanner scanner : {TextScanner::Sse2, TextScanner::Avx2}) {
    if (convert(scanner) != whole) std::abort();
  }
  // The command line's count of the numbers kept agrees with the scan.
  NumberCensus census(unitSize, syntax);
  census.Feed(text.data(), text.size());
  census.End();
  if (census.kept * static_cast<uint64_t>(EffectiveUnitSize(unitSize)) != whole.size())
    std::abort();

  convert_test::MemoryFile pieces;
  TextToBinaryStream stream(monitor, pieces);
  if (!stream.Begin(byteOrder, unitSize, text.size(), syntax)) std::abort();
  size_t at = 0;
  for (uint32_t k = 0; at < text.size(); ++k) {
    size_t n = 1 + (cutSeed * 29u + k * 13u) % 41u;
    if (n > text.size() - at) n = text.size() - at;
    stream.Feed(text.data() + at, n);
    at += n;
  }
  if (!stream.Finish() || pieces.data != whole) std::abort();
  return 0;
}
