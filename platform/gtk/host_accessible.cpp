// The client area as assistive technology sees it: a drawing area named after its window that can
// take the focus, whose accessible text (AtkText) is the lines the client area shows, and which
// tells each change of them as a removal and an insertion of text, as GTK's own text widgets do,
// so that a screen reader speaks the new lines of the focused window as they come: only the lines
// that changed, so "Game Over!" under an unchanged score is said alone. The frame, the menu bar
// and its items are GTK's own.
//
// GObject wants its names in its own form: the two types and their functions are spelled so.

#include "gtk_host.h"

#include <gtk/gtk-a11y.h>

#include <vector>

namespace {
// The lines in UTF-8, kept with the accessible object, which may outlive its window.
const char* const CLIENT_TEXT_KEY = "win32-client-text";

struct ClientAccessible {
    GtkWidgetAccessible parent;
};
struct ClientAccessibleClass {
    GtkWidgetAccessibleClass parent;
};

struct ClientArea {
    GtkDrawingArea parent;
};
struct ClientAreaClass {
    GtkDrawingAreaClass parent;
};

void client_accessible_text_init(AtkTextIface* text);
GType client_accessible_get_type();
G_DEFINE_TYPE_WITH_CODE(ClientAccessible, client_accessible, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, client_accessible_text_init))
GType client_area_get_type();
G_DEFINE_TYPE(ClientArea, client_area, GTK_TYPE_DRAWING_AREA)

void client_accessible_init(ClientAccessible*) {}
void client_accessible_class_init(ClientAccessibleClass*) {}
void client_area_init(ClientArea*) {}
void client_area_class_init(ClientAreaClass* type) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(type), client_accessible_get_type());
    gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(type), ATK_ROLE_DRAWING_AREA);
}

const char* LinesOf(AtkText* text) {
    const char* lines =
        static_cast<const char*>(g_object_get_data(G_OBJECT(text), CLIENT_TEXT_KEY));
    return lines != NULL ? lines : "";
}

int Characters(const char* lines) {
    return static_cast<int>(g_utf8_strlen(lines, -1));
}

// Characters from..to (to -1: the end), as ATK counts offsets.
gchar* Substring(const char* lines, int from, int to) {
    int count = Characters(lines);
    to = to < 0 || to > count ? count : to;
    from = from < 0 ? 0 : from > to ? to : from;
    return g_utf8_substring(lines, from, to);
}

gchar* GetText(AtkText* text, gint from, gint to) {
    return Substring(LinesOf(text), from, to);
}

gint GetCharacterCount(AtkText* text) {
    return Characters(LinesOf(text));
}

gunichar GetCharacterAtOffset(AtkText* text, gint offset) {
    const char* lines = LinesOf(text);
    if (offset < 0 || offset >= Characters(lines))
        return 0;
    return g_utf8_get_char(g_utf8_offset_to_pointer(lines, offset));
}

gint GetCaretOffset(AtkText*) {
    return 0;
}

// A character by itself; a word, sentence, line or paragraph as the line that holds it, with its
// line break.
gchar* GetStringAtOffset(AtkText* text, gint offset, AtkTextGranularity granularity, gint* start,
                         gint* end) {
    const char* lines = LinesOf(text);
    int count = Characters(lines);
    *start = *end = offset < 0 ? 0 : offset > count ? count : offset;
    if (granularity == ATK_TEXT_GRANULARITY_CHAR) {
        *end = *start < count ? *start + 1 : count;
        return Substring(lines, *start, *end);
    }
    while (*start > 0 && GetCharacterAtOffset(text, *start - 1) != '\n')
        --*start;
    while (*end < count && GetCharacterAtOffset(text, *end) != '\n')
        ++*end;
    *end = *end < count ? *end + 1 : count;
    return Substring(lines, *start, *end);
}

// Each line with its line break.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines, size_t from, size_t to) {
    std::string text;
    for (size_t i = from; i < to; i++)
        text += lines[i];
    return text;
}

void client_accessible_text_init(AtkTextIface* text) {
    text->get_text = GetText;
    text->get_character_count = GetCharacterCount;
    text->get_character_at_offset = GetCharacterAtOffset;
    text->get_caret_offset = GetCaretOffset;
    text->get_string_at_offset = GetStringAtOffset;
}
} // namespace

GtkWidget* NewClientArea(const char* title) {
    GtkWidget* client = GTK_WIDGET(g_object_new(client_area_get_type(), NULL));
    gtk_widget_set_can_focus(client, TRUE);
    atk_object_set_name(gtk_widget_get_accessible(client), title);
    return client;
}

void HostClientText(HostWindow* host, const char* text) {
    HostChanged();
    AtkObject* accessible = gtk_widget_get_accessible(host->client);
    std::vector<std::string> before = Lines(LinesOf(ATK_TEXT(accessible)));
    std::string utf8 = CoreTextToUtf8(text, -1);
    g_object_set_data_full(G_OBJECT(accessible), CLIENT_TEXT_KEY, g_strdup(utf8.c_str()), g_free);
    std::vector<std::string> after = Lines(utf8);
    size_t same = 0, sameAtEnd = 0;
    while (same < before.size() && same < after.size() && before[same] == after[same])
        same++;
    while (sameAtEnd < before.size() - same && sameAtEnd < after.size() - same &&
           before[before.size() - 1 - sameAtEnd] == after[after.size() - 1 - sameAtEnd])
        sameAtEnd++;
    int at = Characters(Join(after, 0, same).c_str());
    std::string removed = Join(before, same, before.size() - sameAtEnd);
    std::string inserted = Join(after, same, after.size() - sameAtEnd);
    if (!removed.empty())
        g_signal_emit_by_name(accessible, "text-remove", at, Characters(removed.c_str()),
                              removed.c_str());
    if (!inserted.empty())
        g_signal_emit_by_name(accessible, "text-insert", at, Characters(inserted.c_str()),
                              inserted.c_str());
}
