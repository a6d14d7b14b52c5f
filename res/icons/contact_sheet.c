/* Contact sheet of the toolbar images for looking them over: rows of normal
 * and hot images at 1x and 2x, on a light and on a dark background, with the
 * application icon at 48, 16 and 32 pixels.
 *
 *   cc -o sheet contact_sheet.c $(pkg-config --cflags --libs gdk-3.0)
 *   ./sheet res/icons res/icons/preview.png [zoom [x y width height]]
 *
 * zoom magnifies without smoothing; the optional rectangle crops the sheet. */
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <cairo.h>
#include <gdk/gdk.h>
#include <stdio.h>
#include <stdlib.h>

static void put(cairo_t *cr, const char *path, int w, int h, double x, double y) {
  GError *err = NULL;
  GdkPixbuf *pb = gdk_pixbuf_new_from_file_at_scale(path, w, h, FALSE, &err);
  if (!pb) { fprintf(stderr, "%s: %s\n", path, err->message); exit(1); }
  if (gdk_pixbuf_get_width(pb) != w || gdk_pixbuf_get_height(pb) != h) { fprintf(stderr, "size %s\n", path); exit(1); }
  gdk_cairo_set_source_pixbuf(cr, pb, x, y);
  cairo_paint(cr);
  g_object_unref(pb);
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s ICON_DIR OUT.png [zoom [x y width height]]\n", argv[0]);
    return 2;
  }
  const char *dir = argv[1], *out = argv[2];
  int zoom = argc > 3 ? atoi(argv[3]) : 1;
  int cols = 10, pad = 6;
  int rowh[4] = {22, 22, 44, 44};
  int cellw[4] = {26, 26, 48, 48};
  int panelw = pad + cols * 48 + 60, panelh = pad;
  for (int r = 0; r < 4; r++) panelh += rowh[r] + pad;
  int W = panelw * 2, H = panelh;
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H);
  cairo_t *cr = cairo_create(s);
  double bg[2][3] = {{0.93, 0.93, 0.92}, {0.19, 0.19, 0.2}};
  for (int p = 0; p < 2; p++) {
    double ox = p * panelw;
    cairo_set_source_rgb(cr, bg[p][0], bg[p][1], bg[p][2]);
    cairo_rectangle(cr, ox, 0, panelw, panelh);
    cairo_fill(cr);
    double y = pad;
    for (int r = 0; r < 4; r++) {
      int hot = r % 2, scale = r < 2 ? 1 : 2;
      for (int i = 0; i < cols; i++) {
        char path[1024];
        snprintf(path, sizeof path, "%s/%s/%02d.svg", dir, hot ? "hot" : "normal", i);
        int h = (hot ? 22 : 20) * scale;
        put(cr, path, 22 * scale, h, ox + pad + i * cellw[r], y + (rowh[r] - h) / 2);
      }
      y += rowh[r] + pad;
    }
    char app[1024];
    snprintf(app, sizeof app, "%s/quiro.svg", dir);
    put(cr, app, 48, 48, ox + panelw - 54, pad);
    put(cr, app, 16, 16, ox + panelw - 54, pad + 54);
    put(cr, app, 32, 32, ox + panelw - 36, pad + 54);
  }
  cairo_destroy(cr);
  cairo_surface_t *o = s;
  int cx = 0, cy = 0, cw = W, ch = H;
  if (argc > 7) { cx = atoi(argv[4]); cy = atoi(argv[5]); cw = atoi(argv[6]); ch = atoi(argv[7]); }
  if (zoom > 1 || argc > 7) {
    o = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cw * zoom, ch * zoom);
    cairo_t *c2 = cairo_create(o);
    cairo_scale(c2, zoom, zoom);
    cairo_set_source_surface(c2, s, -cx, -cy);
    cairo_pattern_set_filter(cairo_get_source(c2), CAIRO_FILTER_NEAREST);
    cairo_paint(c2);
    cairo_destroy(c2);
  }
  return cairo_surface_write_to_png(o, out) == CAIRO_STATUS_SUCCESS ? 0 : 1;
}
