#include "mp3_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}
#include <vector>

namespace songbox_codec {

using songbox_server::kMp3BitRate;
using songbox_server::kMp3FrameBytes;
using songbox_server::kMp3FrameSamples;
using songbox_server::kMp3MaxSeconds;
using songbox_server::kMp3SampleRate;

// The decoder, resampler and encoder of one transcode; each pointer is owned
// here and freed with ffmpeg's own function.
struct Mp3Encoder::Codec {
  AVFormatContext* format = nullptr;
  AVCodecContext* decoder = nullptr;
  AVCodecContext* encoder = nullptr;
  SwrContext* swr = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVPacket* encoded = av_packet_alloc();
  AVFrame* decoded = av_frame_alloc();
  AVFrame* input = av_frame_alloc();  // one encoder frame's worth of samples
  int stream = -1;
  std::int64_t pts = 0;
  std::vector<float> left, right;  // resampler output

  ~Codec() {
    av_frame_free(&input);
    av_frame_free(&decoded);
    av_packet_free(&encoded);
    av_packet_free(&packet);
    if (fifo) av_audio_fifo_free(fifo);
    swr_free(&swr);
    avcodec_free_context(&encoder);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
  }

  bool OpenSource(const std::string& file);
  bool OpenEncoder();
  bool OpenResampler();
  double Seconds() const;
  void Resample(const AVFrame* frame);
  bool DecodeMore();
  void FlushResampler();
  void PushSilence();
  bool EncodeFrame(const Write& write, std::uint64_t& remaining);
};

bool Mp3Encoder::Codec::OpenSource(const std::string& file) {
  // "file:" keeps a colon in the name from being read as a protocol.
  if (avformat_open_input(&format, ("file:" + file).c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(format, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream < 0 || !codec) return false;
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  decoder = avcodec_alloc_context3(codec);
  if (!decoder || avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar) < 0) return false;
  if (avcodec_open2(decoder, codec, nullptr) < 0) return false;
  if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    int channels = decoder->ch_layout.nb_channels;
    av_channel_layout_uninit(&decoder->ch_layout);
    av_channel_layout_default(&decoder->ch_layout, channels);
  }
  return decoder->sample_rate > 0 && decoder->ch_layout.nb_channels > 0;
}

bool Mp3Encoder::Codec::OpenEncoder() {
  const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
  if (!codec || !(encoder = avcodec_alloc_context3(codec))) return false;
  encoder->sample_rate = kMp3SampleRate;
  encoder->bit_rate = kMp3BitRate;
  encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
  // lame's -q 5: at 256 kbit/s the slower searches of lower settings are not
  // heard, and it encodes about half again as fast.
  encoder->compression_level = 5;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&encoder->ch_layout, &stereo);
  if (avcodec_open2(encoder, codec, nullptr) < 0 || encoder->frame_size != kMp3FrameSamples) return false;
  input->nb_samples = kMp3FrameSamples;
  input->format = AV_SAMPLE_FMT_FLTP;
  input->sample_rate = kMp3SampleRate;
  av_channel_layout_copy(&input->ch_layout, &stereo);
  fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, 4 * kMp3FrameSamples);
  return fifo && av_frame_get_buffer(input, 0) >= 0;
}

bool Mp3Encoder::Codec::OpenResampler() {
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLTP, kMp3SampleRate, &decoder->ch_layout,
                          decoder->sample_fmt, decoder->sample_rate, 0, nullptr) < 0)
    return false;
  return swr_init(swr) >= 0;
}

double Mp3Encoder::Codec::Seconds() const {
  const AVStream* s = format->streams[stream];
  if (s->duration != AV_NOPTS_VALUE && s->duration > 0) return static_cast<double>(s->duration) * av_q2d(s->time_base);
  if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
    return static_cast<double>(format->duration) / AV_TIME_BASE;
  return -1;
}

void Mp3Encoder::Codec::Resample(const AVFrame* frame) {
  int room = swr_get_out_samples(swr, frame ? frame->nb_samples : 0);
  if (room <= 0) return;
  if (left.size() < static_cast<size_t>(room)) left.resize(room), right.resize(room);
  uint8_t* out[2] = {reinterpret_cast<uint8_t*>(left.data()), reinterpret_cast<uint8_t*>(right.data())};
  int got = swr_convert(swr, out, room, frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                        frame ? frame->nb_samples : 0);
  if (got > 0) av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), got);
}

// Reads one packet and decodes what it gives; false once the source ended
// (or cannot be read on: what was decoded stands, silence makes up the rest).
bool Mp3Encoder::Codec::DecodeMore() {
  int read = av_read_frame(format, packet);
  if (read < 0) {
    avcodec_send_packet(decoder, nullptr);
  } else if (packet->stream_index != stream || avcodec_send_packet(decoder, packet) < 0) {
    av_packet_unref(packet);
    return true;
  }
  av_packet_unref(packet);
  while (avcodec_receive_frame(decoder, decoded) >= 0) {
    Resample(decoded);
    av_frame_unref(decoded);
  }
  return read >= 0;
}

void Mp3Encoder::Codec::FlushResampler() { Resample(nullptr); }

void Mp3Encoder::Codec::PushSilence() {
  std::vector<float> zero(kMp3FrameSamples, 0.0f);
  void* planes[2] = {zero.data(), zero.data()};
  av_audio_fifo_write(fifo, planes, kMp3FrameSamples);
}

// Encodes one frame's samples from the FIFO and writes what the encoder gives
// back, never more than `remaining` bytes.
bool Mp3Encoder::Codec::EncodeFrame(const Write& write, std::uint64_t& remaining) {
  if (av_frame_make_writable(input) < 0) return false;
  av_audio_fifo_read(fifo, reinterpret_cast<void**>(input->data), kMp3FrameSamples);
  input->pts = pts;
  pts += kMp3FrameSamples;
  if (avcodec_send_frame(encoder, input) < 0) return false;
  while (remaining > 0 && avcodec_receive_packet(encoder, encoded) >= 0) {
    auto n = std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(encoded->size));
    bool written = write(reinterpret_cast<const char*>(encoded->data), n);
    av_packet_unref(encoded);
    if (!written) return false;
    remaining -= n;
  }
  return true;
}

std::unique_ptr<Mp3Encoder> Mp3Encoder::Open(const std::string& file) {
  std::unique_ptr<Mp3Encoder> e(new Mp3Encoder);
  e->codec_ = std::make_unique<Codec>();
  Codec& c = *e->codec_;
  if (!c.OpenSource(file) || !c.OpenEncoder() || !c.OpenResampler()) return nullptr;
  double seconds = c.Seconds();
  if (seconds < 0 || seconds > kMp3MaxSeconds) return nullptr;
  e->frames_ = songbox_server::Mp3FramesFor(seconds);
  return e;
}

Mp3Encoder::~Mp3Encoder() = default;

bool Mp3Encoder::Run(const Write& write) {
  Codec& c = *codec_;
  std::uint64_t left = frames_ * kMp3FrameBytes;
  bool source = true, flushed = false;
  while (left > 0) {
    if (av_audio_fifo_size(c.fifo) >= kMp3FrameSamples) {
      if (!c.EncodeFrame(write, left)) return false;
    } else if (source) {
      source = c.DecodeMore();
    } else if (!flushed) {
      c.FlushResampler();
      flushed = true;
    } else {
      c.PushSilence();
    }
  }
  return true;
}

}  // namespace songbox_codec
