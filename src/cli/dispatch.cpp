// The dispatcher: general help and version, then hands over to a subcommand.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/settings_file.h"

namespace {

// Every subcommand, in the order the help lists them.
const CliCommand kCommands[] = {
    {"to-text", "convert binary files into source-code array text", &RunToText},
    {"to-binary", "convert the hexadecimal numbers of text files into binary files", &RunToBinary},
    {"settings", "show the settings file and the conversion defaults it gives", &RunSettings},
    {"run", "convert every row of a file list saved by the window program", &RunFileList},
};

void PrintHelp() {
  std::printf(
      "Usage: %s COMMAND [OPTION]... FILE...\n"
      "Converts files between raw binary data and hexadecimal source-code arrays.\n"
      "\n"
      "Commands:\n",
      kProgramName);
  for (const CliCommand& command : kCommands) {
    std::printf("  %-11s %s\n", command.name, command.summary);
  }
  std::printf(
      "\n"
      "Options:\n"
      "  -h, --help     show this help; '%s COMMAND --help' shows a command's\n"
      "      --version  show the version\n"
      "\n"
      "Conversion defaults come from brelvix.ini in the current directory, else beside\n"
      "the program, else (when the program's folder is not writable) in the per-user\n"
      "data folder; options win, and '--settings FILE' after the command reads FILE.\n"
      "'--no-settings' after the command, or BRELVIX_NO_SETTINGS=1 in the\n"
      "environment, reads none: the output depends on the input and options alone.\n"
      "Output files are never replaced: when a name is taken, '(1)', '(2)' ... is\n"
      "put before the extension.\n"
      "Exit status: 0 when every file converted, 1 when a file failed, 2 for bad usage.\n",
      kProgramName);
}

int RunCommand(int count, const char* const* args) {
  if (count < 2) {
    std::fprintf(stderr, "%s: a command is needed\nTry '%s --help'.\n", kProgramName, kProgramName);
    return kExitUsage;
  }
  const char* name = args[1];
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
    PrintHelp();
    return kExitOk;
  }
  if (std::strcmp(name, "--version") == 0) {
    std::printf("%s %s\n", kProgramName, ProgramVersion());
    return kExitOk;
  }
  for (const CliCommand& command : kCommands) {
    if (std::strcmp(name, command.name) == 0) return RunWithSettings(command, count - 1, args + 1);
  }
  std::fprintf(stderr, "%s: unknown %s '%s'\nTry '%s --help'.\n", kProgramName,
               name[0] == '-' ? "option" : "command", Printable(name).Text(), kProgramName);
  return kExitUsage;
}

}  // namespace

int RunCli(int count, const char* const* args) {
  RemoveTemporaryFilesOnInterrupt();
  int status = RunCommand(count, args);
  // A listing or help that did not reach its reader is a failure too
  // ("> /dev/full", a closed pipe).
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    PrintError("cannot write to standard output");
    if (status == kExitOk) status = kExitFailed;
  }
  return status;
}
