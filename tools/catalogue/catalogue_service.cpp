#include "catalogue_service.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "catalogue_data.h"

namespace songbox_catalogue {
namespace {

constexpr char kGbkScript[] = "application/x-javascript; charset=gbk";
constexpr char kGbkText[] = "text/plain; charset=gbk";
constexpr char kHtml[] = "text/html; charset=utf-8";

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void NotFound(httplib::Response& res) {
  res.status = 404;
  res.set_content("not found", "text/plain");
}

}  // namespace

bool MountCatalogue(httplib::Server& server, const std::string& mediaFolder) {
  // Built once: the catalogue does not change while it runs.
  const std::string front = ToGbk(FrontPage());
  server.Get("/", [front](const httplib::Request&, httplib::Response& res) { res.set_content(front, kGbkScript); });

  server.Get(R"(/wgns/url/(\d{1,9}))", [](const httplib::Request& req, httplib::Response& res) {
    auto path = MediaPath(std::stoi(req.matches[1].str()));
    if (!path) return NotFound(res);
    res.set_content(*path, "text/plain");
  });

  server.Get(R"(/lyrics/(\w{1,32}))", [](const httplib::Request& req, httplib::Response& res) {
    auto text = Lyrics(req.matches[1].str());
    if (!text) return NotFound(res);
    res.set_content(ToGbk(*text), kGbkText);
  });

  server.Get(R"(/cover/(\w{1,32}))", [mediaFolder](const httplib::Request& req, httplib::Response& res) {
    auto index = CoverIndex(req.matches[1].str());
    std::string jpeg;
    if (!index || !ReadFile(mediaFolder + "/cover/cover" + std::to_string(*index) + ".jpg", jpeg)) return NotFound(res);
    res.set_content(jpeg, "image/jpeg");
  });

  server.Get("/community", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(CommunityPage(), kHtml);
  });
  server.Get("/forum", [](const httplib::Request&, httplib::Response& res) { res.set_content(ForumPage(), kHtml); });

  // Whole files with their Content-Length (the download window insists on it).
  server.set_file_extension_and_mimetype_mapping("mp3", "audio/mpeg");
  return server.set_mount_point("/media", mediaFolder + "/media");
}

}  // namespace songbox_catalogue
