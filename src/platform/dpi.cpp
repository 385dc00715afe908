#include "platform/dpi.h"

namespace sb {

namespace {

constexpr wchar_t kDpiProp[] = L"SongBoxDpi";

// Windows 10 1607 and later; looked up so the program still starts on Windows 7.
template <typename F>
F User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

bool Sane(int dpi) { return dpi >= 48 && dpi <= 960; }

}  // namespace

int TwipsToPixelsAt(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }
int PixelsToTwipsAt(int pixels, int dpi) { return MulDiv(pixels, 1440, dpi); }
int ScaleForDpi(int designPixels, int dpi) { return MulDiv(designPixels, dpi, kDesignDpi); }
int FontHeightAt(int points, int dpi) { return -MulDiv(points, dpi, 72); }

int SystemDpi() {
  static const int dpi = [] {
    WindowDc screen = WindowDc::Client(nullptr);
    const int d = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDesignDpi;
    return Sane(d) ? d : kDesignDpi;
  }();
  return dpi;
}

int WindowDpi(HWND window) {
  HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
  if (!top) return SystemDpi();
  const auto recorded = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(top, kDpiProp)));
  if (Sane(recorded)) return recorded;
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const int system = getDpiForWindow ? static_cast<int>(getDpiForWindow(top)) : 0;
  return Sane(system) ? system : SystemDpi();
}

void SetWindowDpi(HWND topLevel, int dpi) {
  if (topLevel && Sane(dpi)) SetPropW(topLevel, kDpiProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

void ForgetWindowDpi(HWND topLevel) {
  if (topLevel) RemovePropW(topLevel, kDpiProp);
}

int SystemMetricAt(int index, int dpi) {
  static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

UniqueFont MakeFontAt(const FontSpec& design, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = FontHeightAt(design.points, dpi);
  lf.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = design.charset;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, design.face, LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace sb
