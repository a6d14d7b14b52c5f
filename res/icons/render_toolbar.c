/* Build tool: draws the toolbar's SVG images at their own size and writes
 * their pixels as a C source (see res/toolbar_pixels.h).
 *
 *   render_toolbar ICON_FOLDER OUTPUT.c
 */

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdio.h>

#include "res/toolbar_pixels.h"

static int write_image(FILE *out, const char *folder, const char *state, int image, int size[2]) {
  char *path = g_strdup_printf("%s/%s/%02d.svg", folder, state, image);
  GError *error = NULL;
  GdkPixbuf *pb = gdk_pixbuf_new_from_file(path, &error);
  if (!pb) {
    fprintf(stderr, "%s: %s\n", path, error->message);
    g_clear_error(&error);
    g_free(path);
    return 0;
  }
  GdkPixbuf *rgba = gdk_pixbuf_get_has_alpha(pb) ? g_object_ref(pb) : gdk_pixbuf_add_alpha(pb, FALSE, 0, 0, 0);
  const int w = gdk_pixbuf_get_width(rgba), h = gdk_pixbuf_get_height(rgba);
  const int stride = gdk_pixbuf_get_rowstride(rgba);
  size[0] = w, size[1] = h;
  const guchar *px = gdk_pixbuf_read_pixels(rgba);
  fprintf(out, "static const unsigned char %s_%02d[%d] = {", state, image, w * h * 4);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * 4; ++i) fprintf(out, "%s%u,", (y * w * 4 + i) % 20 ? "" : "\n", px[y * stride + i]);
  fprintf(out, "\n};\n");
  g_object_unref(rgba);
  g_object_unref(pb);
  g_free(path);
  return 1;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s ICON_FOLDER OUTPUT.c\n", argv[0]);
    return 2;
  }
  FILE *out = fopen(argv[2], "w");
  if (!out) {
    perror(argv[2]);
    return 1;
  }
  static const char *const states[2] = {"normal", "hot"};
  fprintf(out, "/* Generated from the toolbar's SVG images; do not edit. */\n#include \"res/toolbar_pixels.h\"\n");
  int ok = 1;
  int sizes[2][QUIRO_TOOLBAR_IMAGE_COUNT][2] = {{{0}}};
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < QUIRO_TOOLBAR_IMAGE_COUNT; ++i) ok &= write_image(out, argv[1], states[s], i, sizes[s][i]);
  fprintf(out, "const struct quiro_toolbar_pixels quiro_toolbar_images[2][%d] = {\n", QUIRO_TOOLBAR_IMAGE_COUNT);
  for (int s = 0; s < 2 && ok; ++s) {
    fprintf(out, "  {\n");
    for (int i = 0; i < QUIRO_TOOLBAR_IMAGE_COUNT; ++i)
      fprintf(out, "    {%d, %d, %s_%02d},\n", sizes[s][i][0], sizes[s][i][1], states[s], i);
    fprintf(out, "  },\n");
  }
  fprintf(out, "};\n");
  if (fclose(out) != 0 || !ok) {
    remove(argv[2]);
    return 1;
  }
  return 0;
}
