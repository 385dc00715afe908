#include "audio_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "test_env.h"

namespace sbtest {

std::vector<int16_t> CapturedSamples() {
  const std::string bytes = ReadFileBytes(UnixToWindowsPath(EnvW(L"SONGBOX_TEST_AUDIO")));
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

ToneReport AnalyseTone(const std::vector<int16_t>& s, double rate) {
  constexpr int kAudible = 300;
  const size_t gap = static_cast<size_t>(rate / 500);
  ToneReport r;
  size_t heard = 0, crossings = 0, quiet = 0, quietCrossings = 0;
  double sum = 0, quietSum = 0;
  bool started = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool loud = std::abs(static_cast<int>(s[i])) > kAudible;
    if (!started && !loud) continue;
    const bool crossed = started && (s[i - 1] < 0) != (s[i] < 0);
    started = true;
    if (!loud) {
      ++quiet;
      quietCrossings += crossed;
      quietSum += static_cast<double>(s[i]) * s[i];
      continue;
    }
    // A short quiet run is the wave passing zero; a long one is a gap, and
    // what follows the last sound is no part of it.
    if (quiet < gap) {
      heard += quiet;
      crossings += quietCrossings;
      sum += quietSum;
    }
    quiet = quietCrossings = 0;
    quietSum = 0;
    ++heard;
    crossings += crossed;
    sum += static_cast<double>(s[i]) * s[i];
  }
  if (!heard) return r;
  r.seconds = heard / rate;
  r.rms = std::sqrt(sum / heard);
  r.frequency = crossings / 2.0 / r.seconds;
  return r;
}

double ToneFrequency(const std::vector<int16_t>& s, double rate) { return AnalyseTone(s, rate).frequency; }

std::string SineWav(int rate, double seconds, double frequency) {
  const auto frames = static_cast<uint32_t>(rate * seconds);
  std::string w;
  auto u32 = [&](uint32_t v) { w.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { w.append(reinterpret_cast<const char*>(&v), 2); };
  w += "RIFF";
  u32(36 + frames * 2);
  w += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate * 2));
  u16(2);
  u16(16);
  w += "data";
  u32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i)
    u16(static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * frequency * i / rate))));
  return w;
}

}  // namespace sbtest
