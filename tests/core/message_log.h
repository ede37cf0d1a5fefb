#pragma once
// A test window that records every message its procedure receives, and the comparison of that
// record with an expected sequence written as a plain array.

#include <windows.h>

#include <gtest/gtest.h>

const int MAX_LOGGED = 64;

struct LoggedMessage {
    UINT message;
    WPARAM wParam;
};

struct MessageLog {
    LoggedMessage entries[MAX_LOGGED];
    int count;
};

extern MessageLog messageLog;
// What the recording procedure returns for WM_ERASEBKGND; -1: whatever DefWindowProcA returns.
extern LRESULT eraseResult;
// Called by the recording procedure after logging, if set; its result replaces DefWindowProcA's.
extern LRESULT (*messageHook)(HWND, UINT, WPARAM, LPARAM, bool* handled);

// Resets the layer (headless), registers the recording class "Log" (white background) and clears
// the log.
void StartLoggingLayer();
// A headless window of class "Log" with a 200 x 100 client area.
HWND CreateLoggedWindow(HMENU menu = NULL);
// Runs GetMessageA/DispatchMessageA until it returns 0, at most `limit` messages; the exit code.
int RunMessageLoop(int limit = 100);

::testing::AssertionResult SequenceIs(const UINT* expected, int expectedCount);
template <int N>::testing::AssertionResult SequenceIs(const UINT (&expected)[N]) {
    return SequenceIs(expected, N);
}
