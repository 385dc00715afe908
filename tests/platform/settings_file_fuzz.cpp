// Arbitrary file bytes through the reader and the writer: nothing crashes, and
// a value that the writer accepted reads back unchanged and writes back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view file = bytes.substr(0, bytes.size() * 3 / 4);
  std::u16string value;
  for (size_t i = file.size(); i + 1 < bytes.size(); i += 2) value.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  // Blanks and quotes around a value are not part of it when read.
  while (!value.empty() && (value.back() == u' ' || value.back() == u'\t' || value.back() == u'"')) value.pop_back();
  while (!value.empty() && (value.front() == u' ' || value.front() == u'\t' || value.front() == u'"')) value.erase(0, 1);

  sb::FindSetting(file, "catalogue", "root");
  const auto written = sb::WithSetting(file, "catalogue", "root", value);
  if (!written) return 0;
  if (sb::FindSetting(*written, "catalogue", "root") != value) std::abort();
  if (sb::WithSetting(*written, "catalogue", "root", value) != written) std::abort();
  return 0;
}
