// Reading the settings file for the command line, listing its values, and
// the stored conversion defaults of to-text and to-binary.
#include "cli/settings_file.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include "base/holder.h"

#include "base/codepage.h"
#include "base/file.h"
#include "cli/options.h"
#include "config/comm_config.h"
#include "convert/convert_file.h"
#include "convert/convert_types.h"
#include "convert/text_scan.h"
#include "convert/value_format.h"

namespace {

int32_t Length(const char* text) {
  return static_cast<int32_t>(std::strlen(text));
}

// One line per key: a template may span lines and hold tabs, so control
// characters print as C escapes. Backslashes stay as they are, for paths.
void PrintValue(FILE* out, const CString& value) {
  // Characters kept as foreign units print as the characters they are.
  CString copy;
  CBuffer<char> plain;
  const char* text = value.data;
  int32_t length = value.length;
  if (HasForeignUnits(value.data, value.length) && copy.Assign(value) != nullptr) {
    plain.Reset(WideToMultiByte(copy.GetWide(), -1, kCodePageAnsi));
    if (plain) {
      text = plain.Get();
      length = static_cast<int32_t>(std::strlen(text));
    }
  }
  for (int32_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\r':
        std::fputs("\\r", out);
        break;
      case '\n':
        std::fputs("\\n", out);
        break;
      case '\t':
        std::fputs("\\t", out);
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          std::fprintf(out, "\\x%02X", c);
        } else {
          std::fputc(c, out);
        }
    }
  }
  std::fputc('\n', out);
}

// A key of the table: its name is ASCII.
void PrintKey(FILE* out, const SettingKey& key, CAppParameter& parameter) {
  if (key.type == SettingType::kColors) {
    for (int32_t i = 0; i < parameter.colorCount; ++i) {
      // As the file holds them: COLORREF values in signed decimal.
      std::fprintf(out, "color[%d].text = %d\n", static_cast<int>(i),
                   static_cast<int>(static_cast<int32_t>(parameter.colors[i].textColor)));
      std::fprintf(out, "color[%d].background = %d\n", static_cast<int>(i),
                   static_cast<int>(static_cast<int32_t>(parameter.colors[i].backgroundColor)));
    }
    return;
  }
  for (const WideChar* unit = key.name; *unit != 0; ++unit)
    std::fputc(static_cast<char>(*unit), out);
  std::fputs(" = ", out);
  if (key.type == SettingType::kInt) {
    std::fprintf(out, "%d\n", static_cast<int>(key.integer(parameter)));
  } else {
    PrintValue(out, key.text(parameter));
  }
}

}  // namespace

int LoadCliSettings(const char* file, CAppParameter& parameter, bool* read, FILE* err) {
  *read = false;
  if (file != nullptr) {
    if (!parameter.settingsPath.AssignBytes(file, Length(file))) {
      std::fprintf(err, "%s: out of memory\n", kProgramName);
      return kExitFailed;
    }
  } else {
    parameter.FindSettingsFile();
    // The search passes over what is no regular file; it is named, so that
    // a user does not wonder why their file has no effect.
    for (const CString* folder : {&parameter.currentPath, &parameter.appPath}) {
      CString candidate;
      if (folder->length == 0 || !candidate.Assign(*folder) ||
          !candidate.AppendBytes(parameter.settingsFileName.data,
                                 parameter.settingsFileName.length) ||
          std::strcmp(candidate.Text(), parameter.settingsPath.Text()) == 0) {
        continue;
      }
      CFile probe;
      if (probe.OpenRegular(candidate) || IsNotFoundError(probe.systemError)) continue;
      CString cause;
      DescribeSystemError(probe.systemError, &cause);
      std::fprintf(err, "%s: warning: '%s' is skipped: it does not open as a regular file: %s\n",
                   kProgramName, Printable(candidate.Text()).Text(), cause.Text());
    }
  }
  const Printable shown(parameter.settingsPath.Text());
  // Only a regular file: a FIFO or device given or found would block the
  // read or never end.
  CFile probe;
  const bool exists = probe.OpenRegular(parameter.settingsPath);
  const uint64_t size = probe.size;
  probe.Close();
  if (!exists) {
    if (file == nullptr && IsNotFoundError(probe.systemError)) return 0;
    CString cause;
    DescribeSystemError(probe.systemError, &cause);
    if (file == nullptr) {
      std::fprintf(err,
                   "%s: warning: the settings file '%s' does not open as a regular file: %s; "
                   "the built-in defaults apply\n",
                   kProgramName, shown.Text(), cause.Text());
      return 0;
    }
    std::fprintf(err, "%s: cannot open the settings file '%s' as a regular file: %s\n",
                 kProgramName, Printable(file).Text(), cause.Text());
    return kExitUsage;
  }
  if (size > kMaxSettingsFileBytes) {
    std::fprintf(err,
                 "%s: %sthe settings file '%s' is larger than 1 MiB, which no settings file is%s\n",
                 kProgramName, file == nullptr ? "warning: " : "", shown.Text(),
                 file == nullptr ? "; the built-in defaults apply" : "");
    return file == nullptr ? 0 : kExitUsage;
  }
  if (parameter.Load() == 0) {
    if (file != nullptr) {
      std::fprintf(err, "%s: '%s' cannot be read as a settings file\n", kProgramName,
                   Printable(file).Text());
      return kExitUsage;
    }
    std::fprintf(
        err, "%s: warning: the settings file '%s' cannot be read; the built-in defaults apply\n",
        kProgramName, shown.Text());
    return 0;
  }
  *read = true;
  return 0;
}

void ListSettings(CAppParameter& parameter, FILE* out) {
  std::fputs("settings_file = ", out);
  PrintValue(out, parameter.settingsPath);
  for (const SettingKeys keys : {FrameworkSettingKeys(), ProductSettingKeys()}) {
    for (const SettingKey& key : keys) {
      if (key.listed) PrintKey(out, key, parameter);
    }
  }
}

int ConversionArguments::Take(int argumentCount, const char* const* args, const char** settingsFile,
                              FILE* err) {
  *settingsFile = nullptr;
  const char* command = argumentCount > 0 ? args[0] : "";
  if (!values.AllocateUninitialised(static_cast<size_t>(argumentCount) + kMaxDefaults + 1)) {
    std::fprintf(err, "%s: out of memory\n", kProgramName);
    return kExitFailed;
  }
  values[0] = command;
  count = 1;
  noSettings = false;
  bool operandsOnly = false;
  for (int i = 1; i < argumentCount; ++i) {
    const char* argument = args[i];
    if (!operandsOnly && std::strcmp(argument, "--") == 0) operandsOnly = true;
    if (!operandsOnly && std::strcmp(argument, "--settings") == 0) {
      if (i + 1 >= argumentCount) {
        std::fprintf(err, "%s %s: option '--settings' needs a value\nTry '%s %s --help'.\n",
                     kProgramName, command, kProgramName, command);
        return kExitUsage;
      }
      *settingsFile = args[++i];
      continue;
    }
    if (!operandsOnly && std::strncmp(argument, "--settings=", 11) == 0) {
      *settingsFile = argument + 11;
      continue;
    }
    if (!operandsOnly && std::strncmp(argument, "--no-settings", 13) == 0 &&
        (argument[13] == 0 || argument[13] == '=')) {
      if (argument[13] != 0) {
        std::fprintf(err, "%s %s: option '--no-settings' takes no value\nTry '%s %s --help'.\n",
                     kProgramName, command, kProgramName, command);
        return kExitUsage;
      }
      noSettings = true;
      continue;
    }
    values[count++] = argument;
  }
  values[count] = nullptr;
  if (*settingsFile != nullptr && (*settingsFile)[0] == 0) {
    std::fprintf(err, "%s %s: option '--settings' names no file\nTry '%s %s --help'.\n",
                 kProgramName, command, kProgramName, command);
    return kExitUsage;
  }
  if (*settingsFile != nullptr && noSettings) {
    std::fprintf(err,
                 "%s %s: '--settings' names a file to read; it does not go with "
                 "'--no-settings'\nTry '%s %s --help'.\n",
                 kProgramName, command, kProgramName, command);
    return kExitUsage;
  }
  return 0;
}

bool SettingsDisabledByEnvironment() {
  const char* value = std::getenv("BRELVIX_NO_SETTINGS");
  return value != nullptr && value[0] != 0 && std::strcmp(value, "0") != 0;
}

void ConversionArguments::AddStoredDefaults(bool toText, CAppParameter& parameter, FILE* err) {
  const char* added[kMaxDefaults];
  int addedCount = 0;
  auto add = [&](const char* option, const char* value) {
    CString& text = defaults_[defaultCount_++];
    if (text.AssignBytes(option, Length(option)) && text.AppendBytes(value, Length(value))) {
      added[addedCount++] = text.Text();
    }
  };
  const char* file = parameter.settingsPath.Text();

  // The values as the window's boxes show them: a unit size the size box has
  // no item for leaves the built-in size, as the window converts it.
  const int32_t size = ClampUnitSize(parameter.data_size);
  if (size == 1 || size == 2 || size == 4 || size == 8) {
    const char digit[2] = {static_cast<char>('0' + size), 0};
    add("--size=", digit);
  }
  add("--endian=", ClampByteOrder(parameter.endian) == BigEndian ? "big" : "little");
  if (!toText && NumberSyntaxOf(parameter.number_syntax) == NumberSyntax::C) add("--syntax=", "c");

  if (toText) {
    // A format the converter cannot use gives way to the default of each unit
    // size, as it does in the window.
    const char* format = parameter.data_format.Text();
    ValueFormat parsed;
    ValueFormatStatus status = ValueFormatStatus::Valid;
    if (parameter.data_format.length > kMaxValueFormatBytes) {
      std::fprintf(err,
                   "%s: warning: %s: data_format is longer than %d bytes; the default of each "
                   "unit size applies unless -f is given\n",
                   kProgramName, file, static_cast<int>(kMaxValueFormatBytes));
      format = "";
    } else if (format[0] != 0 && (status = parsed.Parse(format)) != ValueFormatStatus::Valid) {
      std::fprintf(err,
                   "%s: warning: %s: data_format '%s' is not usable (%s); the default of each "
                   "unit size applies unless -f is given\n",
                   kProgramName, file, format, DescribeValueFormatStatus(status));
      format = "";
    }
    add("--format=", format);

    if (parameter.array_format.length > kMaxTemplateBytes) {
      std::fprintf(err,
                   "%s: warning: %s: array_format is longer than %d bytes; the built-in "
                   "template applies unless -t is given\n",
                   kProgramName, file, static_cast<int>(kMaxTemplateBytes));
    } else {
      add("--template=", parameter.array_format.Text());
    }
  }

  storedOutputFolder = nullptr;
  if (parameter.output_path.length > 0) {
    // "-" alone would mean standard output; the stored folder is a folder.
    const bool dash = std::strcmp(parameter.output_path.Text(), "-") == 0;
    CString& folder = defaults_[defaultCount_++];
    if (folder.AssignText(dash ? "./-" : parameter.output_path.Text())) {
      storedOutputFolder = folder.Text();
    }
  }

  std::memmove(values.Get() + 1 + addedCount, values.Get() + 1,
               static_cast<size_t>(count) * sizeof(values[0]));  // with the null at the end
  for (int i = 0; i < addedCount; ++i)
    values[1 + i] = added[i];
  count += addedCount;
}
