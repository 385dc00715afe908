#include "mp3_transcode.h"

#include <fcntl.h>
#include <unistd.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <cstdlib>
#include <vector>

namespace songbox_server {

namespace {

// Opening a file and reading its first packets takes milliseconds; this bound
// only catches a child that hangs on a hostile file.
constexpr std::chrono::seconds kOpenBound{30};
constexpr std::chrono::milliseconds kCancelCheck{100};

TagLib::String Utf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

void AddText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value) {
  if (value.empty()) return;
  auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
  frame->setText(Utf8(value));
  tag.addFrame(frame);
}

std::optional<std::uint64_t> FrameCount(const std::optional<std::string>& header) {
  const std::string prefix = "frames ";
  if (!header || header->compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const char* digits = header->c_str() + prefix.size();
  char* end = nullptr;
  unsigned long long frames = std::strtoull(digits, &end, 10);
  if (end == digits || *end || frames == 0 || frames > Mp3FramesFor(kMp3MaxSeconds)) return std::nullopt;
  return frames;
}

}  // namespace

std::string Id3v2Bytes(const Mp3Tags& tags) {
  TagLib::ID3v2::Tag tag;
  AddText(tag, "TIT2", tags.title);
  AddText(tag, "TPE1", tags.artist);
  if (!tags.cover.empty()) {
    auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
    picture->setMimeType("image/jpeg");
    picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    picture->setPicture(TagLib::ByteVector(tags.cover.data(), static_cast<unsigned>(tags.cover.size())));
    tag.addFrame(picture);
  }
  TagLib::ByteVector rendered = tag.render();
  return std::string(rendered.data(), rendered.size());
}

std::string Mp3SilentFrame() {
  // Sync, MPEG-1, Layer III, no CRC; 256 kbit/s, 48 kHz, no padding; joint
  // stereo. The side information and main data that follow are all zero: no
  // reservoir, no bits, no scale factors in either granule or channel.
  std::string frame(kMp3FrameBytes, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\xD4';
  frame[3] = '\x44';
  return frame;
}

Mp3Transcode::Mp3Transcode(CodecProcess child, std::string tag, std::uint64_t frames)
    : child_(std::move(child)), tag_(std::move(tag)), frames_(frames) {}

Mp3Transcode::~Mp3Transcode() = default;

std::unique_ptr<Mp3Transcode> Mp3Transcode::Open(const std::string& file, const Mp3Tags& tags) {
  int source = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return nullptr;
  auto child = CodecProcess::Start("mp3", source);
  ::close(source);
  if (!child) return nullptr;
  auto frames = FrameCount(child->ReceiveLine(kOpenBound));
  if (!frames) return nullptr;
  return std::unique_ptr<Mp3Transcode>(new Mp3Transcode(std::move(*child), Id3v2Bytes(tags), *frames));
}

Mp3Transcode::End Mp3Transcode::Run(const Write& write, const std::atomic<bool>& cancel) {
  if (!write(tag_.data(), tag_.size())) return End::Failed;
  child_.Send("g");  // it waited, so that a queued transcode takes no core; one that died is made up for below
  std::uint64_t left = frames_ * kMp3FrameBytes;
  // Only whole frames go on: a child cut off mid-frame leaves no torn frame.
  std::vector<char> buffer(64 * kMp3FrameBytes);
  std::size_t held = 0;
  while (left > 0) {
    if (cancel.load(std::memory_order_relaxed)) return End::Cancelled;
    long got = child_.Receive(buffer.data() + held, buffer.size() - held, kCancelCheck);
    if (got < 0) continue;
    if (got == 0) break;
    held += static_cast<std::size_t>(got);
    std::size_t whole = static_cast<std::size_t>(std::min<std::uint64_t>(held / kMp3FrameBytes * kMp3FrameBytes, left));
    if (whole > 0 && !write(buffer.data(), whole)) return End::Failed;
    std::copy(buffer.begin() + static_cast<long>(whole), buffer.begin() + static_cast<long>(held), buffer.begin());
    held -= whole;
    left -= whole;
  }
  if (left == 0) return End::Done;
  child_.Kill();
  const std::string silence = Mp3SilentFrame();
  for (; left > 0; left -= kMp3FrameBytes) {
    if (cancel.load(std::memory_order_relaxed)) return End::Cancelled;
    if (!write(silence.data(), silence.size())) return End::Failed;
  }
  return End::Cut;
}

}  // namespace songbox_server
