// Binary data as rows of C string-literal pieces that gcc, clang and MSVC,
// in C and in C++, all read back as exactly the input bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Input bytes per row at most; a row also ends after a line feed byte, so
// text keeps its lines. A row's piece stays far below MSVC's limit of
// 16,380 bytes for one piece.
inline constexpr int32_t kStringRowBytes = 64;

// Input bytes per group of rows at most. Between groups the text holds a
// comma that only a template defining kStringGroupsMacro sees: without it the
// rows stay one literal; with it each group is one literal of a
// two-dimensional array, each far below MSVC's 65,535 bytes after
// concatenation, and the groups stay contiguous.
inline constexpr int32_t kStringGroupBytes = 16384;
inline constexpr char kStringGroupsMacro[] = "BRELVIX_STRING_GROUPS";

// The text between two groups.
inline constexpr char kStringGroupBreak[] = "\r\n#ifdef BRELVIX_STRING_GROUPS\r\n\t\t,\r\n#endif";

// The most text one input byte can add: the end of a row, a group break,
// the next row's start and an escape.
inline constexpr size_t kStringTextPerByte = 16 + sizeof kStringGroupBreak;

// MSVC refuses a literal longer than this, its terminating zero included.
inline constexpr uint64_t kMsvcStringLiteralLimit = 65535;

// gcc and clang under -pedantic warn (-Woverlength-strings) of a C literal
// longer than the least limit the C standard grants, 509 bytes in C90, which
// fails a -Werror build. The text of a longer (or unknown) length stands
// between these lines, which silence that warning only, in C only, and change
// no byte of the literal.
inline constexpr uint64_t kOverlengthStringBytes = 509;
inline constexpr char kStringPragmaOpening[] =
    "#if defined(__GNUC__) && !defined(__cplusplus)\r\n"
    "#pragma GCC diagnostic push\r\n"
    "#pragma GCC diagnostic ignored \"-Woverlength-strings\"\r\n"
    "#endif\r\n";
inline constexpr char kStringPragmaClosing[] =
    "#if defined(__GNUC__) && !defined(__cplusplus)\r\n"
    "#pragma GCC diagnostic pop\r\n"
    "#endif\r\n";

// Turns a stream of bytes into the text of string-literal rows, each row two
// tabs and a quoted piece, rows separated by CR LF. The text is the same
// however the input is split into calls.
class StringLiteralEncoder {
 public:
  // Encodes bytes from data into out until count bytes are taken or fewer
  // than kStringTextPerByte bytes of room are left. Returns the number of
  // input bytes taken; *written receives the text length.
  size_t Encode(const uint8_t* data, size_t count, char* out, size_t room, size_t* written);

  // Ends the last row (an input without bytes gives one empty piece) and
  // returns the length of the text put in out, which needs room for
  // kStringTextPerByte bytes.
  size_t End(char* out);

 private:
  // An octal escape waits for the next byte: when that is an octal digit,
  // the escape is written with all three digits so that it cannot take the
  // digit in.
  int32_t pendingOctal_ = -1;
  int32_t rowBytes_ = 0;    // input bytes in the open row
  int32_t groupBytes_ = 0;  // input bytes in the open group
  bool rowOpen_ = false;
  bool lastQuestion_ = false;  // the last text written is '?'
};
