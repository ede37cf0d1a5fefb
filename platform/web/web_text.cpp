// Text in the browser's own sans font, drawn by the canvas and thresholded to solid black, so the
// glyphs have no grey edges, as GDI draws the system font. The page's side is WebText in
// web_host.js.

#include "../core/host.h"

#include <emscripten.h>

EM_JS(void, WebMeasureText, (const char* text, int scale, int* boxes),
      { WebText.Measure(UTF8ToString(text), scale, boxes); });
EM_JS(void, WebDrawText,
      (const char* text, int scale, uint32_t* pixels, int stride, int x, int y, int clipLeft,
       int clipTop, int clipRight, int clipBottom),
      {
          WebText.Draw(UTF8ToString(text), scale, pixels, stride, x, y, clipLeft, clipTop,
                       clipRight, clipBottom);
      });

void HostMeasureText(const char* text, int length, int scale, TextExtents* extents) {
    // ink, then line: left, top, right, bottom each
    int boxes[8];
    WebMeasureText(CoreTextToUtf8(text, length).c_str(), scale, boxes);
    extents->ink = RECT{boxes[0], boxes[1], boxes[2], boxes[3]};
    extents->line = RECT{boxes[4], boxes[5], boxes[6], boxes[7]};
}

void HostDrawText(const PixelStore& store, int x, int y, const char* text, int length,
                  const RECT& clip) {
    WebDrawText(CoreTextToUtf8(text, length).c_str(), store.scale, store.pixels, store.stride, x, y,
                clip.left, clip.top, clip.right, clip.bottom);
}
