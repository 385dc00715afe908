#include "skin_test_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "platform/handles.h"
#include "test_env.h"

namespace sbtest {

namespace {

constexpr int kTwips = 15;  // per pixel at the test display's 96 DPI

// A superclass of the system progress bar under the class name the skin knows.
bool RegisterProgressSuperclass() {
  static const bool ok = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{sizeof(wc)};
    if (!GetClassInfoExW(nullptr, PROGRESS_CLASSW, &wc)) return false;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ProgressBar20WndClass";
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return ok;
}

}  // namespace

HWND Add(sb::Form& form, const wchar_t* cls, const wchar_t* text, int x, int y, int w, int h, DWORD style,
         DWORD exStyle) {
  sb::ControlArgs a;
  a.className = cls;
  a.text = text;
  a.left = x * kTwips;
  a.top = y * kTwips;
  a.width = w * kTwips;
  a.height = h * kTwips;
  a.style = WS_VISIBLE | style;
  a.exStyle = exStyle;
  a.font = form.DefaultFont();
  HWND c = form.AddControl(a);
  // Twips round-trip through the DPI; put the control at its exact pixel size.
  SetWindowPos(c, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  return c;
}

std::unique_ptr<SkinTestWindow> MakeSkinTestWindow(std::unique_ptr<sb::Form> form) {
  RegisterProgressSuperclass();
  auto w = std::make_unique<SkinTestWindow>();
  w->form = form ? std::move(form) : std::make_unique<sb::Form>();
  sb::FormCreateArgs args;
  args.caption = L"Skin";
  args.clientWidthTwips = 420 * kTwips;
  args.clientHeightTwips = 300 * kTwips;
  args.style = WS_POPUP | WS_CLIPCHILDREN;
  args.background = RGB(0xF0, 0xF0, 0xF0);
  if (!w->form->CreateForm(args)) return nullptr;
  sb::Form& f = *w->form;
  SetWindowPos(f.hwnd(), HWND_TOP, 0, 0, 420, 300, SWP_NOACTIVATE);
  w->push = Add(f, L"Button", L"播放音乐", 10, 10, 75, 25, BS_PUSHBUTTON | WS_TABSTOP);
  w->defaultPush = Add(f, L"Button", L"下载音乐", 95, 10, 75, 25, BS_DEFPUSHBUTTON | WS_TABSTOP);
  w->disabledPush = Add(f, L"Button", L"Disabled", 180, 10, 75, 25, BS_PUSHBUTTON | WS_DISABLED);
  w->checkBox = Add(f, L"Button", L"Check", 265, 10, 70, 20, BS_AUTOCHECKBOX | WS_TABSTOP);
  w->radio = Add(f, L"Button", L"Radio", 340, 10, 70, 20, BS_AUTORADIOBUTTON);
  w->listView = Add(f, WC_LISTVIEWW, L"", 10, 45, 250, 120, LVS_REPORT | WS_TABSTOP, WS_EX_CLIENTEDGE);
  for (int i = 0; i < 3; ++i) {
    wchar_t title[16];
    wsprintfW(title, L"Column %d", i + 1);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 80;
    col.pszText = title;
    SendMessageW(w->listView, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"新歌");
  SendMessageW(w->listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  w->header = reinterpret_cast<HWND>(SendMessageW(w->listView, LVM_GETHEADER, 0, 0));
  w->progress = Add(f, L"ProgressBar20WndClass", L"", 10, 175, 250, 20, 0);
  SendMessageW(w->progress, PBM_SETRANGE32, 0, 30000);
  SendMessageW(w->progress, PBM_SETPOS, 15000, 0);
  w->edit = Add(f, L"Edit", L"text", 10, 205, 250, 24, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
  w->dropDown = Add(f, L"ComboBox", L"", 270, 45, 140, 200, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP);
  w->dropList = Add(f, L"ComboBox", L"", 270, 80, 140, 200, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
  for (const wchar_t* s : {L"一", L"二", L"三"}) {
    SendMessageW(w->dropDown, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageW(w->dropList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  }
  SendMessageW(w->dropList, CB_SETCURSEL, 0, 0);
  SkinTestWindow* raw = w.get();
  f.OnClick(w->push, [raw] { ++raw->clicks; });
  ShowWindow(f.hwnd(), SW_SHOWNOACTIVATE);
  UpdateWindow(f.hwnd());
  return w;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

Pixels ReadDcPixels(HDC dc, int width, int height) {
  Pixels p;
  if (width <= 0 || height <= 0) return p;
  p.width = width;
  p.height = height;
  p.data.assign(static_cast<size_t>(width) * height, 0);
  sb::UniqueMemoryDc mem(CreateCompatibleDC(dc));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  sb::UniqueBitmap dib(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return p;
  {
    sb::SelectGuard sel(mem.get(), dib.get());
    BitBlt(mem.get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
  }
  const auto* px = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < p.data.size(); ++i) {
    DWORD v = px[i];  // 0x00RRGGBB
    p.data[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  return p;
}

Pixels ReadWindowPixels(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  sb::WindowDc dc = sb::WindowDc::Whole(hwnd);
  return ReadDcPixels(dc.get(), r.right - r.left, r.bottom - r.top);
}

int ColourDistance(COLORREF a, COLORREF b) {
  int d = std::abs(GetRValue(a) - GetRValue(b));
  d = std::max(d, std::abs(GetGValue(a) - GetGValue(b)));
  return std::max(d, std::abs(GetBValue(a) - GetBValue(b)));
}

void SaveGallery(HWND hwnd, const std::wstring& state) {
  std::wstring dir = BuildDir();
  if (dir.empty()) return;
  SaveWindowPng(hwnd, dir + L"\\skin_gallery_" + state + L".png");
}

}  // namespace sbtest
