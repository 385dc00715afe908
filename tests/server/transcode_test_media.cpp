#include "transcode_test_media.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>
#include <stdexcept>

namespace sbserver_test {

namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

void MakeAudio(const fs::path& file, double seconds, const std::string& codec, int rate, int channels) {
  fs::create_directories(file.parent_path());
  char command[1024];
  std::snprintf(command, sizeof command,
                "ffmpeg -nostdin -v error -y -f lavfi -i 'sine=f=440:r=%d:d=%.6f' -ac %d %s -metadata title=T '%s'",
                rate, seconds, channels, codec.c_str(), file.c_str());
  std::string out = Shell(command);
  if (!fs::exists(file) || !out.empty()) throw std::runtime_error("ffmpeg could not make " + file.string() + ": " + out);
}

namespace {

std::string Field(const std::string& text, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex("(^|\n)" + key + "=([^\n]*)"))) return "";
  return m[2].str();
}

}  // namespace

double Loudness(const std::vector<short>& pcm, int rate, double from, double to) {
  auto a = static_cast<size_t>(std::max(0.0, from) * rate), b = std::min(pcm.size(), static_cast<size_t>(to * rate));
  if (b <= a) return 0;
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
  return std::sqrt(sum / static_cast<double>(b - a)) / 32768.0;
}

Mp3Probe ProbeMp3(const fs::path& file) {
  Mp3Probe p;
  std::string path = "'" + file.string() + "'";
  p.decodes = Shell("ffmpeg -nostdin -v error -i " + path + " -map 0:a -f null -").empty();
  std::string info = Shell("ffprobe -v error -count_frames -select_streams a:0 -show_entries "
                           "stream=nb_read_frames,sample_rate,bit_rate:format=format_name:format_tags=title,artist "
                           "-of default=nw=1 " + path);
  std::string frames = Field(info, "nb_read_frames"), rate = Field(info, "sample_rate"), bits = Field(info, "bit_rate");
  if (!frames.empty() && frames != "N/A") p.frames = std::stoll(frames);
  if (!rate.empty()) p.sampleRate = std::stoi(rate);
  if (!bits.empty() && bits != "N/A") p.bitRate = std::stoll(bits);
  p.title = Field(info, "TAG:title");
  p.artist = Field(info, "TAG:artist");
  p.cover = !Shell("ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 " + path).empty();
  std::string pcm = Shell("ffmpeg -nostdin -v error -i " + path + " -map 0:a -ac 1 -f s16le -");
  p.pcm.resize(pcm.size() / 2);
  std::memcpy(p.pcm.data(), pcm.data(), p.pcm.size() * 2);
  return p;
}

}  // namespace sbserver_test
