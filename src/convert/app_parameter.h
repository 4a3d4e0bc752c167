// CAppParameter: the program's single settings object. The framework's
// settings store plus this product's identity and the six conversion
// parameters, kept in the same settings file.
#pragma once

#include <cstdint>

#include "base/str.h"
#include "base/wide.h"
#include "config/comm_config.h"

// What the main window's conversion controls hold when Execute is pressed.
struct ConversionControls {
  const WideChar* outputFolder = nullptr;  // text of the output-folder box (4106)
  int32_t convert = 0;   // item data of the direction box (4108); 0 without a selection
  int32_t dataSize = 0;  // item data of the unit-size box (4109)
  int32_t endian = 0;    // item data of the byte-order box (4110)
  const WideChar* dataFormat = nullptr;   // text of the value-format box (4111)
  const WideChar* arrayFormat = nullptr;  // text of the array-template box (4112)
};

// What UpdateFromControls did.
enum class ParametersUpdate {
  Unchanged,
  Saved,
  SaveFailed,  // changed in memory, but the file was not written
};

class CAppParameter : public CCommConfig {
 public:
  static constexpr const WideChar* kDefaultDataFormat = WSTR("0x%02X");
  static constexpr const WideChar* kDefaultArrayFormat =
      WSTR("const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};");

  // Named after their settings keys.
  CString output_path;   // folder every output file goes into
  CString data_format;   // printf-style format of one value; empty: per-size default
  CString array_format;  // declaration template with ($ARRAY_NAME) and ($ARRAY_DATA)
  // Their defaults are the key table's.
  int32_t convert = 0;    // ConvertDirection, kept as stored
  int32_t data_size = 0;  // unit size in bytes, kept as stored
  int32_t endian = 0;     // ByteOrder, kept as stored
  // NumberSyntax of text -> binary, kept as stored. No control shows it; the
  // file and lists carry it, and Execute passes it on.
  int32_t number_syntax = 0;

  // Where the main window was when the program last ended: its normal
  // (restored) frame in screen pixels, whether it was maximised, and the list
  // columns' widths at 96 DPI. A width or height of 0 means none is known;
  // only the window reads them, and a file without them loads as before.
  int32_t window_left = 0;
  int32_t window_top = 0;
  int32_t window_width = 0;
  int32_t window_height = 0;
  int32_t window_maximized = 0;
  int32_t column_widths[3] = {};  // input, output and array column; 0 unknown

  // The list files last opened or saved in the window, the latest first;
  // the unused ones empty, after the used. Kept only when there are any, so
  // a file of a user who never opened a list stays as before.
  static constexpr int kRecentListCount = 8;
  CString recent_lists[kRecentListCount];

  CAppParameter();
  ~CAppParameter() override = default;

  const WideChar* GetVersion() override;
  const WideChar* GetTitle(int32_t languageCode) override;
  ResourceName GetMenuId(int32_t languageCode) override;
  const WideChar* GetHelpPage(int32_t languageCode) override;
  // What Help Topics opens: the release's page of that language beside the
  // program (help/en.html, help/ja.html) when it is there, else the web page.
  void FindHelpPage(int32_t languageCode, CString& page);
  int32_t GetMenuPosition(const WideChar* menuName) override;
  ResourceName GetResourceId(int32_t number) override;
  void InitIdentity() override;
  void Initialize() override;
  // Settles settingsPath alone, as InitIdentity does, without creating the
  // data folder (see LocateSettingsFile).
  void FindSettingsFile();
  void ReadSettings(CXml& xml, XmlNode* first) override;
  void WriteSettings(CXml& xml, XmlNode* root) override;

  // Takes the conversion controls into the parameters at Execute: each value
  // is compared with the stored one (the integers clamped as the boxes show
  // them), a differing one replaces it, and the settings file is saved when
  // anything changed. outputFolder is the main window's copy of the output
  // folder, updated along with output_path.
  ParametersUpdate UpdateFromControls(const ConversionControls& controls, CString& outputFolder);

  // Puts path first among the recent lists: an equal entry further down
  // moves up, and beyond eight the oldest goes. Null or empty does nothing.
  void AddRecentList(const WideChar* path);
  // Removes the entry at index (0 the latest); the later ones move up.
  void RemoveRecentList(int index);
};

// The product's keys, in the order the file holds them after the framework's
// (FrameworkSettingKeys).
SettingKeys ProductSettingKeys();

// The integers as a selection box shows them (the ranges of their keys):
// direction and byte order 0..1, unit size 0..8.
int32_t ClampDirection(int32_t value);
int32_t ClampUnitSize(int32_t value);
int32_t ClampByteOrder(int32_t value);
