#include "catalogue/lyrics_cover.h"

#include <cstring>

#include "catalogue/picture_header.h"
#include "platform/form.h"
#include "platform/handles.h"
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

ComPtr<IPicture> PictureFromBytes(const std::string& bytes) {
  if (bytes.size() > limits::kCoverBytes || !PictureSizeAcceptable(bytes, limits::kCoverSidePixels)) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return nullptr;
  if (void* p = GlobalLock(memory)) {
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(memory);
  }
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  ComPtr<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(picture.GetAddressOf()))))
    return nullptr;
  return picture;
}

ComPtr<IPicture> LoadPictureFile(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(limits::kCoverBytes))
    return nullptr;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                         got != bytes.size()))
    return nullptr;
  return PictureFromBytes(bytes);
}

ComPtr<IPicture> LoadPicture(Inet& inet, const std::wstring& source) {
  DoEvents();
  // Web addresses go through the transfer control, with its deadline, its
  // redirect bound and the cover's body bound; a file is read directly.
  if (NormaliseRequestAddress(source)) {
    std::optional<std::string> bytes = inet.OpenURLBytes(source, limits::kCoverBytes);
    return bytes ? PictureFromBytes(*bytes) : nullptr;
  }
  return LoadPictureFile(source);
}

}  // namespace sb
