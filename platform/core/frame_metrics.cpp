// Frame metrics: what a window's frame, caption and menu bar add around its client area, and
// AdjustWindowRectEx.
//
// The figures are Wine's defaults: caption 19, fixed frame 3, sizing frame 4, menu bar 19
// pixels. The window manager draws the caption and frame outside the GTK window, so these decide
// only how much of the outer size given to CreateWindowExA is client area.

#include "core.h"

namespace {
const int CAPTION_HEIGHT = 19;
const int FIXED_FRAME = 3;
const int SIZING_FRAME = 4;
const DWORD STYLE_BORDER = 0x00800000;
const DWORD STYLE_DLGFRAME = 0x00400000;

// Win32 wraps around past the ends of a LONG; so does this, without overflowing.
LONG Moved(LONG side, int by) {
    return static_cast<LONG>(static_cast<uint32_t>(side) + static_cast<uint32_t>(by));
}
} // namespace

void FrameInsets(DWORD style, bool menu, RECT* insets) {
    int border = 0;
    if (style & WS_THICKFRAME)
        border = SIZING_FRAME;
    else if (style & STYLE_DLGFRAME)
        border = FIXED_FRAME;
    else if (style & STYLE_BORDER)
        border = 1;
    insets->left = insets->right = insets->bottom = border;
    insets->top = border + ((style & WS_CAPTION) == WS_CAPTION ? CAPTION_HEIGHT : 0) +
                  (menu ? MENU_BAR_HEIGHT : 0);
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD) {
    if (rect == NULL)
        return FALSE;
    RECT insets;
    FrameInsets(style, menu != FALSE, &insets);
    rect->left = Moved(rect->left, -insets.left);
    rect->top = Moved(rect->top, -insets.top);
    rect->right = Moved(rect->right, insets.right);
    rect->bottom = Moved(rect->bottom, insets.bottom);
    return TRUE;
}
