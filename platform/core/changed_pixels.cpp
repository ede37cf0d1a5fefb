// The device pixels a paint changed, as a few rectangles that do not overlap: what the host is
// given to show. A rectangle that overlaps one already there is merged with it into the box that
// holds both, and past the limit every new one is, so the host may be given a little more than
// changed, never less. Kept by hand rather than as a general region: a tick notes two or three
// rectangles, and a region costs an allocation at every paint.

#include "core.h"

namespace {
RECT Bounds(const RECT& a, const RECT& b) {
    return RECT{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
} // namespace

void AddChangedPixels(ChangedPixels* changed, const RECT& box) {
    if (box.left >= box.right || box.top >= box.bottom)
        return;
    RECT adding = box;
    for (int i = 0; i < changed->count;) {
        if (!RectsOverlap(changed->boxes[i], adding)) {
            i++;
            continue;
        }
        // The merged box may now overlap one that was passed over: start again.
        adding = Bounds(adding, changed->boxes[i]);
        changed->boxes[i] = changed->boxes[--changed->count];
        i = 0;
    }
    if (changed->count == MAX_CHANGED_BOXES) {
        AddChangedPixels(changed, Bounds(adding, changed->boxes[--changed->count]));
        return;
    }
    changed->boxes[changed->count++] = adding;
}
