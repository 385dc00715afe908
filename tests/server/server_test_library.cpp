#include "server_test_library.h"

#include <iconv.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>

#include "codepage_corpus.h"

namespace sbserver_test {

namespace fs = std::filesystem;
using TagLib::String;

namespace {

TagLib::String Utf8(const std::string& s) { return String(s, String::UTF8); }

// Text as a frame of `encoding` holds it: legacy bytes go in as Latin-1.
TagLib::String Text(const std::string& value, const TagSpec& tags) {
  if (tags.legacyCharset.empty()) return Utf8(value);
  return String(Encode(value, tags.legacyCharset.c_str()), String::Latin1);
}

void AddText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value, const TagSpec& tags) {
  if (value.empty()) return;
  auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, tags.legacyCharset.empty() ? String::UTF8 : String::Latin1);
  frame->setText(Text(value, tags));
  tag.addFrame(frame);
}

std::string Id3v1Bytes(const TagSpec& tags) {
  TagLib::ID3v1::Tag v1;
  v1.setTitle(Text(tags.title, tags));
  v1.setArtist(Text(tags.artist, tags));
  TagLib::ByteVector rendered = v1.render();
  return std::string(rendered.data(), rendered.size());
}

// Raw pixels: a diagonal gradient, so encoders have something to do.
std::string Pixels(int w, int h) {
  std::string rgb(static_cast<size_t>(w) * h * 3, '\0');
  for (int i = 0; i < w * h; ++i) {
    rgb[i * 3] = static_cast<char>(i % w * 255 / w);
    rgb[i * 3 + 1] = static_cast<char>(i / w * 255 / h);
    rgb[i * 3 + 2] = static_cast<char>(128);
  }
  return rgb;
}

uint32_t Crc32(const std::string& data, size_t from, size_t to) {
  uint32_t c = 0xFFFFFFFF;
  for (size_t i = from; i < to; ++i) {
    c ^= static_cast<unsigned char>(data[i]);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
  }
  return ~c;
}

void Be32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s);
}

void PngChunk(std::string& out, const char* type, const std::string& data) {
  Be32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out += type;
  out += data;
  Be32(out, Crc32(out, start, out.size()));
}

}  // namespace

std::string Mp3Bytes(const TagSpec& tags, int frames) {
  TagLib::ID3v2::Tag tag;
  AddText(tag, "TIT2", tags.title, tags);
  AddText(tag, "TPE1", tags.artist, tags);
  AddText(tag, "TPUB", tags.publisher, tags);
  AddText(tag, "TPE2", tags.albumArtist, tags);
  if (!tags.lyrics.empty()) {
    auto* lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(tags.legacyCharset.empty() ? String::UTF8 : String::Latin1);
    lyrics->setText(Text(tags.lyrics, tags));
    tag.addFrame(lyrics);
  }
  if (!tags.picture.empty()) {
    auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
    picture->setMimeType(tags.pictureMime);
    picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    picture->setPicture(TagLib::ByteVector(tags.picture.data(), static_cast<unsigned>(tags.picture.size())));
    tag.addFrame(picture);
  }
  TagLib::ByteVector rendered = tag.render();
  std::string bytes = tags.id3v1Only ? std::string() : std::string(rendered.data(), rendered.size());
  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo: 417-byte frames.
  std::string frame(417, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  frame[3] = '\x44';
  for (int i = 0; i < frames; ++i) bytes += frame;
  if (tags.id3v1Only) bytes += Id3v1Bytes(tags);
  return bytes;
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteSong(const fs::path& file, const TagSpec& tags, int frames) {
  WriteFile(file, Mp3Bytes(tags, frames));
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(1));
}

std::string TestJpeg(int w, int h, bool progressive) {
  std::string rgb = Pixels(w, h);
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, reinterpret_cast<unsigned char*>(rgb.data()), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_444, 85,
              progressive ? TJFLAG_PROGRESSIVE : 0);
  std::string jpeg(reinterpret_cast<char*>(out), size);
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

std::string TestPng(int w, int h) {
  // Stored (uncompressed) deflate blocks: one per row, each row filter 0.
  std::string rgb = Pixels(w, h), raw;
  for (int y = 0; y < h; ++y) raw += '\0' + rgb.substr(static_cast<size_t>(y) * w * 3, static_cast<size_t>(w) * 3);
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size();) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n == raw.size());
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z += raw.substr(at, n);
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Be32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n", header;
  Be32(header, static_cast<uint32_t>(w));
  Be32(header, static_cast<uint32_t>(h));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  PngChunk(png, "IHDR", header);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", "");
  return png;
}

TempDir::TempDir() {
  static std::atomic<int> count{0};
  path_ = fs::temp_directory_path() /
          ("songbox-server-test-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

ServedLibrary::ServedLibrary(const fs::path& folder, const fs::path& state, bool watch, size_t newest)
    : ServedLibrary(folder, state, ServeOptions{watch, newest}) {}

ServedLibrary::ServedLibrary(const fs::path& folder, const fs::path& state, ServeOptions options) {
  library_ = std::make_unique<songbox_server::Library>(folder.string(), state.string(), options.newest,
                                                       [](const std::string&) {});
  library_->SettleAfter(options.settle);
  if (options.watch)
    watch_ = std::make_unique<songbox_server::LibraryWatch>(*library_, std::chrono::seconds(30), [](const std::string&) {});
  auto scan = library_->Scan();
  if (watch_) watch_->Start(scan);
  transcoder_ = std::make_unique<songbox_server::Transcoder>(state.string() + ".mp3-cache", 1ULL << 30, 2,
                                                             [](const std::string&) {});
  server_ = std::make_unique<songbox_server::HttpServer>(
      songbox_server::CatalogueRoutes(*library_, options.media, transcoder_.get()), options.limits);
  port_ = server_->Bind("127.0.0.1", 0);
  thread_ = std::thread([this] { server_->Run(); });
}

ServedLibrary::~ServedLibrary() {
  server_->Stop();
  thread_.join();
  server_.reset();
  transcoder_.reset();
  watch_.reset();
}

httplib::Result ServedLibrary::Get(const std::string& path, const httplib::Headers& headers) {
  httplib::Client client("127.0.0.1", port_);
  return client.Get(path, headers);
}

std::wstring Wide(const std::string& bytes, const char* from) {
  iconv_t cd = iconv_open("WCHAR_T", from);
  std::wstring out(bytes.size() + 1, L'\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* dst = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * sizeof(wchar_t);
  size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return L"<invalid " + std::wstring(from, from + std::strlen(from)) + L">";
  out.resize(out.size() - outLeft / sizeof(wchar_t));
  return out;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace sbserver_test
