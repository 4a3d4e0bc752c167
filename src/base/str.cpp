#include "base/str.h"

#include <cstring>
#include <new>

#include "base/codepage.h"

namespace {

bool IsTrimmedByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

}  // namespace

CString::CString(const WideChar* text) {
  AssignWide(text);
}

CString::~CString() {
  Clear();
}

int CString::Grow(int32_t wanted) {
  if (wanted < 0) return 0;
  const int64_t newCapacity = int64_t{capacity} + wanted + 1;
  if (newCapacity > INT32_MAX) return 0;
  CBuffer<char> grown;
  if (!grown.Allocate(static_cast<size_t>(newCapacity))) return 0;
  if (data != nullptr) std::memcpy(grown.Get(), data, static_cast<size_t>(length));
  FreeArray(data);
  data = grown.Release();
  capacity = static_cast<int32_t>(newCapacity);
  return 1;
}

int CString::AssignBytes(const char* bytes, int32_t count) {
  if (count < 0 || (bytes == nullptr && count > 0)) return 0;
  if (data == nullptr || capacity < count + 1) {
    if (!Grow(count + 1)) return 0;
  }
  // memmove: bytes may point into this string's own buffer.
  if (count > 0) std::memmove(data, bytes, static_cast<size_t>(count));
  length = count;
  data[length] = 0;
  return 1;
}

int CString::AppendBytes(const char* bytes, int32_t count) {
  if (count <= 0 || bytes == nullptr) return 1;
  if (int64_t{length} + count + 256 > INT32_MAX) return 0;
  if (data == nullptr || capacity < length + count + 1) {
    // A reserve of 256 bytes so that a run of small appends rarely reallocates.
    if (!Grow(count + 256)) return 0;
  }
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
  if (!AssignText(narrow.Get())) Clear();
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
  if (temporary.length > 0 && !AppendBytes(temporary.data, temporary.length)) return nullptr;
  return data;
}

int CString::EqualsWide(const WideChar* text) const {
  CString temporary(text);
  if (data == nullptr) return temporary.data == nullptr ? 1 : 0;
  if (temporary.data == nullptr) return 0;
  return std::strcmp(data, temporary.data) == 0 ? 1 : 0;
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
  FreeArray(data);
  FreeArray(wide);
  capacity = 0;
  length = 0;
}

const WideChar* CString::GetWide() {
  FreeArray(wide);
  if (data != nullptr && length != 0) wide = MultiByteToWide(data, length, kCodePageAnsi);
  return wide;
}

const WideChar* CString::WideOrEmpty() {
  const WideChar* text = GetWide();
  return text != nullptr ? text : WSTR("");
}

CWideText::CWideText(const CString& text) {
  if (text.data != nullptr && text.length != 0) {
    units_.Reset(MultiByteToWide(text.data, text.length, kCodePageAnsi));
  }
}

const WideChar* CWideText::OrEmpty() const {
  return units_ ? units_.Get() : WSTR("");
}
