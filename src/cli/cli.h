// brelvix-cli: the command-line tool. Each group of subcommands lives in its
// own file and is listed once in the table of dispatch.cpp.
#pragma once

#include <cstdint>

// Exit statuses.
inline constexpr int kExitOk = 0;      // every file converted
inline constexpr int kExitFailed = 1;  // at least one file failed
inline constexpr int kExitUsage = 2;   // bad usage; nothing was done

// Runs the tool with its arguments as 8-bit text in the ANSI code page
// (args[0] is the program's name). Returns the exit status.
int RunCli(int count, const char* const* args);

// A subcommand: its arguments start after its name (args[0] is the name).
struct CliCommand {
  const char* name;
  const char* summary;  // one line for the general help
  int (*run)(int count, const char* const* args);
};

struct FileConversionRequest;
struct FileConversionResult;
class ConversionMonitor;
class NumberCensus;
enum class FileConversionStatus;

// Tells on standard error why the conversion of input failed, naming the
// cause and the path it is about; names are printed with control characters
// escaped.
void ReportConversionFailure(const char* input, const FileConversionResult& result);

// Warns, naming file when not null, that an array name given by hand is not
// a C identifier; the name is still used as given.
void WarnOfArrayName(const char* file, const char* name);

// The warnings of a run, the same for to-text, to-binary and run: a value
// format that shows fewer bits than a unit holds (once per run; an error with
// asError; true when it does), and after
// each input converted what census counted of a text's numbers (null: not
// counted) and a string literal too long for MSVC.
bool WarnOfNarrowFormat(const char* valueFormat, int32_t unitSize, bool asError = false);
void WarnAfterConversion(const char* input, const FileConversionRequest& request,
                         const FileConversionResult& result, NumberCensus* census);

// The subcommands, one declaration per command.
int RunToText(int count, const char* const* args);
int RunToBinary(int count, const char* const* args);
// to-text (toText) or to-binary with a stored output folder that fills in
// only when neither -o nor -O is given; null for none.
int RunConversionCommand(bool toText, int count, const char* const* args,
                         const char* storedOutputFolder);
int RunSettings(int count, const char* const* args);
int RunFileList(int count, const char* const* args);
