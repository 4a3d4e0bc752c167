#include "convert/app_parameter.h"

#include <cstring>

#include "bx_version.h"
#include "config/folders.h"
#include "convert/convert_types.h"

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

constexpr bool SameAscii(const WideChar* wide, const char* narrow) {
  for (; *narrow != 0; ++wide, ++narrow) {
    if (*wide != static_cast<WideChar>(*narrow)) return false;
  }
  return *wide == 0;
}

// The stored defaults are the command line's built-in ones.
static_assert(SameAscii(CAppParameter::kDefaultDataFormat, kDefaultDataFormat));
static_assert(SameAscii(CAppParameter::kDefaultArrayFormat, kDefaultArrayFormat));

// The value format and the template compare as UTF-16 text, an empty stored
// string as the empty text.
bool TakeTextIfChanged(CString& field, const WideChar* controlText) {
  if (SameWide(field.GetWide(), controlText)) return false;
  field.AssignWide(controlText);
  return true;
}

// The window's keys are written only once the window has recorded a size, so
// a file saved without a window stays as before.
bool WrittenWithWindow(CCommConfig& config, const SettingKey& /*key*/) {
  const auto& parameter = static_cast<const CAppParameter&>(config);
  return parameter.window_width > 0 && parameter.window_height > 0;
}

template <auto Field, int Index = -1>
constexpr SettingKey WindowKey(const WideChar* name) {
  return IntKey<Field, Index>(name, 0).WrittenWhen(&WrittenWithWindow).Unlisted();
}

// The recent lists are kept only when there are any, so a file of a user who
// never opened a list stays as before.
template <int Index>
constexpr SettingKey RecentListKey(const WideChar* name) {
  static_assert(Index < CAppParameter::kRecentListCount);
  return NameKey<&CAppParameter::recent_lists, Index>(name).WrittenWhen(&WrittenWhenSet).Unlisted();
}

// The integers as the window's selection boxes show them.
constexpr SettingKey kConvertKey = IntKey<&CAppParameter::convert>(WSTR("convert"), 0).Range(0, 1);
constexpr SettingKey kDataSizeKey =
    IntKey<&CAppParameter::data_size>(WSTR("data_size"), 1).Range(0, 8);
constexpr SettingKey kEndianKey = IntKey<&CAppParameter::endian>(WSTR("endian"), 0).Range(0, 1);

// The product's keys, in the order the file holds them after the framework's.
constexpr SettingKey kProductKeys[] = {
    NameKey<&CAppParameter::output_path>(WSTR("output_path")),
    kConvertKey,
    kDataSizeKey,
    kEndianKey,
    TextKey<&CAppParameter::data_format>(WSTR("data_format"), CAppParameter::kDefaultDataFormat),
    TextKey<&CAppParameter::array_format>(WSTR("array_format"), CAppParameter::kDefaultArrayFormat),
    // Only where it differs from the plain rule, so that a file of a user who
    // never chose it stays as every version writes it.
    IntKey<&CAppParameter::number_syntax>(WSTR("number_syntax"), 0).WrittenWhen(&WrittenWhenSet),
    RecentListKey<0>(WSTR("recent_list_1")),
    RecentListKey<1>(WSTR("recent_list_2")),
    RecentListKey<2>(WSTR("recent_list_3")),
    RecentListKey<3>(WSTR("recent_list_4")),
    RecentListKey<4>(WSTR("recent_list_5")),
    RecentListKey<5>(WSTR("recent_list_6")),
    RecentListKey<6>(WSTR("recent_list_7")),
    RecentListKey<7>(WSTR("recent_list_8")),
    WindowKey<&CAppParameter::window_left>(WSTR("window_left")),
    WindowKey<&CAppParameter::window_top>(WSTR("window_top")),
    WindowKey<&CAppParameter::window_width>(WSTR("window_width")),
    WindowKey<&CAppParameter::window_height>(WSTR("window_height")),
    WindowKey<&CAppParameter::window_maximized>(WSTR("window_maximized")),
    WindowKey<&CAppParameter::column_widths, 0>(WSTR("input_column_width")),
    WindowKey<&CAppParameter::column_widths, 1>(WSTR("output_column_width")),
    WindowKey<&CAppParameter::column_widths, 2>(WSTR("array_column_width")),
};

}  // namespace

SettingKeys ProductSettingKeys() {
  return kProductKeys;
}

int32_t ClampDirection(int32_t value) {
  return kConvertKey.Clamp(value);
}

int32_t ClampUnitSize(int32_t value) {
  return kDataSizeKey.Clamp(value);
}

int32_t ClampByteOrder(int32_t value) {
  return kEndianKey.Clamp(value);
}

CAppParameter::CAppParameter() {
  ResetKeys(kProductKeys);
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
  // The integers are kept as read; only the window clamps them.
  ReadKeys(config, kProductKeys);
  // Packed to the front, so that a gap in a hand-edited file leaves none.
  int used = 0;
  for (int i = 0; i < kRecentListCount; ++i) {
    if (recent_lists[i].IsEmpty()) continue;
    if (used != i) {
      recent_lists[used].Assign(recent_lists[i]);
      recent_lists[i].Clear();
    }
    ++used;
  }
}

void CAppParameter::WriteSettings(CXml& xml, XmlNode* root) {
  CCommConfig::WriteSettings(xml, root);
  XmlNode* config = FindChild(root, WSTR("config"));
  if (config == nullptr) {
    config = CreateNode(WSTR("config"), nullptr);
    if (config == nullptr) return;
    AppendChild(root, config);
  }
  WriteKeys(config, kProductKeys);
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
