#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/form.h"
#include "test_env.h"
#include "thunk_test_window.h"
#include "window/subclassing_thunk.h"

namespace {

using sb::cSubclassingThunk;
using sbtest::RecordingSink;
using sbtest::RecordingWindow;

uintptr_t Word(cSubclassingThunk& t, cSubclassingThunk::ThunkWord w) {
  auto* base = static_cast<unsigned char*>(t.ThunkAddress()) + cSubclassingThunk::kDataOffset;
  return reinterpret_cast<uintptr_t*>(base)[w];
}

const int32_t* Table(cSubclassingThunk& t) {
  return reinterpret_cast<const int32_t*>(Word(t, cSubclassingThunk::kWordTable));
}

TEST(SubclassingThunkLists, AddRemoveAndHasFollowTheirResults) {
  cSubclassingThunk t;
  EXPECT_TRUE(t.AddBeforeMsgs(WM_APP + 1, WM_APP + 2));
  EXPECT_FALSE(t.AddBeforeMsgs(WM_APP + 2));
  // Three messages, one already present: the other two are added, the result is False.
  EXPECT_FALSE(t.AddBeforeMsgs(WM_APP + 3, WM_APP + 1, WM_APP + 4));
  EXPECT_TRUE(t.HasBeforeMsgs(WM_APP + 3));
  EXPECT_TRUE(t.HasBeforeMsgs(WM_APP + 4));
  EXPECT_TRUE(t.AddBeforeMsgs());
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordBeforeCount), 4u);
  const int32_t* table = Table(t);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0], WM_APP + 1);
  EXPECT_EQ(table[1], WM_APP + 2);
  EXPECT_EQ(table[2], WM_APP + 3);
  EXPECT_EQ(table[3], WM_APP + 4);

  EXPECT_FALSE(t.RemoveBeforeMsg(WM_APP + 9));
  EXPECT_TRUE(t.RemoveBeforeMsg(WM_APP + 2));
  EXPECT_FALSE(t.HasBeforeMsgs(WM_APP + 2));
  EXPECT_FALSE(t.RemoveBeforeMsg(WM_APP + 2));
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordBeforeCount), 3u);
  EXPECT_EQ(Table(t)[1], WM_APP + 3);  // later entries moved down

  // The after list is its own list.
  EXPECT_FALSE(t.HasAfterMsgs(WM_APP + 1));
  EXPECT_TRUE(t.AddAfterMsgs(WM_APP + 1));
  EXPECT_FALSE(t.AddAfterMsgs(WM_APP + 1));
  EXPECT_TRUE(t.HasAfterMsgs(WM_APP + 1));
  EXPECT_TRUE(t.HasBeforeMsgs(WM_APP + 1));
  EXPECT_TRUE(t.RemoveAfterMsg(WM_APP + 1));
  EXPECT_FALSE(t.RemoveAfterMsg(WM_APP + 1));
  EXPECT_TRUE(t.HasBeforeMsgs(WM_APP + 1));

  // The all-messages flags are not list membership.
  t.AllBeforeMsgs(true);
  EXPECT_TRUE(t.AllBeforeMsgs());
  EXPECT_FALSE(t.HasBeforeMsgs(WM_APP + 50));
}

TEST(SubclassingThunkLists, TableHoldsBeforeThenAfterEntriesAndVanishesWhenEmpty) {
  cSubclassingThunk t;
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordTable), 0u);
  t.AddAfterMsgs(WM_APP + 7, WM_APP + 8);
  t.AddBeforeMsgs(WM_APP + 1);
  const int32_t* table = Table(t);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0], WM_APP + 1);
  EXPECT_EQ(table[1], WM_APP + 7);
  EXPECT_EQ(table[2], WM_APP + 8);
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordAfterEntries), reinterpret_cast<uintptr_t>(table + 1));
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordAfterCount), 2u);

  t.AllAfterMsgs(true);
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordAfterCount), static_cast<uintptr_t>(-1));
  EXPECT_TRUE(t.HasAfterMsgs(WM_APP + 7));  // the list stays in all-messages mode
  t.AllAfterMsgs(false);
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordAfterCount), 2u);

  EXPECT_TRUE(t.RemoveBeforeMsg(WM_APP + 1));
  EXPECT_TRUE(t.RemoveAfterMsg(WM_APP + 7));
  EXPECT_NE(Word(t, cSubclassingThunk::kWordTable), 0u);
  EXPECT_TRUE(t.RemoveAfterMsg(WM_APP + 8));
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordTable), 0u);
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordBeforeCount), 0u);
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordAfterCount), 0u);
}

TEST(SubclassingThunkLists, TagKeepsAnyValue) {
  cSubclassingThunk t;
  EXPECT_FALSE(t.Tag().has_value());
  t.Tag(std::wstring(L"列表"));
  EXPECT_EQ(std::any_cast<std::wstring>(t.Tag()), L"列表");
  auto shared = std::make_shared<int>(5);
  t.Tag(shared);
  EXPECT_EQ(shared.use_count(), 2);
  t.Tag(0);
  EXPECT_EQ(shared.use_count(), 1);
}

class SubclassingThunkWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    baseBlocks_ = cSubclassingThunk::LiveBlocks();
    ASSERT_NE(win_.hwnd(), nullptr);
  }
  long baseBlocks_ = 0;
  RecordingWindow win_;
  RecordingSink sink_;
};

TEST_F(SubclassingThunkWindow, SubclassInstallsTheBlockAndUnsubclassRestores) {
  cSubclassingThunk t;
  EXPECT_FALSE(t.Unsubclass());
  EXPECT_EQ(t.CallOrigWndProc(WM_APP, 1, 2), 0);
  EXPECT_EQ(t.hwnd(), nullptr);
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  EXPECT_EQ(t.hwnd(), win_.hwnd());
  EXPECT_EQ(GetWindowLongPtrW(win_.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(t.ThunkAddress()));
  EXPECT_EQ(Word(t, cSubclassingThunk::kWordProbe), 0u);  // no development environment here
  EXPECT_FALSE(t.Subclass(win_.hwnd(), &sink_));
  RecordingWindow other;
  EXPECT_FALSE(t.Subclass(other.hwnd(), &sink_));
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_ + 1);

  // Nothing asked for: the window works as before and the owner hears nothing.
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 3, 41, 0), 42);
  EXPECT_EQ(t.CallOrigWndProc(WM_APP + 4, 9, 0), 10);
  EXPECT_TRUE(win_.Saw(WM_APP + 4));
  EXPECT_TRUE(sink_.calls.empty());

  EXPECT_TRUE(t.Unsubclass());
  EXPECT_EQ(t.hwnd(), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(win_.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(win_.proc()));
  EXPECT_FALSE(t.Unsubclass());
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
}

TEST_F(SubclassingThunkWindow, RejectsWhatIsNotAWindow) {
  cSubclassingThunk t;
  EXPECT_FALSE(t.Subclass(reinterpret_cast<HWND>(0x1234), &sink_));
  EXPECT_EQ(t.hwnd(), nullptr);
  EXPECT_FALSE(t.Unsubclass());
}

TEST_F(SubclassingThunkWindow, UnaskedMessagesNeverReachTheOwner) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1);
  t.AddAfterMsgs(WM_APP + 2);
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  for (UINT m = WM_APP; m < WM_APP + 40; ++m) SendMessageW(win_.hwnd(), m, 0, 0);
  SetWindowPos(win_.hwnd(), nullptr, 10, 10, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(win_.hwnd(), nullptr, TRUE);
  UpdateWindow(win_.hwnd());
  ASSERT_EQ(sink_.calls.size(), 2u);
  EXPECT_FALSE(sink_.calls[0].after);
  EXPECT_EQ(sink_.calls[0].msg, WM_APP + 1u);
  EXPECT_TRUE(sink_.calls[1].after);
  EXPECT_EQ(sink_.calls[1].msg, WM_APP + 2u);
  EXPECT_EQ(sink_.calls[1].lReturn, 1);  // the previous procedure's result
  EXPECT_TRUE(win_.Saw(WM_APP + 39));
  EXPECT_TRUE(win_.Saw(WM_WINDOWPOSCHANGED));
}

TEST_F(SubclassingThunkWindow, HandledBeforeMsgReturnsItsResultAlone) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1, WM_APP + 2);
  t.AddAfterMsgs(WM_APP + 1, WM_APP + 2);
  sink_.onBefore = [](BOOL& handled, LRESULT& result, HWND&, UINT& msg, WPARAM&, LPARAM&) {
    if (msg == WM_APP + 1) {
      handled = 7;  // any non-zero value
      result = -123456789012LL;
    }
  };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 5, 0), -123456789012LL);
  EXPECT_FALSE(win_.Saw(WM_APP + 1));
  EXPECT_EQ(sink_.Count(false, WM_APP + 1), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 1), 0);

  // Not handled: both halves run around the previous procedure.
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 2, 5, 0), 6);
  EXPECT_TRUE(win_.Saw(WM_APP + 2));
  EXPECT_EQ(sink_.Count(false, WM_APP + 2), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 2), 1);
}

TEST_F(SubclassingThunkWindow, BeforeMsgChangesReachThePreviousProcedureAndAfterMsg) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1);
  t.AddAfterMsgs(WM_APP + 1, WM_APP + 9);
  const LPARAM bigParam = static_cast<LPARAM>(0x1122334455667788LL);
  sink_.onBefore = [&](BOOL&, LRESULT&, HWND&, UINT& msg, WPARAM& wp, LPARAM& lp) {
    if (msg != WM_APP + 1) return;
    wp = 0xABCDEF0123ULL;  // pointer-sized values pass whole
    lp = bigParam;
    msg = WM_APP + 9;
  };
  sink_.onAfter = [](LRESULT& result, UINT msg) { result *= 2; };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 1, 2), (0xABCDEF0123LL + 1) * 2);
  ASSERT_FALSE(win_.seen.empty());
  EXPECT_EQ(win_.seen.back().msg, WM_APP + 9u);
  EXPECT_EQ(win_.seen.back().wParam, 0xABCDEF0123ULL);
  EXPECT_EQ(win_.seen.back().lParam, bigParam);
  ASSERT_EQ(sink_.Count(true, WM_APP + 9), 1);
  EXPECT_EQ(sink_.calls.back().wParam, 0xABCDEF0123ULL);
  EXPECT_EQ(sink_.calls.back().lParam, bigParam);
  EXPECT_EQ(sink_.calls.back().lReturn, 0xABCDEF0123LL + 1);
}

TEST_F(SubclassingThunkWindow, AllBeforeStillFindsTheAfterEntries) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1, WM_APP + 2, WM_APP + 3);
  t.AddAfterMsgs(WM_APP + 20);
  t.AllBeforeMsgs(true);
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  SendMessageW(win_.hwnd(), WM_APP + 20, 0, 0);
  SendMessageW(win_.hwnd(), WM_APP + 21, 0, 0);
  EXPECT_EQ(sink_.Count(false, WM_APP + 20), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 20), 1);
  EXPECT_EQ(sink_.Count(false, WM_APP + 21), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 21), 0);
  EXPECT_EQ(sink_.Count(true, WM_APP + 1), 0);

  t.AllAfterMsgs(true);
  SendMessageW(win_.hwnd(), WM_APP + 22, 0, 0);
  EXPECT_EQ(sink_.Count(true, WM_APP + 22), 1);
}

TEST_F(SubclassingThunkWindow, ListChangesInsideACallbackApplyToTheSameMessage) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1);
  sink_.onBefore = [&](BOOL&, LRESULT&, HWND&, UINT& msg, WPARAM&, LPARAM&) {
    t.AddAfterMsgs(WM_APP + 1, WM_APP + 2, WM_APP + 3);
    t.RemoveBeforeMsg(WM_APP + 1);
  };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  SendMessageW(win_.hwnd(), WM_APP + 1, 0, 0);
  EXPECT_EQ(sink_.Count(false, WM_APP + 1), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 1), 1);
  SendMessageW(win_.hwnd(), WM_APP + 1, 0, 0);
  EXPECT_EQ(sink_.Count(false, WM_APP + 1), 1);
  EXPECT_EQ(sink_.Count(true, WM_APP + 1), 2);
}

TEST_F(SubclassingThunkWindow, AnOwnerExceptionStaysInsideTheCallback) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1);
  sink_.onBefore = [](BOOL&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) { throw std::runtime_error("owner"); };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 3, 0), 4);
  EXPECT_TRUE(win_.Saw(WM_APP + 1));
}

TEST_F(SubclassingThunkWindow, PausedDevelopmentEnvironmentSilencesTheOwner) {
  HMODULE vba = LoadLibraryW((sb::AppFolder() + L"\\vba6.dll").c_str());
  ASSERT_NE(vba, nullptr);
  auto setMode = reinterpret_cast<void (*)(int)>(GetProcAddress(vba, "SetEbMode"));
  ASSERT_NE(setMode, nullptr);
  {
    cSubclassingThunk t;
    t.AddBeforeMsgs(WM_APP + 1);
    t.AddAfterMsgs(WM_APP + 1);
    sink_.onBefore = [](BOOL& handled, LRESULT& result, HWND&, UINT&, WPARAM&, LPARAM&) {
      handled = TRUE;
      result = 77;
    };
    ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
    EXPECT_EQ(Word(t, cSubclassingThunk::kWordProbe),
              reinterpret_cast<uintptr_t>(GetProcAddress(vba, "EbMode")));
    setMode(1);  // running
    EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 1, 0), 77);
    EXPECT_EQ(sink_.calls.size(), 1u);
    setMode(2);  // paused: no callback either side, the previous procedure answers
    EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 1, 0), 2);
    EXPECT_EQ(sink_.calls.size(), 1u);
    EXPECT_TRUE(win_.Saw(WM_APP + 1));
    setMode(0);
    EXPECT_TRUE(t.Unsubclass());
  }
  FreeLibrary(vba);
}

// A second subclasser written the ordinary way, sitting above the block.
WNDPROC g_aboveNext = nullptr;
int g_aboveCalls = 0;
LRESULT CALLBACK AboveProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ++g_aboveCalls;
  return CallWindowProcW(g_aboveNext, hwnd, msg, wp, lp);
}

TEST_F(SubclassingThunkWindow, UnsubclassBelowAnotherSubclasserLeavesAPassThrough) {
  auto t = std::make_unique<cSubclassingThunk>();
  t->AddBeforeMsgs(WM_APP + 1);
  ASSERT_TRUE(t->Subclass(win_.hwnd(), &sink_));
  g_aboveCalls = 0;
  g_aboveNext = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(win_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AboveProc)));
  EXPECT_TRUE(t->Unsubclass());
  EXPECT_EQ(GetWindowLongPtrW(win_.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&AboveProc));
  t.reset();  // the block no longer belongs to the instance
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_ + 1);

  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 10, 0), 11);
  EXPECT_TRUE(win_.Saw(WM_APP + 1));
  EXPECT_GT(g_aboveCalls, 0);
  EXPECT_TRUE(sink_.calls.empty());

  win_.Destroy();
  EXPECT_TRUE(win_.Saw(WM_NCDESTROY));
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
}

TEST_F(SubclassingThunkWindow, DestroyedWindowThenUnsubclassFreesNothingTwice) {
  cSubclassingThunk t;
  t.AddAfterMsgs(WM_NCDESTROY);
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  HWND old = win_.hwnd();
  win_.Destroy();
  EXPECT_EQ(sink_.Count(true, WM_NCDESTROY), 1);
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
  EXPECT_EQ(t.hwnd(), old);  // kept until Unsubclass
  EXPECT_TRUE(t.Unsubclass());
  EXPECT_EQ(t.hwnd(), nullptr);
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
  // The instance can serve another window afterwards.
  RecordingWindow next;
  EXPECT_TRUE(t.Subclass(next.hwnd(), &sink_));
}

TEST_F(SubclassingThunkWindow, DestroyFromInsideAMessageFreesTheBlockOnlyOnTheWayOut) {
  // WM_CLOSE reaches DefWindowProc through the block, which destroys the window:
  // WM_NCDESTROY arrives while the WM_CLOSE frame of the same block is still running.
  cSubclassingThunk t;
  t.AddAfterMsgs(WM_CLOSE, WM_NCDESTROY);
  long liveDuringClose = -1;
  sink_.onAfter = [&](LRESULT&, UINT msg) {
    if (msg == WM_CLOSE) liveDuringClose = cSubclassingThunk::LiveBlocks();
  };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  SendMessageW(win_.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(win_.hwnd()));
  ASSERT_EQ(sink_.Count(true, WM_NCDESTROY), 1);
  ASSERT_EQ(sink_.Count(true, WM_CLOSE), 1);
  EXPECT_EQ(liveDuringClose, baseBlocks_ + 1);
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
  EXPECT_TRUE(t.Unsubclass());
}

TEST_F(SubclassingThunkWindow, UnsubclassFromInsideItsOwnCallback) {
  cSubclassingThunk t;
  t.AddBeforeMsgs(WM_APP + 1);
  t.AddAfterMsgs(WM_APP + 1);
  sink_.onBefore = [&](BOOL&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) { EXPECT_TRUE(t.Unsubclass()); };
  ASSERT_TRUE(t.Subclass(win_.hwnd(), &sink_));
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 1, 0), 2);
  EXPECT_EQ(sink_.Count(true, WM_APP + 1), 0);  // the owner is gone for the rest of the message
  EXPECT_EQ(GetWindowLongPtrW(win_.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(win_.proc()));
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
  EXPECT_EQ(SendMessageW(win_.hwnd(), WM_APP + 1, 4, 0), 5);
}

TEST_F(SubclassingThunkWindow, TwoInstancesOnOneWindowInBothOrders) {
  for (bool firstOutFirst : {true, false}) {
    SCOPED_TRACE(firstOutFirst ? "lower instance out first" : "upper instance out first");
    RecordingWindow w;
    RecordingSink lowerSink, upperSink;
    cSubclassingThunk lower, upper;
    lower.AddBeforeMsgs(WM_APP + 1);
    upper.AddBeforeMsgs(WM_APP + 1);
    ASSERT_TRUE(lower.Subclass(w.hwnd(), &lowerSink));
    ASSERT_TRUE(upper.Subclass(w.hwnd(), &upperSink));
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_APP + 1, 1, 0), 2);
    EXPECT_EQ(upperSink.calls.size(), 1u);
    EXPECT_EQ(lowerSink.calls.size(), 1u);

    cSubclassingThunk& first = firstOutFirst ? lower : upper;
    cSubclassingThunk& second = firstOutFirst ? upper : lower;
    RecordingSink& firstSink = firstOutFirst ? lowerSink : upperSink;
    RecordingSink& secondSink = firstOutFirst ? upperSink : lowerSink;
    EXPECT_TRUE(first.Unsubclass());
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_APP + 1, 2, 0), 3);
    EXPECT_EQ(firstSink.calls.size(), 1u);
    EXPECT_EQ(secondSink.calls.size(), 2u);
    EXPECT_TRUE(second.Unsubclass());
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_APP + 1, 3, 0), 4);
    EXPECT_EQ(firstSink.calls.size() + secondSink.calls.size(), 3u);
    if (!firstOutFirst) {
      EXPECT_EQ(GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(w.proc()));
      EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
    }
    w.Destroy();
    EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
  }
}

TEST_F(SubclassingThunkWindow, ChurnOfTenThousandWindowsLeaksNoBlock) {
  int heard = 0;
  for (int i = 0; i < 10000; ++i) {
    HWND h = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, win_.hwnd(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(h, nullptr) << i;
    RecordingSink sink;
    cSubclassingThunk t;
    t.AddBeforeMsgs(WM_SETTEXT);
    t.AddAfterMsgs(WM_NCDESTROY);
    ASSERT_TRUE(t.Subclass(h, &sink));
    SetWindowTextW(h, L"x");
    DestroyWindow(h);
    if (i % 2) t.Unsubclass();  // the other half through the destructor
    heard += sink.Count(false, WM_SETTEXT) + sink.Count(true, WM_NCDESTROY);
  }
  EXPECT_EQ(heard, 20000);
  EXPECT_EQ(cSubclassingThunk::LiveBlocks(), baseBlocks_);
}

}  // namespace
