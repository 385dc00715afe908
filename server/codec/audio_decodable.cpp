#include "audio_decodable.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/dict.h>
}

#include <cstdint>
#include <cstring>
#include <memory>

namespace songbox_codec {
namespace {

struct InputCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};

bool OpensDecoder(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return false;
  std::unique_ptr<AVCodecContext, CodecCloser> context(avcodec_alloc_context3(codec));
  return context && avcodec_parameters_to_context(context.get(), stream->codecpar) >= 0 &&
         avcodec_open2(context.get(), codec, nullptr) >= 0;
}

bool HasDecodableAudio(AVFormatContext* input) {
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* s = input->streams[i];
    if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && s->codecpar->codec_id != AV_CODEC_ID_NONE && OpensDecoder(s))
      return true;
  }
  return false;
}

bool ValidUtf8(const char* text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text);
  const auto* end = p + std::strlen(text);
  std::int32_t code;
  while (p < end)
    if (av_utf8_decode(&code, &p, end, 0) < 0) return false;
  return true;
}

std::vector<std::pair<int, std::string>> LegacyText(const AVDictionary* metadata) {
  // The keys APE items, Vorbis comments and ffmpeg itself use for each field
  // (looked up without regard to case).
  static const std::vector<std::vector<const char*>> kKeys = {
      {"title"}, {"artist"}, {"label", "publisher", "organization"}, {"album artist", "albumartist", "album_artist"}};
  std::vector<std::pair<int, std::string>> legacy;
  for (int which = 0; which < static_cast<int>(kKeys.size()); ++which) {
    for (const char* key : kKeys[which]) {
      const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
      if (!e || !*e->value) continue;
      if (!ValidUtf8(e->value)) legacy.emplace_back(which, e->value);
      break;
    }
  }
  return legacy;
}

}  // namespace

Probed Probe(const std::string& file) {
  Probed probed;
  AVFormatContext* raw = nullptr;
  // "file:" keeps a colon in the name from being read as a protocol.
  if (avformat_open_input(&raw, ("file:" + file).c_str(), nullptr, nullptr) < 0) return probed;
  std::unique_ptr<AVFormatContext, InputCloser> input(raw);
  // Some containers name their codec only once packets were read.
  probed.decodable = HasDecodableAudio(input.get()) ||
                     (avformat_find_stream_info(input.get(), nullptr) >= 0 && HasDecodableAudio(input.get()));
  if (probed.decodable) probed.legacy = LegacyText(input->metadata);
  return probed;
}

}  // namespace songbox_codec
