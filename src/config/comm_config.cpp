#include "config/comm_config.h"

#include <cstring>
#include <new>

#include "base/debug_print.h"
#include "base/file.h"
#include "base/file_name.h"
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

// The debug lines print an empty string rather than "(null)".
const WideChar* Printable(CString& text) {
  const WideChar* wide = text.GetWide();
  return wide != nullptr ? wide : WSTR("");
}

bool AppendText(CString& target, const char* text) {
  return target.AppendBytes(text, static_cast<int32_t>(std::strlen(text))) != 0;
}

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

// The whole document goes to a new file beside the settings file, which
// replaces the old one only once every byte is on disk: a failed write never
// leaves a truncated settings file behind.
int WriteWholeFile(const CString& path, const char* bytes, uint32_t count) {
  if (path.length == 0) return 0;
  CString temporary;
  if (!temporary.Assign(path) || !AppendText(temporary, ".tmp")) return 0;
  CFile file;
  if (file.Create(temporary, CreateRule::Always) != 0) return 0;
  const uint32_t written = file.Write(bytes, count, 0);
  file.Flush();
  file.Close();
  if (written != count || !MoveFileOver(temporary, path)) {
    RemoveFile(temporary);
    return 0;
  }
  return 1;
}

}  // namespace

CCommConfig::CCommConfig() {
  CString programFile;
  if (QueryProgramFile(programFile)) {
    CFileName split;
    split.SetPath(programFile.Text());
    appPath.Assign(split.folder);
  }
  QueryCurrentFolder(currentPath);
  DebugPrint(WSTR("app_path     = %s\n"), Printable(appPath));
  DebugPrint(WSTR("current_path = %s\n"), Printable(currentPath));

  tempPath.Assign(currentPath);
  logPath.Assign(currentPath);

  defaultColors = new (std::nothrow) ColorPair[kColorSlots];
  colors = new (std::nothrow) ColorPair[kColorSlots];
  colorLabels = new (std::nothrow) ColorLabel[kColorSlots];
  if (defaultColors != nullptr && colors != nullptr) {
    colorCount = kColorSlots;
    for (int32_t i = 0; i < kColorSlots; ++i) {
      defaultColors[i] = kFactoryColors[i];
      colors[i] = kFactoryColors[i];
    }
  }
  if (colorLabels != nullptr) {
    colorLabelCount = kColorSlots;
    for (int32_t i = 0; i < kColorSlots; ++i)
      colorLabels[i] = kColorLabels[i];
  }
}

CCommConfig::~CCommConfig() {
  delete[] defaultColors;
  delete[] colors;
  delete[] colorLabels;
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

void CCommConfig::LocateSettingsFile(const char* fileName) {
  CString name;
  AppendText(name, kPathSeparator);
  AppendText(name, fileName);

  // Without a known current directory there is no candidate: the bare name
  // would point at the root of the current drive.
  bool found = false;
  if (currentPath.length > 0) {
    CString candidate;
    candidate.Assign(currentPath);
    candidate.AppendBytes(name.data, name.length);
    CFile probe;
    if (probe.OpenRegular(candidate)) {
      probe.Close();
      settingsPath.Assign(candidate);
      found = true;
    }
  }
  if (!found) {
    settingsPath.Assign(appPath);
    settingsPath.AppendBytes(name.data, name.length);
  }
  settingsFileName.Assign(name);
  DebugPrint(WSTR("ini_file = %s\n"), Printable(settingsPath));
}

void CCommConfig::PrepareDataFolder(const char* maker, const char* product) {
  CString folder;
  if (!QueryUserDataFolder(folder)) return;
  if (!AppendText(folder, kPathSeparator) || !AppendText(folder, maker) ||
      !AppendText(folder, kPathSeparator) || !AppendText(folder, product)) {
    return;
  }
  dataFolder.Assign(folder);
  // One level only; a failure is not reported, since nothing else uses it.
  if (!PathExists(dataFolder)) MakeFolder(dataFolder);
}

int CCommConfig::Load() {
  CFile file;
  if (!file.OpenRegular(settingsPath)) return 0;
  const uint64_t size = file.size;
  // The reader counts in signed 32 bits; a larger file cannot be a settings file.
  if (size == 0 || size > static_cast<uint64_t>(INT32_MAX)) return 0;
  char* buffer = new (std::nothrow) char[static_cast<size_t>(size)];
  if (buffer == nullptr) return 0;
  const uint32_t read = file.Read(buffer, static_cast<uint32_t>(size), 0);
  file.Close();
  if (read < size) {
    delete[] buffer;
    return 0;
  }
  CXml xml;
  XmlCursor cursor;
  cursor.bytes = buffer;
  cursor.size = static_cast<int32_t>(size);
  XmlNode* first = xml.ParseDocument(cursor);
  if (first == nullptr) {
    delete[] buffer;
    return 0;
  }
  ReadSettings(xml, first);
  FreeNodes(first);
  delete[] buffer;
  return 1;
}

int CCommConfig::Save() {
  CXml xml;
  XmlNode* root = CreateNode(WSTR("root"), nullptr);
  if (root == nullptr) return 0;
  WriteSettings(xml, root);
  // The root never reaches the file: the document's top element is config.
  if (root->firstChild == nullptr) {
    FreeNodes(root);
    return 0;
  }
  char* document = xml.WriteDocument(root->firstChild);
  FreeNodes(root);
  if (document == nullptr) return 0;
  const int result =
      WriteWholeFile(settingsPath, document, static_cast<uint32_t>(std::strlen(document)));
  delete[] document;
  return result;
}

XmlNode* CCommConfig::FindTopLevel(XmlNode* first, const WideChar* name) {
  for (XmlNode* node = first; node != nullptr; node = node->next) {
    if (node->name != nullptr && node->name->EqualsWide(name)) return node;
  }
  return nullptr;
}

void CCommConfig::ReadStringKey(XmlNode* config, const WideChar* key, CString& target,
                                const WideChar* fallback) {
  XmlNode* child = FindChild(config, key);
  if (child != nullptr && child->text != nullptr) {
    target.Assign(*child->text);
  } else {
    target.AssignWide(fallback);
  }
}

void CCommConfig::AddIntChild(XmlNode* parent, const WideChar* name, int32_t value) {
  WideChar text[12];
  FormatDecimal(value, text);
  AddTextChild(parent, name, text);
}

void CCommConfig::ReadSettings(CXml& /*xml*/, XmlNode* first) {
  XmlNode* config = FindTopLevel(first, WSTR("config"));
  if (config == nullptr) return;
  language = GetInt(FindChild(config, WSTR("language")), -1);
  ReadStringKey(config, WSTR("font_name"), fontName, nullptr);
  fontSize = GetInt(FindChild(config, WSTR("font_size")), 0);
  ReadStringKey(config, WSTR("temp_path"), tempPath, currentPath.GetWide());
  logEnabled = GetInt(FindChild(config, WSTR("log_enabled")), 0);
  ReadStringKey(config, WSTR("log_path"), logPath, currentPath.GetWide());
  viewToolbar = GetInt(FindChild(config, WSTR("view_toolbar")), 1);
  viewStatusbar = GetInt(FindChild(config, WSTR("view_statusbar")), 1);

  XmlNode* colorList = FindChild(config, WSTR("colors"));
  if (colorList == nullptr) return;
  for (XmlNode* color = colorList->firstChild; color != nullptr; color = color->next) {
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
  AddIntChild(config, WSTR("language"), language);
  AddTextChild(config, WSTR("font_name"), fontName.GetWide());
  AddIntChild(config, WSTR("font_size"), fontSize);
  AddTextChild(config, WSTR("temp_path"), tempPath.GetWide());
  AddIntChild(config, WSTR("log_enabled"), logEnabled);
  AddTextChild(config, WSTR("log_path"), logPath.GetWide());
  AddIntChild(config, WSTR("view_toolbar"), viewToolbar);
  AddIntChild(config, WSTR("view_statusbar"), viewStatusbar);

  XmlNode* colorList = CreateNode(WSTR("colors"), nullptr);
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
