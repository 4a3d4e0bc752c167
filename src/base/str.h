// CString: the program's one string class. The text is kept once, as narrow
// bytes in the ANSI code page; a UTF-16 copy is made on request.
//
// File names: any name the system holds is kept exactly. A name comes in as
// UTF-16 (a dialog, a drop, the command line, a list) through AssignName:
// what the ANSI code page can hold is stored in its bytes as ever, and only a
// UTF-16 unit the code page has no exact form for (a Japanese name on a
// Western system, an emoji or Hangul on a Japanese one) is stored as a
// foreign unit, kForeignMark and the unit's four uppercase hex digits. The
// mark is a control character no file name holds and never the second byte of
// a double-byte character, so splitting a path at separators and dots works
// on the bytes unchanged, and a name the code page holds keeps every byte it
// had. GetWide and CWideText, the way to the system, give the units back.
// Texts written into outputs, lists and messages stay in the code page:
// ReplaceForeign puts one replacement byte for each such character.
// On POSIX the code page is UTF-8, so only a lone surrogate is ever foreign.
#pragma once

#include <cstdint>

#include "base/holder.h"
#include "base/object.h"
#include "base/result.h"
#include "base/wide.h"

// Starts a foreign unit: kForeignMark, then four uppercase hex digits.
inline constexpr char kForeignMark = '\x01';
inline constexpr int32_t kForeignUnitBytes = 5;

// The bytes of the foreign character at text (NUL-terminated): 5 for one
// unit, 10 for a surrogate pair; 0 when text starts with none.
int32_t ForeignCharacterAt(const char* text);
// True when the count bytes hold a foreign unit.
bool HasForeignUnits(const char* text, int32_t count);

class CString : public CObject {
 public:
  // Unset: data null, capacity 0, length 0. Allocated: data[length] == 0 and
  // length < capacity. The buffer never shrinks until Clear. data is the
  // owned buffer as other code reads it; only the string changes it.
  char* data = nullptr;
  int32_t capacity = 0;
  int32_t length = 0;

  CString() = default;
  explicit CString(const WideChar* text);
  ~CString() override = default;
  // A move hands the text over and leaves the source unset.
  CString(CString&& other) noexcept;
  CString& operator=(CString&& other) noexcept;

  // Null or empty text clears; otherwise stores the text in the ANSI code page.
  void AssignWide(const WideChar* text);
  // As above for exactly count units (-1: up to the terminator).
  void AssignWide(const WideChar* text, int32_t count);
  // Stores the text exactly, as a file name must be kept: what the ANSI code
  // page lacks as foreign units (see the top of this file). Null or empty
  // text clears; so does running out of memory.
  void AssignName(const WideChar* text, int32_t count = -1);
  // Appends the text exactly; returns 1, or 0 when memory runs out.
  int AppendName(const WideChar* text);
  // Turns foreign units into what AssignWide makes of them, for a text that
  // must stay in the code page as it always was (a template read from a
  // list). False when memory runs out (the string is then left as it was).
  bool DropForeignUnits();
  // Copies other; returns data, or null when other is unset or memory runs out.
  const char* Assign(const CString& other);
  // Stores count narrow bytes as they stand (already in the ANSI code page);
  // returns 1, or 0 when memory runs out and the string is left as it was.
  int AssignBytes(const char* bytes, int32_t count);
  // The same for NUL-terminated text (null counts as empty).
  int AssignText(const char* text);
  // Appends the text converted to ANSI; returns data, or null when memory runs out.
  const char* AppendWide(const WideChar* text);
  // Appends count narrow bytes; returns 1, or 0 when memory runs out.
  int AppendBytes(const char* bytes, int32_t count);
  // The same for NUL-terminated text (null counts as empty).
  int AppendText(const char* text);
  // 1 when the text, converted to ANSI (or kept as AssignName keeps it), is
  // byte for byte this string. An unset
  // string equals only null or empty text; an allocated empty one never does.
  int EqualsWide(const WideChar* text) const;
  // Removes leading and trailing space, TAB, CR, LF and NUL bytes.
  void Trim();
  // Returns a new string the caller deletes, holding count bytes from start
  // (clipped to the end), or null when start or count is out of range.
  CString* Mid(int32_t start, int32_t count) const;
  // Makes the buffer hold at least needed bytes (the terminator included),
  // by the growth rule of base/growth.h; 1 done, 0 out of memory.
  int Grow(int64_t needed);
  void Clear();
  // Rebuilds the UTF-16 copy; null when the string is unset or empty. The
  // pointer stays owned by the string and lives until the next GetWide.
  const WideChar* GetWide();
  // As GetWide, but "" where GetWide gives null: for controls and messages
  // that take empty text rather than none.
  const WideChar* WideOrEmpty();

  // The text, or "" when unset.
  const char* Text() const { return data != nullptr ? data : ""; }
  bool IsEmpty() const { return length == 0; }

 private:
  CBuffer<char> buffer_;  // data points into it
  // UTF-16 copy, rebuilt on every GetWide; not kept in step with data.
  CBuffer<WideChar> wide_;
};

// Copies count bytes of text to out with each foreign character replaced by
// replacement: the text as the code page writes it ('?' as the system puts
// for what it cannot show, '_' in an identifier). Returns the number of
// characters replaced, or kStringNoMemory.
enum : int32_t {
  kStringNoMemory = kStringResults - 1,
};
int32_t ReplaceForeign(const char* text, int32_t count, char replacement, CString* out);

// The UTF-16 text of a string, made once and owned here, without touching the
// string: for a const string, or one that another thread may be reading.
class CWideText {
 public:
  explicit CWideText(const CString& text);
  CWideText(const CWideText&) = delete;
  CWideText& operator=(const CWideText&) = delete;

  // Null when the string is unset or empty, or memory ran out.
  const WideChar* Get() const { return units_.Get(); }
  // "" where Get gives null.
  const WideChar* OrEmpty() const;

 private:
  CBuffer<WideChar> units_;
};
