// What a surface remembers of the rectangles and texts last drawn on it, so that GDI can tell a
// Rectangle or TextOutA that would put back exactly the pixels already there from one that changes
// them. Nothing in Win32 corresponds: it is how this layer keeps a paint that repeats the last one
// from costing more than the calls.
//
// A rectangle is remembered with its brush and the texts drawn over it since, in order; a text
// with its position, its bytes and the box it covers, and as intact while no other drawing touched
// that box. The rectangles are kept in the order they were first drawn, which is the order a
// program paints them in again, so a paint walks the list from one to the next; a hash index by
// position finds the others. Forgetting is always safe: it only means drawing for real.
//
// A paint that repeats the last one asks about every rectangle, so what that question reads is
// kept apart and small: a paint whose cells are all as they were reads a few cache lines of it
// instead of every record.

#include "core.h"

#include <string.h>

#include <initializer_list>
#include <new>

namespace {
const int MAX_RECTANGLES = 512;
const int INDEX_SLOTS = 1024;
const int PROBES = 4;
const int TEXT_SLOTS = 4;
const COLORREF UNKNOWN_COLOR = 0xFF000000; // brushes are 0x00BBGGRR

// A remembered rectangle as a repeat looks it up: its position, and its brush's colour where no
// text was drawn over it (else a value no brush has). Surfaces are at most 32767 pixels a side.
struct RectangleKey {
    int16_t left, top, right, bottom;
    COLORREF bareColor;
};
const COLORREF COVERED = 0x01000000;

} // namespace

// The remembered rectangles never overlap one another; keys[i] is rectangles[i]'s.
struct DrawingMemory {
    KnownRectangle rectangles[MAX_RECTANGLES];
    RectangleKey keys[MAX_RECTANGLES];
    int count;
    int16_t index[INDEX_SLOTS]; // a rectangle's place + 1, 0 for none
    int cursor;                 // where the next lookup looks first
    KnownText texts[TEXT_SLOTS];
    bool textIntact[TEXT_SLOTS];
    int nextText;
};

namespace {
uint32_t lastTextSerial = 0;

DrawingMemory* MemoryOf(Surface* surface, bool make) {
    if (surface->memory == NULL && make)
        surface->memory = new (std::nothrow) DrawingMemory{};
    return surface->memory;
}

int FirstSlot(const RECT& r) {
    uint64_t hash = static_cast<uint32_t>(r.left) * 0x9E3779B97F4A7C15ull;
    for (LONG side : {r.top, r.right, r.bottom})
        hash = (hash ^ static_cast<uint32_t>(side)) * 0xBF58476D1CE4E5B9ull;
    return static_cast<int>((hash >> 40) % INDEX_SLOTS);
}

bool SameRect(const RectangleKey& key, const RECT& r) {
    return key.left == r.left && key.top == r.top && key.right == r.right && key.bottom == r.bottom;
}

// Keeps rectangles[at] as `known`, with its key.
void Store(DrawingMemory* memory, int at, const KnownRectangle& known) {
    const RECT& r = known.rect;
    memory->rectangles[at] = known;
    memory->keys[at] = RectangleKey{static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
                                    static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom),
                                    known.textCount == 0 ? known.color : COVERED};
}

// The index slot that holds place `at`, or -1 (a rectangle whose slots were all taken).
int IndexSlotOf(const DrawingMemory* memory, int at) {
    int first = FirstSlot(memory->rectangles[at].rect);
    for (int probe = 0; probe < PROBES; probe++) {
        int slot = (first + probe) % INDEX_SLOTS;
        if (memory->index[slot] == at + 1)
            return slot;
    }
    return -1;
}

// Forgets the rectangle at place `at`; the last one takes its place.
void Remove(DrawingMemory* memory, int at) {
    int slot = IndexSlotOf(memory, at);
    if (slot >= 0)
        memory->index[slot] = 0;
    int last = --memory->count;
    if (at != last) {
        int moved = IndexSlotOf(memory, last);
        Store(memory, at, memory->rectangles[last]);
        if (moved >= 0)
            memory->index[moved] = static_cast<int16_t>(at + 1);
    }
}

// Forgets the rectangles that overlap `area`.
void RemoveOverlapping(DrawingMemory* memory, const RECT& area) {
    for (int i = 0; i < memory->count;) {
        if (RectsOverlap(memory->rectangles[i].rect, area))
            Remove(memory, i); // the last one moves to i
        else
            i++;
    }
}

bool FitsKey(const RECT& r) {
    for (LONG side : {r.left, r.top, r.right, r.bottom})
        if (side < INT16_MIN || side > INT16_MAX)
            return false;
    return true;
}

int Find(DrawingMemory* memory, const RECT& rect) {
    int at = memory->cursor;
    if (at < memory->count && SameRect(memory->keys[at], rect))
        return at;
    int first = FirstSlot(rect);
    for (int probe = 0; probe < PROBES; probe++) {
        int entry = memory->index[(first + probe) % INDEX_SLOTS] - 1;
        if (entry >= 0 && SameRect(memory->keys[entry], rect))
            return entry;
    }
    return -1;
}
} // namespace

void FreeDrawingMemory(Surface* surface) {
    delete surface->memory;
    surface->memory = NULL;
}

bool IsBareRepeat(Surface* surface, const RECT& rect, COLORREF color) {
    DrawingMemory* memory = MemoryOf(surface, false);
    int at = memory != NULL ? Find(memory, rect) : -1;
    if (at < 0 || memory->keys[at].bareColor != color)
        return false;
    memory->cursor = at + 1;
    return true;
}

const KnownRectangle* KnownRectangleAt(Surface* surface, const RECT& rect) {
    DrawingMemory* memory = MemoryOf(surface, false);
    int at = memory != NULL ? Find(memory, rect) : -1;
    if (at < 0)
        return NULL;
    memory->cursor = at + 1;
    return &memory->rectangles[at];
}

const KnownText* IntactText(Surface* surface, int x, int y, const char* text, int length) {
    DrawingMemory* memory = MemoryOf(surface, false);
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

const KnownText* IntactTextBySerial(Surface* surface, uint32_t serial) {
    DrawingMemory* memory = MemoryOf(surface, false);
    if (memory == NULL)
        return NULL;
    for (int i = 0; i < TEXT_SLOTS; i++)
        if (memory->textIntact[i] && memory->texts[i].serial == serial)
            return &memory->texts[i];
    return NULL;
}

void ForgetDrawing(Surface* surface, const RECT& area, bool rectangles) {
    DrawingMemory* memory = MemoryOf(surface, false);
    if (memory == NULL)
        return;
    if (rectangles)
        RemoveOverlapping(memory, area);
    for (int i = 0; i < TEXT_SLOTS; i++)
        if (memory->textIntact[i] && RectsOverlap(memory->texts[i].box, area))
            memory->textIntact[i] = false;
}

void ForgetRepaintedRectangle(Surface* surface, const RECT& rect, const RECT& changed) {
    DrawingMemory* memory = MemoryOf(surface, false);
    int at = memory != NULL ? Find(memory, rect) : -1;
    if (at < 0) {
        ForgetDrawing(surface, changed, true);
        return;
    }
    // No other remembered rectangle overlaps it. It keeps its place, with a colour no brush has,
    // until it is remembered again.
    KnownRectangle forgotten = memory->rectangles[at];
    forgotten.color = UNKNOWN_COLOR;
    forgotten.textCount = 0;
    Store(memory, at, forgotten);
    ForgetDrawing(surface, changed, false);
}

void ForgetSurfaceDrawing(Surface* surface) {
    DrawingMemory* memory = MemoryOf(surface, false);
    if (memory != NULL)
        *memory = DrawingMemory{};
}

void RememberRectangle(Surface* surface, const RECT& rect, const RECT& fill, COLORREF color) {
    DrawingMemory* memory = MemoryOf(surface, true);
    if (memory == NULL || !FitsKey(rect))
        return;
    int at = Find(memory, rect);
    if (at >= 0) {
        Store(memory, at, KnownRectangle{rect, fill, color, 0, {}});
        return;
    }
    RemoveOverlapping(memory, rect);
    if (memory->count == MAX_RECTANGLES)
        Remove(memory, memory->count - 1);
    at = memory->count++;
    Store(memory, at, KnownRectangle{rect, fill, color, 0, {}});
    // A free index slot, or the first: the rectangle there stays in the list, found no more by
    // position (so it is drawn for real, and remembered anew once it no longer overlaps).
    int first = FirstSlot(rect), slot = first;
    for (int probe = PROBES - 1; probe >= 0; probe--)
        if (memory->index[(first + probe) % INDEX_SLOTS] == 0)
            slot = (first + probe) % INDEX_SLOTS;
    memory->index[slot] = static_cast<int16_t>(at + 1);
}

void RememberText(Surface* surface, int x, int y, const char* text, int length, const RECT& box) {
    DrawingMemory* memory = MemoryOf(surface, true);
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
    for (int i = 0; i < memory->count;) {
        KnownRectangle& under = memory->rectangles[i];
        if (RectsOverlap(under.rect, box) && under.textCount == MAX_TEXTS_OVER) {
            Remove(memory, i);
            continue;
        }
        if (RectsOverlap(under.rect, box)) {
            under.texts[under.textCount++] = known.serial;
            memory->keys[i].bareColor = COVERED;
        }
        i++;
    }
}
