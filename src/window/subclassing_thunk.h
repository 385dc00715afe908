// cSubclassingThunk: subclasses one window with a block of generated x86-64
// code. The block decides by itself, from a message table, which messages the
// owner sees before and/or after the previous window procedure; all other
// messages go straight to the previous procedure without leaving the block.
#pragma once

#include <windows.h>

#include <any>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "window/subclassing_sink.h"

namespace sb {

class cSubclassingThunk {
 public:
  // Pointer-sized data words that follow the code in the block, by index.
  enum ThunkWord : int {
    kWordHwnd,           // subclassed window, 0 when none (cleared at WM_NCDESTROY)
    kWordPrevProc,       // previous window procedure
    kWordOwner,          // SubclassingSink*, not owned
    kWordTable,          // message table: before entries, then after entries; 0 when empty
    kWordBeforeCount,    // 0 none, -1 all, else number of before entries
    kWordAfterCount,     // 0 none, -1 all, else number of after entries
    kWordAfterEntries,   // first after entry inside the table
    kWordCallWindowProc,
    kWordProbe,          // development-environment probe, 0 in a normal run
    kWordDispatch,       // fixed entry that makes the owner's virtual call
    kWordRelease,        // fixed entry that frees the block and returns the result
    kWordInstance,       // the instance that owns the block, 0 once handed off
    kWordDepth,          // frames of this block currently on the stack
    kWordDead,           // free the block when the outermost frame leaves
    kWordCount
  };
  static constexpr std::size_t kCodeBytes = 336;
  static constexpr std::size_t kDataOffset = kCodeBytes;

  cSubclassingThunk();
  ~cSubclassingThunk();
  cSubclassingThunk(const cSubclassingThunk&) = delete;
  cSubclassingThunk& operator=(const cSubclassingThunk&) = delete;

  HWND hwnd() const { return reinterpret_cast<HWND>(image_[kWordHwnd]); }

  bool AllBeforeMsgs() const { return allBefore_; }
  void AllBeforeMsgs(bool bValue);
  bool AllAfterMsgs() const { return allAfter_; }
  void AllAfterMsgs(bool bValue);

  // The block (allocated on the first call; nullptr only when memory ran out).
  void* ThunkAddress();

  const std::any& Tag() const { return tag_; }
  void Tag(std::any vValue) { tag_ = std::move(vValue); }

  // True when every given message was new (also for none).
  template <typename... Msgs>
  bool AddBeforeMsgs(Msgs... uMsgs) {
    return AddMsgs(before_, {static_cast<int32_t>(uMsgs)...});
  }
  bool RemoveBeforeMsg(UINT uMsg) { return RemoveMsg(before_, static_cast<int32_t>(uMsg)); }
  bool HasBeforeMsgs(UINT uMsg) const { return FindMsg(before_, static_cast<int32_t>(uMsg)) >= 0; }

  template <typename... Msgs>
  bool AddAfterMsgs(Msgs... uMsgs) {
    return AddMsgs(after_, {static_cast<int32_t>(uMsgs)...});
  }
  bool RemoveAfterMsg(UINT uMsg) { return RemoveMsg(after_, static_cast<int32_t>(uMsg)); }
  bool HasAfterMsgs(UINT uMsg) const { return FindMsg(after_, static_cast<int32_t>(uMsg)) >= 0; }

  // The sink must outlive the subclassing (until Unsubclass or the destructor).
  bool Subclass(HWND hwnd, SubclassingSink* Sink);
  bool Unsubclass();
  LRESULT CallOrigWndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) const;

  // Blocks allocated and not yet freed, process-wide.
  static long LiveBlocks();

 private:
  bool AddMsgs(std::vector<int32_t>& list, std::initializer_list<int32_t> msgs);
  bool RemoveMsg(std::vector<int32_t>& list, int32_t msg);
  static int FindMsg(const std::vector<int32_t>& list, int32_t msg);
  void UpdateThunk();
  void WriteDataWords();
  static void FreeBlock(void* block);
  static void DispatchEntry(SubclassingSink* owner, void* cells, int afterSide) noexcept;
  static LRESULT ReleaseEntry(void* block, LRESULT result) noexcept;

  uintptr_t image_[kWordCount] = {};
  void* block_ = nullptr;
  std::vector<int32_t> before_;
  std::vector<int32_t> after_;
  std::vector<int32_t> table_;
  bool allBefore_ = false;
  bool allAfter_ = false;
  std::any tag_;
};

}  // namespace sb
