#include "song_tags.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/unsynchronizedlyricsframe.h>

namespace songbox_server {
namespace {

std::string FrameText(const TagLib::ID3v2::Tag& tag, const char* id) {
  const auto& frames = tag.frameListMap();
  auto it = frames.find(id);
  if (it == frames.end() || it->second.isEmpty()) return {};
  return it->second.front()->toString().to8Bit(true);
}

// An MP3 file opened only for reading: TagLib by default opens files for
// writing too, and closing such a file tells inotify watchers (the library's
// own) that it was written. Audio properties would mean scanning frames:
// only the tags are read.
struct ReadOnlyMp3 {
  explicit ReadOnlyMp3(const std::string& file)
      : stream(file.c_str(), true), mp3(&stream, TagLib::ID3v2::FrameFactory::instance(), false) {}
  TagLib::FileStream stream;
  TagLib::MPEG::File mp3;
};

}  // namespace

std::optional<SongTags> ReadSongTags(const std::string& file) {
  ReadOnlyMp3 open(file);
  TagLib::MPEG::File& mp3 = open.mp3;
  if (!mp3.isValid()) return std::nullopt;
  SongTags tags;
  if (TagLib::ID3v2::Tag* v2 = mp3.ID3v2Tag(false)) {
    tags.title = FrameText(*v2, "TIT2");
    tags.artist = FrameText(*v2, "TPE1");
    tags.publisher = FrameText(*v2, "TPUB");
    tags.albumArtist = FrameText(*v2, "TPE2");
    tags.embeddedCover = !v2->frameListMap()["APIC"].isEmpty();
    tags.embeddedLyrics = !v2->frameListMap()["USLT"].isEmpty();
  }
  if (TagLib::ID3v1::Tag* v1 = mp3.ID3v1Tag(false)) {
    if (tags.title.empty()) tags.title = v1->title().to8Bit(true);
    if (tags.artist.empty()) tags.artist = v1->artist().to8Bit(true);
  }
  return tags;
}

std::optional<std::string> ReadEmbeddedLyrics(const std::string& file) {
  ReadOnlyMp3 open(file);
  TagLib::ID3v2::Tag* v2 = open.mp3.isValid() ? open.mp3.ID3v2Tag(false) : nullptr;
  if (!v2) return std::nullopt;
  for (TagLib::ID3v2::Frame* frame : v2->frameListMap()["USLT"]) {
    auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
    if (lyrics && !lyrics->text().isEmpty()) return lyrics->text().to8Bit(true);
  }
  return std::nullopt;
}

std::optional<std::string> ReadEmbeddedPicture(const std::string& file) {
  ReadOnlyMp3 open(file);
  TagLib::ID3v2::Tag* v2 = open.mp3.isValid() ? open.mp3.ID3v2Tag(false) : nullptr;
  if (!v2) return std::nullopt;
  const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
  for (TagLib::ID3v2::Frame* frame : v2->frameListMap()["APIC"]) {
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
    if (!picture || picture->picture().isEmpty()) continue;
    if (!chosen || picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) chosen = picture;
    if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) break;
  }
  if (!chosen) return std::nullopt;
  return std::string(chosen->picture().data(), chosen->picture().size());
}

}  // namespace songbox_server
