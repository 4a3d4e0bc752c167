#include "cli/options.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/holder.h"
#include "base/str.h"
#include "bx_version.h"
#include "cli/cli.h"

const char* ProgramVersion() {
  return BX_VERSION_TEXT;
}

namespace {

void PrintMessage(const char* kind, const char* format, va_list args) {
  std::fprintf(stderr, "%s: %s", kProgramName, kind);
  // A file name outside the code page is shown as the system shows it.
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, again);
  va_end(again);
  CBuffer<char> text;
  CString shown;
  if (length >= 0 && text.AllocateUninitialised(static_cast<size_t>(length) + 1) &&
      std::vsnprintf(text.Get(), static_cast<size_t>(length) + 1, format, args) == length &&
      ReplaceForeign(text.Get(), length, '?', &shown) >= 0) {
    std::fputs(shown.Text(), stderr);
  } else {
    std::fputs(format, stderr);
  }
  std::fputc('\n', stderr);
}

}  // namespace

void PrintError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintMessage("", format, args);
  va_end(args);
}

void PrintWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintMessage("warning: ", format, args);
  va_end(args);
}

Printable::Printable(const char* text) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  // At most four bytes ("\xNN") for each byte of text.
  if (!text_.AllocateUninitialised(length * 4 + 1)) return;
  char* out = text_.Get();
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // A character of a file name that the code page lacks, as the system
    // shows it.
    if (const int32_t foreign = ForeignCharacterAt(text + i)) {
      *out++ = '?';
      i += static_cast<size_t>(foreign) - 1;
      continue;
    }
    const char* named = c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
    if (named != nullptr) {
      *out++ = named[0];
      *out++ = named[1];
    } else if (c < 0x20 || c == 0x7F) {
      out += std::snprintf(out, 5, "\\x%02X", c);
    } else {
      *out++ = static_cast<char>(c);
    }
  }
  *out = 0;
}

OptionParser::OptionParser(int count, const char* const* args)
    : count_(count), args_(args), command_(count > 0 ? args[0] : "") {}

bool OptionParser::Next() {
  for (;;) {
    if (++index_ >= count_) {
      current_ = nullptr;
      return false;
    }
    current_ = args_[index_];
    if (!operandsOnly_ && std::strcmp(current_, "--") == 0) {
      operandsOnly_ = true;
      continue;
    }
    operand_ = operandsOnly_ || current_[0] != '-' || current_[1] == 0;
    return true;
  }
}

bool OptionParser::Is(char shortName, const char* longName) const {
  if (operand_ || current_ == nullptr) return false;
  if (current_[1] == '-') {
    const size_t length = std::strlen(longName);
    return longName[0] != 0 && std::strncmp(current_ + 2, longName, length) == 0 &&
           (current_[2 + length] == 0 || current_[2 + length] == '=');
  }
  return shortName != 0 && current_[1] == shortName;
}

const char* OptionParser::Value() {
  if (current_[1] == '-') {
    const char* equals = std::strchr(current_, '=');
    if (equals != nullptr) return equals + 1;
  } else if (current_[2] != 0) {
    return current_ + 2;
  }
  if (index_ + 1 >= count_) {
    Error("option '%s' needs a value", Printable(current_).Text());
    return nullptr;
  }
  return args_[++index_];
}

bool OptionParser::NoValue() const {
  const bool attached =
      current_[1] == '-' ? std::strchr(current_, '=') != nullptr : current_[2] != 0;
  if (attached) Error("option '%s' takes no value", Printable(current_).Text());
  return !attached;
}

int OptionParser::Error(const char* format, ...) const {
  std::fprintf(stderr, "%s %s: ", kProgramName, command_);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\nTry '%s %s --help'.\n", kProgramName, command_);
  return kExitUsage;
}

int OptionParser::Unknown() const {
  return Error("unknown option '%s'", Printable(current_).Text());
}

bool ParseInteger(const char* text, int32_t* value) {
  if (text == nullptr || *text == 0) return false;
  int64_t result = 0;
  for (const char* p = text; *p != 0; ++p) {
    if (*p < '0' || *p > '9') return false;
    result = result * 10 + (*p - '0');
    if (result > INT32_MAX) return false;
  }
  *value = static_cast<int32_t>(result);
  return true;
}
