// What the subcommands share: option parsing, messages to the user, version.
#pragma once

#include <cstdint>

#include "base/holder.h"

inline constexpr char kProgramName[] = "brelvix-cli";

// The program's version, as "1.0.2.0".
const char* ProgramVersion();

// Prints "brelvix-cli: " and the message and a line break on standard error.
void PrintError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Prints "brelvix-cli: warning: " and the message and a line break on
// standard error.
void PrintWarning(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A text as a message shows it: control characters as C escapes, so that a
// file name cannot move the cursor or end the line. Backslashes stay, for
// paths. Falls back to "?" when memory runs out.
class Printable {
 public:
  explicit Printable(const char* text);
  Printable(const Printable&) = delete;
  Printable& operator=(const Printable&) = delete;
  const char* Text() const { return text_ ? text_.Get() : "?"; }

 private:
  CBuffer<char> text_;
};

// Steps through the arguments of one subcommand. Options may come before,
// between and after the operands; "--" makes every later argument an
// operand, and so is "-" alone. An option's value may be attached ("-s4",
// "--size=4") or be the next argument ("-s 4", "--size 4", "-f ''").
class OptionParser {
 public:
  // args[0] is the subcommand's name.
  OptionParser(int count, const char* const* args);

  // Moves to the next argument; false when there is none.
  bool Next();
  bool IsOperand() const { return operand_; }
  const char* Text() const { return current_; }

  // True when the current argument is the option -shortName (0: none) or
  // --longName, with or without an attached value.
  bool Is(char shortName, const char* longName) const;

  // The value of the current option; null, after a usage message, when it
  // has none.
  const char* Value();
  // For an option without a value: false, after a usage message, when one
  // was attached.
  bool NoValue() const;

  // Prints a usage message under this subcommand with a pointer to its help
  // and returns kExitUsage.
  int Error(const char* format, ...) const
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  // The usage message for an option this subcommand does not know.
  int Unknown() const;

 private:
  int count_;
  const char* const* args_;
  const char* command_;
  int index_ = 0;
  const char* current_ = nullptr;
  bool operand_ = false;
  bool operandsOnly_ = false;
};

// Parses a whole decimal number; false for anything else.
bool ParseInteger(const char* text, int32_t* value);
