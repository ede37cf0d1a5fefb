// GDI over cairo image surfaces: device contexts, solid brushes, Rectangle and TextOutA.
//
// Pixels follow Win32: Rectangle(l, t, r, b) covers columns l..r-1 and rows t..b-1, outlined by
// the one-pixel black default pen and filled inside with the selected brush, without
// anti-aliasing; COLORREF is 0x00BBGGRR. A new device context has the white stock brush, the black
// pen, black text on an opaque white background and a sans font with a 16-pixel line (pango,
// glyphs not anti-aliased). A device context draws only inside its surface and clip rectangle, and
// keeps the region its drawing changed, so that the host redraws no more than that.
// At a device scale above 1 the coordinates stay logical and every logical pixel is `scale` x
// `scale` device pixels: the outline is `scale` pixels wide, a fill covers exactly the device
// pixels of its logical ones, and text is laid out by pango at the device size. Windows would
// enlarge a scale-1 drawing with smoothing instead; this layer keeps edges and glyphs sharp.
// Differences: only solid brushes and the default pen exist; text is converted from Windows-1252
// to UTF-8 for pango; at most 16 device contexts and 64 brushes exist at once (fixed tables).

#include "layer_internal.h"

#include <glib.h>
#include <pango/pangocairo.h>
#include <string.h>
#include <wchar.h>

namespace {
const int MAX_DCS = 16;
const int MAX_BRUSHES = 64;
const uint32_t WHITE_BRUSH_SERIAL = 0;
const COLORREF WHITE = 0x00FFFFFF;
const COLORREF BLACK = 0x00000000;
const int TEXT_LINE_HEIGHT = 16;

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
    cairo_surface_t* surface; // referenced while the DC lives
    int scale;                // device pixels per logical pixel
    RECT clip;                // in device pixels
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
BrushRecord brushes[MAX_BRUSHES];
// Text is laid out once per distinct string: a program draws the same few lines at every paint.
// The layouts live as long as the process.
const int TEXT_LAYOUTS = 4;
PangoLayout* textLayouts[TEXT_LAYOUTS];
int textLayoutScales[TEXT_LAYOUTS];
int nextTextLayout = 0;

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

// Row y of an image surface; the row offset can exceed an int on the largest surfaces.
uint32_t* PixelRow(cairo_surface_t* surface, int y) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    ptrdiff_t offset = static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<uint32_t*>(data + offset);
}

// A logical coordinate in device pixels, kept far inside an int: anything beyond is clipped anyway.
int ToDevice(int logical, int scale) {
    const long long LIMIT = 1 << 30;
    long long device = static_cast<long long>(logical) * scale;
    return static_cast<int>(device < -LIMIT ? -LIMIT : device > LIMIT ? LIMIT : device);
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

// Fills l..r-1, t..b-1 within the clip; the caller brackets with flush and mark_dirty.
void FillPixels(DCRecord& dc, int l, int t, int r, int b, COLORREF color) {
    RECT area;
    if (!ClipToDC(dc, l, t, r, b, &area))
        return;
    // A row at a time through the C library's fill, several times faster than a loop of single
    // pixels; a wchar_t is one 32-bit pixel here.
    static_assert(sizeof(wchar_t) == sizeof(uint32_t), "wmemset fills whole pixels");
    Settle(dc, &area);
    ForgetDrawing(dc.surface, area, true);
    wchar_t pixel = static_cast<wchar_t>(ToPixel(color));
    for (int y = area.top; y < area.bottom; y++)
        wmemset(reinterpret_cast<wchar_t*>(PixelRow(dc.surface, y) + area.left), pixel,
                static_cast<size_t>(area.right - area.left));
    NoteChange(dc, area.left, area.top, area.right, area.bottom);
}

// The line is at most 16 logical pixels, so 16 x scale device pixels.
PangoLayout* NewTextLayout(int scale) {
    PangoFontMap* fontMap = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(fontMap);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    PangoLayout* layout = pango_layout_new(context);
    g_object_unref(context);
    // Choose the largest pixel size whose line is at most 16 pixels, as the Win32 system font's.
    PangoFontDescription* font = pango_font_description_from_string("Sans");
    pango_layout_set_text(layout, "Xg", -1);
    for (int quarterPixels = 16 * 4 * scale; quarterPixels > 8 * 4 * scale; quarterPixels--) {
        pango_font_description_set_absolute_size(font, quarterPixels * PANGO_SCALE / 4.0);
        pango_layout_set_font_description(layout, font);
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout, NULL, &logical);
        if (logical.height <= TEXT_LINE_HEIGHT * scale)
            break;
    }
    pango_font_description_free(font);
    return layout;
}

// A layout holding the text at this scale: one kept from an earlier call, or the least recently
// made one anew.
PangoLayout* TextLayout(LPCSTR text, int length, int scale) {
    gchar* utf8 = ToUtf8(text, length);
    const char* wanted = utf8 != NULL ? utf8 : "";
    PangoLayout* layout = NULL;
    PangoLayout* sameScale = NULL;
    for (int i = 0; i < TEXT_LAYOUTS; i++) {
        if (textLayouts[i] == NULL || textLayoutScales[i] != scale)
            continue;
        sameScale = textLayouts[i];
        if (strcmp(pango_layout_get_text(textLayouts[i]), wanted) == 0)
            layout = textLayouts[i];
    }
    if (layout == NULL) {
        int slot = nextTextLayout;
        nextTextLayout = (nextTextLayout + 1) % TEXT_LAYOUTS;
        if (textLayouts[slot] == NULL || textLayoutScales[slot] != scale) {
            PangoLayout* made =
                sameScale != NULL ? pango_layout_copy(sameScale) : NewTextLayout(scale);
            if (textLayouts[slot] != NULL)
                g_object_unref(textLayouts[slot]);
            textLayouts[slot] = made;
            textLayoutScales[slot] = scale;
        }
        layout = textLayouts[slot];
        pango_layout_set_text(layout, wanted, -1);
    }
    g_free(utf8);
    return layout;
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

// Draws the rectangle r (device pixels, outline `scale` wide) within the clip. Each row is
// compared with what it must hold and written only where it differs, so that the host shows only
// what changed.
void DrawRectangle(DCRecord& dc, const RECT& r, COLORREF color) {
    RECT area;
    if (!ClipToDC(dc, r.left, r.top, r.right, r.bottom, &area))
        return;
    Settle(dc, &area);
    int scale = dc.scale;
    int width = area.right - area.left;
    int leftEdges = r.left + scale - area.left;
    leftEdges = leftEdges < 0 ? 0 : leftEdges > width ? width : leftEdges;
    int rightEdges = area.right - (r.right - scale);
    rightEdges = rightEdges < 0                   ? 0
                 : rightEdges > width - leftEdges ? width - leftEdges
                                                  : rightEdges;
    uint32_t edge = ToPixel(BLACK);
    uint32_t fill = ToPixel(color);
    cairo_surface_flush(dc.surface);
    unsigned char* data = cairo_image_surface_get_data(dc.surface);
    ptrdiff_t stride = cairo_image_surface_get_stride(dc.surface);
    size_t bytes = static_cast<size_t>(width) * sizeof(uint32_t);
    // The first outline row and the first inner row are checked pixel by pixel; every later row
    // is compared with the first of its kind, now right, in one go.
    const uint32_t* outlineRow = NULL;
    const uint32_t* innerRow = NULL;
    int changedTop = area.bottom;
    int changedBottom = area.top;
    for (int y = area.top; y < area.bottom; y++) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride) + area.left;
        bool outline = y < r.top + scale || y >= r.bottom - scale;
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
        ForgetRepaintedRectangle(dc.surface, r,
                                 RECT{area.left, changedTop, area.right, changedBottom});
        NoteChange(dc, area.left, changedTop, area.right, changedBottom);
        cairo_surface_mark_dirty(dc.surface);
    }
    if (area.left == r.left && area.top == r.top && area.right == r.right &&
        area.bottom == r.bottom)
        RememberRectangle(dc.surface, r, color);
}

// Draws the text at x, y (device pixels) within the clip: a white box as high as the line, and the
// glyphs in black.
void DrawText(DCRecord& dc, int x, int y, LPCSTR text, int length) {
    PangoLayout* layout = TextLayout(text, length, dc.scale);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    // Glyphs may reach past the white box.
    RECT inkBox = {x + ink.x, y + ink.y, x + ink.x + ink.width, y + ink.y + ink.height};
    RECT box = {x + logical.x, y + logical.y, x + logical.x + logical.width,
                y + logical.y + logical.height};
    if (ink.width > 0 && ink.height > 0) {
        box.left = inkBox.left < box.left ? inkBox.left : box.left;
        box.top = inkBox.top < box.top ? inkBox.top : box.top;
        box.right = inkBox.right > box.right ? inkBox.right : box.right;
        box.bottom = inkBox.bottom > box.bottom ? inkBox.bottom : box.bottom;
    }
    RECT area;
    if (!IntersectRects(box, dc.clip, &area))
        return;
    Settle(dc, &box);
    const RECT& clip = dc.clip;
    cairo_t* cr = cairo_create(dc.surface);
    cairo_scale(cr, 1.0 / dc.scale, 1.0 / dc.scale); // undoes the surface's device scale
    cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, x + logical.x, y + logical.y, logical.width, logical.height);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
    cairo_surface_flush(dc.surface);
    NoteChange(dc, inkBox.left, inkBox.top, inkBox.right, inkBox.bottom);
    NoteChange(dc, logical.x + x, logical.y + y, logical.x + x + logical.width,
               logical.y + y + logical.height);
    bool whole = area.left == box.left && area.top == box.top && area.right == box.right &&
                 area.bottom == box.bottom;
    ForgetDrawing(dc.surface, area, !whole);
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
        DrawRectangle(dc, drawn.known.rect, drawn.known.color);
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

void SettleSurface(cairo_surface_t* surface) {
    for (DCRecord& record : dcs)
        if (record.serial != 0 && record.surface == surface)
            Settle(record, NULL);
}
} // namespace

char* ToUtf8(const char* text, long length) {
    gchar* utf8 = g_convert(text, length, "UTF-8", "WINDOWS-1252", NULL, NULL, NULL);
    return utf8 != NULL ? utf8 : g_convert(text, length, "UTF-8", "ISO-8859-1", NULL, NULL, NULL);
}

HDC AcquireSurfaceDC(cairo_surface_t* surface, int scale, const RECT* clip) {
    for (DCRecord& record : dcs) {
        if (record.serial != 0)
            continue;
        int width = cairo_image_surface_get_width(surface);
        int height = cairo_image_surface_get_height(surface);
        record.serial = NewSerial();
        record.surface = cairo_surface_reference(surface);
        record.scale = scale;
        RECT whole = {0, 0, width, height};
        RECT wanted = whole;
        if (clip != NULL)
            wanted = RECT{ToDevice(clip->left, scale), ToDevice(clip->top, scale),
                          ToDevice(clip->right, scale), ToDevice(clip->bottom, scale)};
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
    cairo_surface_destroy(record->surface);
    record->serial = 0;
    record->surface = NULL;
    record->deferredCount = 0;
    return true;
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
    cairo_surface_flush(record->surface);
    FillPixels(*record, record->clip.left, record->clip.top, record->clip.right,
               record->clip.bottom, color);
    cairo_surface_mark_dirty(record->surface);
    return true;
}

void FillSurfaceWhite(cairo_surface_t* surface) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    if (data == NULL)
        return; // an empty surface
    SettleSurface(surface);
    ForgetSurfaceDrawing(surface);
    cairo_surface_flush(surface);
    memset(data, 0xFF,
           static_cast<size_t>(cairo_image_surface_get_stride(surface)) *
               cairo_image_surface_get_height(surface));
    cairo_surface_mark_dirty(surface);
}

COLORREF SurfacePixel(cairo_surface_t* surface, int x, int y) {
    if (surface == NULL || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface))
        return 0xFFFFFFFF;
    SettleSurface(surface);
    cairo_surface_flush(surface);
    uint32_t pixel = PixelRow(surface, y)[x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void ResetGdi() {
    for (DCRecord& record : dcs) {
        if (record.serial == 0)
            continue;
        cairo_surface_destroy(record.surface);
    }
    memset(dcs, 0, sizeof(dcs));
    memset(brushes, 0, sizeof(brushes));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    for (BrushRecord& record : brushes) {
        if (record.serial != 0)
            continue;
        record.serial = NewSerial();
        record.color = color & 0x00FFFFFF;
        return static_cast<HBRUSH>(MakeHandle(KIND_BRUSH, record.serial));
    }
    return NULL;
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
    int scale = record->scale;
    RECT device = {ToDevice(left, scale), ToDevice(top, scale), ToDevice(right, scale),
                   ToDevice(bottom, scale)};
    // A rectangle drawn again over itself, with nothing drawn over it since, changes no pixel;
    // one with texts drawn over it since waits for them.
    if (IsBareRepeat(record->surface, device, record->brushColor))
        return TRUE;
    const KnownRectangle* known = KnownRectangleAt(record->surface, device);
    if (known != NULL && known->color == record->brushColor && Defer(*record, *known))
        return TRUE;
    DrawRectangle(*record, device, record->brushColor);
    return TRUE;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    DCRecord* record = FindDC(dc);
    if (record == NULL || length < 0 || (text == NULL && length > 0))
        return FALSE;
    if (length == 0)
        return TRUE; // as in Win32, even without a text
    x = ToDevice(x, record->scale);
    y = ToDevice(y, record->scale);
    // Its box is opaque and its glyphs are solid black, so drawing an intact text again changes
    // nothing.
    const KnownText* known = IntactText(record->surface, x, y, text, length);
    if (known == NULL || !Repeat(*record, *known))
        DrawText(*record, x, y, text, length);
    return TRUE;
}

HDC TestingCreateSurfaceDC(int width, int height, int scale) {
    if (width < 0 || height < 0 || scale < 1 || scale > MAX_DEVICE_SCALE)
        return NULL;
    cairo_surface_t* surface = NewBackingStore(width, height, scale);
    if (surface == NULL)
        return NULL;
    HDC dc = AcquireSurfaceDC(surface, scale, NULL);
    cairo_surface_destroy(surface); // the DC holds the only reference now
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

// Leak checking: fontconfig, pango, cairo, GLib and GTK keep caches for the life of the process
// that LeakSanitizer counts as leaks; every program built on this layer skips them.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libX11.so\n";
}
