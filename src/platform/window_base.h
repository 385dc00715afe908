// The one way this program makes a window of a class of its own.
//
// - WindowClass registers its class once per process, on first use.
// - WindowBase::Create binds the object to its window at WM_NCCREATE, before
//   any other message, so HandleMessage sees WM_CREATE and everything after.
// - Every message goes to HandleMessage inside one catch: no exception leaves
//   a window procedure (a message whose handler throws returns 0).
// - Ownership: the object is the window's one owner. Destroying the object
//   destroys the window, without calling back into the half-destroyed object;
//   a window destroyed first (with its parent) ends the binding at
//   WM_NCDESTROY, after HandleMessage has seen it, and hwnd() becomes nullptr.
#pragma once

#include <windows.h>

#include <mutex>

namespace sb {

class WindowClass {
 public:
  // `name` must outlive the class object; `cursor` is a system cursor id.
  constexpr WindowClass(const wchar_t* name, UINT style = 0, const wchar_t* cursor = IDC_ARROW)
      : name_(name), style_(style), cursor_(cursor) {}
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  const wchar_t* name() const { return name_; }
  // Registers on the first call; later calls return the first result.
  bool Register() const;

 private:
  const wchar_t* name_;
  UINT style_;
  const wchar_t* cursor_;
  mutable std::once_flag once_;
  mutable bool registered_ = false;
};

struct WindowCreateArgs {
  DWORD exStyle = 0;
  const wchar_t* text = L"";
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;  // HWND_MESSAGE for a message-only window
  int id = 0;             // child windows: the control id

  // A child window of `parent` at (x, y), width x height pixels; WS_CHILD is added.
  static WindowCreateArgs Child(HWND parent, int x, int y, int width, int height, DWORD style, int id = 0) {
    WindowCreateArgs a;
    a.style = WS_CHILD | style;
    a.x = x;
    a.y = y;
    a.width = width;
    a.height = height;
    a.parent = parent;
    a.id = id;
    return a;
  }
};

class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  WindowBase() = default;
  virtual ~WindowBase();

  // False when the class cannot be registered, the object already has a
  // window, or the window cannot be made.
  bool Create(const WindowClass& windowClass, const WindowCreateArgs& args);
  // Destroys the window now (the binding ends at its WM_NCDESTROY).
  void Destroy();

  // Derived windows handle what they need and pass the rest to DefaultProc.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

 private:
  friend class WindowClass;
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
};

}  // namespace sb
