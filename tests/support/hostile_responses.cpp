#include "hostile_responses.h"

#include <cstdio>

namespace sbtest {

void SendRepeated(HttpConnection& c, std::string_view contentType, const std::string& piece, uint64_t total,
                  bool chunked, std::atomic<uint64_t>* sent) {
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType) + "\r\n";
  if (chunked) head += "Transfer-Encoding: chunked\r\n";
  if (!c.Send(head + "Connection: close\r\n\r\n")) return;
  char size[32];
  std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
  const std::string chunk = chunked ? size + piece + "\r\n" : piece;
  for (uint64_t done = 0; total == 0 || done < total; done += piece.size()) {
    const size_t n = chunked || total == 0 ? piece.size() : static_cast<size_t>(std::min<uint64_t>(piece.size(), total - done));
    const std::string_view out = chunked ? std::string_view(chunk) : std::string_view(piece).substr(0, n);
    if (!c.Send(out)) return;
    if (sent) *sent += n;
  }
  if (chunked) c.Send("0\r\n\r\n");
}

void Stall(HttpConnection& c, int maxMs) { c.WaitForClientClose(maxMs); }

void Redirect(HttpConnection& c, std::string_view location) {
  c.Respond(302, "moved", "text/html", true, "Location: " + std::string(location) + "\r\n");
}

void RespondWithHugeHeaders(HttpConnection& c, const std::string& body, std::string_view contentType,
                            size_t headerBytes) {
  std::string extra;
  for (int i = 0; extra.size() < headerBytes; ++i) {
    extra += "X-Padding-" + std::to_string(i) + ": " + std::string(200, 'p') + "\r\n";
  }
  c.Respond(200, body, contentType, true, extra);
}

std::string JpegDeclaring(std::string jpeg, int width, int height) {
  for (size_t i = 2; i + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) != 0xFF) return {};
    const size_t length = (static_cast<unsigned char>(jpeg[i + 2]) << 8) | static_cast<unsigned char>(jpeg[i + 3]);
    if (marker >= 0xC0 && marker <= 0xC3) {
      jpeg[i + 5] = static_cast<char>(height >> 8);
      jpeg[i + 6] = static_cast<char>(height & 0xFF);
      jpeg[i + 7] = static_cast<char>(width >> 8);
      jpeg[i + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
    i += 2 + length;
  }
  return {};
}

std::wstring SongObject(int sid, const std::wstring& title) {
  const std::wstring id = std::to_wstring(sid);
  return L"{sid:" + id + L",al:'f" + id + L"',ti:'" + title + L"',si:'s',lrc:'p',cp:'2026-12-01',da:'c" + id +
         L"',dl:'l" + id + L"',tl:1,ico:2,cv:0}";
}

}  // namespace sbtest
