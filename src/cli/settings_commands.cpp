// The subcommand "settings", and the conversion commands run with the stored
// defaults of the settings file.
#include <cstdio>

#include "cli/cli.h"
#include "cli/options.h"
#include "cli/settings_file.h"

namespace {

const char kSettingsHelp[] =
    "Usage: brelvix-cli settings [--settings FILE]\n"
    "Shows which settings file brelvix-cli reads (brelvix.ini in the current\n"
    "directory when one is there, else the one beside the program, else when the\n"
    "program's folder is not writable the one in the per-user data folder) and the\n"
    "value in effect of every key, one \"key = value\" line each, in the order the\n"
    "file holds them; keys the file lacks show their defaults. to-text and to-binary\n"
    "take their defaults for size, byte order, format, template and output folder\n"
    "from the same file; their options win. Nothing here writes the file.\n"
    "\n"
    "Options:\n"
    "      --settings FILE  read FILE instead (also taken by to-text and to-binary)\n"
    "  -h, --help           show this help\n";

}  // namespace

int RunWithSettings(const CliCommand& command, int count, const char* const* args) {
  const bool toText = command.run == &RunToText;
  if (!toText && command.run != &RunToBinary) return command.run(count, args);
  ConversionArguments arguments;
  const char* file = nullptr;
  int status = arguments.Take(count, args, &file, stderr);
  if (status != 0) return status;
  // A file named on the command line is an option too; the environment only
  // stops the search.
  if (arguments.noSettings || (file == nullptr && SettingsDisabledByEnvironment())) {
    return RunConversionCommand(toText, arguments.count, arguments.values.Get(), nullptr);
  }
  CAppParameter parameter;
  bool read = false;
  status = LoadCliSettings(file, parameter, &read, stderr);
  if (status != 0) return status;
  arguments.AddStoredDefaults(toText, parameter, stderr);
  return RunConversionCommand(toText, arguments.count, arguments.values.Get(),
                              arguments.storedOutputFolder);
}

int RunSettings(int count, const char* const* args) {
  OptionParser parser(count, args);
  const char* file = nullptr;
  while (parser.Next()) {
    if (parser.IsOperand()) {
      return parser.Error("'%s': no FILE operand here; '--settings FILE' names a file",
                          parser.Text());
    }
    if (parser.Is('h', "help")) {
      if (!parser.NoValue()) return kExitUsage;
      std::fputs(kSettingsHelp, stdout);
      return kExitOk;
    }
    if (!parser.Is(0, "settings")) return parser.Unknown();
    if ((file = parser.Value()) == nullptr) return kExitUsage;
    if (file[0] == 0) return parser.Error("option '--settings' names no file");
  }
  CAppParameter parameter;
  bool read = false;
  const int status = LoadCliSettings(file, parameter, &read, stderr);
  if (status != 0) return status;
  if (!read) {
    std::fprintf(stderr, "%s: no settings file at '%s'; these are the built-in defaults\n",
                 kProgramName, parameter.settingsPath.Text());
  }
  ListSettings(parameter, stdout);
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? kExitOk : kExitFailed;
}
