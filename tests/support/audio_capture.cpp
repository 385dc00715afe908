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

double ToneFrequency(const std::vector<int16_t>& s, double rate) {
  size_t first = s.size(), last = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (std::abs(s[i]) > 300) {
      first = std::min(first, i);
      last = i;
    }
  }
  if (first >= last) return 0;
  size_t crossings = 0;
  for (size_t i = first + 1; i <= last; ++i)
    if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  return crossings / 2.0 / ((last - first + 1) / rate);
}

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
