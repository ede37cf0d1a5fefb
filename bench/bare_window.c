/* The floor for the running game: a GTK 3 window of the game's size that
   opens and waits, drawing nothing of its own. A GLib timeout wakes it at the
   game's default interval and does nothing: what any GTK program pays for a
   tick before it does any work. */

#include <gtk/gtk.h>

enum { TICK_MS = 250 };

static gboolean Tick(gpointer unused) {
    (void)unused;
    return G_SOURCE_CONTINUE;
}

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Bare window");
    gtk_window_set_default_size(GTK_WINDOW(window), 800, 650);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    g_timeout_add(TICK_MS, Tick, NULL);
    gtk_main();
    return 0;
}
