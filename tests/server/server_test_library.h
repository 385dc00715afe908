// Test libraries for the catalogue server: small real MP3 files (silent MPEG
// frames behind an ID3v2 tag written by TagLib), a folder that cleans up after
// itself and a served library on a free loopback port.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <functional>
#include <thread>

#include "http_service.h"
#include "library.h"
#include "library_watch.h"
#include "transcoder.h"

namespace sbserver_test {

struct TagSpec {
  std::string title, artist, publisher, albumArtist;  // empty: no frame
  std::string lyrics;                                // USLT
  std::string picture, pictureMime = "image/jpeg";   // APIC
  // Non-empty: the texts above are written in this code page (iconv's name)
  // in frames marked ISO-8859-1, as old tools wrote them.
  std::string legacyCharset;
  bool id3v1Only = false;  // title and singer in an ID3v1 tag, no ID3v2 tag
};

// A playable MP3: the tag, then `frames` silent 128 kbit/s frames.
std::string Mp3Bytes(const TagSpec& tags, int frames = 4);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& file);
// Written and closed, its time set a minute back: a complete file.
void WriteSong(const std::filesystem::path& file, const TagSpec& tags, int frames = 4);
// A small baseline JPEG and PNG of w × h pixels.
std::string TestJpeg(int w, int h, bool progressive = false);
std::string TestPng(int w, int h);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct ServeOptions {
  bool watch = false;
  size_t newest = 500;
  songbox_server::HttpLimits limits;
  songbox_server::MediaProvider media = songbox_server::PlainFiles;
  std::chrono::milliseconds settle{2000};  // see Library::SettleAfter
};

// A Library over `folder` served on 127.0.0.1, optionally watched.
class ServedLibrary {
 public:
  ServedLibrary(const std::filesystem::path& folder, const std::filesystem::path& state, bool watch = false,
                size_t newest = 500);
  ServedLibrary(const std::filesystem::path& folder, const std::filesystem::path& state, ServeOptions options);
  ~ServedLibrary();
  httplib::Result Get(const std::string& path, const httplib::Headers& headers = {});
  songbox_server::Library& library() { return *library_; }
  songbox_server::HttpServer& server() { return *server_; }
  songbox_server::Transcoder& transcoder() { return *transcoder_; }
  songbox_server::LibraryWatch& watch() { return *watch_; }
  int port() const { return port_; }

 private:
  std::unique_ptr<songbox_server::Library> library_;
  std::unique_ptr<songbox_server::LibraryWatch> watch_;
  std::unique_ptr<songbox_server::Transcoder> transcoder_;  // cache beside the state file
  std::unique_ptr<songbox_server::HttpServer> server_;
  std::thread thread_;
  int port_ = 0;
};

// GB18030 or UTF-8 bytes to wide text (glibc's iconv).
std::wstring Wide(const std::string& bytes, const char* from = "UTF-8");

// Waits up to `ms` for `done`. Against a hang only: pass a bound that holds
// on a loaded machine (kLoadedMs where nothing else is meant).
constexpr int kLoadedMs = 30000;
bool WaitFor(const std::function<bool()>& done, int ms);

}  // namespace sbserver_test
