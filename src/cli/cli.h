// brelvix-cli: the command-line tool. Each group of subcommands lives in its
// own file and is listed once in the table of dispatch.cpp.
#pragma once

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

struct FileConversionResult;

// Tells on standard error why the conversion of input failed, naming the
// cause and the path it is about; names are printed with control characters
// escaped.
void ReportConversionFailure(const char* input, const FileConversionResult& result);

// Warns, naming file when not null, that an array name given by hand is not
// a C identifier; the name is still used as given.
void WarnOfArrayName(const char* file, const char* name);

// The subcommands, one declaration per command.
int RunToText(int count, const char* const* args);
int RunToBinary(int count, const char* const* args);
int RunSettings(int count, const char* const* args);
int RunFileList(int count, const char* const* args);
