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
// `source`: a web address through `inet` (a blocking GET, bounded in time,
// redirects and body), a file path from the disk. The picture's header is
// checked before it is decoded: a JPEG, GIF or BMP of at most
// limits::kCoverSidePixels a side. Null when it fails or is refused.
Microsoft::WRL::ComPtr<IPicture> LoadPicture(Inet& inet, const std::wstring& source);

// The picture of a file's bytes, checked as above; null when refused or not a picture.
Microsoft::WRL::ComPtr<IPicture> PictureFromBytes(const std::string& bytes);
Microsoft::WRL::ComPtr<IPicture> LoadPictureFile(const std::wstring& path);

}  // namespace sb
