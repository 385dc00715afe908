// Move-only owners for every Win32 handle the program creates. Nothing else in
// the program calls DeleteObject, DeleteDC, ReleaseDC, EndPaint or
// InternetCloseHandle directly: the owners below do it once, on destruction.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <wininet.h>
#include <mmreg.h>
#include <msacm.h>

#include <utility>

namespace sb {

// Generic owner: Traits supplies `Invalid()` and `Close(h)`.
template <typename Traits>
class UniqueHandle {
 public:
  using handle_type = decltype(Traits::Invalid());

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(handle_type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  handle_type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
  handle_type release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(handle_type h = Traits::Invalid()) noexcept {
    handle_type old = std::exchange(h_, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  handle_type h_ = Traits::Invalid();
};

template <typename H>
struct GdiObjectTraits {
  static H Invalid() noexcept { return nullptr; }
  static void Close(H h) noexcept { ::DeleteObject(h); }
};
struct MemoryDcTraits {
  static HDC Invalid() noexcept { return nullptr; }
  static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct WindowTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
struct MenuTraits {
  static HMENU Invalid() noexcept { return nullptr; }
  static void Close(HMENU h) noexcept { ::DestroyMenu(h); }
};
struct InternetTraits {
  static HINTERNET Invalid() noexcept { return nullptr; }
  static void Close(HINTERNET h) noexcept { ::InternetCloseHandle(h); }
};
struct KernelHandleTraits {
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct WaveOutTraits {
  static HWAVEOUT Invalid() noexcept { return nullptr; }
  static void Close(HWAVEOUT h) noexcept {
    ::waveOutReset(h);
    ::waveOutClose(h);
  }
};
struct AcmStreamTraits {
  static HACMSTREAM Invalid() noexcept { return nullptr; }
  static void Close(HACMSTREAM h) noexcept { ::acmStreamClose(h, 0); }
};
struct IconTraits {
  static HICON Invalid() noexcept { return nullptr; }
  static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct AcceleratorTraits {
  static HACCEL Invalid() noexcept { return nullptr; }
  static void Close(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;  // CreateCompatibleDC / CreateDC
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueInternet = UniqueHandle<InternetTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;  // events, threads
using UniqueFile = UniqueHandle<FileHandleTraits>;            // CreateFile
using UniqueWaveOut = UniqueHandle<WaveOutTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;  // LoadLibrary
using UniqueAccelerators = UniqueHandle<AcceleratorTraits>;  // CreateAcceleratorTable
using UniqueAcmStream = UniqueHandle<AcmStreamTraits>;

// A DC from GetDC / GetWindowDC, released to its window.
class WindowDc {
 public:
  WindowDc() noexcept = default;
  static WindowDc Client(HWND hwnd) noexcept { return WindowDc(hwnd, ::GetDC(hwnd)); }
  static WindowDc Whole(HWND hwnd) noexcept { return WindowDc(hwnd, ::GetWindowDC(hwnd)); }
  WindowDc(WindowDc&& o) noexcept : hwnd_(std::exchange(o.hwnd_, nullptr)), dc_(std::exchange(o.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& o) noexcept {
    if (this != &o) {
      reset();
      hwnd_ = std::exchange(o.hwnd_, nullptr);
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { reset(); }
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
    dc_ = nullptr;
    hwnd_ = nullptr;
  }

 private:
  WindowDc(HWND hwnd, HDC dc) noexcept : hwnd_(hwnd), dc_(dc) {}
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// BeginPaint / EndPaint pair.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() {
    if (dc_) ::EndPaint(hwnd_, &ps_);
  }
  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& info() const noexcept { return ps_; }

 private:
  HWND hwnd_;
  HDC dc_ = nullptr;
  PAINTSTRUCT ps_{};
};

// Selects an object into a DC for the guard's lifetime. Declare it after the
// owner of the object so the object is deselected before it is deleted.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (dc_ && old_) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// HeapAlloc'ed block on a given heap.
class HeapBlock {
 public:
  HeapBlock() noexcept = default;
  HeapBlock(HANDLE heap, SIZE_T bytes, DWORD flags = 0) noexcept
      : heap_(heap), p_(heap ? ::HeapAlloc(heap, flags, bytes) : nullptr) {}
  HeapBlock(HeapBlock&& o) noexcept : heap_(o.heap_), p_(std::exchange(o.p_, nullptr)) {}
  HeapBlock& operator=(HeapBlock&& o) noexcept {
    if (this != &o) {
      reset();
      heap_ = o.heap_;
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  ~HeapBlock() { reset(); }
  void* get() const noexcept { return p_; }
  void* release() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (p_) ::HeapFree(heap_, 0, p_);
    p_ = nullptr;
  }

 private:
  HANDLE heap_ = nullptr;
  void* p_ = nullptr;
};

}  // namespace sb
