#pragma once
/* The toolbar images drawn once when the program is built: each picture's
 * size and its pixels, 8-bit RGBA, rows packed without padding. The window
 * makes its images straight from these, with no image decoder to load. */

#ifdef __cplusplus
extern "C" {
#endif

struct quiro_toolbar_pixels {
  int width;
  int height;
  const unsigned char *rgba;
};

/* [0][n]: image n as normally shown; [1][n]: the same one under the pointer. */
enum { QUIRO_TOOLBAR_IMAGE_COUNT = 10 };
extern const struct quiro_toolbar_pixels quiro_toolbar_images[2][QUIRO_TOOLBAR_IMAGE_COUNT];

#ifdef __cplusplus
}
#endif
