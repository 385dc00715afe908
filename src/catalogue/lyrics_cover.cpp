#include "catalogue/lyrics_cover.h"

#include <shlwapi.h>

#include "platform/form.h"
#include "platform/inet.h"
#include "platform/input_limits.h"

namespace sb {

using Microsoft::WRL::ComPtr;

std::wstring LyricsUrl(const std::wstring& root, const std::wstring& lyricsId) {
  return root + L"lyrics/" + lyricsId;
}

std::wstring CoverUrl(const std::wstring& root, const std::wstring& pictureId) { return root + L"cover/" + pictureId; }

std::optional<std::wstring> FetchLyrics(Inet& inet, const std::wstring& url) {
  return inet.OpenURL(url, limits::kLyricsBytes);
}

std::wstring LyricsForDisplay(const std::wstring& body) {
  std::wstring out;
  out.reserve(body.size() + body.size() / 16);
  size_t lineChars = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    wchar_t c = body[i];
    if (c == L'\r' || c == L'\n') {
      out += L"\r\n";
      if (c == L'\r' && i + 1 < body.size() && body[i + 1] == L'\n') ++i;
      lineChars = 0;
      continue;
    }
    // The edit wraps a line in time that grows with the square of its length.
    if (lineChars == limits::kLyricsLineChars) {
      out += L"\r\n";
      lineChars = 0;
    }
    out += c;
    ++lineChars;
  }
  return out;
}

ComPtr<IPicture> LoadPictureFile(const std::wstring& path) {
  ComPtr<IStream> stream;
  if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, FILE_ATTRIBUTE_NORMAL, FALSE,
                                    nullptr, &stream)))
    return nullptr;
  STATSTG stat{};
  LONG size = 0;
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart < 0x7FFFFFFF)
    size = static_cast<LONG>(stat.cbSize.QuadPart);
  ComPtr<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.Get(), size, FALSE, IID_IPicture, reinterpret_cast<void**>(picture.GetAddressOf()))))
    return nullptr;
  return picture;
}

ComPtr<IPicture> LoadPicture(const std::wstring& source) {
  DoEvents();
  ComPtr<IPicture> picture;
  HRESULT hr = OleLoadPicturePath(const_cast<LPOLESTR>(source.c_str()), nullptr, 0, 0, IID_IPicture,
                                  reinterpret_cast<void**>(picture.GetAddressOf()));
  if (SUCCEEDED(hr) && picture) return picture;
  return LoadPictureFile(source);
}

}  // namespace sb
