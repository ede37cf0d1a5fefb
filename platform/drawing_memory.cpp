// What a surface remembers of the rectangles and texts last drawn on it, so that GDI can tell a
// Rectangle or TextOutA that would put back exactly the pixels already there from one that changes
// them. Nothing in Win32 corresponds: it is how this layer keeps a paint that repeats the last one
// from costing more than the calls.
//
// A rectangle is remembered with its brush and the texts drawn over it since, in order; a text
// with its position, its bytes and the box it covers, and as intact while no other drawing touched
// that box. The rectangles sit in a table indexed by position, each in one of a few neighbouring
// slots, where a newcomer may take the place of an older one: forgetting is always safe, it only
// means drawing for real.

#include "layer_internal.h"

#include <string.h>

#include <initializer_list>

namespace {
const int RECTANGLE_SLOTS = 1024;
const int PROBES = 4;
const int TEXT_SLOTS = 4;

struct SurfaceMemory {
    KnownRectangle rectangles[RECTANGLE_SLOTS];
    bool rectangleUsed[RECTANGLE_SLOTS];
    KnownText texts[TEXT_SLOTS];
    bool textIntact[TEXT_SLOTS];
    int nextText;
};

const cairo_user_data_key_t MEMORY_KEY = {0};
uint32_t lastTextSerial = 0;

void FreeMemory(void* memory) {
    delete static_cast<SurfaceMemory*>(memory);
}

SurfaceMemory* MemoryOf(cairo_surface_t* surface, bool make) {
    auto* memory = static_cast<SurfaceMemory*>(cairo_surface_get_user_data(surface, &MEMORY_KEY));
    if (memory == NULL && make) {
        memory = new SurfaceMemory{};
        if (cairo_surface_set_user_data(surface, &MEMORY_KEY, memory, FreeMemory) !=
            CAIRO_STATUS_SUCCESS) {
            delete memory;
            return NULL;
        }
    }
    return memory;
}

int FirstSlot(const RECT& r) {
    uint64_t hash = static_cast<uint32_t>(r.left) * 0x9E3779B97F4A7C15ull;
    for (LONG side : {r.top, r.right, r.bottom})
        hash = (hash ^ static_cast<uint32_t>(side)) * 0xBF58476D1CE4E5B9ull;
    return static_cast<int>((hash >> 40) % RECTANGLE_SLOTS);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT inside;
    return IntersectRects(a, b, &inside);
}
} // namespace

const KnownRectangle* KnownRectangleAt(cairo_surface_t* surface, const RECT& rect) {
    SurfaceMemory* memory = MemoryOf(surface, false);
    if (memory == NULL)
        return NULL;
    for (int probe = 0; probe < PROBES; probe++) {
        int slot = (FirstSlot(rect) + probe) % RECTANGLE_SLOTS;
        if (memory->rectangleUsed[slot] && SameRect(memory->rectangles[slot].rect, rect))
            return &memory->rectangles[slot];
    }
    return NULL;
}

const KnownText* IntactText(cairo_surface_t* surface, int x, int y, const char* text, int length) {
    SurfaceMemory* memory = MemoryOf(surface, false);
    if (memory == NULL || length > MAX_KNOWN_TEXT_BYTES)
        return NULL;
    for (int i = 0; i < TEXT_SLOTS; i++) {
        const KnownText& known = memory->texts[i];
        if (memory->textIntact[i] && known.x == x && known.y == y && known.length == length &&
            memcmp(known.bytes, text, static_cast<size_t>(length)) == 0)
            return &known;
    }
    return NULL;
}

const KnownText* IntactTextBySerial(cairo_surface_t* surface, uint32_t serial) {
    SurfaceMemory* memory = MemoryOf(surface, false);
    if (memory == NULL)
        return NULL;
    for (int i = 0; i < TEXT_SLOTS; i++)
        if (memory->textIntact[i] && memory->texts[i].serial == serial)
            return &memory->texts[i];
    return NULL;
}

void ForgetDrawing(cairo_surface_t* surface, const RECT& area, bool rectangles) {
    SurfaceMemory* memory = MemoryOf(surface, false);
    if (memory == NULL)
        return;
    for (int i = 0; i < RECTANGLE_SLOTS && rectangles; i++)
        if (memory->rectangleUsed[i] && Overlap(memory->rectangles[i].rect, area))
            memory->rectangleUsed[i] = false;
    for (int i = 0; i < TEXT_SLOTS; i++)
        if (memory->textIntact[i] && Overlap(memory->texts[i].box, area))
            memory->textIntact[i] = false;
}

void ForgetSurfaceDrawing(cairo_surface_t* surface) {
    SurfaceMemory* memory = MemoryOf(surface, false);
    if (memory != NULL)
        *memory = SurfaceMemory{};
}

void RememberRectangle(cairo_surface_t* surface, const RECT& rect, COLORREF color) {
    SurfaceMemory* memory = MemoryOf(surface, true);
    if (memory == NULL)
        return;
    // Its own slot if it has one, else a free one, else the first.
    int first = FirstSlot(rect), slot = first, free = -1;
    for (int probe = 0; probe < PROBES; probe++) {
        int at = (first + probe) % RECTANGLE_SLOTS;
        if (memory->rectangleUsed[at] && SameRect(memory->rectangles[at].rect, rect)) {
            free = at;
            break;
        }
        if (!memory->rectangleUsed[at] && free < 0)
            free = at;
    }
    slot = free >= 0 ? free : slot;
    memory->rectangles[slot] = KnownRectangle{rect, color, 0, {}};
    memory->rectangleUsed[slot] = true;
}

void RememberText(cairo_surface_t* surface, int x, int y, const char* text, int length,
                  const RECT& box) {
    SurfaceMemory* memory = MemoryOf(surface, true);
    if (memory == NULL || length > MAX_KNOWN_TEXT_BYTES)
        return;
    int slot = memory->nextText;
    memory->nextText = (slot + 1) % TEXT_SLOTS;
    KnownText& known = memory->texts[slot];
    known.serial = ++lastTextSerial;
    known.x = x;
    known.y = y;
    known.length = length;
    memcpy(known.bytes, text, static_cast<size_t>(length));
    known.box = box;
    memory->textIntact[slot] = true;
    // The rectangles under it now show it too; one with no room left to say so is forgotten.
    for (int i = 0; i < RECTANGLE_SLOTS; i++) {
        KnownRectangle& under = memory->rectangles[i];
        if (!memory->rectangleUsed[i] || !Overlap(under.rect, box))
            continue;
        if (under.textCount == MAX_TEXTS_OVER)
            memory->rectangleUsed[i] = false;
        else
            under.texts[under.textCount++] = known.serial;
    }
}
