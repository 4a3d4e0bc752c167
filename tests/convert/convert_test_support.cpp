#include "convert_test_support.h"

#include "base/debug_print.h"
#include "convert/binary_to_text.h"
#include "convert/text_to_binary.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace convert_test {

uint32_t MemoryFile::Write(const void* buffer, uint32_t count, uint64_t /*position*/) {
  const int index = static_cast<int>(writeSizes.size());
  writeSizes.push_back(count);
  uint32_t done = count;
  if ((failFrom >= 0 && index >= failFrom) || index == failOnce) done = count / 2;
  data.append(static_cast<const char*>(buffer), done);
  size += done;
  return done;
}

MemoryInput::MemoryInput(std::string text, uint64_t claimedSize) : content(std::move(text)) {
  size = claimedSize;
}

uint32_t MemoryInput::Read(void* buffer, uint32_t count, uint64_t /*position*/) {
  readSizes.push_back(count);
  size_t n = content.size() - at;
  if (n > count) n = count;
  std::memcpy(buffer, content.data() + at, n);
  at += n;
  return static_cast<uint32_t>(n);
}

void RecordingMonitor::SetFileProgress(int32_t percent) {
  progress.push_back(percent);
  if (cancelAtReport > 0 && static_cast<int>(progress.size()) == cancelAtReport) {
    cancelRequested = 1;
  }
}

namespace {

DebugLines* g_recorder = nullptr;

int RecordDebugLine(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  const WideString line = FormatDebugLine(format, args);
  va_end(args);
  std::string narrow;
  for (WideChar unit : line)
    narrow.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  if (g_recorder != nullptr) g_recorder->lines.push_back(narrow);
  return static_cast<int>(narrow.size());
}

}  // namespace

DebugLines::DebugLines() {
  g_recorder = this;
  SetDebugPrintTarget(&RecordDebugLine);
}

DebugLines::~DebugLines() {
  ResetDebugPrintTarget();
  g_recorder = nullptr;
}

std::string Snprintf(const char* format, uint64_t value) {
  // Find the conversion's length modifier and letter.
  const char* p = format;
  while (*p != 0) {
    if (p[0] == '%' && p[1] == '%') {
      p += 2;
    } else if (*p == '%') {
      break;
    } else {
      ++p;
    }
  }
  ++p;
  while (std::strchr("-+ #0123456789.", *p) != nullptr && *p != 0)
    ++p;
  std::string modifier;
  while (std::strchr("hljzt", *p) != nullptr && *p != 0)
    modifier.push_back(*p++);
  // The Windows C library's sizes: I64 and I (Win64) take 64 bits, I32 an int.
  // A C library without them (glibc reads 'I' as a flag) gets the portable
  // spelling.
  std::string spelled = format;
  if (*p == 'I') {
    const bool i32 = p[1] == '3' && p[2] == '2';
    const size_t length = (i32 || (p[1] == '6' && p[2] == '4')) ? 3 : 1;
    modifier = i32 ? "" : "ll";
#if !defined(_WIN32)
    spelled.replace(static_cast<size_t>(p - format), length, modifier);
#endif
    p += length;
  }
  format = spelled.c_str();
  const bool isSigned = *p == 'd' || *p == 'i';

  char out[256];
  int n = 0;
  if (modifier == "ll") {
    n = isSigned ? std::snprintf(out, sizeof out, format, static_cast<long long>(value))
                 : std::snprintf(out, sizeof out, format, static_cast<unsigned long long>(value));
  } else if (modifier == "l") {
    n = isSigned ? std::snprintf(out, sizeof out, format, static_cast<long>(value))
                 : std::snprintf(out, sizeof out, format, static_cast<unsigned long>(value));
  } else if (modifier == "j") {
    n = isSigned ? std::snprintf(out, sizeof out, format, static_cast<intmax_t>(value))
                 : std::snprintf(out, sizeof out, format, static_cast<uintmax_t>(value));
  } else if (modifier == "z") {
    n = std::snprintf(out, sizeof out, format, static_cast<size_t>(value));
  } else if (modifier == "t") {
    n = std::snprintf(out, sizeof out, format, static_cast<std::ptrdiff_t>(value));
  } else {
    // An int-sized argument: its low 32 bits; h and hh narrow it further.
    const auto low = static_cast<uint32_t>(value);
    n = isSigned ? std::snprintf(out, sizeof out, format, static_cast<int>(low))
                 : std::snprintf(out, sizeof out, format, low);
  }
  if (n < 0) return "<snprintf failed>";
  return std::string(out, static_cast<size_t>(n) < sizeof out ? static_cast<size_t>(n) : 255);
}

namespace {

const char* DefaultFormat(int unitSize) {
  if (unitSize == 2) return "0x%04X";
  if (unitSize == 4) return "0x%08X";
  if (unitSize == 8) return "0x%016llX";
  return "0x%02X";
}

}  // namespace

std::string ReferenceBinaryToText(const std::vector<uint8_t>& data, int byteOrder, int unitSize,
                                  const std::string& format, const std::string& arrayTemplate,
                                  const std::string& arrayName, Trace* trace) {
  const int unit = unitSize == 2 || unitSize == 4 || unitSize == 8 ? unitSize : 1;
  const std::string valueFormat = format.empty() ? DefaultFormat(unit) : format;
  std::string out;
  size_t last = 0;
  bool found = false;
  for (size_t i = 0; i < arrayTemplate.size(); ++i) {
    if (arrayTemplate.compare(i, 13, "($ARRAY_NAME)") == 0) {
      out += arrayTemplate.substr(last, i - last) + arrayName;
      last = i + 13;
    } else if (arrayTemplate.compare(i, 13, "($ARRAY_DATA)") == 0) {
      out += arrayTemplate.substr(last, i - last);
      last = i + 13;
      found = true;
      break;
    }
  }
  if (!found) out += arrayTemplate.substr(last);
  out += "\r\n";
  size_t rowsStart = out.size();  // the row buffer holds out[rowsStart, end)
  for (size_t c = 0; c < data.size(); c += static_cast<size_t>(unit)) {
    if (out.size() - rowsStart + 100 >= kRowBufferSize) {
      if (trace != nullptr) {
        trace->flushes.push_back(static_cast<uint32_t>(out.size() - rowsStart));
        trace->progress.push_back(static_cast<int32_t>(uint64_t{c} * 100 / data.size()));
      }
      rowsStart = out.size();
    }
    if (c > 0) out += ",";
    if (c > 0 && c % 16 == 0) out += "\r\n";
    if (c % 16 == 0) out += "\t\t";
    uint64_t value = 0;
    for (int k = 0; k < unit; ++k) {
      const uint64_t byte = c + k < data.size() ? data[c + k] : 0;
      const int shift = byteOrder == 0 ? 8 * (unit - 1 - k) : 8 * k;
      value |= byte << shift;
    }
    out += Snprintf(valueFormat.c_str(), value);
  }
  if (found) {
    // After the data a name marker is replaced too; a data marker is text.
    out += "\r\n";
    size_t from = last;
    for (size_t at; (at = arrayTemplate.find("($ARRAY_NAME)", from)) != std::string::npos;
         from = at + 13) {
      out += arrayTemplate.substr(from, at - from) + arrayName;
    }
    out += arrayTemplate.substr(from);
  }
  out += "\r\n";
  if (trace != nullptr) trace->progress.push_back(data.empty() ? 0 : 100);
  return out;
}

std::string ReferenceTextToBinary(const std::string& text, int byteOrder, int unitSize,
                                  Trace* trace, bool cSyntax) {
  const int unit = unitSize == 2 || unitSize == 4 || unitSize == 8 ? unitSize : 1;
  std::string out;
  auto append = [&](uint64_t value) {
    for (int k = 0; k < unit; ++k) {
      const int shift = byteOrder == 0 ? 8 * (unit - 1 - k) : 8 * k;
      out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
  };
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  const size_t n = text.size();
  bool inNumber = false;
  bool hasDigit = false;
  uint64_t value = 0;
  size_t bufferStart = 0;  // the unit buffer holds out[bufferStart, end)
  for (size_t i = 0; i < n; ++i) {
    if (out.size() - bufferStart + 100 >= kUnitBufferSize) {
      if (trace != nullptr) {
        trace->flushes.push_back(static_cast<uint32_t>(out.size() - bufferStart));
        trace->progress.push_back(static_cast<int32_t>(uint64_t{i} * 100 / n));
      }
      bufferStart = out.size();
    }
    const char b = text[i];
    if (!inNumber) {
      if (i + 1 < n && ((b == '0' && (text[i + 1] == 'x' || (cSyntax && text[i + 1] == 'X'))) ||
                        (b == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')))) {
        inNumber = true;
        hasDigit = false;
        value = 0;
        ++i;
      }
      continue;
    }
    if (digit(b) >= 0) {
      value = value * 16 + static_cast<uint64_t>(digit(b));
      hasDigit = true;
    } else if (b == '\t' || b == '\n' || b == '\r' || b == ' ' || b == ',' ||
               (cSyntax && (b == '}' || b == ')' || b == ']' || b == ';'))) {
      append(value);
      inNumber = false;
    } else {
      if (i == n - 1) append(value);
      inNumber = false;
    }
  }
  if (inNumber && hasDigit) append(value);
  return out;
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> bytes(count);
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace convert_test
