// The dialog and menu resources as the program's module holds them: each
// template of a Japanese / English pair has the same controls (ids, kinds,
// order, rectangles and styles), and both match the window's design.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "base/wide.h"
#include "bx_version.h"
#include "resource.h"

namespace {

enum class Kind {
  GroupBox,
  Label,
  Icon,
  Edit,
  Button,
  DefaultButton,
  DropList,
  ListView,
  Progress,
  Other
};

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::GroupBox:
      return "group box";
    case Kind::Label:
      return "label";
    case Kind::Icon:
      return "icon";
    case Kind::Edit:
      return "edit";
    case Kind::Button:
      return "push button";
    case Kind::DefaultButton:
      return "default push button";
    case Kind::DropList:
      return "drop-down list";
    case Kind::ListView:
      return "list view";
    case Kind::Progress:
      return "progress bar";
    case Kind::Other:
      return "other";
  }
  return "?";
}

struct Item {
  int id = 0;
  std::wstring className;  // "#128" style for the predefined classes
  std::wstring text;       // "#n" for an ordinal (an icon's resource id)
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};

struct Template {
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu;
  std::wstring caption;
  WORD pointSize = 0;
  std::wstring font;
  std::vector<Item> items;
};

// Reads one sz_Or_Ord field: none, an ordinal ("#n"), or a string.
std::wstring ReadNameOrOrdinal(const WORD*& p) {
  if (*p == 0x0000) {
    ++p;
    return L"";
  }
  if (*p == 0xFFFF) {
    const WORD ordinal = p[1];
    p += 2;
    return L"#" + std::to_wstring(ordinal);
  }
  std::wstring text;
  while (*p != 0)
    text.push_back(static_cast<wchar_t>(*p++));
  ++p;
  return text;
}

std::wstring ReadString(const WORD*& p) {
  std::wstring text;
  while (*p != 0)
    text.push_back(static_cast<wchar_t>(*p++));
  ++p;
  return text;
}

template <typename T>
T Take(const WORD*& p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  p += sizeof value / sizeof(WORD);
  return value;
}

const WORD* AlignDword(const WORD* p) {
  return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
}

// The extended dialog template with the given id from this module.
bool LoadTemplate(int id, Template& out) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (found == nullptr) return false;
  const auto* p = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  if (p == nullptr || p[0] != 1 || p[1] != 0xFFFF) return false;  // DLGTEMPLATEEX only
  p += 2;
  Take<DWORD>(p);  // help id
  Take<DWORD>(p);  // extended style
  out.style = Take<DWORD>(p);
  const WORD count = Take<WORD>(p);
  out.x = Take<short>(p);
  out.y = Take<short>(p);
  out.cx = Take<short>(p);
  out.cy = Take<short>(p);
  out.menu = ReadNameOrOrdinal(p);
  ReadNameOrOrdinal(p);  // window class
  out.caption = ReadString(p);
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.pointSize = Take<WORD>(p);
    Take<WORD>(p);  // weight
    Take<WORD>(p);  // italic, character set
    out.font = ReadString(p);
  }
  for (WORD i = 0; i < count; ++i) {
    p = AlignDword(p);
    Item item;
    Take<DWORD>(p);  // help id
    item.exStyle = Take<DWORD>(p);
    item.style = Take<DWORD>(p);
    item.x = Take<short>(p);
    item.y = Take<short>(p);
    item.cx = Take<short>(p);
    item.cy = Take<short>(p);
    item.id = static_cast<int>(Take<DWORD>(p));
    item.className = ReadNameOrOrdinal(p);
    item.text = ReadNameOrOrdinal(p);
    const WORD extra = Take<WORD>(p);
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
    out.items.push_back(item);
  }
  return true;
}

// Class names compare without regard to case, as the window system does;
// a predefined class may be named by its ordinal or by its name.
bool IsClass(const Item& item, const wchar_t* ordinal, const wchar_t* name) {
  return item.className == ordinal || lstrcmpiW(item.className.c_str(), name) == 0;
}

Kind KindOf(const Item& item) {
  if (IsClass(item, L"#128", L"Button")) {
    switch (item.style & BS_TYPEMASK) {
      case BS_GROUPBOX:
        return Kind::GroupBox;
      case BS_DEFPUSHBUTTON:
        return Kind::DefaultButton;
      case BS_PUSHBUTTON:
        return Kind::Button;
      default:
        return Kind::Other;
    }
  }
  if (IsClass(item, L"#129", L"Edit")) return Kind::Edit;
  if (IsClass(item, L"#130", L"Static")) {
    return (item.style & SS_TYPEMASK) == SS_ICON ? Kind::Icon : Kind::Label;
  }
  if (IsClass(item, L"#133", L"ComboBox")) {
    return (item.style & 3) == CBS_DROPDOWNLIST ? Kind::DropList : Kind::Other;
  }
  if (IsClass(item, L"", WC_LISTVIEWW)) return Kind::ListView;
  if (IsClass(item, L"", PROGRESS_CLASSW)) return Kind::Progress;
  return Kind::Other;
}

struct ExpectedItem {
  int id;
  Kind kind;
  const wchar_t* japanese;
  const wchar_t* english;
  short x, y, cx, cy;
  DWORD style;  // bits that must be set besides those of the kind
};

struct ExpectedDialog {
  const char* name;
  int japaneseId;
  int englishId;
  const wchar_t* japaneseCaption;
  const wchar_t* englishCaption;
  short x, y, cx, cy;
  DWORD style;  // exactly
  int japaneseMenu;
  int englishMenu;  // 0: none
  std::vector<ExpectedItem> items;
};

constexpr DWORD kSmallDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT;
// The main window can be resized and maximised, so that it fits a small or
// highly scaled screen.
constexpr DWORD kMainDialog =
    kSmallDialog | WS_VISIBLE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
constexpr DWORD kScrolledBox = ES_AUTOHSCROLL | WS_BORDER;

const std::vector<ExpectedDialog>& Dialogs() {
  static const std::vector<ExpectedDialog> dialogs = {
      {"main window",
       IDD_MAIN_JAPANESE,
       IDD_MAIN_ENGLISH,
       L"Brelvix",
       L"Brelvix",
       100,
       100,
       400,
       300,
       kMainDialog,
       IDR_MENU_JAPANESE,
       IDR_MENU_ENGLISH,
       {
           {IDC_STATIC, Kind::GroupBox, L"変換の設定", L"Settings", 5, 3, 390, 105, 0},
           {IDC_STATIC, Kind::Label, L"出力先(&U):", L"O&utput folder:", 11, 17, 58, 8, 0},
           {IDC_OUTPUT_FOLDER, Kind::Edit, L"", L"", 70, 15, 262, 14, kScrolledBox},
           {IDC_BROWSE_OUTPUT, Kind::Button, L"参照(&B)...", L"&Browse...", 336, 15, 52, 14, 0},
           {IDC_STATIC, Kind::Label, L"変換方法(&C):", L"&Convert:", 11, 37, 58, 8, 0},
           {IDC_CONVERT, Kind::DropList, L"", L"", 70, 35, 92, 80, 0},
           {IDC_STATIC, Kind::Label, L"サイズ(&S):", L"&Size:", 11, 55, 58, 8, 0},
           {IDC_DATA_SIZE, Kind::DropList, L"", L"", 70, 53, 92, 80, 0},
           {IDC_STATIC, Kind::Label, L"バイト順(&Y):", L"B&yte order:", 11, 73, 58, 8, 0},
           {IDC_ENDIAN, Kind::DropList, L"", L"", 70, 71, 92, 80, 0},
           {IDC_STATIC, Kind::Label, L"値の書式(&V):", L"&Value format:", 172, 37, 58, 8, 0},
           {IDC_DATA_FORMAT, Kind::Edit, L"", L"", 232, 35, 70, 14, kScrolledBox},
           {IDC_STATIC, Kind::Label, L"配列の書式(&T):", L"Array &template:", 172, 55, 100, 8, 0},
           {IDC_ARRAY_FORMAT, Kind::Edit, L"", L"", 172, 65, 216, 38,
            kScrolledBox | ES_MULTILINE | ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL},
           {IDC_STATIC, Kind::GroupBox, L"ファイル一覧", L"Files", 5, 111, 390, 113, 0},
           {IDC_FILE_LIST, Kind::ListView, L"", L"", 11, 123, 378, 78,
            LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_BORDER},
           {IDC_ADD, Kind::Button, L"追加(&A)...", L"&Add...", 11, 205, 52, 14, 0},
           {IDC_MODIFY, Kind::Button, L"変更(&M)...", L"&Modify...", 67, 205, 52, 14, 0},
           {IDC_DELETE, Kind::Button, L"削除(&D)", L"&Delete", 123, 205, 52, 14, 0},
           {IDC_ALL_DELETE, Kind::Button, L"全削除(&L)", L"A&ll Delete", 179, 205, 52, 14, 0},
           {IDC_STATIC, Kind::GroupBox, L"進行状況", L"Progress", 5, 227, 390, 51, 0},
           {IDC_STATIC, Kind::Label, L"ファイル:", L"File:", 11, 239, 44, 8, 0},
           {IDC_FILE_PROGRESS, Kind::Progress, L"", L"", 56, 238, 332, 10, WS_BORDER},
           {IDC_STATIC, Kind::Label, L"全体:", L"All files:", 11, 252, 44, 8, 0},
           {IDC_TOTAL_PROGRESS, Kind::Progress, L"", L"", 56, 251, 332, 10, WS_BORDER},
           {IDC_PROGRESS_TEXT, Kind::Label, L"", L"", 11, 264, 377, 10, SS_NOPREFIX},
           {IDC_CANCEL_RUN, Kind::Button, L"中断(&N)", L"Ca&ncel", 289, 282, 50, 14, 0},
           {IDC_EXECUTE, Kind::Button, L"実行(&X)", L"E&xecute", 345, 282, 50, 14, 0},
       }},
      {"Choose Language",
       IDD_CHOOSE_LANGUAGE_JAPANESE,
       IDD_CHOOSE_LANGUAGE_ENGLISH,
       L"言語設定",
       L"Choose Language",
       150,
       100,
       170,
       76,
       kSmallDialog,
       0,
       0,
       {
           {IDC_STATIC, Kind::Label, L"言語(&L):", L"&Language:", 7, 9, 40, 8, 0},
           {IDC_LANGUAGE, Kind::DropList, L"", L"", 50, 7, 113, 80, 0},
           {IDC_LANGUAGE_NOTE, Kind::Label, L"変更は次回の起動から有効になります。",
            L"A change applies from the next start.", 7, 28, 156, 18, 0},
           {IDOK, Kind::DefaultButton, L"OK", L"OK", 59, 55, 50, 14, 0},
           {IDCANCEL, Kind::Button, L"キャンセル", L"Cancel", 113, 55, 50, 14, 0},
       }},
      {"About",
       IDD_ABOUT_JAPANESE,
       IDD_ABOUT_ENGLISH,
       L"バージョン情報",
       L"About Brelvix",
       100,
       100,
       260,
       80,
       kSmallDialog,
       0,
       0,
       {
           {IDC_STATIC, Kind::Icon, L"#10011", L"#10011", 9, 9, 20, 20, 0},
           {IDC_STATIC, Kind::Label, L"Brelvix", L"Brelvix", 40, 9, 150, 9, 0},
           {IDC_ABOUT_EDITION, Kind::Label, L"", L"", 40, 21, 150, 9, 0},
           {IDC_ABOUT_VERSION, Kind::Label, L"", L"", 40, 33, 150, 9, 0},
           {IDC_STATIC, Kind::Label, nullptr, nullptr, 40, 45, 213, 9, 0},
           {IDOK, Kind::DefaultButton, L"OK", L"OK", 203, 59, 50, 14, 0},
       }},
      {"file information",
       IDD_FILE_INFO_JAPANESE,
       IDD_FILE_INFO_ENGLISH,
       L"ファイル情報編集",
       L"Edit File Information",
       100,
       100,
       300,
       126,
       kSmallDialog,
       0,
       0,
       {
           {IDC_STATIC, Kind::Label, L"入力ファイル名(&I):", L"&Input file name:", 7, 7, 286, 8, 0},
           {IDC_INPUT_FILE_NAME, Kind::Edit, L"", L"", 7, 17, 286, 14, kScrolledBox | ES_READONLY},
           {IDC_STATIC, Kind::Label, L"出力ファイル名(&O):", L"&Output file name:", 7, 37, 286, 8,
            0},
           {IDC_OUTPUT_FILE_NAME, Kind::Edit, L"", L"", 7, 47, 286, 14, kScrolledBox},
           {IDC_STATIC, Kind::Label, L"配列名(&A):", L"&Array name:", 7, 67, 286, 8, 0},
           {IDC_ARRAY_NAME, Kind::Edit, L"", L"", 7, 77, 286, 14, kScrolledBox},
           {IDOK, Kind::DefaultButton, L"OK", L"OK", 189, 105, 50, 14, 0},
           {IDCANCEL, Kind::Button, L"キャンセル", L"Cancel", 243, 105, 50, 14, 0},
       }},
  };
  return dialogs;
}

void CheckAgainstDesign(const Template& dialog, const ExpectedDialog& design, bool japanese) {
  SCOPED_TRACE(japanese ? "Japanese template" : "English template");
  EXPECT_EQ(dialog.caption, japanese ? design.japaneseCaption : design.englishCaption);
  EXPECT_EQ(dialog.style, design.style);
  EXPECT_EQ(dialog.x, design.x);
  EXPECT_EQ(dialog.y, design.y);
  EXPECT_EQ(dialog.cx, design.cx);
  EXPECT_EQ(dialog.cy, design.cy);
  // The shell's dialog font: the system maps it to a face with the user's
  // characters, where a named Japanese face may be missing.
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.font, L"MS Shell Dlg");
  const int menu = japanese ? design.japaneseMenu : design.englishMenu;
  EXPECT_EQ(dialog.menu, menu != 0 ? L"#" + std::to_wstring(menu) : L"");

  ASSERT_EQ(dialog.items.size(), design.items.size());
  for (size_t i = 0; i < design.items.size(); ++i) {
    const Item& item = dialog.items[i];
    const ExpectedItem& want = design.items[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(want.id) + ", " +
                 KindName(want.kind) + ")");
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(KindOf(item), want.kind) << KindName(KindOf(item));
    const wchar_t* text = japanese ? want.japanese : want.english;
    if (text != nullptr) {
      EXPECT_EQ(item.text, text);
    } else {
      EXPECT_FALSE(item.text.empty());
    }
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
    EXPECT_EQ(item.style & want.style, want.style);
    EXPECT_TRUE(item.style & WS_CHILD);
    EXPECT_TRUE(item.style & WS_VISIBLE);
  }
}

TEST(TemplateTest, EveryPairMatchesTheDesignAndEachOther) {
  for (const ExpectedDialog& design : Dialogs()) {
    SCOPED_TRACE(design.name);
    Template japanese, english;
    ASSERT_TRUE(LoadTemplate(design.japaneseId, japanese));
    ASSERT_TRUE(LoadTemplate(design.englishId, english));
    CheckAgainstDesign(japanese, design, true);
    CheckAgainstDesign(english, design, false);

    // The two languages differ in their texts only.
    ASSERT_EQ(japanese.items.size(), english.items.size());
    for (size_t i = 0; i < japanese.items.size(); ++i) {
      SCOPED_TRACE("control " + std::to_string(i));
      const Item& a = japanese.items[i];
      const Item& b = english.items[i];
      EXPECT_EQ(a.id, b.id);
      EXPECT_EQ(a.className, b.className);
      EXPECT_EQ(a.style, b.style);
      EXPECT_EQ(a.exStyle, b.exStyle);
      EXPECT_EQ(a.x, b.x);
      EXPECT_EQ(a.y, b.y);
      EXPECT_EQ(a.cx, b.cx);
      EXPECT_EQ(a.cy, b.cy);
    }
    EXPECT_EQ(japanese.style, english.style);
  }
}

TEST(TemplateTest, NoButtonOfTheMainWindowIsTheDefault) {
  for (int id : {IDD_MAIN_JAPANESE, IDD_MAIN_ENGLISH}) {
    Template dialog;
    ASSERT_TRUE(LoadTemplate(id, dialog));
    for (const Item& item : dialog.items) {
      EXPECT_NE(KindOf(item), Kind::DefaultButton) << "control " << item.id;
    }
  }
}

// Every label and button a user reaches by keyboard has its own Alt letter,
// none of them the menu's; OK and Cancel answer Enter and Esc instead.
TEST(TemplateTest, EveryLabelAndButtonHasItsOwnAltLetter) {
  const int dialogs[] = {
      IDD_MAIN_JAPANESE,           IDD_MAIN_ENGLISH,       IDD_CHOOSE_LANGUAGE_JAPANESE,
      IDD_CHOOSE_LANGUAGE_ENGLISH, IDD_FILE_INFO_JAPANESE, IDD_FILE_INFO_ENGLISH};
  for (const int id : dialogs) {
    SCOPED_TRACE(id);
    Template dialog;
    ASSERT_TRUE(LoadTemplate(id, dialog));
    std::wstring letters = dialog.menu.empty() ? L"" : L"FH";
    for (size_t i = 0; i < dialog.items.size(); ++i) {
      const Item& item = dialog.items[i];
      const Kind kind = KindOf(item);
      if (kind != Kind::Label && kind != Kind::Button && kind != Kind::DefaultButton) continue;
      if (item.id == IDOK || item.id == IDCANCEL || item.text.empty() ||
          (item.style & SS_NOPREFIX) == SS_NOPREFIX || item.id == IDC_LANGUAGE_NOTE) {
        continue;
      }
      // A bar's label names nothing that takes the focus.
      if (i + 1 < dialog.items.size() && KindOf(dialog.items[i + 1]) == Kind::Progress) continue;
      SCOPED_TRACE(testing::PrintToString(item.text));
      const size_t amp = item.text.find(L'&');
      ASSERT_NE(amp, std::wstring::npos);
      ASSERT_LT(amp + 1, item.text.size());
      const wchar_t letter = static_cast<wchar_t>(towupper(item.text[amp + 1]));
      EXPECT_EQ(letters.find(letter), std::wstring::npos) << "taken twice";
      letters.push_back(letter);
      // A label's letter reaches the box after it in the Tab order.
      if (kind == Kind::Label) {
        ASSERT_LT(i + 1, dialog.items.size());
        const Kind next = KindOf(dialog.items[i + 1]);
        EXPECT_TRUE(next == Kind::Edit || next == Kind::DropList) << KindName(next);
      }
    }
  }
}

// ---- Menus ----------------------------------------------------------------

struct MenuEntry {
  UINT id;  // 0: separator
  const wchar_t* japanese;
  const wchar_t* english;
};

struct MenuPopup {
  const wchar_t* japanese;
  const wchar_t* english;
  std::vector<MenuEntry> entries;
};

const std::vector<MenuPopup>& MenuDesign() {
  static const std::vector<MenuPopup> popups = {
      {L"ファイル(&F)",
       L"&File",
       {{ID_FILE_OPEN, L"開く(&O)...\tCtrl+O", L"&Open...\tCtrl+O"},
        {0, nullptr, nullptr},
        {ID_FILE_SAVE, L"上書き保存(&S)\tCtrl+S", L"&Save\tCtrl+S"},
        {ID_FILE_SAVE_AS, L"名前を付けて保存(&A)...", L"Save &As..."},
        {0, nullptr, nullptr},
        {ID_FILE_EXIT, L"アプリケーションの終了(&X)", L"E&xit"}}},
      {L"ヘルプ(&H)",
       L"&Help",
       {{ID_HELP_TOPICS, L"ヘルプの表示(&H)\tF1", L"&Help Topics\tF1"},
        {0, nullptr, nullptr},
        {ID_HELP_CHOOSE_LANGUAGE, L"言語設定(&L)...", L"Choose &Language..."},
        {0, nullptr, nullptr},
        {ID_HELP_ABOUT, L"バージョン情報(&A)", L"&About Brelvix"}}},
  };
  return popups;
}

// The right-click menu of the list's rows: one popup without a title.
const std::vector<MenuPopup>& RowMenuDesign() {
  static const std::vector<MenuPopup> popups = {
      {L"",
       L"",
       {{IDC_MODIFY, L"変更(&M)...", L"&Modify..."},
        {IDC_DELETE, L"リストから削除(&R)\tDel", L"&Remove from List\tDel"},
        {0, nullptr, nullptr},
        {ID_LIST_OPEN_FOLDER, L"フォルダーを開く(&F)", L"Open Containing &Folder"},
        {ID_LIST_COPY_PATH, L"パスをコピー(&C)", L"&Copy Path"},
        {0, nullptr, nullptr},
        {ID_LIST_SELECT_ALL, L"すべて選択(&A)\tCtrl+A", L"Select &All\tCtrl+A"}}},
  };
  return popups;
}

std::wstring MenuItemText(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  return text;
}

bool IsSeparator(HMENU menu, UINT position) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  return GetMenuItemInfoW(menu, position, TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

TEST(TemplateTest, BothMenusHoldTheSameEntriesWithTheirTexts) {
  const struct {
    int japaneseId;
    int englishId;
    const std::vector<MenuPopup>& design;
  } pairs[] = {{IDR_MENU_JAPANESE, IDR_MENU_ENGLISH, MenuDesign()},
               {IDR_ROW_MENU_JAPANESE, IDR_ROW_MENU_ENGLISH, RowMenuDesign()}};
  for (const auto& pair : pairs) {
    for (bool japanese : {true, false}) {
      const int id = japanese ? pair.japaneseId : pair.englishId;
      SCOPED_TRACE("menu " + std::to_string(id));
      HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
      ASSERT_NE(menu, nullptr);
      const auto& design = pair.design;
      ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(design.size()));
      for (size_t p = 0; p < design.size(); ++p) {
        SCOPED_TRACE("popup " + std::to_string(p));
        EXPECT_EQ(MenuItemText(menu, static_cast<UINT>(p)),
                  japanese ? design[p].japanese : design[p].english);
        HMENU popup = GetSubMenu(menu, static_cast<int>(p));
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(design[p].entries.size()));
        for (size_t i = 0; i < design[p].entries.size(); ++i) {
          SCOPED_TRACE("entry " + std::to_string(i));
          const MenuEntry& entry = design[p].entries[i];
          const UINT position = static_cast<UINT>(i);
          if (entry.id == 0) {
            EXPECT_TRUE(IsSeparator(popup, position));
            continue;
          }
          EXPECT_FALSE(IsSeparator(popup, position));
          EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(i)), entry.id);
          EXPECT_EQ(MenuItemText(popup, position), japanese ? entry.japanese : entry.english);
        }
      }
      DestroyMenu(menu);
    }
  }
}

// ---- Icon, version, manifest -------------------------------------------------

TEST(TemplateTest, TheIconHasTheSmallAndTheLargeSize) {
  for (int size : {16, 32}) {
    SCOPED_TRACE(size);
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                               MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                               size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  // The group directory names a real image for the small and the large icon
  // at 100, 125, 150 and 200 % scaling, so that none is scaled from another.
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                              MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
  const WORD count = static_cast<WORD>(directory[4] | directory[5] << 8);
  for (const int size : {16, 20, 24, 32, 40, 48, 64}) {
    SCOPED_TRACE(size);
    bool found = false;
    for (WORD i = 0; i < count; ++i)
      found = found || directory[6 + i * 14] == size;
    EXPECT_TRUE(found);
  }
}

TEST(TemplateTest, VersionResourceSaysProjectVersion) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD{BX_VERSION_MAJOR} << 16 | BX_VERSION_MINOR);
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD{BX_VERSION_PATCH} << 16 | BX_VERSION_TWEAK);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, WSTR(BX_VERSION_TEXT));
}

TEST(TemplateTest, ManifestAsksForCommonControlsSixAndPerMonitorDpi) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
  ASSERT_NE(found, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(bytes, SizeofResource(module, found));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  // The program's own identity carries the one version too.
  EXPECT_NE(manifest.find("name=\"Quorvel.Brelvix\" version=\"" BX_VERSION_TEXT "\""),
            std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("true/pm"), std::string::npos);
}

}  // namespace
