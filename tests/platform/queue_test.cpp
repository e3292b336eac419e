// The thread's message queue: order of posted, sent, quit and paint messages, filters,
// no-remove peeks, broadcasts and messages for windows destroyed while dispatching.
#include <gtest/gtest.h>

#include <algorithm>

#include "desk.h"

namespace {

class Queue : public DesktopTest {};

TEST_F(Queue, PostedMessagesInOrderThenQuitThenPaint) {
    HWND window = CreateShownWindow();
    ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 11, 12));
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(PostMessageA(window, WM_USER + 2, 21, 22));
    PostQuitMessage(7);

    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, 12);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    // The paint is still pending once the quit is taken.
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(msg.hwnd, window);
}

TEST_F(Queue, QuitWaitsForMessagesPostedAfterIt) {
    HWND window = CreateShownWindow();
    PostQuitMessage(0);
    PostMessageA(window, WM_USER, 0, 0);
    PostMessageA(nullptr, WM_USER + 1, 0, 0); // a thread message, for no window
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(MessagePending(0, 0));
}

TEST_F(Queue, PostedMessagesComeAheadOfInputThatArrivedEarlier) {
    CreateShownWindow();
    VdeskPressKey('A');
    PostMessageA(nullptr, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    // The character is posted too: after what was posted before it, ahead of the release.
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    TranslateMessage(&msg);
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_CHAR, WM_KEYUP}));
}

LRESULT answer = 0;
int SendsAnother(HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_USER + 5) {
        // Sent from within a sent message: runs at once, nested.
        answer = SendMessageA(window, WM_USER + 6, 0, 0);
        *result = 99;
        return 1;
    }
    if (message == WM_USER + 6) {
        *result = 42;
        return 1;
    }
    return 0;
}

TEST_F(Queue, SentMessagesRunBeforeTheCallReturnsAndBypassTheQueue) {
    HWND window = CreateShownWindow();
    reaction = SendsAnother;
    PostMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(SendMessageA(window, WM_USER + 5, 3, 4), 99);
    EXPECT_EQ(answer, 42);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(seen[0].wParam, 3u);
    EXPECT_EQ(seen[0].lParam, 4);
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_USER + 6));
    // Only the posted message waits.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(MessagePending(0, 0));
}

int PaintsProperly(HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        *result = 0;
        return 1;
    }
    return 0;
}

int IgnoresPaint(HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    *result = 0;
    return message == WM_PAINT;
}

TEST_F(Queue, PaintIsOneMessageThatStaysUntilTheWindowIsValidated) {
    HWND window = CreateShownWindow();
    MSG msg;
    EXPECT_FALSE(MessagePending(0, 0)); // nothing invalid, no paint

    RECT part{10, 10, 20, 20};
    InvalidateRect(window, &part, FALSE);
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(msg.hwnd, window);
    // Neither a removing peek nor a dispatch that does not paint takes it away.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    reaction = IgnoresPaint;
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));

    // BeginPaint and EndPaint validate: the two invalidations were one paint.
    reaction = PaintsProperly;
    DispatchMessageA(&msg);
    EXPECT_FALSE(MessagePending(0, 0));

    // DefWindowProc validates too.
    reaction = nullptr;
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&msg);
    EXPECT_FALSE(MessagePending(0, 0));
}

TEST_F(Queue, FiltersSelectByWindowAndRangeAndNoRemoveLeavesTheMessage) {
    HWND first = CreateShownWindow();
    HWND second = CreateShownWindow();
    PostMessageA(first, WM_USER + 1, 1, 0);
    PostMessageA(second, WM_USER + 2, 2, 0);
    PostMessageA(first, WM_USER + 3, 3, 0);
    PostMessageA(nullptr, WM_USER + 4, 4, 0);

    MSG msg;
    // A window filter passes only that window's messages.
    ASSERT_TRUE(PeekMessageA(&msg, second, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageA(&msg, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_FALSE(PeekMessageA(&msg, second, 0, 0, PM_NOREMOVE));
    // A range skips earlier messages outside it; both bounds are included.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, first, WM_USER + 2, WM_USER + 4, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    // What is left comes out in the order posted.
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(MessagePending(0, 0));
}

int QuitsOnDestroy(HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        *result = 0;
        return 1;
    }
    return 0;
}

TEST_F(Queue, QuitPostedByADestroyedWindowCanBeFoundAndDiscarded) {
    // What an open that fails after creating its window does to leave no quit behind.
    reaction = QuitsOnDestroy;
    HWND window = CreateTestWindow();
    PostMessageA(window, WM_USER, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    // The destroyed window's message went with it.
    EXPECT_FALSE(MessagePending(0, 0));
}

int DestroysOnFirstUserMessage(HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_USER) {
        EXPECT_TRUE(DestroyWindow(window));
        // WM_DESTROY reached the window before DestroyWindow returned.
        EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_NCDESTROY));
        *result = 0;
        return 1;
    }
    return 0;
}

TEST_F(Queue, WindowDestroyedWhileDispatchingLosesItsWaitingMessages) {
    HWND doomed = CreateShownWindow();
    HWND other = CreateShownWindow();
    reaction = DestroysOnFirstUserMessage;
    PostMessageA(doomed, WM_USER, 0, 0);
    PostMessageA(doomed, WM_USER + 1, 0, 0);
    PostMessageA(other, WM_USER + 2, 0, 0);
    PostMessageA(doomed, WM_USER + 3, 0, 0);

    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    MSG kept = msg;
    DispatchMessageA(&msg);
    EXPECT_EQ(Trace(),
              (std::vector<std::string>{"1024 0 0 0", "destroy 0 0 0", "ncdestroy 0 0 0"}));
    EXPECT_FALSE(IsWindow(doomed));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(msg.hwnd, other);
    EXPECT_FALSE(MessagePending(0, 0));

    // Later posts fail, and a kept message dispatches to nothing.
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(doomed, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    size_t before = seen.size();
    EXPECT_EQ(DispatchMessageA(&kept), 0);
    EXPECT_EQ(seen.size(), before);
}

TEST_F(Queue, BroadcastReachesEveryTopLevelWindowOnce) {
    HWND first = CreateShownWindow();
    HWND second = CreateShownWindow();
    HWND hidden = CreateTestWindow();
    seen.clear();
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, WM_USER + 7, 70, 71));
    EXPECT_EQ(VdeskQueuedCount(nullptr, WM_USER + 7), 3);
    DispatchWaiting();
    std::vector<HWND> reached;
    for (const SeenMessage& s : seen) {
        if (s.message == WM_USER + 7) {
            EXPECT_EQ(s.wParam, 70u);
            EXPECT_EQ(s.lParam, 71);
            reached.push_back(s.window);
        }
    }
    std::sort(reached.begin(), reached.end());
    std::vector<HWND> all{first, second, hidden};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(reached, all);

    seen.clear();
    SendMessageA(HWND_BROADCAST, WM_USER + 8, 0, 0);
    EXPECT_EQ(Trace().size(), 3u); // sent: already there on return
}

} // namespace
