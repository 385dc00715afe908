// Audio files for the transcode tests, made by the ffmpeg command line, and
// what ffprobe/ffmpeg read back from an MP3.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sbserver_test {

// The output of a shell command (stdout and stderr).
std::string Shell(const std::string& command);

// `seconds` of a tone encoded by ffmpeg into `file` (its extension chooses
// the container); `codec` holds extra output options such as "-c:a libopus".
void MakeAudio(const std::filesystem::path& file, double seconds, const std::string& codec = "",
               int rate = 44100, int channels = 2);

struct Mp3Probe {
  bool decodes = false;      // ffmpeg decoded it whole without an error line
  long long frames = -1;     // MPEG audio frames read
  std::vector<short> pcm;    // decoded, mono
  std::string title, artist;
  bool cover = false;        // an attached picture stream
  int sampleRate = 0;
  long long bitRate = 0;
};
// Loudness (RMS of full scale, 0..1) of pcm between two times in seconds.
double Loudness(const std::vector<short>& pcm, int rate, double from, double to);
Mp3Probe ProbeMp3(const std::filesystem::path& file);

}  // namespace sbserver_test
