#include "base/str.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

#include "base/codepage.h"
#include "base/growth.h"

namespace {

bool IsTrimmedByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The unit of the foreign unit at text, or -1 when text starts with none.
int32_t ForeignUnitAt(const char* text) {
  if (text[0] != kForeignMark) return -1;
  int32_t unit = 0;
  for (int32_t i = 1; i < kForeignUnitBytes; ++i) {
    const char c = text[i];
    const int32_t digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

bool IsHighSurrogate(uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// True when the count units come back from the ANSI code page as they went.
// The mark itself never fits, so that every mark byte in a name starts a
// foreign unit.
bool FitsCodePage(const WideChar* text, int32_t count, CBuffer<char>* narrow) {
  for (int32_t i = 0; i < count; ++i) {
    if (text[i] == static_cast<WideChar>(kForeignMark)) return false;
  }
  narrow->Reset(WideToMultiByte(text, count, kCodePageAnsi));
  if (!*narrow) return false;
  const CBuffer<WideChar> back(MultiByteToWide(narrow->Get(), -1, kCodePageAnsi));
  if (!back || WideLength(back.Get()) != count) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (back.Get()[i] != text[i]) return false;
  }
  return true;
}

// Appends the count units (no NUL among them) to out exactly. False when
// memory runs out.
bool AppendExact(const WideChar* text, int32_t count, CString* out) {
  CBuffer<char> narrow;
  if (FitsCodePage(text, count, &narrow)) return out->AppendText(narrow.Get()) != 0;
  // Character by character: what fits keeps its code page bytes.
  for (int32_t i = 0; i < count;) {
    const int32_t size =
        i + 1 < count && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]) ? 2 : 1;
    if (FitsCodePage(text + i, size, &narrow)) {
      if (!out->AppendText(narrow.Get())) return false;
    } else {
      for (int32_t k = 0; k < size; ++k) {
        const auto unit = static_cast<uint32_t>(text[i + k]);
        const char escaped[kForeignUnitBytes] = {
            kForeignMark, kHexDigits[(unit >> 12) & 15], kHexDigits[(unit >> 8) & 15],
            kHexDigits[(unit >> 4) & 15], kHexDigits[unit & 15]};
        if (!out->AppendBytes(escaped, kForeignUnitBytes)) return false;
      }
    }
    i += size;
  }
  return true;
}

// The UTF-16 text of count bytes with foreign units: a new buffer the caller
// owns, or null when memory runs out.
WideChar* DecodeForeign(const char* text, int32_t count) {
  if (!HasForeignUnits(text, count)) return MultiByteToWide(text, count, kCodePageAnsi);
  // No code page gives more units than bytes; a foreign unit takes five.
  CBuffer<WideChar> units;
  if (!units.Allocate(static_cast<size_t>(count) + 1)) return nullptr;
  int32_t made = 0;
  int32_t run = 0;
  auto flush = [&](int32_t end) {
    if (end == run) return true;
    const CBuffer<WideChar> piece(MultiByteToWide(text + run, end - run, kCodePageAnsi));
    if (!piece) return false;
    const int32_t length = WideLength(piece.Get());
    for (int32_t k = 0; k < length && made < count; ++k)
      units.Get()[made++] = piece.Get()[k];
    return true;
  };
  for (int32_t i = 0; i < count;) {
    const int32_t unit = count - i >= kForeignUnitBytes ? ForeignUnitAt(text + i) : -1;
    if (unit < 0) {
      ++i;
      continue;
    }
    if (!flush(i)) return nullptr;
    units.Get()[made++] = static_cast<WideChar>(unit);
    i += kForeignUnitBytes;
    run = i;
  }
  if (!flush(count)) return nullptr;
  return units.Release();
}

}  // namespace

int32_t ForeignCharacterAt(const char* text) {
  const int32_t unit = ForeignUnitAt(text);
  if (unit < 0) return 0;
  if (IsHighSurrogate(static_cast<uint32_t>(unit)) &&
      IsLowSurrogate(static_cast<uint32_t>(ForeignUnitAt(text + kForeignUnitBytes)))) {
    return 2 * kForeignUnitBytes;
  }
  return kForeignUnitBytes;
}

bool HasForeignUnits(const char* text, int32_t count) {
  if (text == nullptr) return false;
  const void* mark =
      count > 0 ? std::memchr(text, kForeignMark, static_cast<size_t>(count)) : nullptr;
  // A stray mark byte alone is plain text; only a whole unit counts.
  for (auto at = static_cast<const char*>(mark); at != nullptr;) {
    const auto offset = static_cast<int32_t>(at - text);
    if (count - offset >= kForeignUnitBytes && ForeignUnitAt(at) >= 0) return true;
    at = offset + 1 < count ? static_cast<const char*>(std::memchr(
                                  at + 1, kForeignMark, static_cast<size_t>(count - offset - 1)))
                            : nullptr;
  }
  return false;
}

int32_t ReplaceForeign(const char* text, int32_t count, char replacement, CString* out) {
  if (!out->AssignBytes("", 0)) return kStringNoMemory;
  int32_t replaced = 0;
  int32_t run = 0;
  for (int32_t i = 0; i < count;) {
    const int32_t size = count - i >= kForeignUnitBytes ? ForeignCharacterAt(text + i) : 0;
    if (size == 0 || i + size > count) {
      ++i;
      continue;
    }
    if (!out->AppendBytes(text + run, i - run) || !out->AppendBytes(&replacement, 1))
      return kStringNoMemory;
    ++replaced;
    i += size;
    run = i;
  }
  return out->AppendBytes(text + run, count - run) ? replaced : kStringNoMemory;
}

CString::CString(const WideChar* text) {
  AssignWide(text);
}

CString::CString(CString&& other) noexcept
    : data(other.data),
      capacity(other.capacity),
      length(other.length),
      buffer_(std::move(other.buffer_)),
      wide_(std::move(other.wide_)) {
  other.data = nullptr;
  other.capacity = 0;
  other.length = 0;
}

CString& CString::operator=(CString&& other) noexcept {
  if (&other == this) return *this;
  buffer_ = std::move(other.buffer_);
  wide_ = std::move(other.wide_);
  data = buffer_.Get();
  capacity = other.capacity;
  length = other.length;
  other.data = nullptr;
  other.capacity = 0;
  other.length = 0;
  return *this;
}

int CString::Grow(int64_t needed) {
  // The bytes past the text stay zero, as they always were.
  if (!GrowToFit(buffer_, length, &capacity, needed, GrowthFill::kValue)) return 0;
  data = buffer_.Get();
  return 1;
}

int CString::AssignBytes(const char* bytes, int32_t count) {
  if (count < 0 || (bytes == nullptr && count > 0)) return 0;
  // Bytes from this string's own buffer are no longer than it, so they never
  // make it grow.
  if (!Grow(int64_t{count} + 1)) return 0;
  // memmove: bytes may point into this string's own buffer.
  if (count > 0) std::memmove(data, bytes, static_cast<size_t>(count));
  length = count;
  data[length] = 0;
  return 1;
}

int CString::AppendBytes(const char* bytes, int32_t count) {
  if (count <= 0 || bytes == nullptr) return 1;
  // bytes may lie in this string's own buffer, which growing frees: they are
  // found again by their offset.
  const bool own = data != nullptr && bytes >= data && bytes < data + capacity;
  const ptrdiff_t offset = own ? bytes - data : 0;
  if (!Grow(int64_t{length} + count + 1)) return 0;
  if (own) bytes = data + offset;
  std::memmove(data + length, bytes, static_cast<size_t>(count));
  length += count;
  data[length] = 0;
  return 1;
}

void CString::AssignWide(const WideChar* text) {
  if (text == nullptr || text[0] == 0) {
    Clear();
    return;
  }
  AssignWide(text, -1);
}

void CString::AssignWide(const WideChar* text, int32_t count) {
  if (text == nullptr || count == 0) {
    Clear();
    return;
  }
  CBuffer<char> narrow(WideToMultiByte(text, count, kCodePageAnsi));
  if (!narrow) {
    Clear();
    return;
  }
  // A mark byte always starts a foreign unit, so a text's own U+0001 is
  // stored as one too; otherwise it and the four characters after it would
  // read back as another character.
  const char* rest = narrow.Get();
  if (std::strchr(rest, kForeignMark) == nullptr) {
    if (!AssignText(rest)) Clear();
    return;
  }
  if (!AssignBytes("", 0)) {
    Clear();
    return;
  }
  for (const char* mark = std::strchr(rest, kForeignMark); mark != nullptr;
       mark = std::strchr(rest, kForeignMark)) {
    static constexpr char kMarkUnit[] = {kForeignMark, '0', '0', '0', '1'};
    if (!AppendBytes(rest, static_cast<int32_t>(mark - rest)) ||
        !AppendBytes(kMarkUnit, kForeignUnitBytes)) {
      Clear();
      return;
    }
    rest = mark + 1;
  }
  if (!AppendText(rest)) Clear();
}

void CString::AssignName(const WideChar* text, int32_t count) {
  if (count < 0) count = WideLength(text);
  if (text == nullptr || count == 0 || !AssignBytes("", 0) || !AppendExact(text, count, this)) {
    Clear();
  }
}

int CString::AppendName(const WideChar* text) {
  const int32_t count = WideLength(text);
  if (count == 0) return 1;
  CString exact;
  if (!AppendExact(text, count, &exact)) return 0;
  return AppendBytes(exact.data, exact.length);
}

bool CString::DropForeignUnits() {
  if (!HasForeignUnits(data, length)) return true;
  const CBuffer<WideChar> units(DecodeForeign(data, length));
  if (!units) return false;
  CString text(units.Get());
  return text.data != nullptr && Assign(text) != nullptr;
}

int CString::AssignText(const char* text) {
  return AssignBytes(text, text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0);
}

int CString::AppendText(const char* text) {
  return AppendBytes(text, text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0);
}

const char* CString::Assign(const CString& other) {
  if (&other == this) return data;
  if (other.data == nullptr) {
    Clear();
    return nullptr;
  }
  if (!AssignBytes(other.data, other.length)) return nullptr;
  return data;
}

const char* CString::AppendWide(const WideChar* text) {
  CString temporary(text);
  // The conversion leaves the copy empty when memory runs out.
  if (temporary.length == 0) return WideLength(text) == 0 ? data : nullptr;
  if (!AppendBytes(temporary.data, temporary.length)) return nullptr;
  return data;
}

int CString::EqualsWide(const WideChar* text) const {
  CString temporary(text);
  if (data == nullptr) return temporary.data == nullptr ? 1 : 0;
  if (temporary.data == nullptr) return 0;
  if (std::strcmp(data, temporary.data) == 0) return 1;
  // A name keeps what a text loses.
  if (!HasForeignUnits(data, length)) return 0;
  temporary.AssignName(text);
  return temporary.data != nullptr && std::strcmp(data, temporary.data) == 0 ? 1 : 0;
}

void CString::Trim() {
  if (data == nullptr) return;
  int32_t first = 0;
  while (first < length && IsTrimmedByte(data[first]))
    ++first;
  if (first == length) {
    data[0] = 0;
    length = 0;
    return;
  }
  int32_t last = length - 1;
  while (last > first && IsTrimmedByte(data[last]))
    --last;
  const int32_t kept = last - first + 1;
  std::memmove(data, data + first, static_cast<size_t>(kept));
  data[kept] = 0;
  length = kept;
}

CString* CString::Mid(int32_t start, int32_t count) const {
  if (data == nullptr || start < 0 || start >= length || count < 0) return nullptr;
  if (count > length - start) count = length - start;
  CHolder<CString> result(new (std::nothrow) CString());
  if (!result || !result->AssignBytes(data + start, count)) return nullptr;
  return result.Release();
}

void CString::Clear() {
  buffer_.Reset();
  wide_.Reset();
  data = nullptr;
  capacity = 0;
  length = 0;
}

const WideChar* CString::GetWide() {
  wide_.Reset();
  if (data != nullptr && length != 0) wide_.Reset(DecodeForeign(data, length));
  return wide_.Get();
}

const WideChar* CString::WideOrEmpty() {
  const WideChar* text = GetWide();
  return text != nullptr ? text : WSTR("");
}

CWideText::CWideText(const CString& text) {
  if (text.data != nullptr && text.length != 0) {
    units_.Reset(DecodeForeign(text.data, text.length));
  }
}

const WideChar* CWideText::OrEmpty() const {
  return units_ ? units_.Get() : WSTR("");
}
