#include "platform/file_write.h"

#include <cstdint>
#include <algorithm>
#include <cwchar>
#include <limits>

namespace sb {

namespace {

uint64_t ReadFileRoom() {
  wchar_t value[32] = {};
  const DWORD n = GetEnvironmentVariableW(L"SONGBOX_TEST_FILE_ROOM", value, 32);
  if (n == 0 || n >= 32) return std::numeric_limits<uint64_t>::max();
  return std::wcstoull(value, nullptr, 10);
}

// Whether the file has room for `size` more bytes at its current position.
bool HasRoom(HANDLE file, size_t size) {
  static const uint64_t room = ReadFileRoom();
  if (room == std::numeric_limits<uint64_t>::max()) return true;
  LARGE_INTEGER at{};
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, &at, FILE_CURRENT)) return false;
  return static_cast<uint64_t>(at.QuadPart) + size <= room;
}

}  // namespace

bool WriteAll(HANDLE file, const void* data, size_t size) {
  if (!HasRoom(file, size)) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!WriteFile(file, p, ask, &n, nullptr)) return false;
    if (n == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    p += n;
    size -= n;
  }
  return true;
}

}  // namespace sb
