# The subclassing thunk's code block, the source of the kCode table in
# subclassing_thunk.cpp. The test run reassembles it and compares the bytes
# with the table (tools/check-thunk.sh):
#   x86_64-w64-mingw32-as subclassing_thunk_code.S -o thunk.o
#   x86_64-w64-mingw32-objcopy -O binary -j .text thunk.o thunk.bin
#
# Windows x64 calling convention: the window procedure's arguments arrive in
# rcx, rdx, r8, r9; every call leaves 32 bytes of shadow space and a 16-byte
# aligned stack. The data words follow the code and are reached rip-relative
# through rbx, so the block runs at any address.
# Stack frame after the prologue (rsp 16-byte aligned):
#   rsp+0x00 shadow space, rsp+0x20 5th argument of CallWindowProcW,
#   rsp+0x28 uMsg as received, rsp+0x30 the cells handed to the owner
#   (handled, result, hWnd, uMsg, wParam, lParam; 8 bytes each).

        .intel_syntax noprefix
        .text

# Data words, by offset from rbx (cSubclassingThunk::ThunkWord).
        .set HWND_WORD, 0x00
        .set PREV_PROC, 0x08
        .set OWNER, 0x10
        .set TABLE, 0x18
        .set BEFORE_COUNT, 0x20
        .set AFTER_COUNT, 0x28
        .set AFTER_ENTRIES, 0x30
        .set CALL_WINDOW_PROC, 0x38
        .set PROBE, 0x40
        .set DISPATCH, 0x48
        .set RELEASE, 0x50
        .set DEPTH, 0x60
        .set DEAD, 0x68

# Cells of the frame.
        .set ORIGINAL_MSG, 0x28
        .set HANDLED, 0x30
        .set RESULT, 0x38
        .set HWND_CELL, 0x40
        .set MSG_CELL, 0x48
        .set WPARAM_CELL, 0x50
        .set LPARAM_CELL, 0x58

        .set WM_NCDESTROY, 0x82

block:
# Frame: rbx = data words, cells at rsp+0x30, shadow space and 5th argument below.
        push rbx
        sub rsp, 0x60
        lea rbx, [rip + data]
        inc qword ptr [rbx + DEPTH]
# 1. Clear the handled and result cells; keep the message values in cells.
        xor eax, eax
        mov qword ptr [rsp + HANDLED], rax
        mov qword ptr [rsp + RESULT], rax
        mov qword ptr [rsp + HWND_CELL], rcx
        mov qword ptr [rsp + MSG_CELL], rdx
        mov qword ptr [rsp + WPARAM_CELL], r8
        mov qword ptr [rsp + LPARAM_CELL], r9
        mov dword ptr [rsp + ORIGINAL_MSG], edx
# 2. Before side: count 0 = none, -1 = all, else scan the before entries.
        mov rcx, qword ptr [rbx + BEFORE_COUNT]
        test rcx, rcx
        je call_prev
        js before_hit
        mov r10, qword ptr [rbx + TABLE]
scan_before:
        cmp edx, dword ptr [r10 + rcx*4 - 4]
        je before_hit
        dec rcx
        jne scan_before
        jmp call_prev
# 3. The probe: a paused development environment means handled, no callbacks.
before_hit:
        mov rax, qword ptr [rbx + PROBE]
        test rax, rax
        je before_owner
        call rax
        cmp eax, 2
        jne before_owner
        mov dword ptr [rsp + HANDLED], 1
        jmp call_prev
# 4. Owner and its interface table pointer set: BeforeMsg; handled skips to 8.
before_owner:
        mov rcx, qword ptr [rbx + OWNER]
        test rcx, rcx
        je call_prev
        cmp qword ptr [rcx], 0
        je call_prev
        lea rdx, [rsp + HANDLED]
        xor r8d, r8d
        call qword ptr [rbx + DISPATCH]
        cmp dword ptr [rsp + HANDLED], 0
        jne finish
# 5. The previous procedure with the values as they now stand.
call_prev:
        mov rcx, qword ptr [rbx + PREV_PROC]
        mov rdx, qword ptr [rsp + HWND_CELL]
        mov r8d, dword ptr [rsp + MSG_CELL]
        mov r9, qword ptr [rsp + WPARAM_CELL]
        mov rax, qword ptr [rsp + LPARAM_CELL]
        mov qword ptr [rsp + 0x20], rax
        call qword ptr [rbx + CALL_WINDOW_PROC]
        mov qword ptr [rsp + RESULT], rax
# 6. After side: skipped when handled; after entries lie behind the before entries.
        cmp dword ptr [rsp + HANDLED], 0
        jne finish
        mov rcx, qword ptr [rbx + AFTER_COUNT]
        test rcx, rcx
        je finish
        js after_hit
        mov r10, qword ptr [rbx + AFTER_ENTRIES]
        mov edx, dword ptr [rsp + MSG_CELL]
scan_after:
        cmp edx, dword ptr [r10 + rcx*4 - 4]
        je after_hit
        dec rcx
        jne scan_after
        jmp finish
# 7. The probe again, then AfterMsg through the owner checks.
after_hit:
        mov rax, qword ptr [rbx + PROBE]
        test rax, rax
        je after_owner
        call rax
        cmp eax, 2
        je finish
after_owner:
        mov rcx, qword ptr [rbx + OWNER]
        test rcx, rcx
        je finish
        cmp qword ptr [rcx], 0
        je finish
        lea rdx, [rsp + HANDLED]
        mov r8d, 1
        call qword ptr [rbx + DISPATCH]
# 8. WM_NCDESTROY (as received): clear the window word, mark the block dead.
finish:
        cmp dword ptr [rsp + ORIGINAL_MSG], WM_NCDESTROY
        jne leave_frame
        xor eax, eax
        mov qword ptr [rbx + HWND_WORD], rax
        mov qword ptr [rbx + DEAD], 1
# The outermost frame of a dead block frees it on the way out.
leave_frame:
        dec qword ptr [rbx + DEPTH]
        jne return
        cmp qword ptr [rbx + DEAD], 0
        jne release
# 9. Return the result cell.
return:
        mov rax, qword ptr [rsp + RESULT]
        add rsp, 0x60
        pop rbx
        ret
# Tail-jump to ReleaseEntry(block, result) with the caller's return address on top.
release:
        lea rcx, [rip + block]
        mov rdx, qword ptr [rsp + RESULT]
        mov rax, qword ptr [rbx + RELEASE]
        add rsp, 0x60
        pop rbx
        jmp rax
# Padding up to the data words.
        int3
        int3
        int3
        int3
data:
