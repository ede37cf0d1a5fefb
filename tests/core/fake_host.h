#pragma once
// A host for testing the layer's core without a display and without sleeping: its clock moves
// only when a test moves it or when the core waits for a deadline, windows are records of what
// the core asked of them, and each character of a text is a small pattern of its own.

#include "../../platform/core/host.h"

#include <string>

const int FAKE_GLYPH_WIDTH = 8;  // logical pixels from one character to the next
const int FAKE_LINE_HEIGHT = 16; // logical pixels

struct FakeWindow {
    HWND window;
    bool visible;
    bool iconic;
    bool destroyed;
    int shownBoxes;   // boxes HostShowPixels was given
    RECT lastShown;   // the bounds of the last call's boxes
    int textCalls;    // times HostClientText was called
    std::string text; // its last lines
};

// Starts the clock anew, forgets the windows, and opens the display from now on.
void ResetFakeHost();
void AdvanceFakeClock(int64_t microseconds);
int64_t FakeClock();
// When false, HostOpen fails as without a display.
void SetFakeDisplay(bool present);
// What the core asked of the host window of this window; NULL if it never had one.
const FakeWindow* FakeWindowOf(HWND window);
// An event the host hands the core at its next wait, as a host takes in input.
void QueueFakeEvent(void (*event)(HWND), HWND window);
// Called when the core would wait for an event that never comes, in place of aborting (for a
// driver that cannot tell beforehand whether GetMessageA will find a message); NULL: abort.
// ResetFakeHost clears it.
void SetFakeIdleEvent(void (*event)());
