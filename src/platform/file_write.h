// Writing a whole buffer to a file, the one place both download files (the
// transfer's body buffer and the saved song) reach the disk.
//
// A test run may set SONGBOX_TEST_FILE_ROOM to a byte count (read once): a
// write that would take a file past it writes nothing and fails with
// ERROR_DISK_FULL, as a full disk does.
#pragma once

#include <windows.h>

#include <cstddef>

namespace sb {

// Writes all `size` bytes at the file's current position; false (GetLastError
// says why) when any of them could not be written.
bool WriteAll(HANDLE file, const void* data, size_t size);

}  // namespace sb
