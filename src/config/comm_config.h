// CCommConfig: the framework's settings object. It knows where the program and
// its settings file are, carries the product identity the frame asks for, and
// keeps the user-interface settings in the XML settings file.
#pragma once

#include <cstdint>

#include "base/file.h"
#include "base/holder.h"
#include "base/object.h"
#include "base/str.h"
#include "base/wide.h"
#include "config/setting_keys.h"
#include "config/xml.h"

// A settings file holds a few hundred bytes; a larger one is no settings file
// and is not read (a sparse or runaway file would take its size in memory).
inline constexpr uint64_t kMaxSettingsFileBytes = uint64_t{1} << 20;

// A resource named by number, the way the window system takes it: the number
// itself stands in the pointer (what MAKEINTRESOURCEW makes); 0 is none.
using ResourceName = const WideChar*;

inline ResourceName ResourceNumber(int32_t number) {
  return reinterpret_cast<ResourceName>(static_cast<uintptr_t>(static_cast<uint16_t>(number)));
}

// Colours are Win32 COLORREF values, 0x00BBGGRR.
struct ColorPair {
  uint32_t textColor;
  uint32_t backgroundColor;
};

struct ColorLabel {
  const WideChar* english;
  const WideChar* japanese;
};

class CCommConfig : public CObject {
 public:
  int32_t canToggleToolbar = 0;
  int32_t canToggleStatusbar = 0;
  CString mainWindowClass;
  CString childWindowClass;
  CString controlItemWindowClass;
  CString mdiClientWindowClass;
  CString currentPath;          // the current directory at construction
  CString appPath;              // the program file's folder, no trailing separator
  CString settingsPath;         // full path of the settings file
  CString settingsFileName;     // separator and file name, "\\brelvix.ini" on Windows
  CString dataFolder;           // per-user data folder; empty when unknown
  int32_t currentLanguage = 0;  // in use: 0 English, 1 Japanese; not stored
  // The stored keys; their defaults are the key table's (setting_keys.h).
  int32_t language = 0;  // stored choice; -1 not chosen yet
  CString fontName;
  int32_t fontSize = 0;
  CString tempPath;
  int32_t logEnabled = 0;
  CString logPath;
  int32_t viewToolbar = 0;
  int32_t viewStatusbar = 0;
  int32_t colorCount = 0;  // slots of defaultColors and colors; 0 when memory ran out
  CBuffer<ColorPair> defaultColors;
  CBuffer<ColorPair> colors;
  int32_t colorLabelCount = 0;
  CBuffer<ColorLabel> colorLabels;
  // Whether a file can be made in a folder; FolderIsWritable unless a test
  // puts in its own answer.
  bool (*folderWritable)(const CString& folder) = nullptr;

  CCommConfig();
  ~CCommConfig() override = default;

  virtual const WideChar* GetVersion();
  virtual const WideChar* GetTitle(int32_t languageCode);
  virtual ResourceName GetMenuId(int32_t languageCode);
  virtual const WideChar* GetHelpPage(int32_t languageCode);
  virtual int32_t GetMenuPosition(const WideChar* menuName);
  virtual ResourceName GetResourceId(int32_t number);
  virtual void InitIdentity();
  // 1 when the settings file was read; 0 leaves every value as it was.
  virtual int Load();
  // 1 when the whole file was written and flushed; 0 leaves the old file as
  // it was (except where the folder allows only writing the file in place).
  virtual int Save();
  // Save, writing through file (a test's file that fails).
  int SaveThrough(CFile& file);
  virtual void Initialize();
  virtual void Shutdown();
  // Reads the keys from the first top-level element named config.
  virtual void ReadSettings(CXml& xml, XmlNode* first);
  // Appends config with the keys to root.
  virtual void WriteSettings(CXml& xml, XmlNode* root);

 protected:
  // Keeps the settings file in the current directory when one opens there,
  // else the one beside the program when it opens. With neither, the file
  // goes beside the program when that folder is writable (a portable copy),
  // else into dataFolder (an installed copy: a settings file there is then
  // read too); fills settingsPath and settingsFileName.
  // A file named installedMarker beside the program marks a copy that an
  // installer put there: its settings are the user's, in dataFolder, even
  // where the program folder happens to be writable, and a settings file
  // beside it (or in a current directory that is an installed folder too) is
  // not used.
  void LocateSettingsFile(const char* fileName, const char* installedMarker = nullptr);
  // Sets dataFolder to the per-user data root followed by the two folder
  // names, unless it is set already; false when there is none.
  bool NameDataFolder(const char* maker, const char* product);
  // Names dataFolder and creates its last level when it is missing. A missing
  // maker folder is created too only when the settings file lives there.
  void PrepareDataFolder(const char* maker, const char* product);
  // True when settingsPath lies in dataFolder.
  bool SettingsInDataFolder() const;

  // A string key: a child with a text object gives that text (empty text
  // gives the empty string); a missing child or one without text gives the
  // fallback (null: empty).
  static void ReadStringKey(XmlNode* config, const WideChar* key, CString& target,
                            const WideChar* fallback);
  // The same for a folder or file name, kept exactly (CString::AssignName):
  // the file is UTF-8, so a name outside the ANSI code page reads back as
  // it was written.
  static void ReadNameKey(XmlNode* config, const WideChar* key, CString& target,
                          const WideChar* fallback);
  static void AddIntChild(XmlNode* parent, const WideChar* name, int32_t value);
  // The first node of the chain named name, or null.
  static XmlNode* FindTopLevel(XmlNode* first, const WideChar* name);

  // Each key of keys from config, its default where config lacks it.
  void ReadKeys(XmlNode* config, SettingKeys keys);
  // Appends the keys to config as their rules say, in the table's order.
  void WriteKeys(XmlNode* config, SettingKeys keys);
  // Gives each key of keys its default (the colours keep theirs).
  void ResetKeys(SettingKeys keys);

 private:
  void ReadColors(XmlNode* colorList);
  void WriteColors(XmlNode* config, const WideChar* name);
};
