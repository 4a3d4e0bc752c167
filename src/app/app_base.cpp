// The application frame in the dialog mode the program runs: language,
// single instance, the main dialog and the commands every application shares.
// The window modes it does not select are in app_frame.cpp.
#include "app/app_base.h"

#include <commctrl.h>
#include <htmlhelp.h>

#include "app/about_dialog.h"
#include "app/choose_language_dialog.h"
#include "app/controls.h"
#include "app/dialog.h"
#include "convert/app_parameter.h"
#include "resource.h"

CAppParameter* theAppParameter = nullptr;
CAppBase* theApp = nullptr;

namespace {

UserLanguageSource g_userLanguageSource = nullptr;

LANGID UserDefaultLanguage() {
  return g_userLanguageSource != nullptr ? g_userLanguageSource() : GetUserDefaultLangID();
}

}  // namespace

HtmlHelpFunction HtmlHelpEngine() {
  static bool looked = false;
  static HtmlHelpFunction engine = nullptr;
  if (!looked) {
    looked = true;
    // From the system folder only, so that no file beside the program or in
    // the current folder can stand in for it.
    wchar_t path[MAX_PATH + 16];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcatW(path, L"\\hhctrl.ocx");
      if (HMODULE module = LoadLibraryW(path)) {
        engine = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
      }
    }
  }
  return engine;
}

int32_t CurrentLanguage() {
  return theAppParameter != nullptr ? theAppParameter->currentLanguage : 0;
}

UserLanguageSource SetUserLanguageSource(UserLanguageSource source) {
  UserLanguageSource previous = g_userLanguageSource;
  g_userLanguageSource = source;
  return previous;
}

CAppBase::~CAppBase() {
  // The procedures must not reach an object that is gone.
  if (theApp == this) theApp = nullptr;
}

int CAppBase::Run(HINSTANCE moduleInstance, HINSTANCE /*previousInstance*/, LPWSTR commandLine,
                  int showCommand) {
  instance = moduleInstance;
  // The main dialog holds a list view and progress bars; they are registered
  // here too, since without version 6 of the controls nothing else does.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                        ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  if (!InitInstance(moduleInstance)) return 0;

  if (mode == ModeDialog) {
    ProcessCommandLine(commandLine);
    const INT_PTR result =
        DialogBoxParamW(moduleInstance, GetMainDialogId(), nullptr, &AppDialogProc, 0);
    ExitInstance(moduleInstance);
    return static_cast<int>(result);
  }

  return RunFrame(commandLine, showCommand);
}

INT_PTR CAppBase::DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return TRUE;
    case WM_NOTIFY:
      OnNotify(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam));
      return TRUE;
    case WM_CLOSE:
      OnClose(window);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam), nullptr, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void CAppBase::OnClose(HWND window) {
  if (!CanClose(0)) return;
  if (mode == ModeDialog) {
    EndDialog(window, 1);
    return;
  }
  // The children are asked first: once the frame is destroyed they are gone
  // without their objects having been told.
  if (mdiClient != nullptr) OnCloseAllChildren();
  DestroyWindow(window);
}

void CAppBase::OnCommand(int commandId, int notifyCode) {
  switch (commandId) {
    case IDCANCEL:
    case ID_FILE_EXIT:
      OnExit();
      break;
    case ID_VIEW_TOOLBAR:
      OnViewToolbar();
      break;
    case ID_VIEW_STATUSBAR:
      OnViewStatusBar();
      break;
    case ID_HELP_ABOUT:
      OnAbout();
      break;
    case ID_HELP_TOPICS:
      OnHelp();
      break;
    case ID_HELP_CHOOSE_LANGUAGE:
      ChooseLanguage(0);
      break;
    case ID_WINDOW_TILE_VERTICAL:
      OnTileVertical();
      break;
    case ID_WINDOW_TILE_HORIZONTAL:
      OnTileHorizontal();
      break;
    case ID_WINDOW_CASCADE:
      OnCascade();
      break;
    case ID_WINDOW_CLOSE_ALL:
      OnCloseAllChildren();
      break;
    default:
      if (mode != ModeDialog && mainWindow != nullptr) {
        DefWindowProcW(mainWindow, WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(commandId), static_cast<WORD>(notifyCode)), 0);
      }
      break;
  }
}

int CAppBase::OnDropFiles(HDROP drop, wchar_t* buffer, int bufferLength) {
  return TakeFirstDroppedFile(drop, buffer, bufferLength);
}

void CAppBase::OnTimer(UINT_PTR /*timerId*/) {}

void CAppBase::OnAppMessage(WPARAM /*wParam*/) {}

void CAppBase::OnExit() {
  if (mode == ModeDialog) {
    // Asked like the close box, so that one override of CanClose guards
    // every way out of the main dialog.
    if (CanClose(0)) EndDialog(mainWindow, 1);
    return;
  }
  SendMessageW(mainWindow, WM_CLOSE, 0, 0);
}

void CAppBase::OnHelp() {
  const int32_t language = UseJapanese() ? 1 : 0;
  CString page;
  theAppParameter->FindHelpPage(language, page);
  ShellExecuteW(mainWindow, L"open", page.GetWide(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CAppBase::OnAbout() {
  CAboutDialog dialog;
  ShowDialog(dialog, UseJapanese() ? IDD_ABOUT_JAPANESE : IDD_ABOUT_ENGLISH, mainWindow);
}

int32_t CAppBase::ChooseLanguage(int atStart) {
  CAppParameter* parameter = theAppParameter;
  const int32_t stored = parameter->language;

  CChooseLanguageDialog dialog;
  dialog.selectedLanguage = stored >= -1 && stored <= 1 ? stored : -1;
  dialog.displayLanguage = parameter->currentLanguage;
  if (dialog.selectedLanguage == -1) {
    // Only Japanese as spoken in Japan picks Japanese.
    const int32_t language = UserDefaultLanguage() == 0x0411 ? 1 : 0;
    dialog.selectedLanguage = language;
    dialog.displayLanguage = language;
  }

  const INT_PTR result = ShowDialog(
      dialog,
      dialog.displayLanguage == 1 ? IDD_CHOOSE_LANGUAGE_JAPANESE : IDD_CHOOSE_LANGUAGE_ENGLISH,
      mainWindow);

  if (atStart) {
    // At the first start even Cancel settles the language, so the question
    // is not asked again.
    parameter->currentLanguage = dialog.selectedLanguage;
    parameter->language = dialog.selectedLanguage;
    parameter->Save();
  } else if (result != 0) {
    // A dialog that could not be created (-1) counts like OK with the
    // selection as it was. The texts in use stay until the next start.
    parameter->language = dialog.selectedLanguage;
    parameter->Save();
  }
  return dialog.selectedLanguage;
}

void CAppBase::OnInitDialog(HWND dialog) {
  mainWindow = dialog;
}

int CAppBase::InitInstance(HINSTANCE moduleInstance) {
  CAppParameter* parameter = theAppParameter;
  if (parameter == nullptr) return 0;

  int32_t language = parameter->language;
  parameter->currentLanguage = language == 0 || language == 1 ? language : 0;
  if (language < 0 || language > 1) language = ChooseLanguage(1);

  if (FindPreviousInstance()) return 0;

  if (mode != ModeDialog && !CreateFrameWindow(moduleInstance, language)) return 0;

  if (HtmlHelpFunction help = HtmlHelpEngine()) {
    help(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&helpCookie));
  }
  return 1;
}

void CAppBase::ExitInstance(HINSTANCE /*instance*/) {}

int CAppBase::FindPreviousInstance() {
  if (allowMultipleInstances) return 0;
  const wchar_t* className = theAppParameter->mainWindowClass.GetWide();
  if (className == nullptr) return 0;
  HWND other = FindWindowW(className, nullptr);
  if (other == nullptr) return 0;
  if (IsIconic(other)) {
    ShowWindow(other, SW_SHOW);
  } else {
    BringWindowToTop(other);
  }
  return 1;
}

void CAppBase::ProcessCommandLine(LPWSTR /*commandLine*/) {}

int CAppBase::CanClose(int /*reason*/) {
  return 1;
}

int CAppBase::CheckMenu(int commandId, int checked) {
  CheckMenuItem(GetMenu(mainWindow), static_cast<UINT>(commandId),
                MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  if (toolbar != nullptr && toolbar->window != nullptr) {
    const WORD state = checked ? TBSTATE_CHECKED | TBSTATE_ENABLED : TBSTATE_ENABLED;
    ctl::CToolBar(toolbar->window).SetButtonState(commandId, state);
  }
  return 1;
}

int CAppBase::EnableMenu(int commandId, int enabled) {
  HMENU menu = GetMenu(mainWindow);
  if (menu == nullptr) return 0;
  EnableMenuItem(menu, static_cast<UINT>(commandId),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  if (toolbar != nullptr && toolbar->window != nullptr) {
    ctl::CToolBar(toolbar->window).EnableButton(commandId, enabled != 0);
  }
  return 1;
}

LPCWSTR CAppBase::GetMainDialogId() {
  return L"";
}

INT_PTR CALLBACK AppDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return FALSE;
  return theApp->DlgProc(window, message, wParam, lParam);
}
