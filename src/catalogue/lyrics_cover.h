// Lyrics and cover of the current song: their addresses under the service
// root, the lyrics fetch and the two-step picture loader LoadPicture.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <optional>
#include <string>

namespace sb {

class Inet;

std::wstring LyricsUrl(const std::wstring& root, const std::wstring& lyricsId);
std::wstring CoverUrl(const std::wstring& root, const std::wstring& pictureId);

// The lyrics page body as the transfer returns it; nullopt when it failed or
// was longer than limits::kLyricsBytes.
std::optional<std::wstring> FetchLyrics(Inet& inet, const std::wstring& url);

// A multi-line edit breaks lines only at CR LF: bare LF and bare CR become CR
// LF, and lines longer than limits::kLyricsLineChars are broken.
std::wstring LyricsForDisplay(const std::wstring& body);

// LoadPicture: lets pending messages run (so the window repaints), then loads
// `source` (a file path or a web address) with OleLoadPicturePath; when that
// fails, with the plain file-picture loader. Null when both fail.
Microsoft::WRL::ComPtr<IPicture> LoadPicture(const std::wstring& source);

// The plain loader on its own: a picture file read through a stream.
Microsoft::WRL::ComPtr<IPicture> LoadPictureFile(const std::wstring& path);

}  // namespace sb
