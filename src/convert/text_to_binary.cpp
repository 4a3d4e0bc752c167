#include "convert/text_to_binary.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "base/holder.h"
#include "convert/convert_types.h"

namespace {

constexpr int32_t kReserve = 100;
constexpr bool kBigEndianMachine = std::endian::native == std::endian::big;

// Byte classes inside a number: 0 to 15 a hex digit's value, then these.
constexpr uint8_t kSeparator = 16;
constexpr uint8_t kForeign = 17;
// The fast loop keeps this far from the end of a block: a prefix, 16 digits,
// the byte after them, and one more, so that this byte is never the last.
constexpr size_t kFastMargin = 20;
// Two bytes as one number, the first one low: "0x", and "&h" with the bit
// that tells 'H' from 'h' set (and 'X' from 'x' where "0X" is a prefix).
constexpr unsigned kZeroX = '0' | ('x' << 8);
constexpr unsigned kAmpersandH = '&' | ('h' << 8);
constexpr unsigned kLowerSecond = 0x2000u;
// The most text one call of the window scan takes, so that a cancel is seen
// soon.
constexpr ptrdiff_t kWindowRun = 16 << 10;

struct ByteClasses {
  uint8_t of[256];
  explicit constexpr ByteClasses(NumberSyntax syntax) : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = IsNumberSeparator(static_cast<uint8_t>(b), syntax) ? kSeparator : kForeign;
    for (int d = 0; d < 10; ++d)
      of['0' + d] = static_cast<uint8_t>(d);
    for (int d = 0; d < 6; ++d) {
      of['A' + d] = static_cast<uint8_t>(10 + d);
      of['a' + d] = static_cast<uint8_t>(10 + d);
    }
  }
};
template <NumberSyntax kSyntax>
constexpr ByteClasses kClasses{kSyntax};

}  // namespace

TextToBinaryStream::TextToBinaryStream(ConversionMonitor& monitor, CFile& output)
    : monitor_(monitor), output_(output) {}

TextToBinaryStream::~TextToBinaryStream() {
  FreeArray(buffer_);
}

bool TextToBinaryStream::Begin(int32_t byteOrder, int32_t unitSize, uint64_t totalSize,
                               NumberSyntax syntax) {
  if (begun_) return false;
  begun_ = true;
  syntax_ = syntax;
  unitSize_ = EffectiveUnitSize(unitSize);
  swap_ = (byteOrder == BigEndian) != kBigEndianMachine;
  totalSize_ = totalSize;
  CBuffer<uint8_t> units;
  if (units.AllocateUninitialised(kUnitBufferSize)) buffer_ = units.Release();
  if (buffer_ == nullptr) {
    outOfMemory_ = true;
    stopped_ = true;
    return false;
  }
  return true;
}

bool TextToBinaryStream::FlushUnits() {
  const auto count = static_cast<uint32_t>(offset_);
  if (output_.Write(buffer_, count) != count) {
    // The scan stops at once and nothing more is written.
    writeShort_ = true;
    stopped_ = true;
    offset_ = 0;
    return false;
  }
  offset_ = 0;
  uint64_t percent = totalSize_ > 0 ? position_ * 100 / totalSize_ : 100;
  if (percent > 100) percent = 100;
  monitor_.SetFileProgress(static_cast<int32_t>(percent));
  return true;
}

void TextToBinaryStream::Append(uint64_t value) {
  uint8_t* out = buffer_ + offset_;
  switch (unitSize_) {
    case 2:
      offset_ += swap_ ? StoreUnit<2, true>(out, value) : StoreUnit<2, false>(out, value);
      break;
    case 4:
      offset_ += swap_ ? StoreUnit<4, true>(out, value) : StoreUnit<4, false>(out, value);
      break;
    case 8:
      offset_ += swap_ ? StoreUnit<8, true>(out, value) : StoreUnit<8, false>(out, value);
      break;
    default:
      offset_ += StoreUnit<1, false>(out, value);
      break;
  }
}

template <int kUnit, bool kSwap, NumberSyntax kSyntax>
void TextToBinaryStream::Scan(const char* text, size_t count) {
  constexpr const ByteClasses& classes = kClasses<kSyntax>;
  // The bit that folds the second byte of a pair to lower case, where both
  // cases begin a number.
  constexpr unsigned foldX = kSyntax == NumberSyntax::C ? kLowerSecond : 0;
  // The scanner state lives in locals for the loop; the stores into the
  // buffer would otherwise make the compiler reload the members per byte.
  // Every byte is one step that first looks at the cancel flag and then at
  // the buffer; a prefix takes its second byte along in the same step.
  const std::atomic<int32_t>& cancel = monitor_.cancelRequested;
  const auto* p = reinterpret_cast<const uint8_t*>(text);
  const uint8_t* const end = p + count;
  const uint8_t* const start = p;
  // Far enough from the end for the fast loop: a prefix, 16 digits, the
  // byte after them, and one more so that it is never the last byte.
  const uint8_t* const fastEnd = count > kFastMargin ? end - kFastMargin : start;
  const uint64_t base = position_;
  uint8_t* const buffer = buffer_;
  int32_t offset = offset_;
  bool inNumber = inNumber_;
  bool hasDigit = hasDigit_;
  uint64_t value = accumulator_;
  bool stop = false;
  const WindowScanFunction windowScan = windowScan_;
  // Up to here the byte-at-a-time scan goes on after a window the window
  // scan declined.
  const uint8_t* scalarUntil = start;

  auto cancelled = [&] {
    if (cancel.load(std::memory_order_relaxed) == 0) return false;
    cancelled_ = true;
    stopped_ = true;
    return true;
  };
  // Only units make the buffer fill, so only a step between numbers right
  // after a unit can find it full.
  auto flush = [&] {
    if (offset + kReserve < kUnitBufferSize) return true;
    offset_ = offset;
    position_ = base + static_cast<uint64_t>(p - start);
    if (!FlushUnits()) return false;
    offset = 0;
    return true;
  };

  while (p < end && !stop) {
    if (!inNumber && windowScan != nullptr && p >= scalarUntil && end - p >= kWindowReach) {
      // Whole windows between numbers, with the same cancel check and flush
      // as a step of the scan below before each run of them; a cancel made
      // by the progress report of that flush takes no further number.
      if (cancelled()) break;
      if (!flush()) return;
      if (cancelled()) break;
      const uint8_t* const limit = end - p > kWindowRun ? p + kWindowRun : end;
      uint8_t* out = buffer + offset;
      bool decline = false;
      p = windowScan(p, limit, kUnit, kSwap, kSyntax, &out, buffer + kUnitBufferSize - kReserve,
                     &decline);
      offset = static_cast<int32_t>(out - buffer);
      if (decline) scalarUntil = p + 64;
      continue;
    }
    if (!inNumber && p < fastEnd) {
      // Between numbers, far from the end of the block: the usual case.
      const uint8_t* const fastStop =
          windowScan != nullptr && p < scalarUntil && scalarUntil < fastEnd ? scalarUntil : fastEnd;
      while (p < fastStop) {
        if (cancelled()) {
          stop = true;
          break;
        }
        if (!flush()) return;
        const unsigned pair = p[0] | (unsigned{p[1]} << 8);
        if ((pair | foldX) != kZeroX && (pair | kLowerSecond) != kAmpersandH) {
          ++p;
          continue;
        }
        p += 2;
        // A number of up to 16 digits is taken whole. The flag is read for
        // its first step, so a cancel made by the progress report just
        // before is seen; the reads for the steps that follow would only
        // repeat it, and a relaxed read may be merged with those anyway.
        if (cancelled()) {
          // The number being read is lost.
          inNumber = true;
          hasDigit = false;
          value = 0;
          stop = true;
          break;
        }
        uint64_t digits = 0;
        int32_t k = 0;
        uint8_t kind;
        while ((kind = classes.of[p[k]]) < 16) {
          digits = (digits << 4) | kind;
          if (++k == 16) {
            kind = classes.of[p[16]];
            break;
          }
        }
        if (kind < 16) {
          // More than 16 digits: on one byte at a time.
          inNumber = true;
          hasDigit = true;
          value = digits;
          p += 16;
          break;
        }
        if (kind == kSeparator) offset += StoreUnit<kUnit, kSwap>(buffer + offset, digits);
        p += k + 1;
      }
      continue;
    }

    // One step at a time near the end of the block.
    if (cancelled()) break;
    if (!inNumber) {
      if (!flush()) return;
      const uint8_t b = *p;
      if (b == '0' || b == '&') {
        if (p + 1 == end) {
          // Whether this begins a prefix depends on the next block.
          pending_ = b == '0' ? Pending::Zero : Pending::Ampersand;
          ++p;
          break;
        }
        if (IsNumberPrefix(b, p[1], kSyntax)) {
          inNumber = true;
          hasDigit = false;
          value = 0;
          p += 2;
          continue;
        }
      }
      ++p;
      continue;
    }
    const uint8_t kind = classes.of[*p];
    if (kind < 16) {
      value = (value << 4) | kind;
      hasDigit = true;
    } else {
      inNumber = false;
      if (kind == kSeparator) {
        offset += StoreUnit<kUnit, kSwap>(buffer + offset, value);
      } else if (p + 1 == end) {
        // Written only if this turns out to be the last byte of the text.
        pending_ = Pending::Foreign;
        inNumber = true;
        stop = true;
      }
    }
    ++p;
  }
  offset_ = offset;
  inNumber_ = inNumber;
  hasDigit_ = hasDigit;
  accumulator_ = value;
  position_ = base + static_cast<uint64_t>(p - start);
}

bool TextToBinaryStream::Feed(const char* text, size_t count) {
  if (!begun_ || finished_ || stopped_) return false;
  if (count == 0) return true;
  switch (pending_) {
    case Pending::Foreign:
      // More text follows, so the byte that ended the number was not the
      // last: the number is dropped.
      inNumber_ = false;
      break;
    case Pending::Zero:
    case Pending::Ampersand:
      // The second byte of the prefix belongs to the step that examined the
      // first one, so it is taken without a cancel check of its own.
      if (IsNumberPrefix(pending_ == Pending::Zero ? '0' : '&', static_cast<uint8_t>(text[0]),
                         syntax_)) {
        inNumber_ = true;
        hasDigit_ = false;
        accumulator_ = 0;
        ++text;
        --count;
        ++position_;
      }
      break;
    case Pending::None:
      break;
  }
  pending_ = Pending::None;
  if (syntax_ == NumberSyntax::C) {
    ScanIn<NumberSyntax::C>(text, count);
  } else {
    ScanIn<NumberSyntax::Plain>(text, count);
  }
  return !stopped_;
}

template <NumberSyntax kSyntax>
void TextToBinaryStream::ScanIn(const char* text, size_t count) {
  switch (unitSize_) {
    case 2:
      swap_ ? Scan<2, true, kSyntax>(text, count) : Scan<2, false, kSyntax>(text, count);
      break;
    case 4:
      swap_ ? Scan<4, true, kSyntax>(text, count) : Scan<4, false, kSyntax>(text, count);
      break;
    case 8:
      swap_ ? Scan<8, true, kSyntax>(text, count) : Scan<8, false, kSyntax>(text, count);
      break;
    default:
      Scan<1, false, kSyntax>(text, count);
      break;
  }
}

bool TextToBinaryStream::Finish() {
  if (!begun_ || finished_) return false;
  finished_ = true;
  // After a short write nothing more is written; after a cancel the buffered
  // units still are, but a number being read is lost.
  if (buffer_ != nullptr && !writeShort_) {
    // The text ends here. A number ended by a foreign last byte counts, and
    // so does one whose last digit is the last byte; a bare prefix does not.
    if (!cancelled_ &&
        (pending_ == Pending::Foreign || (inNumber_ && hasDigit_ && pending_ == Pending::None))) {
      Append(accumulator_);
    }
    if (offset_ > 0) {
      const auto count = static_cast<uint32_t>(offset_);
      if (output_.Write(buffer_, count) != count) writeShort_ = true;
    }
  }
  pending_ = Pending::None;
  inNumber_ = false;
  offset_ = 0;
  FreeArray(buffer_);
  return !writeShort_ && !outOfMemory_;
}

bool ConvertTextToBinary(ConversionMonitor& monitor, const char* text, int32_t count, CFile& output,
                         int32_t byteOrder, int32_t unitSize, NumberSyntax syntax) {
  const uint64_t total = count > 0 && text != nullptr ? static_cast<uint64_t>(count) : 0;
  TextToBinaryStream stream(monitor, output);
  if (!stream.Begin(byteOrder, unitSize, total, syntax)) return false;
  if (total > 0) stream.Feed(text, static_cast<size_t>(total));
  return stream.Finish();
}
