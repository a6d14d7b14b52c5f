/* Checks the compiled image bundle the way the window uses it: every toolbar
 * image and the application icon can be found by its resource path without
 * any call into the bundle, and each one renders at its own size and at
 * twice that size with a visible picture. Exits 0 when all is well. */

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <stdio.h>
#include <stdlib.h>

#include "res/toolbar_pixels.h"

static int failures = 0;

static void fail(const char *path, const char *what) {
  fprintf(stderr, "%s: %s\n", path, what);
  ++failures;
}

/* Share of pixels that are at least half opaque. */
static double coverage(GdkPixbuf *pb) {
  int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
  int stride = gdk_pixbuf_get_rowstride(pb), n = gdk_pixbuf_get_n_channels(pb);
  const guchar *px = gdk_pixbuf_read_pixels(pb);
  if (!gdk_pixbuf_get_has_alpha(pb)) return 1.0;
  long opaque = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (px[y * stride + x * n + 3] >= 128) ++opaque;
  return (double)opaque / (w * h);
}

/* Sum of the colour channels of the opaque pixels, a measure of brightness. */
static double brightness(GdkPixbuf *pb) {
  int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
  int stride = gdk_pixbuf_get_rowstride(pb), n = gdk_pixbuf_get_n_channels(pb);
  const guchar *px = gdk_pixbuf_read_pixels(pb);
  double sum = 0;
  long count = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const guchar *p = px + y * stride + x * n;
      if (n == 4 && p[3] < 128) continue;
      sum += p[0] + p[1] + p[2];
      ++count;
    }
  return count ? sum / count : 0;
}

/* Loads `path` at its own size and at twice it; returns the 1x picture. */
static GdkPixbuf *check_image(const char *path, int width, int height) {
  GError *error = NULL;
  GBytes *data = g_resources_lookup_data(path, G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
  if (!data) {
    fail(path, error->message);
    g_clear_error(&error);
    return NULL;
  }
  gsize size = 0;
  const char *text = g_bytes_get_data(data, &size);
  if (size < 64 || !g_str_has_prefix(text, "<?xml")) fail(path, "not an SVG document");
  g_bytes_unref(data);

  GdkPixbuf *one = gdk_pixbuf_new_from_resource(path, &error);
  if (!one) {
    fail(path, error->message);
    g_clear_error(&error);
    return NULL;
  }
  if (gdk_pixbuf_get_width(one) != width || gdk_pixbuf_get_height(one) != height)
    fail(path, "wrong natural size");
  double c1 = coverage(one);
  if (c1 < 0.2 || c1 > 0.95) fail(path, "picture empty or filling the whole cell");

  GdkPixbuf *two = gdk_pixbuf_new_from_resource_at_scale(path, 2 * width, 2 * height, FALSE, &error);
  if (!two) {
    fail(path, error->message);
    g_clear_error(&error);
  } else {
    if (gdk_pixbuf_get_width(two) != 2 * width || gdk_pixbuf_get_height(two) != 2 * height)
      fail(path, "wrong size at 2x");
    double c2 = coverage(two);
    if (c2 < c1 * 0.8 || c2 > c1 * 1.25) fail(path, "2x picture differs from 1x");
    g_object_unref(two);
  }
  return one;
}

/* The pixels drawn at build time are the picture the SVG gives now. */
static void check_drawn(const char *path, GdkPixbuf *svg, const struct quiro_toolbar_pixels *drawn) {
  if (!svg || !drawn->rgba) return;
  const int w = gdk_pixbuf_get_width(svg), h = gdk_pixbuf_get_height(svg);
  if (drawn->width != w || drawn->height != h || gdk_pixbuf_get_n_channels(svg) != 4) {
    fail(path, "drawn at another size than the SVG's");
    return;
  }
  const int stride = gdk_pixbuf_get_rowstride(svg);
  const guchar *px = gdk_pixbuf_read_pixels(svg);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * 4; ++i)
      if (abs(px[y * stride + i] - drawn->rgba[y * w * 4 + i]) > 2) {
        fail(path, "drawn pixels differ from the SVG");
        return;
      }
}

int main(void) {
  for (int image = 0; image <= 9; ++image) {
    char normal[64], hot[64];
    snprintf(normal, sizeof normal, "/org/vesk/quiro/toolbar/normal/%02d.svg", image);
    snprintf(hot, sizeof hot, "/org/vesk/quiro/toolbar/hot/%02d.svg", image);
    GdkPixbuf *n = check_image(normal, 22, 20);
    GdkPixbuf *h = check_image(hot, 22, 22);
    check_drawn(normal, n, &quiro_toolbar_images[0][image]);
    check_drawn(hot, h, &quiro_toolbar_images[1][image]);
    /* The hot picture is the same one, lit up. */
    if (n && h && brightness(h) <= brightness(n)) fail(hot, "not brighter than the normal image");
    if (n) g_object_unref(n);
    if (h) g_object_unref(h);
  }
  GdkPixbuf *app = check_image("/org/quiro/Quiro/icons/scalable/apps/org.quiro.Quiro.svg", 128, 128);
  if (app) g_object_unref(app);

  GError *error = NULL;
  if (g_resources_lookup_data("/org/vesk/quiro/toolbar/normal/10.svg", G_RESOURCE_LOOKUP_FLAGS_NONE,
                              &error)) {
    fail("/org/vesk/quiro/toolbar/normal/10.svg", "unexpected image");
  }
  g_clear_error(&error);

  if (failures) fprintf(stderr, "%d problem(s)\n", failures);
  return failures ? 1 : 0;
}
