// MSkinButton: the light-blue skin. Subclasses a window and every control in it.
#pragma once

#include <windows.h>

namespace sb {

bool SkinAttach(HWND hwnd);
bool SkinDetach(HWND hwnd);
// The replacement window procedure of every skinned window.
LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace sb
