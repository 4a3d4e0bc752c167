// Conversion between a narrow code page and UTF-16.
#pragma once

#include <cstdint>

#include "base/wide.h"

// Code page numbers as the callers pass them, the same on every platform.
// The ANSI code page is the system's (Windows) or UTF-8 (POSIX).
enum : uint32_t {
  kCodePageAnsi = 0,
  kCodePageShiftJis = 932,
  kCodePageUtf8 = 65001,
};

// Converts count bytes (-1: up to and including the NUL) of code page text
// into a new zero-filled UTF-16 buffer with at least one terminator. Returns a
// buffer the caller owns (hold it in a CBuffer), or null when memory runs out.
WideChar* MultiByteToWide(const char* text, int32_t count, uint32_t codePage);

// Converts count UTF-16 units (-1: up to and including the NUL) into a new
// zero-filled narrow buffer with at least one terminator. Characters the code
// page cannot hold become its default character. Returns a buffer the caller
// owns (hold it in a CBuffer), or null when memory runs out.
char* WideToMultiByte(const WideChar* text, int32_t count, uint32_t codePage);

// The number of the code page that kCodePageAnsi stands for in this process.
uint32_t AnsiCodePage();

// True when byte begins a two-byte character of the ANSI code page (Shift-JIS
// and the other double-byte code pages); the byte after it may then be ASCII.
bool IsAnsiLeadByte(unsigned char byte);

// True when the count bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const char* text, int32_t count);
