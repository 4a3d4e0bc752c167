// The frame's window modes, which this program does not select: one
// overlapped window, and an MDI frame with its client and children, with an
// optional toolbar and status bar. Driven from the frame's own message loop.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/app_base.h"
#include "app/dialog_driver.h"
#include "app/shell_test_util.h"
#include "resource.h"

namespace test {
namespace {

const wchar_t kToolTipEnglish[] = L"Show or hide the status bar";
const wchar_t kToolTipJapanese[] = L"ステータスバーの表示切り替え";
const ToolTipEntry kTips[] = {
    {ID_VIEW_STATUSBAR, kToolTipEnglish, kToolTipJapanese},
    {ID_FILE_EXIT, L"Exit", L"終了"},
};

// A real toolbar with two buttons: the status bar toggle and Exit.
class CTestToolBar : public CToolBar {
 public:
  CTestToolBar() {
    tips = kTips;
    tipCount = 2;
  }
  HWND Create(HWND frame) override {
    window = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | TBSTYLE_TOOLTIPS, 0, 0, 0, 0,
                             frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return nullptr;
    SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[2] = {};
    buttons[0].iBitmap = I_IMAGENONE;
    buttons[0].idCommand = ID_VIEW_STATUSBAR;
    buttons[0].fsState = TBSTATE_ENABLED;
    buttons[0].fsStyle = BTNS_CHECK;
    buttons[1].iBitmap = I_IMAGENONE;
    buttons[1].idCommand = ID_FILE_EXIT;
    buttons[1].fsState = TBSTATE_ENABLED;
    buttons[1].fsStyle = BTNS_BUTTON;
    SendMessageW(window, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(window, TB_AUTOSIZE, 0, 0);
    return window;
  }
};

const int kPartEdges[] = {120, 240, -1};

// Records what the frame asks of it; its window keeps the object in its
// user data, as the frame expects.
class CTestChild : public CMdiChild {
 public:
  HWND window = nullptr;
  HWND client = nullptr;
  int closeCalls = 0;
  int created = 0;
  int activations = 0;

  void Close() override {
    ++closeCalls;
    if (window != nullptr) SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
  }
  LRESULT WndProc(HWND childWindow, UINT message, WPARAM, LPARAM) override {
    if (message == WM_CREATE) {
      ++created;
      window = childWindow;
      SetWindowLongPtrW(childWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    } else if (message == WM_MDIACTIVATE) {
      ++activations;
    } else if (message == WM_NCDESTROY) {
      window = nullptr;
    }
    return 0;
  }
};

class CFrameTestApp : public CAppBase {
 public:
  explicit CFrameTestApp(int32_t windowMode) {
    mode = windowMode;
    allowMultipleInstances = 1;
  }
  int RunHere() {
    return Run(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""), SW_SHOW);
  }
};

class FrameTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // The product's identity: class names, title, menus.
    theAppParameter->InitIdentity();
    AssignPath(theAppParameter->settingsPath, SettingsFile());
  }
  void TearDown() override {
    // Each run registers the classes again.
    UnregisterClassW(L"MIRDALE MAIN WINDOW", GetModuleHandleW(nullptr));
    UnregisterClassW(L"MIRDALE MDI CLIENT WINDOW", GetModuleHandleW(nullptr));
    ShellTest::TearDown();
  }

  // viewToolbar and viewStatusbar as a later start reads them.
  std::pair<int, int> StoredViews() const {
    CAppParameter fresh;
    AssignPath(fresh.settingsPath, SettingsFile());
    fresh.Load();
    return {fresh.viewToolbar, fresh.viewStatusbar};
  }
};

RECT ClientRectIn(HWND window, HWND parent) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// ---- Bars ----------------------------------------------------------------------

struct BarsRow {
  const char* name;
  int32_t canToggle;  // both bars
  int32_t stored;     // viewToolbar and viewStatusbar before the start
  bool visible;       // both bars at the start
};

void PrintTo(const BarsRow& row, std::ostream* out) {
  *out << row.name;
}

class BarsTest : public FrameTest, public ::testing::WithParamInterface<BarsRow> {};

TEST_P(BarsTest, SingleWindowShowsTheBarsAndTogglesThemWhenAllowed) {
  const BarsRow& row = GetParam();
  SCOPED_TRACE(row.name);
  StoreLanguage(0);
  theAppParameter->canToggleToolbar = row.canToggle;
  theAppParameter->canToggleStatusbar = row.canToggle;
  theAppParameter->viewToolbar = row.stored;
  theAppParameter->viewStatusbar = row.stored;

  CFrameTestApp app(ModeSingleWindow);
  CTestToolBar toolbar;
  CStatusBar statusBar;
  statusBar.partCount = 3;
  statusBar.partEdges = kPartEdges;
  app.toolbar = &toolbar;
  app.statusBar = &statusBar;
  theApp = &app;

  std::wstring caption, className, firstPopup;
  bool toolbarShown = false, statusShown = false, toolbarAfter = false, statusAfter = false;
  LRESULT parts = 0;
  const wchar_t* tip = nullptr;
  const wchar_t* unknownTip = L"unchanged";
  UINT exitState = 0, openState = 0;
  LRESULT exitButtonEnabled = -1;
  int statusTopAtStart = -1, clientHeight = -1;

  DialogDriver::Later([&] {
    HWND frame = app.mainWindow;
    caption = WindowText(frame);
    wchar_t name[64] = {};
    GetClassNameW(frame, name, 64);
    className = name;
    firstPopup = MenuText(GetMenu(frame), 0, MF_BYPOSITION);
    toolbarShown = IsWindowVisible(toolbar.window) != FALSE;
    statusShown = IsWindowVisible(statusBar.window) != FALSE;
    parts = SendMessageW(statusBar.window, SB_GETPARTS, 0, 0);
    RECT client;
    GetClientRect(frame, &client);
    clientHeight = client.bottom;
    statusTopAtStart = ClientRectIn(statusBar.window, frame).top;

    // The toolbar's tooltip texts come from the table, by language.
    NMTTDISPINFOW info = {};
    info.hdr.hwndFrom = toolbar.window;
    info.hdr.idFrom = ID_VIEW_STATUSBAR;
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    tip = info.lpszText;
    NMTTDISPINFOW other = {};
    other.hdr.idFrom = 4321;
    other.hdr.code = TTN_GETDISPINFOW;
    other.lpszText = const_cast<LPWSTR>(unknownTip);
    SendMessageW(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));
    unknownTip = other.lpszText;

    // Menu entries and toolbar buttons follow EnableMenu and CheckMenu.
    app.EnableMenu(ID_FILE_EXIT, 0);
    app.CheckMenu(ID_FILE_OPEN, 1);
    exitState = GetMenuState(GetMenu(frame), ID_FILE_EXIT, MF_BYCOMMAND);
    openState = GetMenuState(GetMenu(frame), ID_FILE_OPEN, MF_BYCOMMAND);
    exitButtonEnabled = SendMessageW(toolbar.window, TB_ISBUTTONENABLED, ID_FILE_EXIT, 0);
    app.EnableMenu(ID_FILE_EXIT, 1);

    SendMessageW(frame, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    SendMessageW(frame, WM_COMMAND, ID_VIEW_STATUSBAR, 0);
    toolbarAfter = IsWindowVisible(toolbar.window) != FALSE;
    statusAfter = IsWindowVisible(statusBar.window) != FALSE;
    PostCommand(frame, ID_FILE_EXIT);
  });
  // The frame's loop ends with WM_QUIT from its destruction: exit code 0.
  EXPECT_EQ(app.RunHere(), 0);

  EXPECT_EQ(caption, L"Brelvix");
  EXPECT_EQ(className, L"MIRDALE MAIN WINDOW");
  EXPECT_EQ(firstPopup, L"&File");
  EXPECT_EQ(toolbarShown, row.visible);
  EXPECT_EQ(statusShown, row.visible);
  EXPECT_EQ(parts, 3);
  if (row.visible) {
    // The status bar sits on the bottom edge.
    EXPECT_GT(statusTopAtStart, clientHeight / 2);
  }
  ASSERT_NE(tip, nullptr);
  EXPECT_STREQ(tip, kToolTipEnglish);
  EXPECT_STREQ(unknownTip, L"unchanged");
  EXPECT_TRUE(exitState & MF_GRAYED);
  EXPECT_TRUE(openState & MF_CHECKED);
  EXPECT_EQ(exitButtonEnabled, 0);

  if (row.canToggle) {
    EXPECT_EQ(toolbarAfter, !row.visible);
    EXPECT_EQ(statusAfter, !row.visible);
    const int flipped = row.visible ? 0 : 1;
    EXPECT_EQ(StoredViews(), std::make_pair(flipped, flipped));
  } else {
    // Toggling is not allowed: nothing changes, nothing is written.
    EXPECT_EQ(toolbarAfter, row.visible);
    EXPECT_EQ(statusAfter, row.visible);
    EXPECT_EQ(StoredViews(), std::make_pair(1, 1));
  }
  EXPECT_EQ(app.mainWindow != nullptr && IsWindow(app.mainWindow), false);
}

INSTANTIATE_TEST_SUITE_P(Rows, BarsTest,
                         ::testing::Values(BarsRow{"fixed bars", 0, 0, true},
                                           BarsRow{"toggled, stored shown", 1, 1, true},
                                           BarsRow{"toggled, stored hidden", 1, 0, false}));

TEST_F(FrameTest, TooltipsFollowTheLanguageInUse) {
  StoreLanguage(1);
  CFrameTestApp app(ModeSingleWindow);
  CTestToolBar toolbar;
  app.toolbar = &toolbar;
  theApp = &app;
  const wchar_t* tip = nullptr;
  std::wstring firstPopup;
  DialogDriver::Later([&] {
    NMTTDISPINFOW info = {};
    info.hdr.idFrom = ID_VIEW_STATUSBAR;
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(app.mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    tip = info.lpszText;
    firstPopup = MenuText(GetMenu(app.mainWindow), 0, MF_BYPOSITION);
    PostMessageW(app.mainWindow, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(app.RunHere(), 0);
  ASSERT_NE(tip, nullptr);
  EXPECT_STREQ(tip, kToolTipJapanese);
  EXPECT_EQ(firstPopup, L"ファイル(&F)");
}

// ---- MDI ---------------------------------------------------------------------------

HWND CreateChild(CAppBase& app, CTestChild& child, const wchar_t* title) {
  child.client = app.mdiClient;
  MDICREATESTRUCTW create = {};
  create.szClass = L"MIRDALE MDI CLIENT WINDOW";
  create.szTitle = title;
  create.hOwner = GetModuleHandleW(nullptr);
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.lParam = reinterpret_cast<LPARAM>(&child);
  return reinterpret_cast<HWND>(
      SendMessageW(app.mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
}

TEST_F(FrameTest, MdiFrameArrangesAndClosesItsChildren) {
  StoreLanguage(0);
  CFrameTestApp app(ModeMdiFrame);
  CTestToolBar toolbar;
  app.toolbar = &toolbar;
  theApp = &app;

  CTestChild first, second, third;
  bool clientIsChild = false;
  RECT a = {}, b = {};
  RECT tiledA = {}, tiledB = {}, stackedA = {}, stackedB = {};
  int clientTop = -1, toolbarHeight = -1;
  HWND focusAfterActivate = nullptr;
  HWND firstWindow = nullptr;
  bool childrenGoneAfterCloseAll = false;
  int childrenLeftAtClose = -1;

  DialogDriver::Later([&] {
    HWND frame = app.mainWindow;
    wchar_t name[32] = {};
    GetClassNameW(app.mdiClient, name, 32);
    clientIsChild = GetParent(app.mdiClient) == frame && lstrcmpiW(name, L"MDICLIENT") == 0;
    clientTop = ClientRectIn(app.mdiClient, frame).top;
    RECT bar;
    GetWindowRect(toolbar.window, &bar);
    toolbarHeight = bar.bottom - bar.top;

    firstWindow = CreateChild(app, first, L"one");
    CreateChild(app, second, L"two");
    SendMessageW(app.mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(firstWindow), 0);
    focusAfterActivate = GetFocus();

    SendMessageW(frame, WM_COMMAND, ID_WINDOW_TILE_VERTICAL, 0);
    tiledA = ClientRectIn(first.window, app.mdiClient);
    tiledB = ClientRectIn(second.window, app.mdiClient);
    SendMessageW(frame, WM_COMMAND, ID_WINDOW_TILE_HORIZONTAL, 0);
    stackedA = ClientRectIn(first.window, app.mdiClient);
    stackedB = ClientRectIn(second.window, app.mdiClient);
    SendMessageW(frame, WM_COMMAND, ID_WINDOW_CASCADE, 0);
    a = ClientRectIn(first.window, app.mdiClient);
    b = ClientRectIn(second.window, app.mdiClient);

    SendMessageW(frame, WM_COMMAND, ID_WINDOW_CLOSE_ALL, 0);
    childrenGoneAfterCloseAll = first.window == nullptr && second.window == nullptr;

    // Closing the frame asks the children still open first.
    CreateChild(app, third, L"three");
    PostMessageW(frame, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(app.RunHere(), 0);
  childrenLeftAtClose = third.window != nullptr;

  EXPECT_TRUE(clientIsChild);
  // The client starts below the toolbar.
  EXPECT_EQ(clientTop, toolbarHeight);
  EXPECT_EQ(first.created, 1);
  EXPECT_EQ(second.created, 1);
  EXPECT_GT(first.activations + second.activations, 0);
  EXPECT_EQ(focusAfterActivate, firstWindow);
  // Tiled vertically: side by side; horizontally: one above the other;
  // cascaded: offset diagonally.
  EXPECT_NE(tiledA.left, tiledB.left);
  EXPECT_EQ(tiledA.top, tiledB.top);
  EXPECT_EQ(stackedA.left, stackedB.left);
  EXPECT_NE(stackedA.top, stackedB.top);
  EXPECT_NE(a.left, b.left);
  EXPECT_NE(a.top, b.top);
  EXPECT_EQ(first.closeCalls, 1);
  EXPECT_EQ(second.closeCalls, 1);
  EXPECT_TRUE(childrenGoneAfterCloseAll);
  EXPECT_EQ(third.closeCalls, 1);
  EXPECT_EQ(childrenLeftAtClose, 0);
}

// ---- A second instance ---------------------------------------------------------------

struct InstanceRow {
  const char* name;
  int32_t allowMultiple;
  bool otherRunning;
  bool otherMinimised;
  int found;
};

void PrintTo(const InstanceRow& row, std::ostream* out) {
  *out << row.name;
}

class InstanceTest : public FrameTest, public ::testing::WithParamInterface<InstanceRow> {};

TEST_P(InstanceTest, FindsARunningMainWindowOnlyWhenSingleInstance) {
  const InstanceRow& row = GetParam();
  SCOPED_TRACE(row.name);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MIRDALE MAIN WINDOW";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND other = nullptr;
  if (row.otherRunning) {
    other = CreateWindowExW(0, L"MIRDALE MAIN WINDOW", L"other", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    ShowWindow(other, row.otherMinimised ? SW_MINIMIZE : SW_SHOWNOACTIVATE);
  }
  CFrameTestApp app(ModeSingleWindow);
  app.allowMultipleInstances = row.allowMultiple;
  EXPECT_EQ(app.FindPreviousInstance(), row.found);
  if (row.found && row.otherMinimised) {
    EXPECT_TRUE(IsWindowVisible(other));
  }
  if (other != nullptr) DestroyWindow(other);
}

INSTANTIATE_TEST_SUITE_P(Rows, InstanceTest,
                         ::testing::Values(InstanceRow{"allowed, other running", 1, true, false, 0},
                                           InstanceRow{"single, none running", 0, false, false, 0},
                                           InstanceRow{"single, other running", 0, true, false, 1},
                                           InstanceRow{"single, other minimised", 0, true, true,
                                                       1}));

TEST_F(FrameTest, RunEndsAtOnceWhenAnotherInstanceRuns) {
  StoreLanguage(0);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MIRDALE OTHER PROGRAM";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  // The other instance's main window, of the class this one would register.
  theAppParameter->mainWindowClass.AssignWide(L"MIRDALE OTHER PROGRAM");
  HWND other = CreateWindowExW(0, L"MIRDALE OTHER PROGRAM", L"other", WS_OVERLAPPEDWINDOW, 0, 0,
                               200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  CFrameTestApp app(ModeSingleWindow);
  app.allowMultipleInstances = 0;
  theApp = &app;
  EXPECT_EQ(app.RunHere(), 0);
  EXPECT_EQ(app.mainWindow, nullptr);
  DestroyWindow(other);
  UnregisterClassW(L"MIRDALE OTHER PROGRAM", GetModuleHandleW(nullptr));
}

}  // namespace
}  // namespace test
