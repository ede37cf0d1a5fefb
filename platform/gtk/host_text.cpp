// Text in the host's font: pango lays a line out in a sans font whose line is at most 16 logical
// pixels, as the Win32 system font's, at the device size, and cairo draws its glyphs without
// anti-aliasing into the store.

#include "gtk_host.h"

#include <pango/pangocairo.h>
#include <string.h>

namespace {
const int TEXT_LINE_HEIGHT = 16;
// Text is laid out once per distinct string: a program draws the same few lines at every paint.
// The layouts live as long as the process.
const int TEXT_LAYOUTS = 4;
PangoLayout* textLayouts[TEXT_LAYOUTS];
int textLayoutScales[TEXT_LAYOUTS];
int nextTextLayout = 0;

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
    // Choose the largest pixel size whose line is at most 16 logical pixels at this scale.
    PangoFontDescription* font = pango_font_description_from_string("Sans");
    pango_layout_set_text(layout, "Xg", -1);
    int limit = CoreDevicePixels(TEXT_LINE_HEIGHT, scale);
    for (int quarterPixels = limit * 4; quarterPixels > limit * 2; quarterPixels--) {
        pango_font_description_set_absolute_size(font, quarterPixels * PANGO_SCALE / 4.0);
        pango_layout_set_font_description(layout, font);
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout, NULL, &logical);
        if (logical.height <= limit)
            break;
    }
    pango_font_description_free(font);
    return layout;
}

// A layout holding the text at this scale: one kept from an earlier call, or the least recently
// made one anew.
PangoLayout* TextLayout(const char* text, int length, int scale) {
    std::string utf8 = CoreTextToUtf8(text, length);
    PangoLayout* layout = NULL;
    PangoLayout* sameScale = NULL;
    for (int i = 0; i < TEXT_LAYOUTS; i++) {
        if (textLayouts[i] == NULL || textLayoutScales[i] != scale)
            continue;
        sameScale = textLayouts[i];
        if (strcmp(pango_layout_get_text(textLayouts[i]), utf8.c_str()) == 0)
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
        pango_layout_set_text(layout, utf8.c_str(), -1);
    }
    return layout;
}

RECT AsRect(const PangoRectangle& r) {
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}
} // namespace

void HostMeasureText(const char* text, int length, int scale, TextExtents* extents) {
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(TextLayout(text, length, scale), &ink, &logical);
    extents->ink = AsRect(ink);
    extents->line = AsRect(logical);
}

void HostDrawText(const PixelStore& store, int x, int y, const char* text, int length,
                  const RECT& clip) {
    PangoLayout* layout = TextLayout(text, length, store.scale);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(store.pixels), CAIRO_FORMAT_RGB24, store.width,
        store.height, store.stride * static_cast<int>(sizeof(uint32_t)));
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

// Leak checking: fontconfig, pango, cairo, GLib and GTK keep caches for the life of the process
// that LeakSanitizer counts as leaks; every program built on this host skips them.
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
