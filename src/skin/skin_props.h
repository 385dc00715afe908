// Per-window skin state lives in the window's property list; values are
// pointer-sized and a missing property reads as 0.
#pragma once

#include <windows.h>

#include <string>

namespace sb {

inline constexpr wchar_t kPropProcAddr[] = L"PROCADDR";
inline constexpr wchar_t kPropOldStyle[] = L"OLDSTYLE";
inline constexpr wchar_t kPropMouseFlag[] = L"MOUSEFLAG";
inline constexpr wchar_t kPropTimerId[] = L"TIMERID";
inline constexpr wchar_t kPropOldState[] = L"OLDSTATE";
inline constexpr wchar_t kPropAlphaLevel[] = L"ALPHALEVEL";
inline constexpr wchar_t kPropHdIndex[] = L"HDINDEX";
inline constexpr wchar_t kPropHmIndex[] = L"HMINDEX";

inline INT_PTR GetSkinProp(HWND hwnd, const wchar_t* name) {
  return reinterpret_cast<INT_PTR>(GetPropW(hwnd, name));
}
inline void SetSkinProp(HWND hwnd, const wchar_t* name, INT_PTR value) {
  SetPropW(hwnd, name, reinterpret_cast<HANDLE>(value));
}
inline void RemoveSkinProp(HWND hwnd, const wchar_t* name) { RemovePropW(hwnd, name); }

// A window is skinned while it has PROCADDR. Handlers check it again after
// forwarding: the control's own procedure may have detached the skin (a click
// that closes its form), and nothing may be left behind on a detached window.
inline bool IsSkinned(HWND hwnd) { return GetSkinProp(hwnd, kPropProcAddr) != 0; }

// "HDC0".."HDC3", "BMP0".."BMP3"
inline std::wstring StatePropName(const wchar_t* prefix, int state) {
  return std::wstring(prefix) + static_cast<wchar_t>(L'0' + state);
}

}  // namespace sb
