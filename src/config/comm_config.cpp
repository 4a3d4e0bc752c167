#include "config/comm_config.h"

#include <cstring>
#include "base/holder.h"

#include "base/debug_print.h"
#include "base/file.h"
#include "base/file_name.h"
#include "base/file_save.h"
#include "config/folders.h"

namespace {

constexpr int32_t kColorSlots = 2;

constexpr ColorPair kFactoryColors[kColorSlots] = {
    {0x000000, 0xFFFFFF},
    {0xC8C8C8, 0xFFFFFF},
};

const ColorLabel kColorLabels[kColorSlots] = {
    {WSTR("Text Color (Normal)"), WSTR("通常のテキスト表示")},
    {WSTR("Line Color"), WSTR("罫線の色")},
};

// Decimal text of value, as "%d" prints it.
void FormatDecimal(int32_t value, WideChar (&out)[12]) {
  char digits[11];
  int n = 0;
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  int k = 0;
  if (value < 0) out[k++] = '-';
  while (n > 0)
    out[k++] = static_cast<WideChar>(digits[--n]);
  out[k] = 0;
}

// The framework's keys, in the order the file holds them.
constexpr SettingKey kFrameworkKeys[] = {
    IntKey<&CCommConfig::language>(WSTR("language"), -1),
    TextKey<&CCommConfig::fontName>(WSTR("font_name"), nullptr),
    IntKey<&CCommConfig::fontSize>(WSTR("font_size"), 0),
    FolderKey<&CCommConfig::tempPath>(WSTR("temp_path")),
    IntKey<&CCommConfig::logEnabled>(WSTR("log_enabled"), 0),
    FolderKey<&CCommConfig::logPath>(WSTR("log_path")),
    IntKey<&CCommConfig::viewToolbar>(WSTR("view_toolbar"), 1),
    IntKey<&CCommConfig::viewStatusbar>(WSTR("view_statusbar"), 1),
    ColorListKey(WSTR("colors")),
};

// A short write or a failed flush fails the save; CFileSave keeps the old
// file then, unless the folder allowed no other way than writing in place.
int WriteWholeFile(const CString& path, const char* bytes, uint32_t count, CFile& file) {
  CFileSave save(file);
  if (!save.Begin(path)) return 0;
  if (file.Write(bytes, count) != count) {
    save.Abandon();
    return 0;
  }
  return save.Commit() ? 1 : 0;
}

}  // namespace

SettingKeys FrameworkSettingKeys() {
  return kFrameworkKeys;
}

bool WrittenWhenSet(CCommConfig& config, const SettingKey& key) {
  if (key.type == SettingType::kInt) return key.integer(config) != key.fallback;
  return key.text != nullptr && !key.text(config).IsEmpty();
}

CCommConfig::CCommConfig() {
  CString programFile;
  if (QueryProgramFile(programFile)) {
    CFileName split;
    if (split.SetPath(programFile.Text())) appPath.Assign(split.folder);
  }
  QueryCurrentFolder(currentPath);
  DebugPrint(WSTR("app_path     = %s\n"), appPath.WideOrEmpty());
  DebugPrint(WSTR("current_path = %s\n"), currentPath.WideOrEmpty());

  ResetKeys(kFrameworkKeys);
  folderWritable = &FolderIsWritable;

  defaultColors.Allocate(kColorSlots);
  colors.Allocate(kColorSlots);
  colorLabels.Allocate(kColorSlots);
  if (defaultColors && colors) {
    colorCount = kColorSlots;
    for (int32_t i = 0; i < kColorSlots; ++i) {
      defaultColors[i] = kFactoryColors[i];
      colors[i] = kFactoryColors[i];
    }
  }
  if (colorLabels) {
    colorLabelCount = kColorSlots;
    for (int32_t i = 0; i < kColorSlots; ++i)
      colorLabels[i] = kColorLabels[i];
  }
}

const WideChar* CCommConfig::GetVersion() {
  return WSTR("0.0.0.0");
}

const WideChar* CCommConfig::GetTitle(int32_t /*languageCode*/) {
  return WSTR("");
}

ResourceName CCommConfig::GetMenuId(int32_t /*languageCode*/) {
  return WSTR("");
}

const WideChar* CCommConfig::GetHelpPage(int32_t /*languageCode*/) {
  return WSTR("");
}

int32_t CCommConfig::GetMenuPosition(const WideChar* /*menuName*/) {
  return 0;
}

ResourceName CCommConfig::GetResourceId(int32_t /*number*/) {
  return WSTR("");
}

void CCommConfig::InitIdentity() {}

void CCommConfig::Initialize() {
  InitIdentity();
}

void CCommConfig::Shutdown() {}

namespace {

// The folder followed by name (separator included) when a file of that path
// opens for reading.
bool SettingsFileOpens(const CString& folder, const CString& name, CString& path) {
  if (folder.length == 0) return false;
  CString candidate;
  if (!candidate.AssignBytes(folder.data, folder.length) ||
      !candidate.AppendBytes(name.data, name.length)) {
    return false;
  }
  CFile probe;
  if (!probe.OpenRegular(candidate)) return false;
  probe.Close();
  path.Assign(candidate);
  return true;
}

// True when a file of that name is in folder.
bool HasMarker(const CString& folder, const char* marker) {
  if (marker == nullptr || folder.length == 0) return false;
  CString path;
  return path.Assign(folder) != nullptr && path.AppendText(kPathSeparator) &&
         path.AppendText(marker) && PathExists(path);
}

}  // namespace

void CCommConfig::LocateSettingsFile(const char* fileName, const char* installedMarker) {
  CString name;
  if (!name.AppendText(kPathSeparator) || !name.AppendText(fileName)) return;

  const bool installed = dataFolder.length > 0 && HasMarker(appPath, installedMarker);
  // Without a known current directory there is no candidate: the bare name
  // would point at the root of the current drive. The Start menu starts an
  // installed copy in its own folder, which is no current directory of the
  // user's.
  const bool currentCounts = !installed || !HasMarker(currentPath, installedMarker);
  if (!(currentCounts && SettingsFileOpens(currentPath, name, settingsPath)) &&
      (installed || !SettingsFileOpens(appPath, name, settingsPath))) {
    // An installed copy (Program Files, /usr/bin) can never save beside
    // itself: its settings would be lost at every start.
    const bool besideProgram = !installed && (dataFolder.length == 0 || folderWritable == nullptr ||
                                              folderWritable(appPath));
    const CString& folder = besideProgram ? appPath : dataFolder;
    // The folder alone is no settings file: leave no path rather than that.
    if (!settingsPath.AssignBytes(folder.data, folder.length) ||
        !settingsPath.AppendBytes(name.data, name.length)) {
      settingsPath.Clear();
      return;
    }
  }
  settingsFileName.Assign(name);
  DebugPrint(WSTR("ini_file = %s\n"), settingsPath.WideOrEmpty());
}

bool CCommConfig::NameDataFolder(const char* maker, const char* product) {
  if (dataFolder.length > 0) return true;
  CString folder;
  if (!QueryUserDataFolder(folder)) return false;
  if (!folder.AppendText(kPathSeparator) || !folder.AppendText(maker) ||
      !folder.AppendText(kPathSeparator) || !folder.AppendText(product)) {
    return false;
  }
  return dataFolder.Assign(folder) != nullptr;
}

bool CCommConfig::SettingsInDataFolder() const {
  return dataFolder.length > 0 && settingsPath.length > dataFolder.length &&
         std::memcmp(settingsPath.data, dataFolder.data, static_cast<size_t>(dataFolder.length)) ==
             0 &&
         std::strncmp(settingsPath.data + dataFolder.length, kPathSeparator,
                      std::strlen(kPathSeparator)) == 0;
}

void CCommConfig::PrepareDataFolder(const char* maker, const char* product) {
  if (!NameDataFolder(maker, product)) return;
  if (PathExists(dataFolder)) return;
  if (SettingsInDataFolder()) {
    CFileName split;
    if (!split.SetPath(dataFolder.Text())) return;
    CString makerFolder;
    makerFolder.Assign(split.folder);
    if (!PathExists(makerFolder)) MakeFolder(makerFolder);
  }
  // A failure is not reported: the settings store then fails to save, as it
  // would anywhere else.
  MakeFolder(dataFolder);
}

int CCommConfig::Load() {
  CFile file;
  if (!file.OpenRegular(settingsPath)) return 0;
  const uint64_t size = file.size;
  if (size == 0 || size > kMaxSettingsFileBytes) return 0;
  CBuffer<char> buffer;
  if (!buffer.AllocateUninitialised(static_cast<size_t>(size))) return 0;
  const uint32_t read = file.Read(buffer.Get(), static_cast<uint32_t>(size), 0);
  file.Close();
  if (read < size) return 0;
  CXml xml;
  // Folders read back exactly; ReadStringKey takes texts into the code page.
  xml.keepNames = true;
  XmlCursor cursor;
  cursor.bytes = buffer.Get();
  cursor.size = static_cast<int32_t>(size);
  const CHolder<XmlNode> first(xml.ParseDocument(cursor));
  if (!first) return 0;
  ReadSettings(xml, first.Get());
  return 1;
}

int CCommConfig::Save() {
  CFile file;
  return SaveThrough(file);
}

int CCommConfig::SaveThrough(CFile& file) {
  CXml xml;
  const CHolder<XmlNode> root(CreateNode(WSTR("root"), nullptr));
  if (!root) return 0;
  WriteSettings(xml, root.Get());
  // The root never reaches the file: the document's top element is config.
  if (root->firstChild == nullptr) return 0;
  const CBuffer<char> document(xml.WriteDocument(root->firstChild.Get()));
  if (!document) return 0;
  return WriteWholeFile(settingsPath, document.Get(),
                        static_cast<uint32_t>(std::strlen(document.Get())), file);
}

XmlNode* CCommConfig::FindTopLevel(XmlNode* first, const WideChar* name) {
  for (XmlNode* node = first; node != nullptr; node = node->next.Get()) {
    if (node->name != nullptr && node->name->EqualsWide(name)) return node;
  }
  return nullptr;
}

void CCommConfig::ReadStringKey(XmlNode* config, const WideChar* key, CString& target,
                                const WideChar* fallback) {
  ReadNameKey(config, key, target, fallback);
  // A text stays in the code page, as the file has always given it.
  target.DropForeignUnits();
}

void CCommConfig::ReadNameKey(XmlNode* config, const WideChar* key, CString& target,
                              const WideChar* fallback) {
  XmlNode* child = FindChild(config, key);
  if (child != nullptr && child->text != nullptr) {
    target.Assign(*child->text);
  } else {
    target.AssignName(fallback);
  }
}

void CCommConfig::AddIntChild(XmlNode* parent, const WideChar* name, int32_t value) {
  WideChar text[12];
  FormatDecimal(value, text);
  AddTextChild(parent, name, text);
}

void CCommConfig::ReadKeys(XmlNode* config, SettingKeys keys) {
  for (const SettingKey& key : keys) {
    switch (key.type) {
      case SettingType::kInt:
        key.integer(*this) = GetInt(FindChild(config, key.name), key.fallback);
        break;
      case SettingType::kText:
      case SettingType::kName: {
        const WideChar* fallback =
            key.currentFolderFallback ? currentPath.GetWide() : key.textFallback;
        if (key.type == SettingType::kText) {
          ReadStringKey(config, key.name, key.text(*this), fallback);
        } else {
          ReadNameKey(config, key.name, key.text(*this), fallback);
        }
        break;
      }
      case SettingType::kColors:
        ReadColors(FindChild(config, key.name));
        break;
    }
  }
}

void CCommConfig::WriteKeys(XmlNode* config, SettingKeys keys) {
  for (const SettingKey& key : keys) {
    if (key.written != nullptr && !key.written(*this, key)) continue;
    switch (key.type) {
      case SettingType::kInt:
        AddIntChild(config, key.name, key.integer(*this));
        break;
      case SettingType::kText:
      case SettingType::kName:
        // An empty string becomes an element without text.
        AddTextChild(config, key.name, key.text(*this).GetWide());
        break;
      case SettingType::kColors:
        WriteColors(config, key.name);
        break;
    }
  }
}

void CCommConfig::ResetKeys(SettingKeys keys) {
  for (const SettingKey& key : keys) {
    switch (key.type) {
      case SettingType::kInt:
        key.integer(*this) = key.fallback;
        break;
      case SettingType::kText:
      case SettingType::kName:
        if (key.currentFolderFallback) {
          key.text(*this).Assign(currentPath);
        } else if (key.textFallback != nullptr) {
          key.text(*this).AssignWide(key.textFallback);
        } else {
          key.text(*this).Clear();
        }
        break;
      case SettingType::kColors:
        break;
    }
  }
}

void CCommConfig::ReadSettings(CXml& /*xml*/, XmlNode* first) {
  XmlNode* config = FindTopLevel(first, WSTR("config"));
  if (config == nullptr) return;
  ReadKeys(config, kFrameworkKeys);
}

void CCommConfig::ReadColors(XmlNode* colorList) {
  if (colorList == nullptr) return;
  for (XmlNode* color = colorList->firstChild.Get(); color != nullptr; color = color->next.Get()) {
    if (color->name == nullptr || !color->name->EqualsWide(WSTR("color"))) continue;
    // A missing index reads as colorCount, which no slot has.
    const int32_t index = GetInt(FindChild(color, WSTR("index")), colorCount);
    if (index < 0 || index >= colorCount) continue;
    colors[index].textColor = static_cast<uint32_t>(GetInt(
        FindChild(color, WSTR("text")), static_cast<int32_t>(defaultColors[index].textColor)));
    colors[index].backgroundColor =
        static_cast<uint32_t>(GetInt(FindChild(color, WSTR("background")),
                                     static_cast<int32_t>(defaultColors[index].backgroundColor)));
  }
}

void CCommConfig::WriteSettings(CXml& /*xml*/, XmlNode* root) {
  XmlNode* config = CreateNode(WSTR("config"), nullptr);
  if (config == nullptr) return;
  AppendChild(root, config);
  WriteKeys(config, kFrameworkKeys);
}

void CCommConfig::WriteColors(XmlNode* config, const WideChar* name) {
  XmlNode* colorList = CreateNode(name, nullptr);
  if (colorList == nullptr) return;
  AppendChild(config, colorList);
  for (int32_t i = 0; i < colorCount; ++i) {
    XmlNode* color = CreateNode(WSTR("color"), nullptr);
    if (color == nullptr) continue;
    AppendChild(colorList, color);
    AddIntChild(color, WSTR("index"), i);
    AddIntChild(color, WSTR("text"), static_cast<int32_t>(colors[i].textColor));
    AddIntChild(color, WSTR("background"), static_cast<int32_t>(colors[i].backgroundColor));
  }
}
