// The tests' front-end over the virtual desktop, for the platform's, the toolkit's and the
// whole system's tests: the desktop's own controls (vdesk_control.h), a window class that
// records what it receives, the thread's queue, and what the desktop recorded.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "vdesk_control.h"

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
    void TearDown() override { VdeskReset(); }
};

// A WS_OVERLAPPEDWINDOW window of the recording class whose client area is 600 x 500 with its
// corner at (104, 122) (outer rectangle 100, 99, 708, 626), shown only when extraStyle holds
// WS_VISIBLE.
HWND CreateTestWindow(DWORD extraStyle = 0, LPVOID param = nullptr);
// The same, shown, with the messages of creation and showing forgotten and its first paint
// validated, so that a test starts from an idle queue.
HWND CreateShownWindow(void);

// Tests on a fresh desktop with a window shown (CreateShownWindow).
class ShownWindowTest : public DesktopTest {
  protected:
    void SetUp() override {
        DesktopTest::SetUp();
        window = CreateShownWindow();
    }
    HWND window = nullptr;
};

// Every message seen, in order, as text: "name wParam low high" with
// lParam's two halves as signed 16-bit numbers ("size 0 600 500", "activate 1 0 0"), the name
// alone where the parameters are pointers or handles ("create"), the number for a message
// without a name here ("512 0 -10 20").
std::vector<std::string> Trace(void);

// Whether a message in [first, last] (0, 0: any) is waiting; it stays waiting.
bool MessagePending(UINT first, UINT last);
// Takes the waiting messages in [first, last] away without dispatching them and returns how
// many; without a range every one up to a paint or the quit, which stay waiting.
int DiscardMessages(UINT first = 0, UINT last = 0);
// Removes, translates and dispatches every waiting message up to the quit (left waiting);
// at most 1000, so that a window that keeps asking for work cannot hang the test.
void DispatchWaiting(void);
// Takes every waiting message, translating key messages; returns the characters typed.
std::string Typed(void);

// A message box the program showed; the desktop answered it with OK.
struct DeskMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<DeskMessageBox> DeskMessageBoxes(void);
// The platform's calls since the reset, by name, in order ("SetSysColors", "DeleteObject").
std::vector<std::string> DeskCallLog(void);
