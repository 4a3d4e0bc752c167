// Win32 backend of the code-page conversion: thin wrappers over
// MultiByteToWideChar and WideCharToMultiByte with a fixed sizing rule.
#include <windows.h>

#include "base/codepage.h"
#include "base/holder.h"

uint32_t AnsiCodePage() {
  return GetACP();
}

bool IsAnsiLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != 0;
}

WideChar* MultiByteToWide(const char* text, int32_t count, uint32_t codePage) {
  int needed = text == nullptr ? 0 : MultiByteToWideChar(codePage, 0, text, count, nullptr, 0);
  // Empty or unconvertible input: size by the byte count instead.
  if (needed == 0) needed = count < 0 ? (text == nullptr ? 0 : lstrlenA(text) + 1) : count;
  const int room = needed + 1;
  CBuffer<WideChar> buffer;
  if (!buffer.Allocate(static_cast<size_t>(room))) return nullptr;
  if (text != nullptr && count != 0) {
    MultiByteToWideChar(codePage, 0, text, count, buffer.Get(), room);
  }
  return buffer.Release();
}

char* WideToMultiByte(const WideChar* text, int32_t count, uint32_t codePage) {
  const int needed =
      text == nullptr ? 0
                      : WideCharToMultiByte(codePage, 0, text, count, nullptr, 0, nullptr, nullptr);
  const int room = needed + 1;
  CBuffer<char> buffer;
  if (!buffer.Allocate(static_cast<size_t>(room))) return nullptr;
  if (text != nullptr && count != 0) {
    WideCharToMultiByte(codePage, 0, text, count, buffer.Get(), room, nullptr, nullptr);
  }
  return buffer.Release();
}
