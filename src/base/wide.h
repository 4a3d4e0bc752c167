// The UTF-16 character type at the boundary between narrow text and the
// window and file systems. Windows' wchar_t is UTF-16; elsewhere wchar_t is
// 32 bits wide, so char16_t keeps UTF-16 the same on both sides.
#pragma once

#include <cstdint>

#if defined(_WIN32)
using WideChar = wchar_t;
#define BX_WIDE_LITERAL_(s) L##s
#else
using WideChar = char16_t;
#define BX_WIDE_LITERAL_(s) u##s
#endif

// A UTF-16 string literal of the platform's WideChar type: WSTR("text").
#define WSTR(s) BX_WIDE_LITERAL_(s)

static_assert(sizeof(WideChar) == 2, "WideChar must be a UTF-16 code unit");

// Number of units before the terminator; 0 for null.
int32_t WideLength(const WideChar* text);
