// Feeds arbitrary UTF-16 text through the normaliser and the line splitter and
// checks the in-place normaliser against the literal replacement chain.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/song_list_text.h"
#include "song_list_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring page;
  page.reserve(size / 2 + 32);
  for (size_t i = 0; i + 1 < size; i += 2) page.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  // Bytes with the low bit set also plant the markers, so most inputs get past the cut.
  if (size > 0 && (data[0] & 1)) page.insert(page.size() / 3, L"{sid:");
  if (size > 0 && (data[0] & 2)) page.insert(page.size() * 2 / 3, L"Data.Nlist.order=[");

  auto fast = sb::NormaliseSongPage(page);
  if (fast != sbtest::ReferenceNormalise(page)) std::abort();
  if (fast) {
    for (const sb::SongRow& row : sb::SongRows(*fast)) {
      for (auto cell : row.cells) {
        if (cell.data() < fast->data() || cell.data() + cell.size() > fast->data() + fast->size()) std::abort();
      }
    }
  }
  sb::SongRows(page);
  return 0;
}
