#include "app/viewer.h"

#include "app/print_all_pdf.h"
#include "app/quiro_app.h"
#include "app/web_sandbox.h"

namespace quiro {

int RunViewer(const ViewerOptions& options, char* programName) {
  StartWebSandboxCheck();
  // The window's options are ours; GTK sees none of them.
  Glib::RefPtr<CQuiroApp> app = CQuiroApp::create(options);
  char* appArgv[] = {programName, nullptr};
  int status = app->run(1, appArgv);
  return status != 0 ? status : app->GetExitStatus();
}

WindowEntries WindowLayerEntries() { return WindowEntries{RunViewer, RunPrintAllToPdf}; }

}  // namespace quiro
