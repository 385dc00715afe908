#include "song_tags.h"

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <mutex>
#include <unordered_set>

namespace songbox_server {
namespace {

// Latin-1 text as TagLib reads it, byte for code point, noted (per thread,
// while a file is read) so that its raw bytes can be read again in the code
// page they really are in.
thread_local std::unordered_set<std::string>* tLegacy = nullptr;

TagLib::String Noted(const TagLib::String& text) {
  if (tLegacy && !text.isEmpty()) tLegacy->insert(text.to8Bit(false));
  return text;
}

class NotedLatin1 : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return Noted(TagLib::String(data, TagLib::String::Latin1));
  }
};

class NotedId3v1 : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return Noted(TagLib::String(data, TagLib::String::Latin1).stripWhiteSpace());
  }
};

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const NotedLatin1 latin1;
    static const NotedId3v1 v1;
    TagLib::ID3v2::Tag::setLatin1StringHandler(&latin1);
    TagLib::ID3v1::Tag::setStringHandler(&v1);
  });
}

// A file opened only for reading: TagLib by default opens files for writing
// too, and closing such a file tells inotify watchers (the library's own)
// that it was written. Audio properties are not read.
struct ReadOnlyFile {
  explicit ReadOnlyFile(const std::string& file) : stream(file.c_str(), true), ref(&stream, false) {}
  TagLib::FileStream stream;
  TagLib::FileRef ref;
};

std::string Bytes(const TagLib::ByteVector& v) { return std::string(v.data(), v.size()); }

std::optional<std::string> Id3v2Picture(TagLib::ID3v2::Tag* v2) {
  if (!v2) return std::nullopt;
  const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
  for (TagLib::ID3v2::Frame* frame : v2->frameListMap()["APIC"]) {
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
    if (!picture || picture->picture().isEmpty()) continue;
    if (!chosen || picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) chosen = picture;
    if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) break;
  }
  if (!chosen) return std::nullopt;
  return Bytes(chosen->picture());
}

std::optional<std::string> FlacPicture(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
  const TagLib::FLAC::Picture* chosen = nullptr;
  for (const TagLib::FLAC::Picture* p : pictures) {
    if (p->data().isEmpty()) continue;
    if (!chosen || p->type() == TagLib::FLAC::Picture::FrontCover) chosen = p;
    if (p->type() == TagLib::FLAC::Picture::FrontCover) break;
  }
  if (!chosen) return std::nullopt;
  return Bytes(chosen->data());
}

std::optional<std::string> ApePicture(TagLib::APE::Tag* ape) {
  if (!ape) return std::nullopt;
  const auto& items = ape->itemListMap();
  for (const char* key : {"COVER ART (FRONT)", "COVER ART (OTHER)"}) {
    auto it = items.find(key);
    if (it == items.end()) continue;
    const TagLib::ByteVector& value = it->second.binaryData();
    const int nul = value.find('\0');  // "file name\0picture"
    if (nul >= 0 && static_cast<unsigned>(nul) + 1 < value.size()) return Bytes(value.mid(nul + 1));
  }
  return std::nullopt;
}

std::optional<std::string> EmbeddedPicture(TagLib::File* file) {
  if (auto* mp3 = dynamic_cast<TagLib::MPEG::File*>(file)) return Id3v2Picture(mp3->ID3v2Tag(false));
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    if (auto p = FlacPicture(flac->pictureList())) return p;
    return Id3v2Picture(flac->ID3v2Tag(false));
  }
  if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag())) return FlacPicture(xiph->pictureList());
  if (auto* mp4 = dynamic_cast<TagLib::MP4::Tag*>(file->tag())) {
    for (const TagLib::MP4::CoverArt& art : mp4->item("covr").toCoverArtList())
      if (!art.data().isEmpty()) return Bytes(art.data());
    return std::nullopt;
  }
  if (auto* asf = dynamic_cast<TagLib::ASF::Tag*>(file->tag())) {
    for (const TagLib::ASF::Attribute& a : asf->attribute("WM/Picture"))
      if (!a.toPicture().picture().isEmpty()) return Bytes(a.toPicture().picture());
    return std::nullopt;
  }
  if (auto* ape = dynamic_cast<TagLib::APE::File*>(file)) return ApePicture(ape->APETag(false));
  if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(file)) return ApePicture(wv->APETag(false));
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) return Id3v2Picture(wav->ID3v2Tag());
  if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) return Id3v2Picture(aiff->tag());
  return std::nullopt;
}

// The first value of the first of `keys` present.
TagLib::String First(const TagLib::PropertyMap& map, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    auto it = map.find(key);
    if (it != map.end() && !it->second.isEmpty() && !it->second.front().isEmpty()) return it->second.front();
  }
  return {};
}

TagLib::String Lyrics(const TagLib::PropertyMap& map) {
  for (const auto& [key, values] : map)
    if (key.startsWith("LYRICS") && !values.isEmpty() && !values.front().isEmpty()) return values.front();
  return First(map, {"UNSYNCEDLYRICS"});
}

// MP3's ID3v1 title and singer fill in what its ID3v2 tag lacks.
void FillFromId3v1(TagLib::File* file, TagLib::String& title, TagLib::String& artist) {
  auto* mp3 = dynamic_cast<TagLib::MPEG::File*>(file);
  TagLib::ID3v1::Tag* v1 = mp3 ? mp3->ID3v1Tag(false) : nullptr;
  if (!v1) return;
  if (title.isEmpty()) title = v1->title();
  if (artist.isEmpty()) artist = v1->artist();
}

std::string* Field(SongFile& song, int which) {
  switch (which) {
    case 0: return &song.tags.title;
    case 1: return &song.tags.artist;
    case 2: return &song.tags.publisher;
    case 3: return &song.tags.albumArtist;
  }
  if (!song.lyrics) song.lyrics.emplace();
  return &*song.lyrics;
}

}  // namespace

void ApplyCodePage(SongFile& song, CodePage page) {
  song.page = page;
  for (const auto& [which, raw] : song.legacy) *Field(song, which) = Decode(raw, page);
}

void AddLegacyFields(SongFile& song, const std::vector<std::pair<int, std::string>>& fields) {
  bool added = false;
  for (const auto& [which, raw] : fields) {
    if (which < 0 || which > 3 || !Field(song, which)->empty()) continue;
    song.legacy.emplace_back(which, raw);
    added = true;
  }
  if (!added) return;
  std::vector<std::string> raws;
  for (const auto& field : song.legacy) raws.push_back(field.second);
  ApplyCodePage(song, ChooseCodePage(raws));
}

std::optional<SongFile> ReadSongFile(const std::string& file, bool withLyrics, bool withPicture) {
  InstallHandlers();
  std::unordered_set<std::string> noted;
  tLegacy = &noted;
  struct Reset {
    ~Reset() { tLegacy = nullptr; }
  } reset;
  ReadOnlyFile open(file);
  TagLib::File* f = open.ref.file();
  if (!f || !f->isValid()) return std::nullopt;
  const TagLib::PropertyMap map = f->properties();
  TagLib::String text[5] = {First(map, {"TITLE"}), First(map, {"ARTIST"}),
                            First(map, {"LABEL", "PUBLISHER", "ORGANIZATION"}), First(map, {"ALBUMARTIST"}),
                            Lyrics(map)};
  FillFromId3v1(f, text[0], text[1]);
  SongFile song;
  song.tags.embeddedLyrics = !text[4].isEmpty();
  std::vector<std::string> raws;
  for (int which = 0; which < 5; ++which) {
    if (which == 4 && !withLyrics) break;
    const std::string latin1 = text[which].isLatin1() ? text[which].to8Bit(false) : std::string();
    if (!latin1.empty() && noted.count(latin1)) {
      song.legacy.emplace_back(which, latin1);
      raws.push_back(latin1);
    } else if (!text[which].isEmpty()) {
      *Field(song, which) = text[which].to8Bit(true);
    }
  }
  ApplyCodePage(song, ChooseCodePage(raws));
  song.picture = EmbeddedPicture(f);
  song.tags.embeddedCover = song.picture.has_value();
  if (!withPicture) song.picture.reset();
  return song;
}

std::optional<SongTags> ReadSongTags(const std::string& file) {
  auto song = ReadSongFile(file, false, false);
  if (!song) return std::nullopt;
  return song->tags;
}

std::optional<std::string> ReadEmbeddedLyrics(const std::string& file) {
  auto song = ReadSongFile(file, true, false);
  if (!song || !song->lyrics || song->lyrics->empty()) return std::nullopt;
  return song->lyrics;
}

std::optional<std::string> ReadEmbeddedPicture(const std::string& file) {
  auto song = ReadSongFile(file, false, true);
  return song ? song->picture : std::nullopt;
}

}  // namespace songbox_server
