// Binary -> Text: turns binary data into a source-code array declaration made
// from the user's template, with the data as formatted values in rows of 16
// input bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/file.h"
#include "base/holder.h"
#include "convert/conversion_output.h"
#include "convert/string_literal.h"
#include "convert/units.h"
#include "convert/value_format.h"

inline constexpr int32_t kRowBufferSize = kOutputBufferSize;

// The streaming form: the input arrives in blocks of any size, and the text
// written is the same however the input is split. The texts handed to Begin
// must stay valid until Finish.
class BinaryToTextStream : ConversionOutput {
 public:
  using ConversionOutput::ConversionOutput;

  // Writes the template up to the data marker and the line break after it.
  // totalSize is the input's full length, the base of the progress figures
  // and of the size and count markers before the data marker (after it they
  // state the bytes the data holds, known by then); fileName (the input's name without
  // its folder) stands for "($FILE_NAME)". An empty value format selects the
  // unit size's default format; an invalid one is replaced by it too, with a
  // debug line. Returns false when a write fell short: the conversion has
  // then ended.
  bool Begin(int32_t byteOrder, int32_t unitSize, const char* valueFormat,
             const char* arrayTemplate, const char* arrayName, uint64_t totalSize,
             const char* fileName = nullptr);

  // Adds the next count input bytes to the value rows. Returns false once
  // the rows have ended (cancelled, or a write fell short); later input is
  // ignored.
  bool Feed(const uint8_t* data, size_t count);

  // Ends the rows (a last partial unit takes its missing bytes as zero),
  // writes the rest of the template and the final line break, and reports
  // the progress 100. Returns true when every write of the conversion,
  // including those of the value rows, was whole.
  bool Finish();

  bool Cancelled() const { return cancelled_; }
  // True when the row buffer could not be allocated, so no values were made.
  bool OutOfMemory() const { return outOfMemory_; }
  // Input bytes turned into values so far.
  uint64_t Consumed() const { return consumed_; }

 private:
  enum class Stage { Idle, Rows, Finished };

  bool WriteWithMarkers(const char* text, size_t length, uint64_t size, bool head);
  bool FeedString(const uint8_t* data, size_t count);
  bool FlushRows();
  // Returns the input bytes the rows hold.
  uint64_t EndRows();
  void BuildTable(size_t entries);
  template <int kUnit, bool kSwap, typename Put>
  size_t EmitRun(const uint8_t* data, size_t units, const Put& put);
  template <int kUnit, bool kSwap>
  size_t EmitUnitsOf(const uint8_t* data, size_t units);
  size_t EmitUnits(const uint8_t* data, size_t units);

  Stage stage_ = Stage::Idle;
  ValueFormat format_;
  int32_t unitSize_ = 1;
  bool swap_ = false;  // the unit's byte order differs from the machine's
  // The template text after the data marker, written at the end.
  const char* tail_ = nullptr;
  size_t tailLength_ = 0;
  bool dataMarkerFound_ = false;
  bool stringRows_ = false;    // the data marker asks for string-literal rows
  bool stringPragma_ = false;  // the rows stand between kStringPragma* lines
  bool stringCount_ = false;   // ($ARRAY_COUNT) counts bytes, as the literal holds them
  const char* arrayName_ = nullptr;
  const char* fileName_ = nullptr;
  StringLiteralEncoder literal_;
  bool outOfMemory_ = false;
  bool cancelled_ = false;
  bool rowsEnded_ = false;

  CBuffer<char> buffer_;   // kRowBufferSize bytes plus room for one value
  char* out_ = nullptr;    // the write position in buffer_
  uint64_t consumed_ = 0;  // c: input bytes formatted so far
  uint8_t carry_[8] = {};  // a unit split between two blocks
  int32_t carryLength_ = 0;

  // For 1-byte units, and 2-byte units of large inputs: the text of every
  // unit value at a fixed stride, then the length of each text.
  CBuffer<char> table_;
  const uint8_t* tableLength_ = nullptr;
  int32_t tableStride_ = 0;
  size_t tableSameLength_ = 0;  // the length of every text, or 0 when they differ
  // For 2-, 4- and 8-byte units whose format allows it: the text composed
  // from its fixed parts and the digits.
  FixedHexLayout fixed_;
  bool useFixed_ = false;
};

// True when the first data marker of the template is "($ARRAY_STRING)".
bool TemplateWritesStringLiteral(const char* arrayTemplate);

// True when the template holds "($ARRAY_SIZE)" or "($ARRAY_COUNT)" before its
// data marker: the input's size must then be known before the text starts.
// After the data marker they need no such knowledge.
bool TemplateNeedsInputSize(const char* arrayTemplate);

// Converts the whole of data (count bytes) at once. Returns false when a
// write fell short.
bool ConvertBinaryToText(ConversionMonitor& monitor, const uint8_t* data, int32_t count,
                         CFile& output, int32_t byteOrder, int32_t unitSize,
                         const char* valueFormat, const char* arrayTemplate, const char* arrayName);
