// The thin form runtime: top-level windows of class "Form" with real child
// controls placed in design units (twips), click and timer callbacks, label
// colours, and "let pending events run".
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dpi.h"
#include "platform/handles.h"
#include "platform/window_base.h"

namespace sb {

inline constexpr wchar_t kFormClassName[] = L"Form";

// Design sizes are twips at the system DPI (see dpi.h for a window's own).
int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);

// A font asked for by name, size in points, weight and character set.
UniqueFont MakeFont(const wchar_t* face, int points, bool bold, BYTE charset = GB2312_CHARSET);

struct FormCreateArgs {
  std::wstring caption;
  int clientWidthTwips = 0;
  int clientHeightTwips = 0;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  HWND owner = nullptr;
  HICON icon = nullptr;          // the form does not take ownership
  COLORREF background = GetSysColor(COLOR_BTNFACE);
};

struct ControlArgs {
  const wchar_t* className = L"STATIC";
  std::wstring text;
  int left = 0, top = 0, width = 0, height = 0;  // twips
  DWORD style = 0;                               // WS_CHILD is always added
  DWORD exStyle = 0;
  int id = 0;
  HFONT font = nullptr;  // nullptr: the form's default font
};

struct ControlColors {
  COLORREF fore;
  std::optional<COLORREF> back;  // nullopt: a label shows what lies behind it
};

class Form : public WindowBase {
 public:
  Form();
  ~Form() override;

  bool CreateForm(const FormCreateArgs& args);
  bool IsLoaded() const { return hwnd() != nullptr; }

  // A real child window; visible unless the style says otherwise. Text
  // labels ("STATIC") without a back colour are transparent: they draw their
  // text over the form and over the windowed controls beneath them.
  HWND AddControl(const ControlArgs& args);
  void OnClick(HWND control, std::function<void()> handler);
  void SetColors(HWND control, ControlColors colors);
  // Sizes a label to its text (AutoSize), keeping its left and top.
  void AutoSize(HWND label);
  void SetText(HWND control, const std::wstring& text);
  static std::wstring GetText(HWND control);

  void StartTimer(UINT_PTR id, UINT ms, std::function<void()> handler);
  void StopTimer(UINT_PTR id);

  HFONT DefaultFont() const { return defaultFont_.get(); }
  HFONT KeepFont(UniqueFont font);  // the form owns it from now on
  // A font at the form's DPI, made again whenever the DPI changes; controls
  // that use it get the new one.
  HFONT ScaledFont(const FontSpec& design);

  // The DPI the form is laid out for, and design twips in pixels at it.
  int Dpi() const { return dpi_; }
  int Px(int twips) const { return TwipsToPixelsAt(twips, dpi_); }
  // Places a child window at design twips and keeps it there at every DPI.
  void Place(HWND child, const RECT& twips);
  // Lays the form out again at `dpi` with its window rectangle at `window`
  // (what WM_DPICHANGED brings): fonts, controls, then each child window
  // hears WM_DPICHANGED_AFTERPARENT and the derived form's OnDpiLayout runs.
  void ApplyDpi(int dpi, const RECT& window);

  // Places the window centred over `other` (the screen's work area when it is
  // null), kept inside that work area.
  void CentreOver(HWND other);

  // Unload: destroys the window (OnUnload runs from WM_DESTROY).
  void Unload();

  // Media keys (WM_APPCOMMAND) this form does not handle itself go to
  // `target` instead of the shell, so they act wherever the program has focus.
  void ForwardAppCommandsTo(HWND target) { appCommandTarget_ = target; }

 protected:
  // The switchboard: derived forms handle what they need and call Form::HandleMessage.
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  virtual void OnUnload() {}
  // After the controls have their places at a new DPI.
  virtual void OnDpiLayout(int /*oldDpi*/) {}

 private:
  LRESULT OnCtlColor(HDC dc, HWND control);
  bool IsTransparentLabel(HWND control) const;
  static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);
  void OnCommand(WPARAM wp, LPARAM lp);
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnTimer(WPARAM id, LPARAM lp);

  void AdoptMonitorDpi(const FormCreateArgs& args);
  void RemakeScaledFonts();

  int dpi_ = kDesignDpi;
  UniqueFont defaultFont_;
  UniqueBrush backgroundBrush_;
  std::vector<UniqueFont> fonts_;
  std::vector<std::pair<FontSpec, UniqueFont>> scaledFonts_;
  std::map<HWND, RECT> places_;  // twips
  std::map<HWND, std::function<void()>> clicks_;
  std::map<HWND, ControlColors> colors_;
  std::map<HWND, UniqueBrush> colorBrushes_;
  std::map<UINT_PTR, std::function<void()>> timers_;
  HWND appCommandTarget_ = nullptr;
};

// Lets every pending message of this thread run (input included), then returns.
// A WM_QUIT found on the way is posted again for the main loop.
void DoEvents();

// Processes only paint messages (WM_PAINT and what the system needs to paint),
// so a wait panel draws while input stays queued for later.
void PumpPaintMessages();

// The main loop. Keys of `keys` pressed in `keyWindow` or in one of its
// controls become its WM_COMMAND (high word 1) instead of reaching the control.
int RunMessageLoop(HWND keyWindow = nullptr, HACCEL keys = nullptr);
// One message as the main loop handles it.
void DispatchLoopMessage(MSG& m, HWND keyWindow, HACCEL keys);

int MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags);

// Folder of the running executable, without a trailing backslash.
std::wstring AppFolder();

}  // namespace sb
