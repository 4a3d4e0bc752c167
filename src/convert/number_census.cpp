#include "convert/number_census.h"

namespace {

// A table entry: the next state in the low bits, then what the byte does.
constexpr uint8_t kStateMask = 7;
constexpr uint8_t kKeeps = 8;    // a number ends at a separator
constexpr uint8_t kStarts = 16;  // a byte that may begin a prefix
constexpr uint8_t kDrops = 32;   // the number a foreign byte ended is dropped

constexpr bool IsHexDigit(unsigned c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

constexpr bool IsSeparator(unsigned c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ',';
}

// What byte c does in a state other than kForeignEnd.
constexpr uint8_t Step(unsigned state, unsigned c) {
  const uint8_t start = c == '0' ? 1 : c == '&' ? 2 : 0;  // kZero, kAmpersand
  switch (state) {
    case 1:                                                          // kZero
    case 2:                                                          // kAmpersand
      if (state == 1 ? c == 'x' : (c == 'H' || c == 'h')) return 3;  // kPrefixed
      // Not a prefix: this byte may begin one.
      return start != 0 ? static_cast<uint8_t>(start | kStarts) : 0;
    case 3:  // kPrefixed
    case 4:  // kDigits
      if (IsHexDigit(c)) return 4;
      if (IsSeparator(c)) return kKeeps;
      return state == 4 ? 5 : 0;  // kForeignEnd
    default:                      // kBetween
      return start != 0 ? static_cast<uint8_t>(start | kStarts) : 0;
  }
}

struct Table {
  uint8_t of[8][256];
  constexpr Table() : of() {
    for (unsigned c = 0; c < 256; ++c) {
      for (unsigned state = 0; state < 5; ++state)
        of[state][c] = Step(state, c);
      of[5][c] = static_cast<uint8_t>(Step(0, c) | kDrops);
    }
  }
};

constexpr Table kTable;

}  // namespace

void NumberCensus::Feed(const char* text, size_t count) {
  unsigned state = state_;
  uint64_t line = line_;
  uint64_t numberLine = numberLine_;
  uint64_t keptHere = 0;
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const uint8_t entry = kTable.of[state][c];
    if ((entry & kDrops) != 0 && dropped++ == 0) firstDroppedLine = numberLine;
    numberLine = (entry & kStarts) != 0 ? line : numberLine;
    keptHere += (entry >> 3) & 1;
    line += c == '\n';
    state = entry & kStateMask;
  }
  kept += keptHere;
  state_ = static_cast<uint8_t>(state);
  line_ = line;
  numberLine_ = numberLine;
}

void NumberCensus::End() {
  if (state_ == kForeignEnd || state_ == kDigits) ++kept;
  state_ = kBetween;
}

uint32_t CensusInput::Read(void* buffer, uint32_t count, uint64_t position) {
  const uint32_t got = CFile::Read(buffer, count, position);
  if (census != nullptr) census->Feed(static_cast<const char*>(buffer), got);
  return got;
}
