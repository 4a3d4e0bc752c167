// The frame's window modes, which this program does not select: one
// overlapped window, or an MDI frame with its client and children, each with
// an optional toolbar and status bar (tests/app/frame_test.cpp). The dialog
// mode the program runs is in app_base.cpp.
#include "app/app_base.h"

#include <commctrl.h>
#include <htmlhelp.h>

#include "app/controls.h"
#include "convert/app_parameter.h"
#include "resource.h"

namespace {

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

// What differs between the frame's window classes.
struct FrameClass {
  WNDPROC procedure = nullptr;
  ResourceName icon = nullptr;
  LPCWSTR cursor = nullptr;  // a system cursor
  HBRUSH background = nullptr;
  ResourceName menu = nullptr;
  const wchar_t* name = nullptr;
};

// False when the class has no name or the system refuses it.
bool RegisterFrameClass(HINSTANCE instance, const FrameClass& frameClass) {
  if (frameClass.name == nullptr) return false;
  WNDCLASSW windowClass = {};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = frameClass.procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, frameClass.icon);
  windowClass.hCursor = LoadCursorW(nullptr, frameClass.cursor);
  windowClass.hbrBackground = frameClass.background;
  windowClass.lpszMenuName = frameClass.menu;
  windowClass.lpszClassName = frameClass.name;
  return RegisterClassW(&windowClass) != 0;
}

int WindowHeight(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return 0;
  return rect.bottom - rect.top;
}

}  // namespace

void CToolBar::Resize(const RECT& area) {
  if (window != nullptr) {
    MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  }
}

int CAppBase::CreateFrameWindow(HINSTANCE moduleInstance, int32_t language) {
  CAppParameter* parameter = theAppParameter;
  FrameClass mainClass;
  mainClass.procedure = &AppWindowProc;
  mainClass.icon = parameter->GetResourceId(IDI_APPLICATION_ICON);
  mainClass.cursor = IDC_ARROW;
  mainClass.background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  mainClass.menu = parameter->GetMenuId(language);
  mainClass.name = parameter->mainWindowClass.GetWide();
  if (!RegisterFrameClass(moduleInstance, mainClass)) return 0;

  if (mode == ModeMdiFrame) {
    mainWindow =
        CreateWindowExW(WS_EX_ACCEPTFILES, mainClass.name, parameter->GetTitle(language),
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, moduleInstance, nullptr);
    if (mainWindow == nullptr) return 0;

    FrameClass childClass;
    childClass.procedure = &AppMdiChildProc;
    childClass.icon = parameter->GetResourceId(IDI_MDI_CHILD_ICON);
    childClass.cursor = IDC_IBEAM;
    childClass.name = parameter->mdiClientWindowClass.GetWide();
    if (!RegisterFrameClass(moduleInstance, childClass)) return 0;

    CLIENTCREATESTRUCT client = {};
    client.hWindowMenu = GetSubMenu(GetMenu(mainWindow), parameter->GetMenuPosition(L"Window"));
    client.idFirstChild = ID_MDI_FIRST_CHILD;
    mdiClient = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                mainWindow, nullptr, moduleInstance, &client);
    // A frame without its client could show no child at all.
    if (mdiClient == nullptr) return 0;
  } else {
    mainWindow = CreateWindowExW(0, mainClass.name, parameter->GetTitle(language),
                                 WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, moduleInstance, nullptr);
    if (mainWindow == nullptr) return 0;
  }
  DragAcceptFiles(mainWindow, TRUE);
  return 1;
}

int CAppBase::RunFrame(LPWSTR commandLine, int showCommand) {
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
      ctl::CStatusBarControl(statusBar->window)
          .SetParts(statusBar->partCount, statusBar->partEdges);
    }
    const int32_t visible = parameter->canToggleStatusbar == 0 || parameter->viewStatusbar != 0;
    if (statusBar->window != nullptr) {
      if (GetMenu(mainWindow) != nullptr) CheckMenu(ID_VIEW_STATUSBAR, visible);
      ShowWindow(statusBar->window, visible ? SW_SHOW : SW_HIDE);
      statusBar->visible = visible;
    }
  }
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

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return 0;
  return theApp->WndProc(window, message, wParam, lParam);
}

LRESULT CALLBACK AppMdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return DefMDIChildProcW(window, message, wParam, lParam);
  return theApp->MdiChildProc(window, message, wParam, lParam);
}
