// CAppBase: the application framework. It settles the user-interface language
// before any window exists, creates the main window in one of three modes,
// routes the window system's messages to virtual operations and carries the
// commands every application of the framework shares.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>

class CAppParameter;
class CAppBase;

// The program's single settings object, created and released by start-up.
extern CAppParameter* theAppParameter;
// The application object while it exists; the window and dialog procedures
// reach it only through this pointer and do nothing while it is null.
extern CAppBase* theApp;

// The language in use (0 English, 1 Japanese); English while there is no
// settings object.
int32_t CurrentLanguage();
// True when the texts and templates of the Japanese variant are to be used.
inline bool UseJapanese() {
  return CurrentLanguage() == 1;
}

// Where the first start learns the user's default language; the window
// system's GetUserDefaultLangID unless replaced. Returns the previous source;
// null restores the window system's.
using UserLanguageSource = LANGID (*)();
UserLanguageSource SetUserLanguageSource(UserLanguageSource source);

enum AppWindowMode : int32_t {
  ModeDialog = 0,        // modal dialog from GetMainDialogId's template
  ModeSingleWindow = 1,  // one overlapped top-level window
  ModeMdiFrame = 2,      // an overlapped frame with an MDI client
};

// Notification interface of the application object. Nothing in this program
// sends these events; the operations exist for applications that need them.
class CEventListener {
 public:
  virtual ~CEventListener() = default;
  virtual void OnDocumentOpened(const wchar_t* /*path*/) {}
  virtual void OnDocumentClosed(const wchar_t* /*path*/) {}
  virtual void OnSettingsChanged() {}
  virtual void OnIdle() {}
};

class CAppEventListener : public CEventListener {};

// A tooltip of a toolbar button, in both languages.
struct ToolTipEntry {
  int32_t commandId;
  const wchar_t* english;
  const wchar_t* japanese;
};

// Optional toolbar of a frame window.
class CToolBar {
 public:
  HWND window = nullptr;
  int32_t visible = 0;
  const ToolTipEntry* tips = nullptr;
  int32_t tipCount = 0;

  CToolBar() = default;
  CToolBar(const CToolBar&) = delete;
  CToolBar& operator=(const CToolBar&) = delete;
  virtual ~CToolBar() = default;
  // Creates the toolbar window as a child of frame; returns it or null.
  virtual HWND Create(HWND frame) = 0;
  // Places the toolbar in area (left 0, top 0, right the client width,
  // bottom its own height).
  virtual void Resize(const RECT& area);
};

// Optional status bar of a frame window.
class CStatusBar {
 public:
  HWND window = nullptr;
  int32_t visible = 0;
  int32_t partCount = 0;
  const int* partEdges = nullptr;  // right edge of each part

  CStatusBar() = default;
  CStatusBar(const CStatusBar&) = delete;
  CStatusBar& operator=(const CStatusBar&) = delete;
  virtual ~CStatusBar() = default;
};

// What the MDI frame needs of a child window's object; the object lives in
// the child window's user data (GWLP_USERDATA).
class CMdiChild {
 public:
  CMdiChild() = default;
  CMdiChild(const CMdiChild&) = delete;
  CMdiChild& operator=(const CMdiChild&) = delete;
  virtual ~CMdiChild() = default;
  virtual void Close() = 0;
  virtual LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

class CAppBase {
 public:
  int32_t mode = ModeDialog;
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND mdiClient = nullptr;
  DWORD helpCookie = 0;
  CToolBar* toolbar = nullptr;
  CStatusBar* statusBar = nullptr;
  int32_t allowMultipleInstances = 0;

  CAppBase() = default;
  CAppBase(const CAppBase&) = delete;
  CAppBase& operator=(const CAppBase&) = delete;
  // Not virtual: the application object is an automatic object of the entry
  // function and is never deleted through this class.
  ~CAppBase();

  // Shows the main window and returns the exit code when it has ended.
  virtual int Run(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                  int showCommand);
  virtual LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnCreate(HWND window, CREATESTRUCTW* create);
  virtual void OnClose(HWND window);
  virtual void OnDestroy(HWND window);
  // Lays out the bars and the MDI client; returns rect, the area left over.
  virtual RECT* OnSize(RECT* rect, int width, int height, WPARAM sizeType);
  virtual void OnNotify(int controlId, NMHDR* header);
  // The commands every application shares (Exit, the bars, Help, the MDI
  // window commands); the application's own, File > Open among them, are its
  // override's.
  virtual void OnCommand(int commandId, int notifyCode);
  // By default TakeFirstDroppedFile (dialog.h).
  virtual int OnDropFiles(HDROP drop, wchar_t* buffer, int bufferLength);
  virtual void OnTimer(UINT_PTR timerId);
  virtual void OnAppMessage(WPARAM wParam);
  virtual void OnExit();
  virtual void OnHelp();
  virtual void OnAbout();
  virtual void OnViewToolbar();
  virtual void OnViewStatusBar();
  // Shows the Choose Language dialog; returns the selected language.
  virtual int32_t ChooseLanguage(int atStart);
  virtual void OnInitDialog(HWND dialog);
  virtual void OnTileVertical();
  virtual void OnTileHorizontal();
  virtual void OnCascade();
  virtual void OnCloseAllChildren();
  virtual LRESULT MdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnMdiActivate(HWND window);
  // Language, single-instance test, window creation; nonzero on success.
  virtual int InitInstance(HINSTANCE instance);
  virtual void ExitInstance(HINSTANCE instance);
  virtual int FindPreviousInstance();
  virtual void ProcessCommandLine(LPWSTR commandLine);
  // Nonzero allows the main window to close; reason 0 comes from OnClose.
  virtual int CanClose(int reason);
  virtual int CheckMenu(int commandId, int checked);
  virtual int EnableMenu(int commandId, int enabled);
  // Template of the main dialog in dialog mode; an empty name here.
  virtual LPCWSTR GetMainDialogId();

 private:
  // The window modes (app_frame.cpp): the frame's window classes and windows,
  // nonzero on success; its message loop, returning the exit code.
  int CreateFrameWindow(HINSTANCE moduleInstance, int32_t language);
  int RunFrame(LPWSTR commandLine, int showCommand);
  void ToggleBar(HWND window, int32_t* visible, int commandId, int32_t* stored);
};

// The system's HTML Help engine, looked up once. Only its initialise,
// uninitialise and message pre-translation are used; without the engine
// (null) the three calls are dropped.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
HtmlHelpFunction HtmlHelpEngine();

// The plain procedures handed to the window system; each forwards to theApp.
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AppDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AppMdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
