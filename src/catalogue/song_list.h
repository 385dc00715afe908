// The song list: fetching and normalising the newest-songs page (updata) and
// appending its lines to the song list view (InPuter).
#pragma once

#include <windows.h>

#include <string>

namespace sb {

class Inet;

// The catalogue service root, with a trailing "/". The first http(s) address
// of: SONGBOX_ROOT, [catalogue] root= in songbox.ini beside the program, the
// same in the per-user songbox.ini; else the demo catalogue on 127.0.0.1:8611.
std::wstring ServiceRoot();

// Fetches the root page with `inet` (OpenURL), normalises it and stores the
// text in the multi-line edit `text1`. On any failure shows the busy message
// box (owned by `owner`) and leaves `text1` unchanged. Returns true on success.
bool updata(Inet& inet, HWND text1, HWND owner);

// Appends one row per complete line of `text1` to the report list view
// `listView`; never clears the list.
void InPuter(HWND text1, HWND listView);

}  // namespace sb
