#include "ui/window_dpi_win32.h"

#include "base/handle_win32.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// Looked up once: both exist from Windows 10 1607 on only.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int SystemMetric(int index, UINT dpi) {
  static const auto forDpi =
      User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (forDpi != nullptr) {
    const int value = forDpi(index, dpi);
    if (value > 0) return value;
  }
  // The system's figure is for the primary monitor's DPI.
  const CWindowDC screen(nullptr);
  const int systemDpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), systemDpi > 0 ? systemDpi : 96);
}

// LR_SHARED is not for sizes other than the system's, so each size is loaded
// once and kept for the life of the process: the dialogs are shown again and
// again, and a copy per showing would be left behind.
struct LoadedIcon {
  HINSTANCE module;
  const wchar_t* name;
  int size;
  HICON icon;
};

void SetIcon(HWND window, HINSTANCE module, const wchar_t* iconName, WPARAM kind, int size) {
  static LoadedIcon loaded[8] = {};
  HICON icon = nullptr;
  for (const LoadedIcon& known : loaded) {
    if (known.icon != nullptr && known.module == module && known.name == iconName &&
        known.size == size) {
      icon = known.icon;
    }
  }
  if (icon == nullptr) {
    icon =
        static_cast<HICON>(LoadImageW(module, iconName, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (icon == nullptr) return;
    for (LoadedIcon& slot : loaded) {
      if (slot.icon == nullptr) {
        slot = {module, iconName, size, icon};
        break;
      }
    }
  }
  SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
}

}  // namespace

UINT WindowDpi(HWND window) {
  static const auto forWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (forWindow != nullptr) {
    const UINT dpi = forWindow(window);
    if (dpi > 0) return dpi;
  }
  const CWindowDC dc(window);
  if (dc.Get() == nullptr) return 96;
  const int dpi = GetDeviceCaps(dc.Get(), LOGPIXELSY);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int ScaleToWindow(HWND window, int size96) {
  return MulDiv(size96, static_cast<int>(WindowDpi(window)), 96);
}

void SetWindowIcons(HWND window, HINSTANCE module, const wchar_t* iconName) {
  const UINT dpi = WindowDpi(window);
  SetIcon(window, module, iconName, ICON_SMALL, SystemMetric(SM_CXSMICON, dpi));
  const int large = SystemMetric(SM_CXICON, dpi);
  SetIcon(window, module, iconName, ICON_BIG, large > 32 ? large : 32);
}
