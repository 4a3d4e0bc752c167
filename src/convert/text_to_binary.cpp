#include "convert/text_to_binary.h"

#include <cstddef>
#include <cstring>

#include "base/expects.h"
#include "base/holder.h"
#include "convert/convert_types.h"
#include "convert/units.h"

namespace {

// The fast loop keeps this far from the end of a block: a prefix, 16 digits,
// the byte after them, and one more, so that this byte is never the last.
constexpr size_t kFastMargin = 20;
// The most text one call of the window scan takes, so that a cancel is seen
// soon.
constexpr ptrdiff_t kWindowRun = 16 << 10;
// The window scan stops right after a unit that reaches the full mark.
static_assert(8 <= kReserve, "a unit stored at the full mark fits the buffer");

}  // namespace

// One block's scan, in locals: the stores into the buffer would otherwise
// make the compiler reload the members at every byte.
struct TextToBinaryStream::ScanRun {
  const uint8_t* p;
  const uint8_t* const start;
  const uint8_t* const end;
  // Far enough from the end for the fast loop (kFastMargin).
  const uint8_t* const fastEnd;
  // Up to here the byte-at-a-time scan goes on after a window the window
  // scan declined.
  const uint8_t* scalarUntil;
  const uint64_t base;  // position_ at start
  const std::atomic<int32_t>& cancel;
  uint8_t* const buffer;
  int32_t offset;
  bool inNumber;
  bool hasDigit;
  uint64_t value;
  bool stop;
};

bool TextToBinaryStream::Begin(int32_t byteOrder, int32_t unitSize, uint64_t totalSize,
                               NumberSyntax syntax) {
  if (begun_) return false;
  begun_ = true;
  syntax_ = syntax;
  unitSize_ = EffectiveUnitSize(unitSize);
  swap_ = (byteOrder == BigEndian) != kBigEndianMachine;
  totalSize_ = totalSize;
  if (!buffer_.AllocateUninitialised(kUnitBufferSize)) {
    outOfMemory_ = true;
    stopped_ = true;
    return false;
  }
  return true;
}

bool TextToBinaryStream::FlushUnits() {
  const auto count = static_cast<uint32_t>(offset_);
  offset_ = 0;
  if (!WriteOut(buffer_.Get(), count)) {
    // The scan stops at once and nothing more is written.
    stopped_ = true;
    return false;
  }
  ReportProgress(position_);
  return true;
}

void TextToBinaryStream::Append(uint64_t value) {
  BX_EXPECTS(offset_ + kReserve <= kUnitBufferSize);
  offset_ += WithUnitKind(unitSize_, swap_, [&](auto kind) {
    using Kind = decltype(kind);
    return StoreUnit<Kind::kUnit, Kind::kSwap>(buffer_.Get() + offset_, value);
  });
}

// True, and the scan stopped, when a cancel is asked for.
inline bool TextToBinaryStream::StopOnCancel(ScanRun& run) {
  if (run.cancel.load(std::memory_order_relaxed) == 0) return false;
  cancelled_ = true;
  stopped_ = true;
  run.stop = true;
  return true;
}

// Only units make the buffer fill, so only a step between numbers right
// after a unit can find it full. False when the write fell short.
inline bool TextToBinaryStream::FlushIfFull(ScanRun& run) {
  if (run.offset + kReserve < kUnitBufferSize) return true;
  offset_ = run.offset;
  position_ = run.base + static_cast<uint64_t>(run.p - run.start);
  if (!FlushUnits()) return false;
  run.offset = 0;
  return true;
}

// Whole windows between numbers, with the same cancel check and flush as a
// step of the scan before each run of them; a cancel made by the progress
// report of that flush takes no further number.
template <int kUnit, bool kSwap, NumberSyntax kSyntax>
inline bool TextToBinaryStream::ScanWindowRun(ScanRun& run) {
  if (StopOnCancel(run)) return true;
  if (!FlushIfFull(run)) return false;
  if (StopOnCancel(run)) return true;
  const uint8_t* const limit = run.end - run.p > kWindowRun ? run.p + kWindowRun : run.end;
  uint8_t* out = run.buffer + run.offset;
  bool decline = false;
  run.p = windowScan_(run.p, limit, kUnit, kSwap, kSyntax, &out,
                      run.buffer + kUnitBufferSize - kReserve, &decline);
  run.offset = static_cast<int32_t>(out - run.buffer);
  if (decline) run.scalarUntil = run.p + 64;
  return true;
}

// Between numbers, far from the end of the block: the usual case. Every
// byte is one step that first looks at the cancel flag and then at the
// buffer; a prefix takes its second byte along in the same step, and a
// number of up to 16 digits is taken whole.
template <int kUnit, bool kSwap, NumberSyntax kSyntax>
inline bool TextToBinaryStream::ScanBetweenNumbers(ScanRun& run, const uint8_t* stop) {
  constexpr const NumberBytes& bytes = kNumberBytes<kSyntax>;
  const uint8_t* p = run.p;
  while (p < stop) {
    run.p = p;
    if (StopOnCancel(run)) return true;
    if (!FlushIfFull(run)) return false;
    if (!IsNumberPrefix(BytePair(p[0], p[1]), kSyntax)) {
      ++p;
      continue;
    }
    p += 2;
    // The flag is read for the number's first step, so a cancel made by the
    // progress report just before is seen; the reads for the steps that
    // follow would only repeat it, and a relaxed read may be merged with
    // those anyway.
    if (StopOnCancel(run)) {
      // The number being read is lost.
      run.p = p;
      run.inNumber = true;
      run.hasDigit = false;
      run.value = 0;
      return true;
    }
    uint64_t digits = 0;
    int32_t k = 0;
    uint8_t kind;
    while ((kind = bytes.of[p[k]]) < 16) {
      digits = (digits << 4) | kind;
      if (++k == 16) {
        kind = bytes.of[p[16]];
        break;
      }
    }
    if (kind < 16) {
      // More than 16 digits: on one byte at a time.
      run.p = p + 16;
      run.inNumber = true;
      run.hasDigit = true;
      run.value = digits;
      return true;
    }
    if (kind == kSeparatorByte)
      run.offset += StoreUnit<kUnit, kSwap>(run.buffer + run.offset, digits);
    p += k + 1;
  }
  run.p = p;
  return true;
}

// One byte, near the end of the block or inside a long number.
template <int kUnit, bool kSwap, NumberSyntax kSyntax>
inline bool TextToBinaryStream::ScanStep(ScanRun& run) {
  if (StopOnCancel(run)) return true;
  const uint8_t* const p = run.p;
  if (!run.inNumber) {
    if (!FlushIfFull(run)) return false;
    const uint8_t b = *p;
    if (b == '0' || b == '&') {
      if (p + 1 == run.end) {
        // Whether this begins a prefix depends on the next block.
        pending_ = b == '0' ? Pending::Zero : Pending::Ampersand;
        run.p = p + 1;
        run.stop = true;
        return true;
      }
      if (IsNumberPrefix(BytePair(b, p[1]), kSyntax)) {
        run.inNumber = true;
        run.hasDigit = false;
        run.value = 0;
        run.p = p + 2;
        return true;
      }
    }
    run.p = p + 1;
    return true;
  }
  const uint8_t kind = kNumberBytes<kSyntax>.of[*p];
  if (kind < 16) {
    run.value = (run.value << 4) | kind;
    run.hasDigit = true;
  } else {
    run.inNumber = false;
    if (kind == kSeparatorByte) {
      run.offset += StoreUnit<kUnit, kSwap>(run.buffer + run.offset, run.value);
    } else if (p + 1 == run.end) {
      // Written only if this turns out to be the last byte of the text.
      pending_ = Pending::Foreign;
      run.inNumber = true;
      run.stop = true;
    }
  }
  run.p = p + 1;
  return true;
}

// Every step of the scan is one of three loops: whole windows between
// numbers (when a window scan is chosen), the fast loop between numbers
// away from the end of the block, and single steps for the rest.
template <int kUnit, bool kSwap, NumberSyntax kSyntax>
void TextToBinaryStream::Scan(const char* text, size_t count) {
  const auto* const start = reinterpret_cast<const uint8_t*>(text);
  const uint8_t* const end = start + count;
  ScanRun run{start,
              start,
              end,
              count > kFastMargin ? end - kFastMargin : start,
              start,
              position_,
              monitor_.cancelRequested,
              buffer_.Get(),
              offset_,
              inNumber_,
              hasDigit_,
              accumulator_,
              false};
  const bool windows = windowScan_ != nullptr;
  while (run.p < run.end && !run.stop) {
    bool whole;
    if (!run.inNumber && windows && run.p >= run.scalarUntil && run.end - run.p >= kWindowReach) {
      whole = ScanWindowRun<kUnit, kSwap, kSyntax>(run);
    } else if (!run.inNumber && run.p < run.fastEnd) {
      const bool declined = windows && run.p < run.scalarUntil && run.scalarUntil < run.fastEnd;
      whole =
          ScanBetweenNumbers<kUnit, kSwap, kSyntax>(run, declined ? run.scalarUntil : run.fastEnd);
    } else {
      whole = ScanStep<kUnit, kSwap, kSyntax>(run);
    }
    // A write fell short: the scan has stopped and nothing more is written.
    if (!whole) return;
  }
  offset_ = run.offset;
  inNumber_ = run.inNumber;
  hasDigit_ = run.hasDigit;
  accumulator_ = run.value;
  position_ = run.base + static_cast<uint64_t>(run.p - run.start);
}

bool TextToBinaryStream::Feed(const char* text, size_t count) {
  BX_EXPECTS(text != nullptr || count == 0);
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
      if (IsNumberPrefix(
              BytePair(pending_ == Pending::Zero ? '0' : '&', static_cast<uint8_t>(text[0])),
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
  WithUnitKind(unitSize_, swap_, [&](auto kind) {
    using Kind = decltype(kind);
    if (syntax_ == NumberSyntax::C) {
      Scan<Kind::kUnit, Kind::kSwap, NumberSyntax::C>(text, count);
    } else {
      Scan<Kind::kUnit, Kind::kSwap, NumberSyntax::Plain>(text, count);
    }
  });
  return !stopped_;
}

bool TextToBinaryStream::Finish() {
  if (!begun_ || finished_) return false;
  finished_ = true;
  // After a short write nothing more is written; after a cancel the buffered
  // units still are, but a number being read is lost.
  if (buffer_ && !writeShort_) {
    // The text ends here. A number ended by a foreign last byte counts, and
    // so does one whose last digit is the last byte; a bare prefix does not.
    if (!cancelled_ &&
        (pending_ == Pending::Foreign || (inNumber_ && hasDigit_ && pending_ == Pending::None))) {
      Append(accumulator_);
    }
    if (offset_ > 0) {
      const auto count = static_cast<uint32_t>(offset_);
      WriteOut(buffer_.Get(), count);
    }
  }
  pending_ = Pending::None;
  inNumber_ = false;
  offset_ = 0;
  buffer_.Reset();
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
