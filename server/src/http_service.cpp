#include "http_service.h"

#include <optional>
#include <string_view>

#include "file_source.h"
#include "page_file.h"
#include "song_media.h"

namespace songbox_server {
namespace {

constexpr char kScript[] = "application/x-javascript; charset=GB18030";
constexpr char kText[] = "text/plain; charset=GB18030";
constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr size_t kMaxIdDigits = 15;
constexpr size_t kMaxMediaPath = 4096;

HttpReply NotFound() { return HttpReply::Text(404, "not found", "text/plain"); }

// The id after `prefix` when the rest of the path is 1 to 15 digits.
std::optional<long long> IdAfter(std::string_view path, std::string_view prefix) {
  if (path.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::string_view digits = path.substr(prefix.size());
  if (digits.empty() || digits.size() > kMaxIdDigits) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  return std::stoll(std::string(digits));
}

HttpReply Found(std::optional<std::string> body, const char* type) {
  return body ? HttpReply::Text(200, std::move(*body), type) : NotFound();
}

HttpReply Media(Library& library, const MediaProvider& media, Transcoder* transcoder, std::string_view path) {
  if (path.empty() || path.size() > kMaxMediaPath) return NotFound();
  const std::string address(path);
  HttpReply reply;
  if (ServedAsIs(address)) {
    if (auto file = library.MediaFile(address)) reply.media = media(*file);
  }
  if (!reply.media && transcoder) {
    // Starting a transcode waits for its codec process: off the event loop.
    if (auto song = TranscodedSong(library, address)) {
      reply.later = [transcoder, song = std::move(*song)] {
        HttpReply made;
        made.media = transcoder->Source(song);
        return made.media ? std::move(made) : NotFound();
      };
      return reply;
    }
  }
  return reply.media ? std::move(reply) : NotFound();
}

HttpReply Route(Library& library, const MediaProvider& media, Transcoder* transcoder, const std::string& path) {
  if (path == "/") {
    HttpReply reply;
    reply.media = std::make_unique<PageSource>(library.FrontPageFile(), kScript);
    return reply;
  }
  if (auto sid = IdAfter(path, "/wgns/url/")) return Found(library.PlayAddress(*sid), kText);
  if (auto id = IdAfter(path, "/lyrics/")) {
    auto lyrics = library.Lyrics(*id);
    return lyrics ? HttpReply::Text(200, ToGb18030(*lyrics), kText) : NotFound();
  }
  if (auto id = IdAfter(path, "/cover/")) return Found(library.Cover(*id), "image/jpeg");
  constexpr std::string_view kMedia = "/media/";
  if (path.compare(0, kMedia.size(), kMedia) == 0) return Media(library, media, transcoder, std::string_view(path).substr(kMedia.size()));
  if (path == "/community") return HttpReply::Text(200, library.Community(), kHtml);
  if (path == "/forum") return HttpReply::Text(200, library.Forum(), kHtml);
  return NotFound();
}

}  // namespace

std::unique_ptr<MediaSource> PlainFiles(const std::string& file) { return FileSource::Open(file); }

HttpHandler CatalogueRoutes(Library& library, MediaProvider media, Transcoder* transcoder) {
  return [&library, media = std::move(media), transcoder](const HttpRequest& request) {
    return Route(library, media, transcoder, request.path);
  };
}

}  // namespace songbox_server
