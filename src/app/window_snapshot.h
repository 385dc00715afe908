// Saving a window's on-screen pixels as a PNG file (WIC), for the headless run.
#pragma once

#include <windows.h>

#include <string>

namespace sb {

bool SaveBitmapPng(HBITMAP bitmap, const std::wstring& path);
// The client area as it is on the screen.
bool SaveClientPng(HWND hwnd, const std::wstring& path);

// A Linux path as Wine maps it (Z:\...); other paths are returned unchanged.
std::wstring HostPathToWindows(const std::wstring& path);

}  // namespace sb
