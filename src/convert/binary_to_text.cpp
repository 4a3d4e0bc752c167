#include "convert/binary_to_text.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

#include "base/codepage.h"
#include "base/debug_print.h"
#include "base/expects.h"
#include "base/holder.h"
#include "convert/convert_types.h"
#include "convert/units.h"

namespace {

enum class MarkerKind { Name, Size, Count, FileName, Data, String };

struct Marker {
  template <size_t kSize>
  constexpr Marker(const char (&markerText)[kSize], MarkerKind markerKind)
      : text(markerText), length(kSize - 1), kind(markerKind) {}
  const char* text;
  size_t length;
  MarkerKind kind;
};

constexpr Marker kMarkers[] = {
    {"($ARRAY_NAME)", MarkerKind::Name},    {"($ARRAY_DATA)", MarkerKind::Data},
    {"($ARRAY_SIZE)", MarkerKind::Size},    {"($ARRAY_COUNT)", MarkerKind::Count},
    {"($FILE_NAME)", MarkerKind::FileName}, {"($ARRAY_STRING)", MarkerKind::String},
};

// The marker at text[i], or null.
const Marker* MarkerAt(const char* text, size_t length, size_t i) {
  if (text[i] != '(') return nullptr;
  for (const Marker& marker : kMarkers) {
    if (length - i >= marker.length && std::memcmp(text + i, marker.text, marker.length) == 0) {
      return &marker;
    }
  }
  return nullptr;
}

// What stands before a value: a comma, or at the start of a row the row
// break (the first row only its indent).
constexpr char kRowBreak[] = ",\r\n\t\t";
constexpr size_t kRowBreakLength = sizeof kRowBreak - 1;
constexpr size_t kIndentLength = 2;
// Input bytes a row's values come from.
constexpr uint64_t kRowBytes = 16;
// A step writes at most the row break and one value before the next check
// of the room left.
static_assert(kMaxValueText + kRowBreakLength <= kReserve,
              "a value and its separators fit the room kept free");
// From this input size on, 2-byte units are formatted from a table of all
// 65536 texts; filling it costs about as much as formatting this many.
constexpr uint64_t kWideTableMinimum = uint64_t{256} << 10;

// Tells the debug output that a value format was replaced.
void ReportInvalidFormat(const char* format) {
  const CBuffer<WideChar> wide(MultiByteToWide(format, -1, kCodePageAnsi));
  DebugPrint(WSTR("invalid data format = %s\n"), wide.Get());
}

}  // namespace

// Writes text[0, length) with the name, file-name, size and count markers
// replaced, size being the input's size in bytes. In the head, the first
// data marker ends what is written and the text after it is kept as the
// tail; in the tail a data marker is text like any other.
bool BinaryToTextStream::WriteWithMarkers(const char* text, size_t length, uint64_t size,
                                          bool head) {
  size_t last = 0;
  for (size_t i = 0; i < length; ++i) {
    const Marker* marker = MarkerAt(text, length, i);
    if (marker == nullptr) continue;
    const bool data = marker->kind == MarkerKind::Data || marker->kind == MarkerKind::String;
    if (data && !head) continue;
    if (i > last && !WriteOut(text + last, i - last)) return false;
    last = i + marker->length;
    char number[24];
    const char* value = nullptr;
    switch (marker->kind) {
      case MarkerKind::Name:
        value = arrayName_;
        break;
      case MarkerKind::FileName:
        value = fileName_;
        break;
      case MarkerKind::Size:
      case MarkerKind::Count: {
        uint64_t n = size;
        if (marker->kind == MarkerKind::Count && !stringCount_) {
          const auto unit = static_cast<uint64_t>(unitSize_);
          n = n / unit + (n % unit != 0 ? 1 : 0);
        }
        std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(n));
        value = number;
        break;
      }
      case MarkerKind::Data:
      case MarkerKind::String:
        dataMarkerFound_ = true;
        stringRows_ = marker->kind == MarkerKind::String;
        tail_ = text + last;
        tailLength_ = length - last;
        return true;
    }
    const size_t valueLength = value != nullptr ? std::strlen(value) : 0;
    if (valueLength > 0 && !WriteOut(value, valueLength)) return false;
    i = last - 1;
  }
  return length <= last || WriteOut(text + last, length - last);
}

bool BinaryToTextStream::Begin(int32_t byteOrder, int32_t unitSize, const char* valueFormat,
                               const char* arrayTemplate, const char* arrayName, uint64_t totalSize,
                               const char* fileName) {
  if (stage_ != Stage::Idle) return false;
  stage_ = Stage::Finished;
  unitSize_ = EffectiveUnitSize(unitSize);
  swap_ = (byteOrder == BigEndian) != kBigEndianMachine;
  totalSize_ = totalSize;

  if (valueFormat == nullptr || valueFormat[0] == 0) {
    format_.Parse(DefaultValueFormat(unitSize_));
  } else if (format_.Parse(valueFormat) != ValueFormatStatus::Valid) {
    // Anything but one integer conversion could ask for arguments that are
    // not there or outgrow the room kept for a value.
    ReportInvalidFormat(valueFormat);
    format_.Parse(DefaultValueFormat(unitSize_));
  }

  const char* text = arrayTemplate != nullptr ? arrayTemplate : "";
  arrayName_ = arrayName;
  fileName_ = fileName;
  stringCount_ = TemplateWritesStringLiteral(text);
  // A C compiler takes no directive inside the declaration: the lines stand
  // around the whole text.
  stringPragma_ = totalSize_ >= kOverlengthStringBytes && stringCount_;
  if (stringPragma_ && !WriteOut(kStringPragmaOpening, sizeof kStringPragmaOpening - 1)) {
    return false;
  }
  if (!WriteWithMarkers(text, std::strlen(text), totalSize_, true)) return false;
  if (stringRows_) unitSize_ = 1;
  if (!WriteOut("\r\n", 2)) return false;

  stage_ = Stage::Rows;
  rowsEnded_ = true;
  if (totalSize_ == 0) return true;
  if (!buffer_.AllocateUninitialised(kRowBufferSize + kValueTextCapacity)) {
    outOfMemory_ = true;
    return true;
  }
  out_ = buffer_.Get();
  rowsEnded_ = false;
  if (stringRows_) return true;
  if (unitSize_ == 1) {
    BuildTable(256);
  } else {
    useFixed_ = format_.FixedHex(8 * unitSize_, &fixed_);
    if (!useFixed_ && unitSize_ == 2 && totalSize_ >= kWideTableMinimum) BuildTable(65536);
  }
  return true;
}

void BinaryToTextStream::BuildTable(size_t entries) {
  // Each entry is a value's text with the comma before it.
  const int32_t longest = 1 + format_.MaxLength();
  const int32_t stride = longest <= 8 ? 8 : longest <= 16 ? 16 : longest <= 32 ? 32 : 0;
  if (stride == 0) return;
  // Without the table the values are formatted one by one, to the same text.
  if (!table_.AllocateUninitialised(entries * (static_cast<size_t>(stride) + 1))) return;
  auto* lengths = reinterpret_cast<uint8_t*>(table_.Get() + entries * static_cast<size_t>(stride));
  char text[1 + kValueTextCapacity] = {','};
  bool sameLengths = true;
  for (size_t value = 0; value < entries; ++value) {
    const int32_t n = 1 + format_.Format(value, text + 1);
    std::memcpy(table_.Get() + value * static_cast<size_t>(stride), text,
                static_cast<size_t>(stride));
    lengths[value] = static_cast<uint8_t>(n);
    if (lengths[value] != lengths[0]) sameLengths = false;
  }
  tableSameLength_ = sameLengths ? lengths[0] : 0;
  tableLength_ = lengths;
  tableStride_ = stride;
}

bool BinaryToTextStream::FlushRows() {
  const auto count = static_cast<uint32_t>(out_ - buffer_.Get());
  out_ = buffer_.Get();
  if (!WriteOut(buffer_.Get(), count)) {
    // The rest of the values are dropped; the tail is still written.
    rowsEnded_ = true;
    return false;
  }
  ReportProgress(consumed_);
  return true;
}

// put(value, out) writes a comma and the value's text at out and returns
// the end. A row's first value has the row break before it instead: its
// comma lands on the break's last byte, which is then put back.
template <int kUnit, bool kSwap, typename Put>
size_t BinaryToTextStream::EmitRun(const uint8_t* data, size_t units, const Put& putValue) {
  // Locals, so that the stores into the buffer do not force the compiler to
  // reload the members, or what put holds, on every value.
  const Put put = putValue;
  const std::atomic<int32_t>& cancel = monitor_.cancelRequested;
  constexpr size_t kRowUnits = kRowBytes / kUnit;
  // With this much room a whole row goes in without a check of the room
  // before each value, as none of those checks could find the buffer full.
  constexpr ptrdiff_t kRowRoom = kRowBreakLength + kRowUnits * (1 + kMaxValueText);
  char* const full = buffer_.Get() + (kRowBufferSize - kReserve);
  BX_EXPECTS(out_ >= buffer_.Get() && out_ <= buffer_.Get() + kRowBufferSize);
  char* out = out_;
  uint64_t consumed = consumed_;
  size_t done = 0;
  while (done < units) {
    if (cancel.load(std::memory_order_relaxed) != 0) {
      cancelled_ = true;
      rowsEnded_ = true;
      break;
    }
    if (out >= full) {
      out_ = out;
      consumed_ = consumed;
      const bool flushed = FlushRows();
      out = out_;
      if (!flushed) break;
    }
    const uint8_t* const unit = data + done * kUnit;
    if (consumed % kRowBytes != 0) {
      out = put(LoadUnit<kUnit, kSwap>(unit), out);
      consumed += kUnit;
      ++done;
      continue;
    }
    if (consumed != 0) {
      std::memcpy(out, kRowBreak, kRowBreakLength);
      out += kRowBreakLength;
    } else {
      std::memcpy(out, kRowBreak + kRowBreakLength - kIndentLength, kIndentLength);
      out += kIndentLength;
    }
    char* const indent = out - 1;
    out = put(LoadUnit<kUnit, kSwap>(unit), indent);
    *indent = '\t';
    consumed += kUnit;
    ++done;
    if (units - done >= kRowUnits - 1 && full - out > kRowRoom) {
      // The rest of the row at once. A cancel is seen before the next row,
      // as a flush that reports progress could only come there.
#pragma GCC unroll 16
      for (size_t k = 0; k < kRowUnits - 1; ++k)
        out = put(LoadUnit<kUnit, kSwap>(unit + (k + 1) * kUnit), out);
      consumed += kRowBytes - kUnit;
      done += kRowUnits - 1;
    }
  }
  out_ = out;
  consumed_ = consumed;
  return done;
}

template <int kUnit, bool kSwap>
size_t BinaryToTextStream::EmitUnitsOf(const uint8_t* data, size_t units) {
  if (useFixed_) {
    return EmitRun<kUnit, kSwap>(data, units, [f = fixed_](uint64_t value, char* out) {
      *out++ = ',';
      std::memcpy(out, f.lead, sizeof f.lead);
      PutHexDigits(value, f.digits, f.upper, out + f.leadLength);
      std::memcpy(out + f.leadLength + f.digits, f.trail, sizeof f.trail);
      return out + f.length;
    });
  }
  const char* const table = table_.Get();
  const uint8_t* const lengths = tableLength_;
  auto fromTable = [&](auto stride) {
    return EmitRun<kUnit, kSwap>(data, units, [table, lengths](uint64_t value, char* out) {
      std::memcpy(out, table + value * decltype(stride)::value, decltype(stride)::value);
      return out + lengths[value];
    });
  };
  if (tableStride_ == 8 && tableSameLength_ > 0) {
    // Every text as long, as with the default formats: no length to look up.
    const size_t length = tableSameLength_;
    return EmitRun<kUnit, kSwap>(data, units, [table, length](uint64_t value, char* out) {
      std::memcpy(out, table + value * 8, 8);
      return out + length;
    });
  }
  switch (tableStride_) {
    case 8:
      return fromTable(std::integral_constant<size_t, 8>());
    case 16:
      return fromTable(std::integral_constant<size_t, 16>());
    case 32:
      return fromTable(std::integral_constant<size_t, 32>());
    default:
      return EmitRun<kUnit, kSwap>(data, units, [this](uint64_t value, char* out) {
        *out++ = ',';
        return out + format_.Format(value, out);
      });
  }
}

size_t BinaryToTextStream::EmitUnits(const uint8_t* data, size_t units) {
  return WithUnitKind(unitSize_, swap_, [&](auto kind) {
    using Kind = decltype(kind);
    return EmitUnitsOf<Kind::kUnit, Kind::kSwap>(data, units);
  });
}

bool BinaryToTextStream::FeedString(const uint8_t* data, size_t count) {
  while (count > 0) {
    if (monitor_.IsCancelled()) {
      cancelled_ = true;
      rowsEnded_ = true;
      return false;
    }
    size_t written = 0;
    const size_t room = static_cast<size_t>(buffer_.Get() + kRowBufferSize - out_);
    const size_t taken = literal_.Encode(data, count, out_, room, &written);
    out_ += written;
    consumed_ += taken;
    data += taken;
    count -= taken;
    if (out_ + kReserve >= buffer_.Get() + kRowBufferSize && !FlushRows()) return false;
  }
  return true;
}

bool BinaryToTextStream::Feed(const uint8_t* data, size_t count) {
  BX_EXPECTS(data != nullptr || count == 0);
  if (stage_ != Stage::Rows || rowsEnded_) return false;
  if (stringRows_) return FeedString(data, count);
  const auto unit = static_cast<size_t>(unitSize_);
  if (carryLength_ > 0) {
    size_t take = unit - static_cast<size_t>(carryLength_);
    if (take > count) take = count;
    std::memcpy(carry_ + carryLength_, data, take);
    carryLength_ += static_cast<int32_t>(take);
    data += take;
    count -= take;
    if (static_cast<size_t>(carryLength_) < unit) return true;
    carryLength_ = 0;
    if (EmitUnits(carry_, 1) != 1) return false;
  }
  const size_t units = count / unit;
  if (EmitUnits(data, units) != units) return false;
  const size_t rest = count - units * unit;
  std::memcpy(carry_, data + units * unit, rest);
  carryLength_ = static_cast<int32_t>(rest);
  return true;
}

uint64_t BinaryToTextStream::EndRows() {
  uint64_t dataBytes = consumed_;
  if (!rowsEnded_ && carryLength_ > 0) {
    dataBytes += static_cast<uint64_t>(carryLength_);
    // The last, partial unit: its missing bytes count as zero.
    std::memset(carry_ + carryLength_, 0, sizeof carry_ - static_cast<size_t>(carryLength_));
    carryLength_ = 0;
    EmitUnits(carry_, 1);
  }
  if (buffer_ && out_ > buffer_.Get()) {
    WriteOut(buffer_.Get(), static_cast<size_t>(out_ - buffer_.Get()));
  }
  if (stringRows_) {
    // The literal is closed even after a cancel, so that the text compiles.
    char end[kStringTextPerByte];
    WriteOut(end, literal_.End(end));
  }
  buffer_.Reset();
  out_ = nullptr;
  table_.Reset();
  tableLength_ = nullptr;
  tableSameLength_ = 0;
  tableStride_ = 0;
  rowsEnded_ = true;
  return dataBytes;
}

bool BinaryToTextStream::Finish() {
  if (stage_ != Stage::Rows) {
    stage_ = Stage::Finished;
    return false;
  }
  stage_ = Stage::Finished;
  const uint64_t dataBytes = EndRows();
  if (dataMarkerFound_) {
    if (!WriteOut("\r\n", 2)) return false;
    // The size the tail states is that of the data written: the input's
    // whole size unless the conversion stopped early, and known by now also
    // for an input of unknown size.
    if (!WriteWithMarkers(tail_, tailLength_, dataBytes, false)) return false;
  }
  if (!WriteOut("\r\n", 2)) return false;
  if (stringPragma_ && !WriteOut(kStringPragmaClosing, sizeof kStringPragmaClosing - 1)) {
    return false;
  }
  monitor_.SetFileProgress(totalSize_ > 0 ? 100 : 0);
  return !writeShort_;
}

namespace {

// What a template asks of the input before its data marker.
struct TemplateNeeds {
  bool size = false;           // ($ARRAY_SIZE) or ($ARRAY_COUNT)
  bool stringLiteral = false;  // the data marker is ($ARRAY_STRING)
};

TemplateNeeds ScanTemplate(const char* arrayTemplate) {
  TemplateNeeds needs;
  if (arrayTemplate == nullptr) return needs;
  const size_t length = std::strlen(arrayTemplate);
  for (size_t i = 0; i < length; ++i) {
    const Marker* marker = MarkerAt(arrayTemplate, length, i);
    if (marker == nullptr) continue;
    if (marker->kind == MarkerKind::Size || marker->kind == MarkerKind::Count) needs.size = true;
    if (marker->kind == MarkerKind::Data || marker->kind == MarkerKind::String) {
      needs.stringLiteral = marker->kind == MarkerKind::String;
      break;
    }
  }
  return needs;
}

}  // namespace

bool TemplateWritesStringLiteral(const char* arrayTemplate) {
  return ScanTemplate(arrayTemplate).stringLiteral;
}

bool TemplateNeedsInputSize(const char* arrayTemplate) {
  return ScanTemplate(arrayTemplate).size;
}

bool ConvertBinaryToText(ConversionMonitor& monitor, const uint8_t* data, int32_t count,
                         CFile& output, int32_t byteOrder, int32_t unitSize,
                         const char* valueFormat, const char* arrayTemplate,
                         const char* arrayName) {
  const uint64_t total = count > 0 && data != nullptr ? static_cast<uint64_t>(count) : 0;
  BinaryToTextStream stream(monitor, output);
  if (!stream.Begin(byteOrder, unitSize, valueFormat, arrayTemplate, arrayName, total)) {
    return false;
  }
  if (total > 0) stream.Feed(data, static_cast<size_t>(total));
  return stream.Finish();
}
