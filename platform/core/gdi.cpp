// GDI over the core's surfaces: device contexts, solid brushes, Rectangle and TextOutA.
//
// Pixels follow Win32: Rectangle(l, t, r, b) covers columns l..r-1 and rows t..b-1, outlined by
// the one-pixel black default pen and filled inside with the selected brush, without
// anti-aliasing; COLORREF is 0x00BBGGRR. A new device context has the white stock brush, the black
// pen, black text on an opaque white background and the host's font with a 16-pixel line (glyphs
// without grey edges). A device context draws only inside its surface and clip rectangle, and
// keeps the region its drawing changed, so that the host redraws no more than that.
// At another device scale the coordinates stay logical and their edges land on device pixels by
// the one rule of device_scale.cpp: the outline covers its logical pixel's device pixels (never
// fewer than one), a fill covers exactly the device pixels between its edges, and the host lays
// text out at the device size. Windows would enlarge a scale-1 drawing with smoothing instead;
// this layer keeps edges and glyphs sharp.
// Differences: only solid brushes and the default pen exist; at most 16 device contexts exist at
// once (a fixed table); brushes have no fixed limit.

#include "core.h"

#include <string.h>
#include <wchar.h>

#include <vector>

namespace {
const int MAX_DCS = 16;
const uint32_t WHITE_BRUSH_SERIAL = 0;
const COLORREF WHITE = 0x00FFFFFF;
const COLORREF BLACK = 0x00000000;

// A repeat of a remembered rectangle with texts drawn over it since: drawing it would wipe them,
// so it waits. Once the same texts are drawn again over it, in the same order, nothing has changed
// at all; if anything else is to be drawn there first, or the DC is released, it is drawn after
// all, followed by the texts that were already repeated over it.
struct Deferred {
    KnownRectangle known;
    int repeated;
    KnownText repeats[MAX_TEXTS_OVER];
};
const int MAX_DEFERRED = 8;

struct DCRecord {
    uint32_t serial;
    Surface* surface; // held while the DC lives
    int scale;        // in 120ths
    RECT clip;        // in device pixels
    HGDIOBJ brush;
    COLORREF brushColor;   // kept, so that deleting a selected brush leaves the DC usable
    ChangedPixels changed; // the pixels that drawing through this DC has changed
    Deferred deferred[MAX_DEFERRED];
    int deferredCount;
};

struct BrushRecord {
    uint32_t serial;
    COLORREF color;
};

DCRecord dcs[MAX_DCS];
// Never destroyed, so that brushes still alive at exit end with the process.
std::vector<BrushRecord>& brushes = *new std::vector<BrushRecord>;

HGDIOBJ WhiteBrush() {
    return MakeHandle(KIND_STOCK_OBJECT, WHITE_BRUSH_SERIAL);
}

DCRecord* lastDC = dcs; // a paint draws through one DC a few hundred times in a row

DCRecord* FindDC(HDC dc) {
    uint32_t serial = HandleSerial(dc, KIND_DC);
    if (serial == 0)
        return NULL;
    if (lastDC->serial == serial)
        return lastDC;
    for (DCRecord& record : dcs)
        if (record.serial == serial)
            return lastDC = &record;
    return NULL;
}

BrushRecord* FindBrush(const void* brush) {
    uint32_t serial = HandleSerial(brush, KIND_BRUSH);
    if (serial == 0)
        return NULL;
    for (BrushRecord& record : brushes)
        if (record.serial == serial)
            return &record;
    return NULL;
}

bool BrushColor(const void* brush, COLORREF* color) {
    if (brush == WhiteBrush()) {
        *color = WHITE;
        return true;
    }
    BrushRecord* record = FindBrush(brush);
    if (record == NULL)
        return false;
    *color = record->color;
    return true;
}

uint32_t ToPixel(COLORREF color) {
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

// Device pixels from here on.
// The part of l..r-1, t..b-1 inside the DC's clip; false if none is.
bool ClipToDC(const DCRecord& dc, int l, int t, int r, int b, RECT* inside) {
    return IntersectRects(RECT{l, t, r, b}, dc.clip, inside);
}

// Adds what of l..r-1, t..b-1 lies inside the clip to the pixels the DC's drawing changed.
void NoteChange(DCRecord& dc, int l, int t, int r, int b) {
    RECT inside;
    if (!ClipToDC(dc, l, t, r, b, &inside))
        return;
    AddChangedPixels(&dc.changed, inside);
}

void Settle(DCRecord& dc, const RECT* area);

// Sets every pixel of `area` (inside the store) to `pixel`, a row at a time through the C
// library's fill, several times faster than a loop of single pixels; a wchar_t is one 32-bit
// pixel here.
void FillArea(const PixelStore& store, const RECT& area, uint32_t pixel) {
    static_assert(sizeof(wchar_t) == sizeof(uint32_t), "wmemset fills whole pixels");
    for (int y = area.top; y < area.bottom; y++)
        wmemset(reinterpret_cast<wchar_t*>(PixelRow(store, y) + area.left),
                static_cast<wchar_t>(pixel), static_cast<size_t>(area.right - area.left));
}

// Fills l..r-1, t..b-1 within the clip.
void FillPixels(DCRecord& dc, int l, int t, int r, int b, COLORREF color) {
    RECT area;
    if (!ClipToDC(dc, l, t, r, b, &area))
        return;
    Settle(dc, &area);
    ForgetDrawing(dc.surface, area, true);
    CoverText(dc.surface, area);
    FillArea(dc.surface->store, area, ToPixel(color));
    NoteChange(dc, area.left, area.top, area.right, area.bottom);
}

// True if each of the row's pixels holds what the rectangle puts there: `edges` outline pixels at
// the left and `rightEdges` at the right (as far as they are inside), the fill between.
bool RowHolds(const uint32_t* row, int width, int leftEdges, int rightEdges, uint32_t edge,
              uint32_t fill) {
    uint32_t differs = 0;
    for (int x = 0; x < leftEdges; x++)
        differs |= row[x] ^ edge;
    for (int x = leftEdges; x < width - rightEdges; x++)
        differs |= row[x] ^ fill;
    for (int x = width - rightEdges; x < width; x++)
        differs |= row[x] ^ edge;
    return differs == 0;
}

void WriteRow(uint32_t* row, int width, int leftEdges, int rightEdges, uint32_t edge,
              uint32_t fill) {
    static_assert(sizeof(wchar_t) == sizeof(uint32_t), "wmemset fills whole pixels");
    wchar_t* pixels = reinterpret_cast<wchar_t*>(row);
    wmemset(pixels, static_cast<wchar_t>(edge), static_cast<size_t>(leftEdges));
    wmemset(pixels + leftEdges, static_cast<wchar_t>(fill),
            static_cast<size_t>(width - leftEdges - rightEdges));
    wmemset(pixels + width - rightEdges, static_cast<wchar_t>(edge),
            static_cast<size_t>(rightEdges));
}

// Draws the rectangle r (device pixels, outlined outside `inner`) within the clip. Each row is
// compared with what it must hold and written only where it differs, so that the host shows only
// what changed.
void DrawRectangle(DCRecord& dc, const RECT& r, const RECT& inner, COLORREF color) {
    RECT area;
    if (!ClipToDC(dc, r.left, r.top, r.right, r.bottom, &area))
        return;
    Settle(dc, &area);
    int width = area.right - area.left;
    int leftEdges = inner.left - area.left;
    leftEdges = leftEdges < 0 ? 0 : leftEdges > width ? width : leftEdges;
    int rightEdges = area.right - inner.right;
    rightEdges = rightEdges < 0                   ? 0
                 : rightEdges > width - leftEdges ? width - leftEdges
                                                  : rightEdges;
    uint32_t edge = ToPixel(BLACK);
    uint32_t fill = ToPixel(color);
    size_t bytes = static_cast<size_t>(width) * sizeof(uint32_t);
    // The first outline row and the first inner row are checked pixel by pixel; every later row
    // is compared with the first of its kind, now right, in one go.
    const uint32_t* outlineRow = NULL;
    const uint32_t* innerRow = NULL;
    int changedTop = area.bottom;
    int changedBottom = area.top;
    for (int y = area.top; y < area.bottom; y++) {
        uint32_t* row = PixelRow(dc.surface->store, y) + area.left;
        bool outline = y < inner.top || y >= inner.bottom;
        const uint32_t*& model = outline ? outlineRow : innerRow;
        bool same;
        if (model == NULL) {
            int left = outline ? width : leftEdges;
            int right = outline ? 0 : rightEdges;
            same = RowHolds(row, width, left, right, edge, fill);
            if (!same)
                WriteRow(row, width, left, right, edge, fill);
            model = row;
        } else {
            same = memcmp(row, model, bytes) == 0;
            if (!same)
                memcpy(row, model, bytes);
        }
        if (same)
            continue;
        changedTop = y < changedTop ? y : changedTop;
        changedBottom = y + 1;
    }
    if (changedTop < changedBottom) {
        RECT changed = {area.left, changedTop, area.right, changedBottom};
        ForgetRepaintedRectangle(dc.surface, r, changed);
        CoverText(dc.surface, changed);
        NoteChange(dc, area.left, changedTop, area.right, changedBottom);
    }
    if (area.left == r.left && area.top == r.top && area.right == r.right &&
        area.bottom == r.bottom)
        RememberRectangle(dc.surface, r, inner, color);
}

// Fills l..r-1, t..b-1 with white within the clip, leaving what the surface remembers alone.
void FillWhite(DCRecord& dc, const RECT& box) {
    RECT area;
    if (IntersectRects(box, dc.clip, &area))
        FillArea(dc.surface->store, area, ToPixel(WHITE));
}

RECT Offset(const RECT& r, int x, int y) {
    return RECT{r.left + x, r.top + y, r.right + x, r.bottom + y};
}

// Draws the text at x, y (device pixels) within the clip: a white box as high as the line, and the
// glyphs in black.
void DrawText(DCRecord& dc, int x, int y, LPCSTR text, int length) {
    TextExtents extents;
    HostMeasureText(text, length, dc.scale, &extents);
    RECT inkBox = Offset(extents.ink, x, y);
    RECT lineBox = Offset(extents.line, x, y);
    // Glyphs may reach past the white box.
    RECT box = lineBox;
    if (inkBox.left < inkBox.right && inkBox.top < inkBox.bottom) {
        box.left = inkBox.left < box.left ? inkBox.left : box.left;
        box.top = inkBox.top < box.top ? inkBox.top : box.top;
        box.right = inkBox.right > box.right ? inkBox.right : box.right;
        box.bottom = inkBox.bottom > box.bottom ? inkBox.bottom : box.bottom;
    }
    RECT area;
    if (!IntersectRects(box, dc.clip, &area))
        return;
    Settle(dc, &box);
    FillWhite(dc, lineBox);
    HostDrawText(dc.surface->store, x, y, text, length, dc.clip);
    NoteChange(dc, inkBox.left, inkBox.top, inkBox.right, inkBox.bottom);
    NoteChange(dc, lineBox.left, lineBox.top, lineBox.right, lineBox.bottom);
    bool whole = area.left == box.left && area.top == box.top && area.right == box.right &&
                 area.bottom == box.bottom;
    ForgetDrawing(dc.surface, area, !whole);
    ShowText(dc.surface, x, y, text, length, box, area);
    if (whole)
        RememberText(dc.surface, x, y, text, length, box);
}

// Draws the deferred repeats that lie under `area` (all with NULL), each followed by the texts
// already repeated over it.
void Settle(DCRecord& dc, const RECT* area) {
    for (int i = 0; i < dc.deferredCount;) {
        Deferred& waiting = dc.deferred[i];
        bool under = area == NULL || RectsOverlap(waiting.known.rect, *area);
        for (int t = 0; t < waiting.known.textCount && !under; t++) {
            const KnownText* text = IntactTextBySerial(dc.surface, waiting.known.texts[t]);
            under = text == NULL || RectsOverlap(text->box, *area);
        }
        if (!under) {
            i++;
            continue;
        }
        Deferred drawn = waiting;
        dc.deferred[i] = dc.deferred[--dc.deferredCount];
        DrawRectangle(dc, drawn.known.rect, drawn.known.fill, drawn.known.color);
        for (int t = 0; t < drawn.repeated; t++)
            DrawText(dc, drawn.repeats[t].x, drawn.repeats[t].y, drawn.repeats[t].bytes,
                     drawn.repeats[t].length);
        i = 0; // drawing may have settled others
    }
}

// A remembered rectangle drawn again: false if it must be drawn for real.
bool Defer(DCRecord& dc, const KnownRectangle& known) {
    if (dc.deferredCount == MAX_DEFERRED)
        return false;
    for (int t = 0; t < known.textCount; t++)
        if (IntactTextBySerial(dc.surface, known.texts[t]) == NULL)
            return false;
    Deferred& waiting = dc.deferred[dc.deferredCount++];
    waiting.known = known;
    waiting.repeated = 0;
    return true;
}

// An intact text drawn again: each deferred rectangle under it must expect it next. False if one
// does not, and the text is to be drawn for real.
bool Repeat(DCRecord& dc, const KnownText& text) {
    for (int i = 0; i < dc.deferredCount; i++) {
        const Deferred& waiting = dc.deferred[i];
        if (RectsOverlap(waiting.known.rect, text.box) &&
            (waiting.repeated == waiting.known.textCount ||
             waiting.known.texts[waiting.repeated] != text.serial))
            return false;
    }
    for (int i = 0; i < dc.deferredCount;) {
        Deferred& waiting = dc.deferred[i];
        if (RectsOverlap(waiting.known.rect, text.box))
            waiting.repeats[waiting.repeated++] = text;
        if (waiting.repeated == waiting.known.textCount)
            dc.deferred[i] = dc.deferred[--dc.deferredCount]; // as it was: nothing to draw
        else
            i++;
    }
    return true;
}

} // namespace

void SettleSurface(Surface* surface) {
    for (DCRecord& record : dcs)
        if (record.serial != 0 && record.surface == surface)
            Settle(record, NULL);
}

HDC AcquireSurfaceDC(Surface* surface, const RECT* clip) {
    for (DCRecord& record : dcs) {
        if (record.serial != 0)
            continue;
        record.serial = NewSerial();
        HoldSurface(surface);
        record.surface = surface;
        record.scale = surface->store.scale;
        RECT whole = {0, 0, surface->store.width, surface->store.height};
        RECT wanted = clip != NULL ? DeviceRect(*clip, record.scale) : whole;
        IntersectRects(wanted, whole, &record.clip);
        record.brush = WhiteBrush();
        record.brushColor = WHITE;
        record.changed.count = 0;
        return static_cast<HDC>(MakeHandle(KIND_DC, record.serial));
    }
    return NULL;
}

bool ReleaseSurfaceDC(HDC dc, ChangedPixels* changed) {
    DCRecord* record = FindDC(dc);
    if (record == NULL)
        return false;
    Settle(*record, NULL);
    *changed = record->changed;
    Surface* surface = record->surface;
    record->serial = 0;
    record->surface = NULL;
    record->deferredCount = 0;
    ReleaseSurface(surface);
    return true;
}

Surface* SurfaceOfDC(HDC dc) {
    DCRecord* record = FindDC(dc);
    return record != NULL ? record->surface : NULL;
}

bool EraseWithBackground(HDC dc, HBRUSH background) {
    DCRecord* record = FindDC(dc);
    COLORREF color;
    uintptr_t value = reinterpret_cast<uintptr_t>(background);
    if (value >= 1 && value <= 31)
        color = WHITE; // a system colour index + 1: all of them are the window colour here
    else if (!BrushColor(background, &color))
        return false;
    if (record == NULL)
        return false;
    FillPixels(*record, record->clip.left, record->clip.top, record->clip.right,
               record->clip.bottom, color);
    return true;
}

void ResetGdi() {
    for (DCRecord& record : dcs)
        if (record.serial != 0)
            ReleaseSurface(record.surface);
    memset(dcs, 0, sizeof(dcs));
    brushes.clear();
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    BrushRecord* record = NULL;
    for (BrushRecord& slot : brushes)
        if (slot.serial == 0 && record == NULL)
            record = &slot;
    if (record == NULL) {
        brushes.emplace_back();
        record = &brushes.back();
    }
    record->serial = NewSerial();
    record->color = color & 0x00FFFFFF;
    return static_cast<HBRUSH>(MakeHandle(KIND_BRUSH, record->serial));
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    DCRecord* record = FindDC(dc);
    COLORREF color;
    if (record == NULL || !BrushColor(object, &color))
        return NULL;
    HGDIOBJ previous = record->brush;
    record->brush = object;
    record->brushColor = color;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (object == WhiteBrush())
        return TRUE; // stock objects are never deleted, and saying so is harmless
    BrushRecord* record = FindBrush(object);
    if (record == NULL)
        return FALSE;
    *record = BrushRecord{};
    return TRUE;
}

BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom) {
    DCRecord* record = FindDC(dc);
    if (record == NULL)
        return FALSE;
    if (left > right) {
        int swap = left;
        left = right;
        right = swap;
    }
    if (top > bottom) {
        int swap = top;
        top = bottom;
        bottom = swap;
    }
    if (left == right || top == bottom)
        return TRUE;
    DeviceRectangle device = DeviceRectangleOf(left, top, right, bottom, record->scale);
    // A rectangle drawn again over itself, with nothing drawn over it since, changes no pixel;
    // one with texts drawn over it since waits for them. At one scale the outer edges decide
    // where the outline lies, so they are all a repeat is known by.
    if (IsBareRepeat(record->surface, device.outer, record->brushColor))
        return TRUE;
    const KnownRectangle* known = KnownRectangleAt(record->surface, device.outer);
    if (known != NULL && known->color == record->brushColor && Defer(*record, *known))
        return TRUE;
    DrawRectangle(*record, device.outer, device.fill, record->brushColor);
    return TRUE;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    DCRecord* record = FindDC(dc);
    if (record == NULL || length < 0 || (text == NULL && length > 0))
        return FALSE;
    if (length == 0)
        return TRUE; // as in Win32, even without a text
    x = CoreDevicePixels(x, record->scale);
    y = CoreDevicePixels(y, record->scale);
    // Its box is opaque and its glyphs are solid black, so drawing an intact text again changes
    // nothing.
    const KnownText* known = IntactText(record->surface, x, y, text, length);
    if (known == NULL || !Repeat(*record, *known))
        DrawText(*record, x, y, text, length);
    return TRUE;
}

HDC TestingCreateSurfaceDC(int width, int height, int scale) {
    if (width < 0 || height < 0 || scale < MIN_DEVICE_SCALE || scale > MAX_DEVICE_SCALE)
        return NULL;
    Surface* surface = NewSurface(NULL, width, height, scale);
    if (surface == NULL)
        return NULL;
    HDC dc = AcquireSurfaceDC(surface, NULL);
    ReleaseSurface(surface); // the DC holds the only reference now
    return dc;
}

COLORREF TestingGetDCPixel(HDC dc, int x, int y) {
    DCRecord* record = FindDC(dc);
    return record == NULL ? 0xFFFFFFFF : SurfacePixel(record->surface, x, y);
}

void TestingDeleteSurfaceDC(HDC dc) {
    ChangedPixels changed;
    ReleaseSurfaceDC(dc, &changed);
}

bool TestingGetBrushColor(HBRUSH brush, COLORREF* color) {
    COLORREF found;
    if (!BrushColor(brush, &found))
        return false;
    if (color != NULL)
        *color = found;
    return true;
}

int TestingLiveBrushCount() {
    int count = 0;
    for (const BrushRecord& record : brushes)
        if (record.serial != 0)
            count++;
    return count;
}
