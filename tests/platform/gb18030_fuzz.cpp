// Any bytes: the decoder stays inside its input and hands every byte of the
// one- and two-byte runs to the GBK decoder exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gb18030.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t handed = 0;
  std::wstring text = sb::DecodeGb18030(bytes, [&](std::string_view run) {
    if (run.data() < bytes.data() || run.data() + run.size() > bytes.data() + bytes.size()) std::abort();
    handed += run.size();
    return std::wstring(run.size(), L'x');
  });
  if (handed > size || text.size() > size) std::abort();
  return 0;
}
