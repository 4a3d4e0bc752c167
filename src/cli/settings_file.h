// The settings file on the command line. brelvix-cli reads brelvix.ini the way
// the window program does (the current directory first, then beside the
// program, then the per-user data folder of an installed copy) and takes its
// conversion defaults from it; options still win. "--settings FILE" reads
// another file; "--no-settings", or BRELVIX_NO_SETTINGS set to anything but
// "" or "0", reads none, so that a build step's output depends on its input
// and options alone. The tool never writes a settings file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/holder.h"
#include "base/str.h"
#include "cli/cli.h"
#include "convert/app_parameter.h"

// Reads the settings: from file when one is given, else from the file the
// program's own search finds. read tells whether a file was read. Returns 0,
// kExitUsage after a message on err when a given file cannot be read, or
// kExitFailed when memory runs out; a
// file the search finds but cannot read leaves the defaults, with a warning.
int LoadCliSettings(const char* file, CAppParameter& parameter, bool* read, FILE* err);

// Writes "settings_file = PATH", then one "key = value" line for every key,
// in the order the settings file holds them.
void ListSettings(CAppParameter& parameter, FILE* out);

// A conversion command's arguments with "--settings" taken out and the stored
// defaults put right after the command's name, ahead of the user's options,
// so that an option given on the command line wins.
class ConversionArguments {
 public:
  ConversionArguments() = default;
  ~ConversionArguments() = default;
  ConversionArguments(const ConversionArguments&) = delete;
  ConversionArguments& operator=(const ConversionArguments&) = delete;

  // Copies the arguments (args[0] is the command's name) without any
  // "--settings FILE", "--settings=FILE" or "--no-settings" ahead of "--";
  // settingsFile gets the last file given, or null, and noSettings tells
  // whether "--no-settings" was given. Returns 0, or kExitUsage after a
  // message.
  int Take(int count, const char* const* args, const char** settingsFile, FILE* err);
  // Puts the stored defaults in front: size and byte order, and for to-text
  // the value format and the template. A stored value the command could not
  // take is left out with a warning on err. The stored output folder goes to
  // storedOutputFolder instead: it applies only when neither -o nor -O is
  // given.
  void AddStoredDefaults(bool toText, CAppParameter& parameter, FILE* err);

  int count = 0;
  CBuffer<const char*> values;  // count arguments and a null; empty before Take
  bool noSettings = false;
  const char* storedOutputFolder = nullptr;  // null: none stored

 private:
  static constexpr int kMaxDefaults = 5;
  CString defaults_[kMaxDefaults];
  int defaultCount_ = 0;
};

// True when the environment asks for no settings file (BRELVIX_NO_SETTINGS
// set to anything but "" or "0"), for build tools that cannot add an option.
bool SettingsDisabledByEnvironment();

// Runs a command of the dispatcher's table with the settings file applied.
int RunWithSettings(const CliCommand& command, int count, const char* const* args);
