#include "audio_decodable.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

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

}  // namespace

bool Decodable(const std::string& file) {
  AVFormatContext* raw = nullptr;
  // "file:" keeps a colon in the name from being read as a protocol.
  if (avformat_open_input(&raw, ("file:" + file).c_str(), nullptr, nullptr) < 0) return false;
  std::unique_ptr<AVFormatContext, InputCloser> input(raw);
  if (HasDecodableAudio(input.get())) return true;
  // Some containers name their codec only once packets were read.
  return avformat_find_stream_info(input.get(), nullptr) >= 0 && HasDecodableAudio(input.get());
}

}  // namespace songbox_codec
