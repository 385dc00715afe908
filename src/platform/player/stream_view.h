// The bytes of a media a reader can see: those from absolute offset `begin`
// up to `end`, the newest. Offsets count from the first byte of the media,
// whatever has been dropped before `begin`. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sb {

struct StreamView {
  const uint8_t* bytes = nullptr;  // the byte at `begin`
  size_t begin = 0;
  size_t end = 0;

  // Only for begin <= offset <= end.
  const uint8_t* At(size_t offset) const { return bytes + (offset - begin); }
  bool Holds(size_t offset, size_t count) const { return offset >= begin && offset <= end && count <= end - offset; }
};

// The whole of a media held in one piece.
inline StreamView WholeView(const uint8_t* data, size_t size) { return {data, 0, size}; }

}  // namespace sb
