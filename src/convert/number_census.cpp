#include "convert/number_census.h"

namespace {

bool IsHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsSeparator(unsigned char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ',';
}

}  // namespace

void NumberCensus::Feed(const char* text, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (pendingDrop_) {
      pendingDrop_ = false;
      if (dropped++ == 0) firstDroppedLine = numberLine_;
    }
    switch (state_) {
      case State::Zero:
      case State::Ampersand:
        if (state_ == State::Zero ? c == 'x' : (c == 'H' || c == 'h')) {
          state_ = State::Prefixed;
          break;
        }
        // Not a prefix: this byte may begin one.
        state_ = c == '0' ? State::Zero : c == '&' ? State::Ampersand : State::Between;
        if (state_ != State::Between) numberLine_ = line_;
        break;
      case State::Prefixed:
      case State::Digits:
        if (IsHexDigit(c)) {
          state_ = State::Digits;
        } else {
          if (IsSeparator(c)) {
            ++kept;
          } else if (state_ == State::Digits) {
            pendingDrop_ = true;
          }
          state_ = State::Between;
        }
        break;
      case State::Between:
        if (c == '0' || c == '&') {
          state_ = c == '0' ? State::Zero : State::Ampersand;
          numberLine_ = line_;
        }
        break;
    }
    if (c == '\n') ++line_;
  }
}

void NumberCensus::End() {
  if (pendingDrop_ || state_ == State::Digits) ++kept;
  pendingDrop_ = false;
  state_ = State::Between;
}

uint32_t CensusInput::Read(void* buffer, uint32_t count, uint64_t position) {
  const uint32_t got = CFile::Read(buffer, count, position);
  if (census != nullptr) census->Feed(static_cast<const char*>(buffer), got);
  return got;
}
