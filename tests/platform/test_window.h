// Windows for the platform's own tests: a class whose procedure records every message it
// receives and then leaves it to DefWindowProc, unless the test's reaction handles it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

struct SeenMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message the recording procedure received, in order.
extern std::vector<SeenMessage> seen;

// Called for each message after it is recorded; returns nonzero when it handled the message
// (its result in *result), zero to leave it to DefWindowProc.
typedef int (*Reaction)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
extern Reaction reaction;

// A fresh virtual desktop with the recording class registered; clears `seen` and `reaction`.
void StartDesktop(void);

// Tests on a fresh desktop; whatever windows a test leaves are destroyed after it.
class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override { StartDesktop(); }
    void TearDown() override;
};

// A WS_OVERLAPPEDWINDOW window whose client area is 600 x 500 with its corner at (104, 122)
// (outer rectangle 100, 99, 708, 626), shown only when extraStyle holds WS_VISIBLE.
HWND CreateTestWindow(DWORD extraStyle = 0, LPVOID param = nullptr);
// The same, shown, with the messages of creation and showing forgotten and its first paint
// validated, so that a test starts from an idle queue.
HWND CreateShownWindow(void);

// Every message seen, in order, as text: "name wParam low high" with
// lParam's two halves as signed 16-bit numbers ("size 0 600 500", "activate 1 0 0"), the name
// alone where the parameters are pointers or handles ("create"), the number for a message
// without a name here ("512 0 -10 20").
std::vector<std::string> Trace(void);
// Takes every waiting message away without dispatching it; returns how many.
int DiscardMessages(void);
// Removes, translates and dispatches every waiting message except WM_QUIT (left waiting).
void DispatchWaiting(void);
