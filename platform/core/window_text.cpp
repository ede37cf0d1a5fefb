// The text a surface shows: the lines TextOutA drew on it that no later drawing has covered, as a
// sighted person reads them, for the host to hand to assistive technology. Win32 itself keeps no
// such list; screen readers on Windows build one from the same calls (NVDA's display model).
//
// A line is covered once any later drawing changes a pixel of its box, except the same bytes
// drawn again at the same place, which leave it as it was. The list changes only where drawing
// changes pixels, so a paint that repeats the last one does not touch it.

#include "core.h"

#include <algorithm>
#include <vector>

namespace {
struct ShownLine {
    int x, y;
    RECT box;
    std::string bytes;
};
} // namespace

struct ShownText {
    std::vector<ShownLine> lines; // in the order they were drawn
    bool changed;
};

namespace {
// Covers the lines in `area`, but for one of these bytes at x, y; true if that one is there.
bool Cover(ShownText* shown, const RECT& area, int x, int y, const char* text, size_t length) {
    bool kept = false;
    std::vector<ShownLine>& lines = shown->lines;
    for (size_t i = 0; i < lines.size();) {
        const ShownLine& line = lines[i];
        bool same = text != NULL && line.x == x && line.y == y &&
                    line.bytes.compare(0, std::string::npos, text, length) == 0;
        if (same || !RectsOverlap(line.box, area)) {
            kept = kept || same;
            i++;
            continue;
        }
        lines.erase(lines.begin() + static_cast<ptrdiff_t>(i));
        shown->changed = true;
    }
    return kept;
}

// Control characters end no line and sound like nothing: they read as spaces.
void AppendLine(std::string* lines, const std::string& bytes) {
    size_t start = lines->size();
    bool visible = false;
    for (char c : bytes) {
        bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        lines->push_back(control ? ' ' : c);
        visible = visible || (!control && c != ' ');
    }
    if (visible)
        lines->push_back('\n');
    else
        lines->resize(start); // a line of blanks says nothing
}
} // namespace

void CoverText(Surface* surface, const RECT& area) {
    if (surface->text != NULL && !surface->text->lines.empty())
        Cover(surface->text, area, 0, 0, NULL, 0);
}

void ShowText(Surface* surface, int x, int y, const char* text, int length, const RECT& box,
              const RECT& area) {
    if (surface->text == NULL)
        surface->text = new ShownText{};
    ShownText* shown = surface->text;
    if (Cover(shown, area, x, y, text, static_cast<size_t>(length)))
        return;
    shown->lines.push_back(ShownLine{x, y, box, std::string(text, static_cast<size_t>(length))});
    shown->changed = true;
}

bool TakeChangedText(Surface* surface, std::string* lines) {
    ShownText* shown = surface->text;
    if (shown == NULL || !shown->changed)
        return false;
    shown->changed = false;
    std::vector<const ShownLine*> order;
    for (const ShownLine& line : shown->lines)
        order.push_back(&line);
    // Top to bottom, and left to right along a line; stable for lines drawn at one place.
    std::stable_sort(order.begin(), order.end(), [](const ShownLine* a, const ShownLine* b) {
        return a->y != b->y ? a->y < b->y : a->x < b->x;
    });
    lines->clear();
    for (const ShownLine* line : order)
        AppendLine(lines, line->bytes);
    return true;
}

void FreeShownText(Surface* surface) {
    delete surface->text;
    surface->text = NULL;
}
