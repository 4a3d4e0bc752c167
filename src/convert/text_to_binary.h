// Text -> Binary: picks every hexadecimal number with the prefix "0x", "&H" or
// "&h" that a separator (tab, LF, CR, blank, comma) ends, and writes its value
// as one unit of 1, 2, 4 or 8 bytes in the chosen byte order. The C syntax
// (text_scan.h) also takes "0X" and ends a number at '}', ')', ']' and ';'.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/file.h"
#include "base/holder.h"
#include "convert/conversion_output.h"
#include "convert/text_scan.h"
#include "convert/units.h"

inline constexpr int32_t kUnitBufferSize = kOutputBufferSize;

// The streaming form: the text arrives in blocks of any size, and the bytes
// written are the same however the text is split.
class TextToBinaryStream : ConversionOutput {
 public:
  using ConversionOutput::ConversionOutput;

  // totalSize is the text's full length, the base of the progress figures.
  // Returns false when the buffer cannot be allocated: nothing is written.
  bool Begin(int32_t byteOrder, int32_t unitSize, uint64_t totalSize,
             NumberSyntax syntax = NumberSyntax::Plain);

  // Scans the next count bytes. Returns false once the scan has stopped
  // (cancelled, or a write fell short); later text is ignored.
  bool Feed(const char* text, size_t count);

  // Ends the text: a number that its last byte ended is written, and so is a
  // number whose last digit is the last byte; then the buffer is written out.
  // Returns true when every write was whole.
  bool Finish();

  // Chooses the scanner, the fastest the processor runs unless told; one it
  // lacks falls back to the byte-at-a-time scan. The bytes are the same.
  void UseScanner(TextScanner scanner) { windowScan_ = WindowScanFor(scanner); }

  bool Cancelled() const { return cancelled_; }
  bool OutOfMemory() const { return outOfMemory_; }
  // Text bytes scanned so far.
  uint64_t Consumed() const { return position_; }

 private:
  // What the end of the previous block left undecided.
  enum class Pending {
    None,
    Zero,       // a '0' that may begin "0x"
    Ampersand,  // a '&' that may begin "&H" or "&h"
    Foreign,    // a number ended by a byte that is no separator: written
                // only when that byte is the last of the text
  };

  struct ScanRun;

  bool FlushUnits();
  void Append(uint64_t value);
  bool StopOnCancel(ScanRun& run);
  bool FlushIfFull(ScanRun& run);
  // The loops of Scan; each returns false when a write fell short.
  template <int kUnit, bool kSwap, NumberSyntax kSyntax>
  bool ScanWindowRun(ScanRun& run);
  template <int kUnit, bool kSwap, NumberSyntax kSyntax>
  bool ScanBetweenNumbers(ScanRun& run, const uint8_t* stop);
  template <int kUnit, bool kSwap, NumberSyntax kSyntax>
  bool ScanStep(ScanRun& run);
  template <int kUnit, bool kSwap, NumberSyntax kSyntax>
  void Scan(const char* text, size_t count);

  bool begun_ = false;
  bool finished_ = false;
  int32_t unitSize_ = 1;
  bool swap_ = false;  // the unit's byte order differs from the machine's
  NumberSyntax syntax_ = NumberSyntax::Plain;
  bool stopped_ = false;
  bool cancelled_ = false;
  bool outOfMemory_ = false;

  CBuffer<uint8_t> buffer_;  // kUnitBufferSize bytes while the scan runs
  int32_t offset_ = 0;
  uint64_t position_ = 0;  // i: the index of the next byte in the whole text
  bool inNumber_ = false;
  bool hasDigit_ = false;
  uint64_t accumulator_ = 0;
  Pending pending_ = Pending::None;
  WindowScanFunction windowScan_ = WindowScanFor(BestTextScanner());
};

// Converts the whole text (count bytes) at once. Returns false when the
// buffer could not be allocated or a write fell short.
bool ConvertTextToBinary(ConversionMonitor& monitor, const char* text, int32_t count, CFile& output,
                         int32_t byteOrder, int32_t unitSize,
                         NumberSyntax syntax = NumberSyntax::Plain);
