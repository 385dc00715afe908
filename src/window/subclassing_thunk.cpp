#include "window/subclassing_thunk.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace sb {
namespace {

// The block's code, x86-64, Windows x64 calling convention: the window
// procedure's arguments arrive in rcx, rdx, r8, r9; every call leaves 32 bytes
// of shadow space and a 16-byte aligned stack. Data words are reached
// rip-relative through rbx, so the block runs at any address.
// The bytes are subclassing_thunk_code.S assembled with x86_64-w64-mingw32-as
// (the column beside each line is its instruction); the test run reassembles
// the source and fails when a byte here differs.
// Stack frame after the prologue (rsp 16-byte aligned):
//   rsp+0x00 shadow space, rsp+0x20 5th argument of CallWindowProcW,
//   rsp+0x28 uMsg as received, rsp+0x30 the cells handed to the owner
//   (handled, result, hWnd, uMsg, wParam, lParam; 8 bytes each).
constexpr unsigned char kCode[] = {
    // Frame: rbx = data words, cells at rsp+0x30, shadow space and 5th argument below.
    0x53,                                             // 000  push rbx
    0x48, 0x83, 0xEC, 0x60,                           // 001  sub rsp, 0x60
    0x48, 0x8D, 0x1D, 0x44, 0x01, 0x00, 0x00,         // 005  lea rbx, [rip+data]             ; data words follow the code
    0x48, 0xFF, 0x43, 0x60,                           // 00C  inc qword [rbx+0x60]            ; depth
    // 1. Clear the handled and result cells; keep the message values in cells.
    0x31, 0xC0,                                       // 010  xor eax, eax
    0x48, 0x89, 0x44, 0x24, 0x30,                     // 012  mov qword [rsp+0x30], rax       ; handled cell
    0x48, 0x89, 0x44, 0x24, 0x38,                     // 017  mov qword [rsp+0x38], rax       ; result cell
    0x48, 0x89, 0x4C, 0x24, 0x40,                     // 01C  mov qword [rsp+0x40], rcx       ; hWnd cell
    0x48, 0x89, 0x54, 0x24, 0x48,                     // 021  mov qword [rsp+0x48], rdx       ; uMsg cell
    0x4C, 0x89, 0x44, 0x24, 0x50,                     // 026  mov qword [rsp+0x50], r8        ; wParam cell
    0x4C, 0x89, 0x4C, 0x24, 0x58,                     // 02B  mov qword [rsp+0x58], r9        ; lParam cell
    0x89, 0x54, 0x24, 0x28,                           // 030  mov dword [rsp+0x28], edx       ; original uMsg
    // 2. Before side: count 0 = none, -1 = all, else scan the before entries.
    0x48, 0x8B, 0x4B, 0x20,                           // 034  mov rcx, qword [rbx+0x20]       ; before count
    0x48, 0x85, 0xC9,                                 // 038  test rcx, rcx
    0x74, 0x4F,                                       // 03B  je call_prev
    0x78, 0x12,                                       // 03D  js before_hit
    0x4C, 0x8B, 0x53, 0x18,                           // 03F  mov r10, qword [rbx+0x18]       ; table
    // scan_before:
    0x41, 0x3B, 0x54, 0x8A, 0xFC,                     // 043  cmp edx, dword [r10+rcx*4-0x4]  ; table entry
    0x74, 0x07,                                       // 048  je before_hit
    0x48, 0xFF, 0xC9,                                 // 04A  dec rcx
    0x75, 0xF4,                                       // 04D  jne scan_before
    0xEB, 0x3B,                                       // 04F  jmp call_prev
    // before_hit: 3. probe, paused development environment = handled, no callbacks.
    0x48, 0x8B, 0x43, 0x40,                           // 051  mov rax, qword [rbx+0x40]       ; probe
    0x48, 0x85, 0xC0,                                 // 055  test rax, rax
    0x74, 0x11,                                       // 058  je before_owner
    0xFF, 0xD0,                                       // 05A  call rax
    0x83, 0xF8, 0x02,                                 // 05C  cmp eax, 0x2
    0x75, 0x0A,                                       // 05F  jne before_owner
    0xC7, 0x44, 0x24, 0x30, 0x01, 0x00, 0x00, 0x00,   // 061  mov dword [rsp+0x30], 0x1       ; handled cell
    0xEB, 0x21,                                       // 069  jmp call_prev
    // before_owner: 4. owner and its interface table pointer set: BeforeMsg; handled skips to 8.
    0x48, 0x8B, 0x4B, 0x10,                           // 06B  mov rcx, qword [rbx+0x10]       ; owner
    0x48, 0x85, 0xC9,                                 // 06F  test rcx, rcx
    0x74, 0x18,                                       // 072  je call_prev
    0x48, 0x83, 0x39, 0x00,                           // 074  cmp qword [rcx], 0x0
    0x74, 0x12,                                       // 078  je call_prev
    0x48, 0x8D, 0x54, 0x24, 0x30,                     // 07A  lea rdx, [rsp+0x30]             ; handled cell
    0x45, 0x31, 0xC0,                                 // 07F  xor r8d, r8d
    0xFF, 0x53, 0x48,                                 // 082  call qword [rbx+0x48]           ; dispatch entry
    0x83, 0x7C, 0x24, 0x30, 0x00,                     // 085  cmp dword [rsp+0x30], 0x0       ; handled cell
    0x75, 0x7A,                                       // 08A  jne finish
    // call_prev: 5. the previous procedure with the values as they now stand.
    0x48, 0x8B, 0x4B, 0x08,                           // 08C  mov rcx, qword [rbx+0x8]        ; previous proc
    0x48, 0x8B, 0x54, 0x24, 0x40,                     // 090  mov rdx, qword [rsp+0x40]       ; hWnd cell
    0x44, 0x8B, 0x44, 0x24, 0x48,                     // 095  mov r8d, dword [rsp+0x48]       ; uMsg cell
    0x4C, 0x8B, 0x4C, 0x24, 0x50,                     // 09A  mov r9, qword [rsp+0x50]        ; wParam cell
    0x48, 0x8B, 0x44, 0x24, 0x58,                     // 09F  mov rax, qword [rsp+0x58]       ; lParam cell
    0x48, 0x89, 0x44, 0x24, 0x20,                     // 0A4  mov qword [rsp+0x20], rax       ; 5th argument
    0xFF, 0x53, 0x38,                                 // 0A9  call qword [rbx+0x38]           ; CallWindowProcW
    0x48, 0x89, 0x44, 0x24, 0x38,                     // 0AC  mov qword [rsp+0x38], rax       ; result cell
    // 6. After side: skipped when handled; after entries lie behind the before entries.
    0x83, 0x7C, 0x24, 0x30, 0x00,                     // 0B1  cmp dword [rsp+0x30], 0x0       ; handled cell
    0x75, 0x4E,                                       // 0B6  jne finish
    0x48, 0x8B, 0x4B, 0x28,                           // 0B8  mov rcx, qword [rbx+0x28]       ; after count
    0x48, 0x85, 0xC9,                                 // 0BC  test rcx, rcx
    0x74, 0x45,                                       // 0BF  je finish
    0x78, 0x16,                                       // 0C1  js after_hit
    0x4C, 0x8B, 0x53, 0x30,                           // 0C3  mov r10, qword [rbx+0x30]       ; after entries
    0x8B, 0x54, 0x24, 0x48,                           // 0C7  mov edx, dword [rsp+0x48]       ; uMsg cell
    // scan_after:
    0x41, 0x3B, 0x54, 0x8A, 0xFC,                     // 0CB  cmp edx, dword [r10+rcx*4-0x4]  ; table entry
    0x74, 0x07,                                       // 0D0  je after_hit
    0x48, 0xFF, 0xC9,                                 // 0D2  dec rcx
    0x75, 0xF4,                                       // 0D5  jne scan_after
    0xEB, 0x2D,                                       // 0D7  jmp finish
    // after_hit: 7. probe again, then AfterMsg through the owner checks.
    0x48, 0x8B, 0x43, 0x40,                           // 0D9  mov rax, qword [rbx+0x40]       ; probe
    0x48, 0x85, 0xC0,                                 // 0DD  test rax, rax
    0x74, 0x07,                                       // 0E0  je after_owner
    0xFF, 0xD0,                                       // 0E2  call rax
    0x83, 0xF8, 0x02,                                 // 0E4  cmp eax, 0x2
    0x74, 0x1D,                                       // 0E7  je finish
    // after_owner:
    0x48, 0x8B, 0x4B, 0x10,                           // 0E9  mov rcx, qword [rbx+0x10]       ; owner
    0x48, 0x85, 0xC9,                                 // 0ED  test rcx, rcx
    0x74, 0x14,                                       // 0F0  je finish
    0x48, 0x83, 0x39, 0x00,                           // 0F2  cmp qword [rcx], 0x0
    0x74, 0x0E,                                       // 0F6  je finish
    0x48, 0x8D, 0x54, 0x24, 0x30,                     // 0F8  lea rdx, [rsp+0x30]             ; handled cell
    0x41, 0xB8, 0x01, 0x00, 0x00, 0x00,               // 0FD  mov r8d, 0x1
    0xFF, 0x53, 0x48,                                 // 103  call qword [rbx+0x48]           ; dispatch entry
    // finish: 8. WM_NCDESTROY (as received): clear the window word, mark the block dead.
    0x81, 0x7C, 0x24, 0x28, 0x82, 0x00, 0x00, 0x00,   // 106  cmp dword [rsp+0x28], 0x82      ; original uMsg
    0x75, 0x0D,                                       // 10E  jne leave_frame
    0x31, 0xC0,                                       // 110  xor eax, eax
    0x48, 0x89, 0x03,                                 // 112  mov qword [rbx], rax            ; hwnd
    0x48, 0xC7, 0x43, 0x68, 0x01, 0x00, 0x00, 0x00,   // 115  mov qword [rbx+0x68], 0x1       ; dead
    // leave_frame: the outermost frame of a dead block frees it on the way out.
    0x48, 0xFF, 0x4B, 0x60,                           // 11D  dec qword [rbx+0x60]            ; depth
    0x75, 0x07,                                       // 121  jne return
    0x48, 0x83, 0x7B, 0x68, 0x00,                     // 123  cmp qword [rbx+0x68], 0x0       ; dead
    0x75, 0x0B,                                       // 128  jne release
    // return: 9. return the result cell.
    0x48, 0x8B, 0x44, 0x24, 0x38,                     // 12A  mov rax, qword [rsp+0x38]       ; result cell
    0x48, 0x83, 0xC4, 0x60,                           // 12F  add rsp, 0x60
    0x5B,                                             // 133  pop rbx
    0xC3,                                             // 134  ret
    // release: tail-jump to ReleaseEntry(block, result) with the caller's return address on top.
    0x48, 0x8D, 0x0D, 0xC4, 0xFE, 0xFF, 0xFF,         // 135  lea rcx, [rip+block]            ; the block itself
    0x48, 0x8B, 0x54, 0x24, 0x38,                     // 13C  mov rdx, qword [rsp+0x38]       ; result cell
    0x48, 0x8B, 0x43, 0x50,                           // 141  mov rax, qword [rbx+0x50]       ; release entry
    0x48, 0x83, 0xC4, 0x60,                           // 145  add rsp, 0x60
    0x5B,                                             // 149  pop rbx
    0xFF, 0xE0,                                       // 14A  jmp rax
    0xCC, 0xCC, 0xCC, 0xCC,                           // 14C  int3 x4                         ; padding up to the data words
};
static_assert(sizeof(kCode) == cSubclassingThunk::kCodeBytes);

// The owner's view of the cells at rsp+0x30 of the block's frame.
struct ThunkCells {
  BOOL handled;
  DWORD pad0;
  LRESULT result;
  HWND hwnd;
  UINT msg;
  DWORD pad1;
  WPARAM wParam;
  LPARAM lParam;
};
static_assert(offsetof(ThunkCells, result) == 8 && offsetof(ThunkCells, hwnd) == 16 &&
              offsetof(ThunkCells, msg) == 24 && offsetof(ThunkCells, wParam) == 32 &&
              offsetof(ThunkCells, lParam) == 40);

// Unwind data, so exceptions and stack walks can pass the block's frame:
// push rbx (ends at 1), sub rsp, 0x60 (ends at 5).
constexpr unsigned char kUnwindInfo[8] = {
    0x01,        // version 1, no flags
    0x05,        // prologue size
    0x02,        // two unwind codes
    0x00,        // no frame register
    0x05, 0xB2,  // at 5: UWOP_ALLOC_SMALL, (0x60 - 8) / 8 = 11
    0x01, 0x30,  // at 1: UWOP_PUSH_NONVOL rbx (3)
};

constexpr std::size_t kDataBytes = cSubclassingThunk::kWordCount * sizeof(uintptr_t);
constexpr std::size_t kFunctionOffset = cSubclassingThunk::kDataOffset + kDataBytes;
constexpr std::size_t kUnwindOffset = kFunctionOffset + sizeof(RUNTIME_FUNCTION);
constexpr std::size_t kBlockBytes = kUnwindOffset + sizeof(kUnwindInfo);
static_assert(kFunctionOffset % 4 == 0 && kUnwindOffset % 4 == 0);

std::atomic<long> g_liveBlocks{0};

// One private heap whose memory may execute; under Wine the process heap may not.
// It lives for the whole process: blocks can outlive the instances that made them.
HANDLE ExecutableHeap() {
  static const HANDLE heap = ::HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0);
  return heap;
}

uintptr_t* DataWords(void* block) {
  return reinterpret_cast<uintptr_t*>(static_cast<unsigned char*>(block) + cSubclassingThunk::kDataOffset);
}

RUNTIME_FUNCTION* FunctionEntry(void* block) {
  return reinterpret_cast<RUNTIME_FUNCTION*>(static_cast<unsigned char*>(block) + kFunctionOffset);
}

uintptr_t GetExportAddress(const wchar_t* module, const char* name) {
  HMODULE mod = ::GetModuleHandleW(module);  // never loads: only a module already present counts
  return mod ? reinterpret_cast<uintptr_t>(::GetProcAddress(mod, name)) : 0;
}

uintptr_t FindProbe() {
  uintptr_t probe = GetExportAddress(L"vba6.dll", "EbMode");
  return probe ? probe : GetExportAddress(L"vba5.dll", "EbMode");
}

}  // namespace

cSubclassingThunk::cSubclassingThunk() {
  image_[kWordCallWindowProc] = reinterpret_cast<uintptr_t>(&::CallWindowProcW);
  image_[kWordDispatch] = reinterpret_cast<uintptr_t>(&DispatchEntry);
  image_[kWordRelease] = reinterpret_cast<uintptr_t>(&ReleaseEntry);
  image_[kWordInstance] = reinterpret_cast<uintptr_t>(this);
}

cSubclassingThunk::~cSubclassingThunk() {
  Unsubclass();
  if (block_) FreeBlock(std::exchange(block_, nullptr));
}

long cSubclassingThunk::LiveBlocks() { return g_liveBlocks.load(); }

void* cSubclassingThunk::ThunkAddress() {
  if (block_) return block_;
  HANDLE heap = ExecutableHeap();
  void* block = heap ? ::HeapAlloc(heap, HEAP_ZERO_MEMORY, kBlockBytes) : nullptr;
  if (!block) return nullptr;
  auto* bytes = static_cast<unsigned char*>(block);
  std::memcpy(bytes, kCode, sizeof(kCode));
  std::memcpy(bytes + kUnwindOffset, kUnwindInfo, sizeof(kUnwindInfo));
  RUNTIME_FUNCTION* fn = FunctionEntry(block);
  fn->BeginAddress = 0;
  fn->EndAddress = static_cast<DWORD>(sizeof(kCode));
  fn->UnwindData = static_cast<DWORD>(kUnwindOffset);
  ::RtlAddFunctionTable(fn, 1, reinterpret_cast<DWORD64>(block));
  ::FlushInstructionCache(::GetCurrentProcess(), block, sizeof(kCode));
  ++g_liveBlocks;
  block_ = block;
  WriteDataWords();
  return block_;
}

void cSubclassingThunk::FreeBlock(void* block) {
  ::RtlDeleteFunctionTable(FunctionEntry(block));
  // Anything that still jumps into a freed block traps at once instead of running stale code.
  std::memset(block, 0xCC, kBlockBytes);
  ::HeapFree(ExecutableHeap(), 0, block);
  --g_liveBlocks;
}

// Depth and dead belong to the running block and are never overwritten here.
void cSubclassingThunk::WriteDataWords() {
  if (block_) std::memcpy(DataWords(block_), image_, kWordDepth * sizeof(uintptr_t));
}

void cSubclassingThunk::AllBeforeMsgs(bool bValue) {
  allBefore_ = bValue;
  UpdateThunk();
}

void cSubclassingThunk::AllAfterMsgs(bool bValue) {
  allAfter_ = bValue;
  UpdateThunk();
}

int cSubclassingThunk::FindMsg(const std::vector<int32_t>& list, int32_t msg) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == msg) return static_cast<int>(i);
  }
  return -1;
}

bool cSubclassingThunk::AddMsgs(std::vector<int32_t>& list, std::initializer_list<int32_t> msgs) {
  bool allNew = true;
  for (int32_t msg : msgs) {
    if (FindMsg(list, msg) >= 0) {
      allNew = false;
      continue;
    }
    list.push_back(msg);
  }
  UpdateThunk();
  return allNew;
}

bool cSubclassingThunk::RemoveMsg(std::vector<int32_t>& list, int32_t msg) {
  int index = FindMsg(list, msg);
  if (index < 0) return false;
  list.erase(list.begin() + index);
  UpdateThunk();
  return true;
}

void cSubclassingThunk::UpdateThunk() {
  std::vector<int32_t> table;
  table.reserve(before_.size() + after_.size());
  table.insert(table.end(), before_.begin(), before_.end());
  table.insert(table.end(), after_.begin(), after_.end());
  table_ = std::move(table);
  const bool empty = table_.empty();
  image_[kWordTable] = empty ? 0 : reinterpret_cast<uintptr_t>(table_.data());
  image_[kWordAfterEntries] = empty ? 0 : reinterpret_cast<uintptr_t>(table_.data() + before_.size());
  image_[kWordBeforeCount] = allBefore_ ? static_cast<uintptr_t>(-1) : before_.size();
  image_[kWordAfterCount] = allAfter_ ? static_cast<uintptr_t>(-1) : after_.size();
  ThunkAddress();
  WriteDataWords();
}

bool cSubclassingThunk::Subclass(HWND hwnd, SubclassingSink* Sink) {
  if (image_[kWordHwnd]) return false;
  if (!::IsWindow(hwnd)) return false;
  void* block = ThunkAddress();
  if (!block) return false;
  image_[kWordHwnd] = reinterpret_cast<uintptr_t>(hwnd);
  image_[kWordOwner] = reinterpret_cast<uintptr_t>(Sink);
  image_[kWordProbe] = FindProbe();
  image_[kWordPrevProc] = static_cast<uintptr_t>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  UpdateThunk();
  ::SetLastError(0);
  LONG_PTR prev = ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(block));
  if (prev == 0 && ::GetLastError() != 0) {
    // A window of another process, for example: nothing was installed.
    image_[kWordHwnd] = 0;
    image_[kWordOwner] = 0;
    image_[kWordPrevProc] = 0;
    WriteDataWords();
    return false;
  }
  image_[kWordPrevProc] = static_cast<uintptr_t>(prev);
  WriteDataWords();
  return true;
}

bool cSubclassingThunk::Unsubclass() {
  if (!image_[kWordHwnd]) return false;
  HWND hwnd = reinterpret_cast<HWND>(image_[kWordHwnd]);
  image_[kWordOwner] = 0;
  image_[kWordBeforeCount] = 0;
  image_[kWordAfterCount] = 0;
  image_[kWordTable] = 0;
  image_[kWordAfterEntries] = 0;
  table_.clear();
  table_.shrink_to_fit();
  image_[kWordHwnd] = 0;
  if (void* block = std::exchange(block_, nullptr)) {
    // From here on the block is a plain pass-through to the previous procedure
    // that no longer knows this instance.
    uintptr_t* words = DataWords(block);
    std::memcpy(words, image_, kWordDepth * sizeof(uintptr_t));
    words[kWordInstance] = 0;
    const bool alive = ::IsWindow(hwnd) != FALSE;
    const bool onTop =
        alive && ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(block);
    if (onTop) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, static_cast<LONG_PTR>(image_[kWordPrevProc]));
    if (onTop || !alive) {
      // Out of every chain: free it now, or let its outermost frame do it when
      // this runs from inside a message that passes through the block.
      if (words[kWordDepth] == 0) {
        FreeBlock(block);
      } else {
        words[kWordDead] = 1;
      }
    }
    // Otherwise somebody subclassed the window after us: the block stays in the
    // chain and frees itself at WM_NCDESTROY.
  }
  image_[kWordPrevProc] = 0;
  return true;
}

LRESULT cSubclassingThunk::CallOrigWndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) const {
  if (!image_[kWordHwnd]) return 0;
  return ::CallWindowProcW(reinterpret_cast<WNDPROC>(image_[kWordPrevProc]), hwnd(), uMsg, wParam, lParam);
}

void cSubclassingThunk::DispatchEntry(SubclassingSink* owner, void* cells, int afterSide) noexcept {
  auto* c = static_cast<ThunkCells*>(cells);
  try {
    if (afterSide) {
      owner->AfterMsg(c->result, c->hwnd, c->msg, c->wParam, c->lParam);
    } else {
      owner->BeforeMsg(c->handled, c->result, c->hwnd, c->msg, c->wParam, c->lParam);
    }
  } catch (...) {
    // An owner's failure must not unwind through the window manager.
  }
}

// The block cannot free itself and then return: its own return sequence would
// run from freed memory, and a copy of it on the stack may not execute. So the
// block's last frame restores the stack as its caller left it and tail-jumps
// here, into the program's own code: this frees the block and returns the
// result straight to the block's caller. Only the outermost frame of the block
// comes here, so no nested frame ever returns into freed memory.
LRESULT cSubclassingThunk::ReleaseEntry(void* block, LRESULT result) noexcept {
  auto* owner = reinterpret_cast<cSubclassingThunk*>(DataWords(block)[kWordInstance]);
  if (owner) owner->block_ = nullptr;  // it keeps its window handle until Unsubclass
  FreeBlock(block);
  return result;
}

}  // namespace sb
