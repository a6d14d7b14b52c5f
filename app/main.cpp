// quiro: the documentation viewer. Without options it opens the window; the
// options (app/core/command_line.h) run parts of the program without a
// window, for packagers and for tests.

#include "app/core/command_line.h"
#include "platform/translations.h"

#ifdef QUIRO_HAVE_GUI
#include "app/viewer.h"
#endif

int main(int argc, char** argv) {
  // Before any text is made: --help and the messages are translated too.
  platform::StartTranslations();
#ifdef QUIRO_HAVE_GUI
  const quiro::WindowEntries window = quiro::WindowLayerEntries();
  return quiro::RunCommandLine(argc, argv, &window);
#else
  return quiro::RunCommandLine(argc, argv, nullptr);
#endif
}
