#include "convert/app_parameter.h"

#include <cstring>

#include "bx_version.h"
#include "config/folders.h"

namespace {

constexpr char kSettingsFileName[] = "brelvix.ini";
constexpr char kMakerFolder[] = "quorvel";
constexpr char kProductFolder[] = "brelvix";
// Installed beside the program by the installer only, never by the zip.
constexpr char kInstalledMarker[] = "brelvix-installed.txt";

bool SameWide(const WideChar* a, const WideChar* b) {
  if (a == nullptr) a = WSTR("");
  if (b == nullptr) b = WSTR("");
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

// The value format and the template compare as UTF-16 text, an empty stored
// string as the empty text.
bool TakeTextIfChanged(CString& field, const WideChar* controlText) {
  if (SameWide(field.GetWide(), controlText)) return false;
  field.AssignWide(controlText);
  return true;
}

// The window's keys, all integers, in the order the file holds them: read and
// written from this one table. They are written only once the window has
// recorded a size, so a file saved without a window stays as before.
struct WindowKey {
  const WideChar* key;
  int32_t CAppParameter::*field;
  int32_t column;  // -1 for a field of its own, else the index into column_widths
};

constexpr WindowKey kWindowKeys[] = {
    {WSTR("window_left"), &CAppParameter::window_left, -1},
    {WSTR("window_top"), &CAppParameter::window_top, -1},
    {WSTR("window_width"), &CAppParameter::window_width, -1},
    {WSTR("window_height"), &CAppParameter::window_height, -1},
    {WSTR("window_maximized"), &CAppParameter::window_maximized, -1},
    {WSTR("input_column_width"), nullptr, 0},
    {WSTR("output_column_width"), nullptr, 1},
    {WSTR("array_column_width"), nullptr, 2},
};

// The recent lists' keys, the latest first.
constexpr const WideChar* kRecentListKeys[CAppParameter::kRecentListCount] = {
    WSTR("recent_list_1"), WSTR("recent_list_2"), WSTR("recent_list_3"), WSTR("recent_list_4"),
    WSTR("recent_list_5"), WSTR("recent_list_6"), WSTR("recent_list_7"), WSTR("recent_list_8")};

int32_t& WindowValue(CAppParameter& parameter, const WindowKey& key) {
  return key.column >= 0 ? parameter.column_widths[key.column] : parameter.*key.field;
}

}  // namespace

int32_t ClampDirection(int32_t value) {
  return Clamp(value, 0, 1);
}

int32_t ClampUnitSize(int32_t value) {
  return Clamp(value, 0, 8);
}

int32_t ClampByteOrder(int32_t value) {
  return Clamp(value, 0, 1);
}

CAppParameter::CAppParameter() {
  data_format.AssignWide(kDefaultDataFormat);
  array_format.AssignWide(kDefaultArrayFormat);
}

const WideChar* CAppParameter::GetVersion() {
  return WSTR(BX_VERSION_TEXT);
}

const WideChar* CAppParameter::GetTitle(int32_t /*languageCode*/) {
  // The product name is written in Latin letters in both languages.
  return WSTR("Brelvix");
}

ResourceName CAppParameter::GetMenuId(int32_t languageCode) {
  return GetResourceId(languageCode == 1 ? 10013 : 10014);
}

const WideChar* CAppParameter::GetHelpPage(int32_t languageCode) {
  return languageCode == 1 ? WSTR("https://www.quorvel.example/soft/brelvix/help")
                           : WSTR("https://www.quorvel.example/en/brelvix/help");
}

void CAppParameter::FindHelpPage(int32_t languageCode, CString& page) {
  const char* file = languageCode == 1 ? "ja.html" : "en.html";
  CString local;
  if (appPath.length > 0 && local.Assign(appPath) != nullptr &&
      local.AppendBytes(kPathSeparator, 1) != 0 && local.AppendBytes("help", 4) != 0 &&
      local.AppendBytes(kPathSeparator, 1) != 0 && local.AppendText(file) != 0 &&
      PathExists(local)) {
    page.Assign(local);
    return;
  }
  page.AssignWide(GetHelpPage(languageCode));
}

int32_t CAppParameter::GetMenuPosition(const WideChar* menuName) {
  if (menuName == nullptr) return 0;
  if (SameWide(menuName, WSTR("File"))) return 0;
  if (SameWide(menuName, WSTR("Help"))) return 1;
  return 0;
}

ResourceName CAppParameter::GetResourceId(int32_t number) {
  return number >= 10011 && number <= 10016 ? ResourceNumber(number) : nullptr;
}

void CAppParameter::InitIdentity() {
  canToggleToolbar = 0;
  canToggleStatusbar = 0;
  mainWindowClass.AssignWide(WSTR("MIRDALE MAIN WINDOW"));
  childWindowClass.AssignWide(WSTR("MIRDALE CHILD WINDOW"));
  controlItemWindowClass.AssignWide(WSTR("MIRDALE CONTROL ITEM WINDOW"));
  mdiClientWindowClass.AssignWide(WSTR("MIRDALE MDI CLIENT WINDOW"));
  // FindSettingsFile names the data folder: the settings file may live there.
  FindSettingsFile();
  PrepareDataFolder(kMakerFolder, kProductFolder);
}

void CAppParameter::FindSettingsFile() {
  NameDataFolder(kMakerFolder, kProductFolder);
  LocateSettingsFile(kSettingsFileName, kInstalledMarker);
}

void CAppParameter::Initialize() {
  InitIdentity();
  Load();
}

void CAppParameter::ReadSettings(CXml& xml, XmlNode* first) {
  CCommConfig::ReadSettings(xml, first);
  XmlNode* config = FindTopLevel(first, WSTR("config"));
  if (config == nullptr) return;
  ReadNameKey(config, WSTR("output_path"), output_path, nullptr);
  ReadStringKey(config, WSTR("data_format"), data_format, kDefaultDataFormat);
  ReadStringKey(config, WSTR("array_format"), array_format, kDefaultArrayFormat);
  // Kept as read; only the window clamps them.
  convert = GetInt(FindChild(config, WSTR("convert")), 0);
  data_size = GetInt(FindChild(config, WSTR("data_size")), 1);
  endian = GetInt(FindChild(config, WSTR("endian")), 0);
  number_syntax = GetInt(FindChild(config, WSTR("number_syntax")), 0);
  for (const WindowKey& key : kWindowKeys)
    WindowValue(*this, key) = GetInt(FindChild(config, key.key), 0);
  // Packed to the front, so that a gap in a hand-edited file leaves none.
  int used = 0;
  for (const WideChar* key : kRecentListKeys) {
    CString path;
    ReadNameKey(config, key, path, nullptr);
    if (!path.IsEmpty()) recent_lists[used++].Assign(path);
  }
  for (int i = used; i < kRecentListCount; ++i)
    recent_lists[i].Clear();
}

void CAppParameter::WriteSettings(CXml& xml, XmlNode* root) {
  CCommConfig::WriteSettings(xml, root);
  XmlNode* config = FindChild(root, WSTR("config"));
  if (config == nullptr) {
    config = CreateNode(WSTR("config"), nullptr);
    if (config == nullptr) return;
    AppendChild(root, config);
  }
  // An empty string becomes an element without text.
  AddTextChild(config, WSTR("output_path"), output_path.GetWide());
  AddIntChild(config, WSTR("convert"), convert);
  AddIntChild(config, WSTR("data_size"), data_size);
  AddIntChild(config, WSTR("endian"), endian);
  AddTextChild(config, WSTR("data_format"), data_format.GetWide());
  AddTextChild(config, WSTR("array_format"), array_format.GetWide());
  // Only where it differs from the plain rule, so that a file of a user who
  // never chose it stays as every version writes it.
  if (number_syntax != 0) AddIntChild(config, WSTR("number_syntax"), number_syntax);
  for (int i = 0; i < kRecentListCount; ++i) {
    if (!recent_lists[i].IsEmpty())
      AddTextChild(config, kRecentListKeys[i], recent_lists[i].GetWide());
  }
  if (window_width <= 0 || window_height <= 0) return;
  for (const WindowKey& key : kWindowKeys)
    AddIntChild(config, key.key, WindowValue(*this, key));
}

ParametersUpdate CAppParameter::UpdateFromControls(const ConversionControls& controls,
                                                   CString& outputFolder) {
  bool changed = false;

  CString folder;
  folder.AssignName(controls.outputFolder);
  if (folder.length != outputFolder.length ||
      std::memcmp(folder.Text(), outputFolder.Text(), static_cast<size_t>(folder.length)) != 0) {
    outputFolder.Assign(folder);
    output_path.Assign(folder);
    changed = true;
  }
  if (controls.convert != ClampDirection(convert)) {
    convert = controls.convert;
    changed = true;
  }
  if (controls.dataSize != ClampUnitSize(data_size)) {
    data_size = controls.dataSize;
    changed = true;
  }
  if (controls.endian != ClampByteOrder(endian)) {
    endian = controls.endian;
    changed = true;
  }
  if (TakeTextIfChanged(data_format, controls.dataFormat)) changed = true;
  if (TakeTextIfChanged(array_format, controls.arrayFormat)) changed = true;

  if (!changed) return ParametersUpdate::Unchanged;
  return Save() ? ParametersUpdate::Saved : ParametersUpdate::SaveFailed;
}

void CAppParameter::AddRecentList(const WideChar* path) {
  if (path == nullptr || path[0] == 0) return;
  int from = kRecentListCount - 1;  // the oldest makes room unless path is there
  for (int i = 0; i < kRecentListCount; ++i) {
    if (recent_lists[i].EqualsWide(path)) {
      from = i;
      break;
    }
  }
  for (int i = from; i > 0; --i)
    recent_lists[i].Assign(recent_lists[i - 1]);
  recent_lists[0].AssignName(path);
}

void CAppParameter::RemoveRecentList(int index) {
  if (index < 0 || index >= kRecentListCount) return;
  for (int i = index; i + 1 < kRecentListCount; ++i)
    recent_lists[i].Assign(recent_lists[i + 1]);
  recent_lists[kRecentListCount - 1].Clear();
}
