// Drives the layer's core on the fake host through any sequence of the calls <windows.h> and the
// testing hooks declare: classes, windows (some refusing WM_CREATE), menus, showing, timers,
// invalidation, posting, the loop with filters, painting with brushes and text, keys, the close
// box, scale changes, the clock and wsprintfA. Handles may be stale or of another kind. Window
// procedures react to their messages as the input chose, by destroying windows, killing timers,
// posting, invalidating, painting or running a loop of their own, as a program may. The
// sanitizers and the fake host's checks catch what goes wrong; the layer is reset after each
// input, so that LeakSanitizer sees whatever it fails to free.
//
// The input is read from the front: an operation's byte, then its arguments; missing bytes are 0.
// make_layer_seeds.py writes seeds in this encoding, so the operation numbers are kept.

#include "tests/core/fake_host.h"

#include <win32_testing.h>
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool Done() const {
        return at >= size;
    }
    uint8_t Byte() {
        return at < size ? data[at++] : 0;
    }
    uint32_t U32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; i++)
            value |= static_cast<uint32_t>(Byte()) << (8 * i);
        return value;
    }
    int Coordinate() { // mostly small, sometimes extreme
        static const int EXTREMES[] = {INT32_MIN, INT32_MAX, -1, 0, 1 << 30, -(1 << 30), 32767};
        uint8_t choice = Byte();
        if (choice >= 0xF8)
            return EXTREMES[choice % 7];
        return static_cast<int>(Byte()) + static_cast<int>(choice) * 2 - 300;
    }
    // Up to 255 bytes of text, ended; its length in `length`.
    const char* Text(int* length) {
        static char text[256];
        int n = Byte();
        int i = 0;
        for (; i < n && !Done(); i++)
            text[i] = static_cast<char>(Byte());
        text[i] = '\0';
        *length = i;
        return text;
    }
};

const int SLOTS = 8;
HWND windows[SLOTS];
HMENU menus[SLOTS];
HBRUSH brushes[SLOTS];
PAINTSTRUCT paints[SLOTS];
HWND paintWindows[SLOTS];
UINT_PTR threadTimers[SLOTS];
HDC surfaceDCs[SLOTS];
int nextWindow, nextMenu, nextBrush, nextPaint, nextThreadTimer;

const char* const CLASS_NAMES[] = {"Grid", "grid", "Other", "Refusing"};

// Handles as a program may pass them: live, stale, NULL, or of another kind.
// A device scale in 120ths: mostly 0 to 8 in steps of 1/30, whole and fractional, sometimes far
// outside the range the core clamps to.
int FuzzScale(uint8_t b) {
    return b < 0xF0 ? b * 4 : static_cast<int8_t>(b) * 1000;
}

HWND PickWindow(Input& in) {
    uint8_t b = in.Byte();
    switch (b % 12) {
    case 8: return NULL;
    case 9: return reinterpret_cast<HWND>(menus[b % SLOTS]);
    case 10: return reinterpret_cast<HWND>((uintptr_t{1} << 32) | in.Byte());
    case 11: return reinterpret_cast<HWND>(static_cast<uintptr_t>(in.U32()));
    default: return windows[b % SLOTS];
    }
}

HMENU PickMenu(Input& in) {
    uint8_t b = in.Byte();
    switch (b % 10) {
    case 8: return NULL;
    case 9: return reinterpret_cast<HMENU>(windows[b % SLOTS]);
    default: return menus[b % SLOTS];
    }
}

HBRUSH PickBrush(Input& in) {
    uint8_t b = in.Byte();
    switch (b % 11) {
    case 8: return NULL;
    case 9: return reinterpret_cast<HBRUSH>(uintptr_t{COLOR_WINDOW + 1});
    case 10: return reinterpret_cast<HBRUSH>((uintptr_t{5} << 32)); // the stock white brush
    default: return brushes[b % SLOTS];
    }
}

HDC PickDC(Input& in) {
    uint8_t b = in.Byte();
    switch (b % 20) {
    case 16: return NULL;
    case 17: return reinterpret_cast<HDC>(brushes[b % SLOTS]);
    case 18: return reinterpret_cast<HDC>((uintptr_t{4} << 32) | in.Byte());
    case 19: return reinterpret_cast<HDC>(windows[b % SLOTS]);
    default: return b % 20 < SLOTS ? paints[b % SLOTS].hdc : surfaceDCs[b % SLOTS];
    }
}

UINT PickMessage(Input& in) {
    static const UINT MESSAGES[] = {WM_CREATE,     WM_DESTROY,    WM_PAINT,   WM_CLOSE, WM_QUIT,
                                    WM_ERASEBKGND, WM_SHOWWINDOW, WM_KEYDOWN, WM_KEYUP, WM_COMMAND,
                                    WM_TIMER,      WM_USER,       WM_USER + 1};
    uint8_t b = in.Byte();
    return b < 13 * 16 ? MESSAGES[b % 13] : in.U32();
}

UINT PickInterval(Input& in) {
    static const UINT INTERVALS[] = {0, 1, 10, 16, 100, 1000, USER_TIMER_MAXIMUM, 0xFFFFFFFF};
    uint8_t b = in.Byte();
    return b < 8 * 24 ? INTERVALS[b % 8] : in.U32();
}

RECT PickRect(Input& in) {
    RECT rect;
    rect.left = in.Coordinate();
    rect.top = in.Coordinate();
    rect.right = in.Coordinate();
    rect.bottom = in.Coordinate();
    return rect;
}

// What a window procedure does with a message the input chose, beyond the usual.
enum Action : uint8_t {
    ACT_DEFAULT,
    ACT_DESTROY_SELF,
    ACT_DESTROY_OTHER,
    ACT_KILL_TIMER,
    ACT_SET_TIMER,
    ACT_POST,
    ACT_POST_QUIT,
    ACT_INVALIDATE,
    ACT_INVALIDATE_ALL_WINDOWS,
    ACT_UPDATE,
    ACT_PAINT,
    ACT_LEAVE_INVALID,
    ACT_REFUSE, // -1, and 0 for WM_ERASEBKGND
    ACT_HIDE,
    ACT_SHOW,
    ACT_SCALE,
    ACT_LOOP,
    ACT_CREATE,
    ACT_DELETE_BRUSH,
    ACT_COUNT
};
const UINT REACTING[] = {WM_CREATE,     WM_DESTROY, WM_PAINT,   WM_ERASEBKGND, WM_TIMER,
                         WM_SHOWWINDOW, WM_CLOSE,   WM_COMMAND, WM_KEYDOWN,    WM_USER};
const int REACTIONS = sizeof(REACTING) / sizeof(REACTING[0]);
struct Reaction {
    Action action;
    uint8_t argument;
};
Reaction reactions[REACTIONS];
int depth; // procedures and loops inside one another; the reactions stop a few levels down

void QuitWhenIdle() {
    PostQuitMessage(0);
}

HWND CreateFuzzWindow(const char* className, HMENU menu, int width, int height, DWORD style) {
    // The layer makes the store a program asks for; a window of gigabytes is the program's
    // affair, not the layer's, so keep the area sane and let one side be as odd as it likes.
    long long area = static_cast<long long>(width) * height;
    if (area > (1 << 16) || area < -(1 << 16))
        height = 0;
    return CreateWindowExA(0, className, "Fuzz", style, 10, 10, width, height, NULL, menu, NULL,
                           NULL);
}

void Draw(HDC dc, uint8_t how) {
    HBRUSH brush = CreateSolidBrush(RGB(how, 255 - how, how * 7));
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, how % 50 - 5, how % 30 - 5, how % 50 + 40, how % 30 + 20);
    TextOutA(dc, how % 40, how % 20, "Score 12", 8);
    if (how & 1) // deleting a brush still selected leaves the DC usable
        DeleteObject(brush);
    SelectObject(dc, old);
    if (!(how & 1))
        DeleteObject(brush);
}

void RunLoop(int limit, HWND filter, UINT first, UINT last);

LRESULT React(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Reaction reaction) {
    uint8_t arg = reaction.argument;
    switch (reaction.action) {
    case ACT_DEFAULT: break;
    case ACT_DESTROY_SELF: DestroyWindow(window); return 0;
    case ACT_DESTROY_OTHER: DestroyWindow(windows[arg % SLOTS]); break;
    case ACT_KILL_TIMER: KillTimer(window, arg % 4); break;
    case ACT_SET_TIMER: SetTimer(arg & 4 ? NULL : window, arg % 4, arg, NULL); break;
    case ACT_POST: PostMessageA(arg & 1 ? window : NULL, WM_USER, arg, 0); break;
    case ACT_POST_QUIT: PostQuitMessage(arg); break;
    case ACT_INVALIDATE: {
        RECT rect = {arg % 30, arg % 20, arg, arg / 2};
        InvalidateRect(window, arg & 1 ? &rect : NULL, arg & 2);
        break;
    }
    case ACT_INVALIDATE_ALL_WINDOWS: InvalidateRect(NULL, NULL, arg & 1); break;
    case ACT_UPDATE: UpdateWindow(arg & 1 ? window : windows[arg % SLOTS]); break;
    case ACT_PAINT:
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            Draw(dc, arg);
            if (arg & 2)
                Draw(reinterpret_cast<HDC>(wParam), arg);
            if ((arg & 12) != 12) // and sometimes a program forgets EndPaint
                EndPaint(window, &paint);
            return 0;
        }
        Draw(message == WM_ERASEBKGND ? reinterpret_cast<HDC>(wParam) : NULL, arg);
        break;
    case ACT_LEAVE_INVALID: return 0;
    case ACT_REFUSE: return message == WM_ERASEBKGND ? 0 : -1;
    case ACT_HIDE: ShowWindow(window, SW_HIDE); break;
    case ACT_SHOW: ShowWindow(arg & 1 ? window : windows[arg % SLOTS], SW_SHOW); break;
    case ACT_SCALE: TestingSetWindowScale(window, FuzzScale(arg)); break;
    case ACT_LOOP: RunLoop(arg % 4 + 1, arg & 4 ? window : NULL, 0, arg & 8 ? WM_USER : 0); break;
    case ACT_CREATE:
        windows[nextWindow++ % SLOTS] =
            CreateFuzzWindow(CLASS_NAMES[arg % 4], arg & 4 ? menus[arg % SLOTS] : NULL, arg, arg,
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
        break;
    case ACT_DELETE_BRUSH: DeleteObject(brushes[arg % SLOTS]); break;
    case ACT_COUNT: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FuzzProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Reaction reaction = {ACT_DEFAULT, 0};
    for (int i = 0; i < REACTIONS && depth < 3; i++)
        if (REACTING[i] == message)
            reaction = reactions[i];
    depth++;
    LRESULT result = React(window, message, wParam, lParam, reaction);
    depth--;
    return result;
}

// A procedure that refuses to be made.
LRESULT CALLBACK RefusingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        return -1;
    return FuzzProcedure(window, message, wParam, lParam);
}

void CALLBACK OnTimer(HWND window, UINT, UINT_PTR id, DWORD) {
    if (depth < 3 && (id & 1))
        KillTimer(window, id);
}

void RunLoop(int limit, HWND filter, UINT first, UINT last) {
    depth++;
    MSG msg;
    for (int i = 0; i < limit; i++) {
        BOOL got = GetMessageA(&msg, filter, first, last);
        // Nothing runs between choosing the message and returning it, so its window lives.
        bool outside = msg.message != WM_QUIT &&
                       ((filter != NULL && msg.hwnd != filter) ||
                        ((first != 0 || last != 0) && (msg.message < first || msg.message > last)));
        if ((got == FALSE) != (msg.message == WM_QUIT) || outside ||
            (msg.hwnd != NULL && !TestingIsWindowAlive(msg.hwnd))) {
            fprintf(stderr, "layer_fuzz: GetMessageA returned %d for message 0x%x\n", got,
                    msg.message);
            abort();
        }
        if (!got)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    depth--;
}

void RegisterFuzzClass(Input& in) {
    uint8_t b = in.Byte();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = b & 4 ? RefusingProcedure : FuzzProcedure;
    windowClass.hbrBackground = PickBrush(in);
    windowClass.lpszClassName = CLASS_NAMES[b % 4];
    windowClass.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512 + in.Byte()));
    RegisterClassA(&windowClass);
}

void PrintFormatted(Input& in) {
    // Every argument is the same text, so that any conversion reads something valid: numbers
    // read its address, %s its bytes and %S its wide characters. A conversion reads at most one
    // argument, and no format has more than eight '%'.
    alignas(WCHAR) static const char TEXT[] = "Slithergrid\0\0\0";
    const char* a = TEXT;
    int length;
    char format[256];
    memcpy(format, in.Text(&length), 256);
    for (int i = 0, percents = 0; i < length; i++)
        if (format[i] == '%' && ++percents > 8)
            format[i] = '.';
    char out[1024];
    int written = wsprintfA(out, format, a, a, a, a, a, a, a, a);
    if (written < 0 || written > 1024 || (written < 1024 && strlen(out) != size_t(written))) {
        fprintf(stderr, "layer_fuzz: wsprintfA returned %d for \"%s\"\n", written, format);
        abort();
    }
}

enum Op : uint8_t {
    OP_REGISTER_CLASS,
    OP_CREATE_WINDOW,
    OP_DESTROY_WINDOW,
    OP_SHOW_WINDOW,
    OP_SET_TIMER,
    OP_KILL_TIMER,
    OP_INVALIDATE,
    OP_UPDATE_WINDOW,
    OP_POST,
    OP_POST_QUIT,
    OP_GET_MESSAGE,
    OP_RUN_LOOP,
    OP_DISPATCH_FORGED,
    OP_BEGIN_PAINT,
    OP_END_PAINT,
    OP_DRAW,
    OP_CREATE_BRUSH,
    OP_DELETE_OBJECT,
    OP_CREATE_MENU,
    OP_APPEND_MENU,
    OP_CHOOSE_MENU_ITEM,
    OP_PRESS_KEY,
    OP_CLOSE_BOX,
    OP_SET_SCALE,
    OP_ADVANCE_CLOCK,
    OP_REACT,
    OP_WSPRINTF,
    OP_DEF_WINDOW_PROC,
    OP_HOST_EVENT,
    OP_SURFACE_DC,
    OP_LOOK, // the read-only calls
    OP_COUNT
};

void RunOp(Input& in) {
    uint8_t op = in.Byte() % OP_COUNT;
    switch (op) {
    case OP_REGISTER_CLASS: RegisterFuzzClass(in); break;
    case OP_CREATE_WINDOW: {
        uint8_t b = in.Byte();
        static const DWORD STYLES[] = {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                       WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME, WS_OVERLAPPED,
                                       0x00800000};
        const char* className = b & 0x80 ? "NoSuchClass" : CLASS_NAMES[b % 4];
        HMENU menu = b & 0x40 ? PickMenu(in) : NULL;
        int width = in.Coordinate(); // INT32_MIN is CW_USEDEFAULT
        int height = in.Coordinate();
        windows[nextWindow++ % SLOTS] =
            CreateFuzzWindow(className, menu, width, height, STYLES[(b >> 2) % 4]);
        break;
    }
    case OP_DESTROY_WINDOW: {
        HWND window = PickWindow(in);
        if (DestroyWindow(window) && TestingIsWindowAlive(window)) {
            fprintf(stderr, "layer_fuzz: a destroyed window lives on\n");
            abort();
        }
        break;
    }
    case OP_SHOW_WINDOW: {
        static const int COMMANDS[] = {SW_HIDE,    SW_SHOWNORMAL,  SW_SHOW, SW_MINIMIZE,
                                       SW_RESTORE, SW_SHOWDEFAULT, 3,       -1};
        HWND window = PickWindow(in);
        ShowWindow(window, COMMANDS[in.Byte() % 8]);
        break;
    }
    case OP_SET_TIMER: {
        uint8_t b = in.Byte();
        HWND window = b & 1 ? NULL : PickWindow(in);
        UINT_PTR id = b & 2 ? threadTimers[b % SLOTS] : in.Byte() % 6;
        UINT_PTR got = SetTimer(window, id, PickInterval(in), b & 4 ? OnTimer : NULL);
        if (window == NULL)
            threadTimers[nextThreadTimer++ % SLOTS] = got;
        break;
    }
    case OP_KILL_TIMER: {
        uint8_t b = in.Byte();
        HWND window = b & 1 ? NULL : PickWindow(in);
        UINT_PTR id = b & 2 ? threadTimers[b % SLOTS] : in.Byte() % 6;
        if (KillTimer(window, id) && TestingTimerInterval(window, id) != 0) {
            fprintf(stderr, "layer_fuzz: a killed timer is still set\n");
            abort();
        }
        break;
    }
    case OP_INVALIDATE: {
        uint8_t b = in.Byte();
        HWND window = b & 1 ? NULL : PickWindow(in);
        RECT rect = PickRect(in);
        InvalidateRect(window, b & 2 ? &rect : NULL, b & 4);
        break;
    }
    case OP_UPDATE_WINDOW: UpdateWindow(PickWindow(in)); break;
    case OP_POST: {
        HWND window = PickWindow(in);
        UINT message = PickMessage(in);
        WPARAM wParam = in.U32();
        PostMessageA(window, message, wParam, static_cast<int32_t>(in.U32()));
        break;
    }
    case OP_POST_QUIT: PostQuitMessage(static_cast<int32_t>(in.U32())); break;
    case OP_GET_MESSAGE:
    case OP_RUN_LOOP: {
        bool one = op == OP_GET_MESSAGE;
        uint8_t b = in.Byte();
        HWND filter = b & 1 ? PickWindow(in) : NULL;
        UINT first = b & 2 ? PickMessage(in) : 0;
        UINT last = b & 2 ? PickMessage(in) : 0;
        if (!one || !(b & 4)) {
            RunLoop(one ? 1 : (b >> 3) + 1, filter, first, last);
        } else { // taken and not dispatched
            MSG msg;
            GetMessageA(&msg, filter, first, last);
        }
        break;
    }
    case OP_DISPATCH_FORGED: {
        MSG msg = {};
        msg.hwnd = PickWindow(in);
        msg.message = PickMessage(in);
        msg.wParam = in.U32();
        uint8_t b = in.Byte();
        msg.lParam = b & 1 ? reinterpret_cast<LPARAM>(OnTimer) : static_cast<int32_t>(in.U32());
        depth++;
        DispatchMessageA(b & 2 ? NULL : &msg);
        TranslateMessage(&msg);
        depth--;
        break;
    }
    case OP_BEGIN_PAINT: {
        int slot = nextPaint++ % SLOTS;
        paintWindows[slot] = PickWindow(in);
        BeginPaint(paintWindows[slot], &paints[slot]);
        break;
    }
    case OP_END_PAINT: {
        uint8_t b = in.Byte();
        int slot = b % SLOTS;
        EndPaint(b & 8 ? PickWindow(in) : paintWindows[slot], b & 16 ? NULL : &paints[slot]);
        break;
    }
    case OP_DRAW: {
        HDC dc = PickDC(in);
        uint8_t b = in.Byte();
        if (b & 1)
            SelectObject(dc, b & 2 ? reinterpret_cast<HGDIOBJ>(PickBrush(in))
                                   : reinterpret_cast<HGDIOBJ>(PickWindow(in)));
        if (b & 4) {
            RECT r = PickRect(in);
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
        }
        if (b & 8) {
            int x = in.Coordinate(), y = in.Coordinate();
            int length;
            const char* text = in.Text(&length);
            TextOutA(dc, x, y, b & 16 ? NULL : text, b & 32 ? -length : length);
        }
        break;
    }
    case OP_CREATE_BRUSH: brushes[nextBrush++ % SLOTS] = CreateSolidBrush(in.U32()); break;
    case OP_DELETE_OBJECT: {
        uint8_t b = in.Byte();
        DeleteObject(b & 1 ? reinterpret_cast<HGDIOBJ>(PickBrush(in))
                           : reinterpret_cast<HGDIOBJ>(PickMenu(in)));
        break;
    }
    case OP_CREATE_MENU:
        menus[nextMenu++ % SLOTS] = in.Byte() & 1 ? CreatePopupMenu() : CreateMenu();
        break;
    case OP_APPEND_MENU: {
        HMENU menu = PickMenu(in);
        uint8_t b = in.Byte();
        UINT_PTR item = b & 1 ? reinterpret_cast<UINT_PTR>(PickMenu(in)) : in.Byte();
        int length;
        const char* text = in.Text(&length);
        AppendMenuA(menu, b & 2 ? MF_POPUP : MF_STRING, item, b & 4 ? NULL : text);
        break;
    }
    case OP_CHOOSE_MENU_ITEM: {
        HWND window = PickWindow(in);
        TestingChooseMenuItem(window, in.Byte());
        break;
    }
    case OP_PRESS_KEY: {
        HWND window = PickWindow(in);
        uint8_t b = in.Byte();
        TestingPressKey(window, b == 0xFF ? in.U32() : b);
        break;
    }
    case OP_CLOSE_BOX: TestingPressCloseBox(PickWindow(in)); break;
    case OP_SET_SCALE: {
        HWND window = PickWindow(in);
        uint8_t b = in.Byte();
        TestingSetWindowScale(window, FuzzScale(b));
        break;
    }
    case OP_ADVANCE_CLOCK: {
        uint8_t b = in.Byte();
        if (b & 1)
            Sleep(in.Byte() * (b & 2 ? 1000u : 1u));
        else
            AdvanceFakeClock(static_cast<int64_t>(in.U32()) * (b & 2 ? 1000 : 1));
        break;
    }
    case OP_REACT: {
        uint8_t b = in.Byte();
        reactions[b % REACTIONS] = Reaction{static_cast<Action>(in.Byte() % ACT_COUNT), in.Byte()};
        break;
    }
    case OP_WSPRINTF: PrintFormatted(in); break;
    case OP_DEF_WINDOW_PROC: {
        HWND window = PickWindow(in);
        UINT message = PickMessage(in);
        uint8_t b = in.Byte();
        WPARAM wParam = b & 1 ? reinterpret_cast<WPARAM>(PickDC(in)) : in.U32();
        DefWindowProcA(window, message, wParam, 0);
        break;
    }
    case OP_HOST_EVENT: {
        static void (*const EVENTS[])(HWND) = {
            CoreCloseBox,
            [](HWND window) { CoreScaleChanged(window, 2 * SCALE_UNIT); },
            [](HWND window) { CoreScaleChanged(window, SCALE_UNIT); },
            [](HWND window) { CoreScaleChanged(window, SCALE_UNIT * 3 / 2); },
            [](HWND window) { CoreKey(window, VK_LEFT, CoreScanCode(VK_LEFT), true); },
            [](HWND window) { CoreKey(window, VK_LEFT, CoreScanCode(VK_LEFT), false); },
            [](HWND window) { CoreMenuCommand(window, 1); },
        };
        uint8_t b = in.Byte();
        QueueFakeEvent(EVENTS[b % 7], PickWindow(in));
        break;
    }
    case OP_SURFACE_DC: {
        uint8_t b = in.Byte();
        int slot = b % SLOTS;
        if (b & 8) {
            TestingDeleteSurfaceDC(b & 16 ? PickDC(in) : surfaceDCs[slot]);
        } else {
            int width = in.Byte(), height = in.Byte();
            surfaceDCs[slot] = TestingCreateSurfaceDC(width - 8, height - 8, FuzzScale(in.Byte()));
        }
        break;
    }
    case OP_LOOK: {
        HWND window = PickWindow(in);
        RECT rect = PickRect(in);
        GetClientRect(window, in.Byte() & 1 ? &rect : NULL);
        DWORD style = in.U32();
        AdjustWindowRectEx(&rect, style, in.Byte() & 1, 0);
        int x = in.Coordinate(), y = in.Coordinate();
        TestingGetClientPixel(window, x, y);
        HDC dc = PickDC(in);
        x = in.Coordinate(), y = in.Coordinate();
        TestingGetDCPixel(dc, x, y);
        TestingIsPaintPending(window);
        HMENU menu = TestingGetWindowMenu(window);
        UINT id;
        const char* text;
        HMENU popup;
        menu = menu != NULL ? menu : PickMenu(in);
        if (TestingMenuItem(menu, in.Byte() % 4, &id, &text, &popup))
            CoreTextToUtf8(text, -1);
        COLORREF color;
        TestingGetBrushColor(PickBrush(in), &color);
        TestingLiveBrushCount();
        GetTickCount();
        break;
    }
    default: break;
    }
}

void StartInput() {
    memset(windows, 0, sizeof windows);
    memset(menus, 0, sizeof menus);
    memset(brushes, 0, sizeof brushes);
    memset(paints, 0, sizeof paints);
    memset(paintWindows, 0, sizeof paintWindows);
    memset(threadTimers, 0, sizeof threadTimers);
    memset(surfaceDCs, 0, sizeof surfaceDCs);
    memset(reactions, 0, sizeof reactions);
    nextWindow = nextMenu = nextBrush = nextPaint = nextThreadTimer = 0;
    depth = 0;
    ResetFakeHost();
    SetFakeIdleEvent(QuitWhenIdle);
    TestingSetHeadless(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartInput();
    Input in = {data, size, 0};
    while (!in.Done())
        RunOp(in);
    TestingResetLayer();
    ResetFakeHost();
    return 0;
}
