#include "app/app_base.h"

#include <commctrl.h>
#include <htmlhelp.h>

#include "app/about_dialog.h"
#include "app/choose_language_dialog.h"
#include "convert/app_parameter.h"
#include "resource.h"

CAppParameter* theAppParameter = nullptr;
CAppBase* theApp = nullptr;

namespace {

UserLanguageSource g_userLanguageSource = nullptr;

LANGID UserDefaultLanguage() {
  return g_userLanguageSource != nullptr ? g_userLanguageSource() : GetUserDefaultLangID();
}

// The HTML Help engine of the system, looked up once. Only its initialise,
// uninitialise and message pre-translation are used; without the engine the
// three calls are dropped.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

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

BOOL CALLBACK CloseMdiChild(HWND window, LPARAM clientParam) {
  // Only the client's own children carry a child object in their user data;
  // the windows inside a child keep whatever their own code stores there.
  if (GetParent(window) == reinterpret_cast<HWND>(clientParam)) {
    if (auto* child = reinterpret_cast<CMdiChild*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      child->Close();
    }
  }
  return TRUE;
}

int WindowHeight(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return 0;
  return rect.bottom - rect.top;
}

}  // namespace

int32_t CurrentLanguage() {
  return theAppParameter != nullptr ? theAppParameter->currentLanguage : 0;
}

UserLanguageSource SetUserLanguageSource(UserLanguageSource source) {
  UserLanguageSource previous = g_userLanguageSource;
  g_userLanguageSource = source;
  return previous;
}

void CToolBar::Resize(const RECT& area) {
  if (window != nullptr) {
    MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  }
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

  ShowWindow(mainWindow, showCommand);
  if (mdiClient != nullptr) ShowWindow(mdiClient, showCommand);
  UpdateWindow(mainWindow);
  ProcessCommandLine(commandLine);

  HACCEL accelerators = nullptr;
  if (ResourceName table = theAppParameter->GetResourceId(IDR_ACCELERATORS)) {
    accelerators = LoadAcceleratorsW(instance, table);
  }

  MSG message = {};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    // -1 is an error of GetMessageW itself; looping on it would never end.
    if (got == 0 || got == -1) break;
    if (mdiClient != nullptr) {
      if (TranslateMDISysAccel(mdiClient, &message)) continue;
      if (accelerators != nullptr && TranslateAcceleratorW(mainWindow, accelerators, &message)) {
        continue;
      }
    }
    if (HtmlHelpFunction help = HtmlHelpEngine()) {
      if (help(nullptr, nullptr, HH_PRETRANSLATEMESSAGE, reinterpret_cast<DWORD_PTR>(&message))) {
        continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ExitInstance(instance);
  return static_cast<int>(message.wParam);
}

LRESULT CAppBase::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window, reinterpret_cast<CREATESTRUCTW*>(lParam));
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    case WM_SIZE: {
      RECT rect;
      OnSize(&rect, LOWORD(lParam), HIWORD(lParam), wParam);
      return 0;
    }
    case WM_CLOSE:
      OnClose(window);
      return 0;
    case WM_NOTIFY:
      OnNotify(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      if (mdiClient != nullptr) return DefFrameProcW(window, mdiClient, message, wParam, lParam);
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam), nullptr, 0);
      return 0;
    case WM_USER + 2:
      OnAppMessage(wParam);
      return 0;
    default:
      if (mdiClient != nullptr) return DefFrameProcW(window, mdiClient, message, wParam, lParam);
      return DefWindowProcW(window, message, wParam, lParam);
  }
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

void CAppBase::OnCreate(HWND window, CREATESTRUCTW* /*create*/) {
  mainWindow = window;
  CAppParameter* parameter = theAppParameter;
  if (toolbar != nullptr) {
    toolbar->Create(window);
    const int32_t visible = parameter->canToggleToolbar == 0 || parameter->viewToolbar != 0;
    if (toolbar->window != nullptr) {
      if (GetMenu(mainWindow) != nullptr) CheckMenu(ID_VIEW_TOOLBAR, visible);
      ShowWindow(toolbar->window, visible ? SW_SHOW : SW_HIDE);
      toolbar->visible = visible;
    }
  }
  if (statusBar != nullptr) {
    statusBar->window = CreateWindowExW(
        WS_EX_TOPMOST, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, mainWindow,
        nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE)),
        nullptr);
    if (statusBar->window != nullptr && statusBar->partCount > 0) {
      SendMessageW(statusBar->window, SB_SETPARTS, static_cast<WPARAM>(statusBar->partCount),
                   reinterpret_cast<LPARAM>(statusBar->partEdges));
    }
    const int32_t visible = parameter->canToggleStatusbar == 0 || parameter->viewStatusbar != 0;
    if (statusBar->window != nullptr) {
      if (GetMenu(mainWindow) != nullptr) CheckMenu(ID_VIEW_STATUSBAR, visible);
      ShowWindow(statusBar->window, visible ? SW_SHOW : SW_HIDE);
      statusBar->visible = visible;
    }
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

void CAppBase::OnDestroy(HWND /*window*/) {
  if (HtmlHelpFunction help = HtmlHelpEngine()) {
    help(nullptr, nullptr, HH_UNINITIALIZE, helpCookie);
  }
  PostQuitMessage(0);
}

RECT* CAppBase::OnSize(RECT* rect, int width, int height, WPARAM /*sizeType*/) {
  rect->left = 0;
  rect->top = 0;
  rect->right = width;
  rect->bottom = height;
  if (toolbar != nullptr && toolbar->visible && toolbar->window != nullptr) {
    const int barHeight = WindowHeight(toolbar->window);
    toolbar->Resize(RECT{0, 0, width, barHeight});
    rect->top = barHeight;
  }
  if (statusBar != nullptr && statusBar->visible && statusBar->window != nullptr) {
    const int barHeight = WindowHeight(statusBar->window);
    MoveWindow(statusBar->window, 0, height - barHeight, width, barHeight, TRUE);
    rect->bottom = height - barHeight;
  }
  if (mdiClient != nullptr) {
    MoveWindow(mdiClient, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
  }
  return rect;
}

void CAppBase::OnNotify(int /*controlId*/, NMHDR* header) {
  if (header == nullptr || header->code != TTN_GETDISPINFOW || toolbar == nullptr) return;
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
  for (int32_t i = 0; i < toolbar->tipCount; ++i) {
    const ToolTipEntry& tip = toolbar->tips[i];
    if (static_cast<UINT_PTR>(tip.commandId) == header->idFrom) {
      info->lpszText = const_cast<LPWSTR>(UseJapanese() ? tip.japanese : tip.english);
      return;
    }
  }
}

void CAppBase::OnCommand(int commandId, int notifyCode) {
  switch (commandId) {
    case IDCANCEL:
    case ID_FILE_EXIT:
      OnExit();
      break;
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
      // The application's own commands; nothing for the frame to do.
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
  if (buffer == nullptr || bufferLength <= 0) return 0;
  DragQueryFileW(drop, 0, buffer, static_cast<UINT>(bufferLength));
  DragFinish(drop);
  return 1;
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

void CAppBase::OnViewToolbar() {
  CAppParameter* parameter = theAppParameter;
  if (toolbar == nullptr || parameter->canToggleToolbar == 0) return;
  ToggleBar(toolbar->window, &toolbar->visible, ID_VIEW_TOOLBAR, &parameter->viewToolbar);
}

void CAppBase::OnViewStatusBar() {
  CAppParameter* parameter = theAppParameter;
  if (statusBar == nullptr || parameter->canToggleStatusbar == 0) return;
  ToggleBar(statusBar->window, &statusBar->visible, ID_VIEW_STATUSBAR, &parameter->viewStatusbar);
}

// Shows or hides a bar, stores the choice at once and lays the frame out again.
void CAppBase::ToggleBar(HWND window, int32_t* visible, int commandId, int32_t* stored) {
  const int32_t shown = *visible ? 0 : 1;
  if (window != nullptr) {
    CheckMenu(commandId, shown);
    ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
    *visible = shown;
  }
  *stored = shown;
  theAppParameter->Save();
  RECT client;
  GetClientRect(mainWindow, &client);
  OnSize(&client, client.right, client.bottom, 0);
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

void CAppBase::OnTileVertical() {
  if (mdiClient != nullptr) SendMessageW(mdiClient, WM_MDITILE, MDITILE_VERTICAL, 0);
}

void CAppBase::OnTileHorizontal() {
  if (mdiClient != nullptr) SendMessageW(mdiClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
}

void CAppBase::OnCascade() {
  if (mdiClient != nullptr) SendMessageW(mdiClient, WM_MDICASCADE, 0, 0);
}

void CAppBase::OnCloseAllChildren() {
  if (mdiClient == nullptr) return;
  EnumChildWindows(mdiClient, &CloseMdiChild, reinterpret_cast<LPARAM>(mdiClient));
}

LRESULT CAppBase::MdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CMdiChild* child = nullptr;
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (create != nullptr && create->lpCreateParams != nullptr) {
      const auto* mdiCreate = static_cast<const MDICREATESTRUCTW*>(create->lpCreateParams);
      child = reinterpret_cast<CMdiChild*>(mdiCreate->lParam);
    }
  } else if (message == WM_MDIACTIVATE) {
    // lParam is the child being activated; null when the last one goes.
    if (HWND activated = reinterpret_cast<HWND>(lParam)) {
      OnMdiActivate(activated);
      child = reinterpret_cast<CMdiChild*>(GetWindowLongPtrW(activated, GWLP_USERDATA));
    }
  } else {
    child = reinterpret_cast<CMdiChild*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (child != nullptr) child->WndProc(window, message, wParam, lParam);
  return DefMDIChildProcW(window, message, wParam, lParam);
}

void CAppBase::OnMdiActivate(HWND window) {
  SetFocus(window);
}

int CAppBase::InitInstance(HINSTANCE moduleInstance) {
  CAppParameter* parameter = theAppParameter;
  if (parameter == nullptr) return 0;

  int32_t language = parameter->language;
  parameter->currentLanguage = language == 0 || language == 1 ? language : 0;
  if (language < 0 || language > 1) language = ChooseLanguage(1);

  if (FindPreviousInstance()) return 0;

  if (mode != ModeDialog) {
    WNDCLASSW mainClass = {};
    mainClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    mainClass.lpfnWndProc = &AppWindowProc;
    mainClass.hInstance = moduleInstance;
    mainClass.hIcon = LoadIconW(moduleInstance, parameter->GetResourceId(IDI_APPLICATION_ICON));
    mainClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    mainClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    mainClass.lpszMenuName = parameter->GetMenuId(language);
    mainClass.lpszClassName = parameter->mainWindowClass.GetWide();
    if (mainClass.lpszClassName == nullptr || !RegisterClassW(&mainClass)) return 0;

    if (mode == ModeMdiFrame) {
      mainWindow =
          CreateWindowExW(WS_EX_ACCEPTFILES, mainClass.lpszClassName, parameter->GetTitle(language),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, moduleInstance, nullptr);
      if (mainWindow == nullptr) return 0;

      WNDCLASSW childClass = {};
      childClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
      childClass.lpfnWndProc = &AppMdiChildProc;
      childClass.hInstance = moduleInstance;
      childClass.hIcon = LoadIconW(moduleInstance, parameter->GetResourceId(IDI_MDI_CHILD_ICON));
      childClass.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
      childClass.lpszClassName = parameter->mdiClientWindowClass.GetWide();
      if (childClass.lpszClassName == nullptr || !RegisterClassW(&childClass)) return 0;

      CLIENTCREATESTRUCT client = {};
      client.hWindowMenu = GetSubMenu(GetMenu(mainWindow), parameter->GetMenuPosition(L"Window"));
      client.idFirstChild = ID_MDI_FIRST_CHILD;
      mdiClient = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                  mainWindow, nullptr, moduleInstance, &client);
      // A frame without its client could show no child at all.
      if (mdiClient == nullptr) return 0;
    } else {
      mainWindow = CreateWindowExW(0, mainClass.lpszClassName, parameter->GetTitle(language),
                                   WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, nullptr, nullptr, moduleInstance, nullptr);
      if (mainWindow == nullptr) return 0;
    }
    DragAcceptFiles(mainWindow, TRUE);
  }

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
    SendMessageW(toolbar->window, TB_SETSTATE, static_cast<WPARAM>(commandId), MAKELONG(state, 0));
  }
  return 1;
}

int CAppBase::EnableMenu(int commandId, int enabled) {
  HMENU menu = GetMenu(mainWindow);
  if (menu == nullptr) return 0;
  EnableMenuItem(menu, static_cast<UINT>(commandId),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  if (toolbar != nullptr && toolbar->window != nullptr) {
    SendMessageW(toolbar->window, TB_ENABLEBUTTON, static_cast<WPARAM>(commandId),
                 MAKELONG(enabled ? TRUE : FALSE, 0));
  }
  return 1;
}

LPCWSTR CAppBase::GetMainDialogId() {
  return L"";
}

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return 0;
  return theApp->WndProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK AppDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return FALSE;
  return theApp->DlgProc(window, message, wParam, lParam);
}

LRESULT CALLBACK AppMdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return DefMDIChildProcW(window, message, wParam, lParam);
  return theApp->MdiChildProc(window, message, wParam, lParam);
}
