#include "app/print_all_pdf.h"

#include <glib-unix.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <exception>
#include <memory>

#include "app/core/command_line.h"
#include "app/core/doc_site.h"
#include "app/gobject_ptr.h"
#include "app/print_worker.h"
#include "app/web_engine.h"
#include "pdfprint/module.h"
#include "platform/dir.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "printall/pdf_compact.h"
#include "printall/print_all_run.h"

namespace quiro {

namespace {

bool HaveDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

void RemoveFolder(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  platform::ListDirectory(folder, entries);
  for (const platform::DirEntry& entry : entries) {
    if (!entry.isDirectory) ::unlink((folder + "/" + entry.name).c_str());
  }
  ::rmdir(folder.c_str());
}

struct PdfRun {
  GMainLoop* loop = nullptr;
  bool ended = false;
  bool interrupted = false;
  PrintAllResult result;
};

gboolean OnStopSignal(gpointer data) {
  auto* run = static_cast<PdfRun*>(data);
  run->interrupted = true;
  g_main_loop_quit(run->loop);
  return G_SOURCE_CONTINUE;
}

}  // namespace

bool JoinPdfFiles(const std::vector<std::string>& inputs, const std::string& output,
                  std::string& error) {
  const pdfprint::Table* module = pdfprint::Module(error);
  return module != nullptr && module->joinPdfFiles(inputs, output, error);
}

int RunPrintAllToPdf(const std::string& page, const std::string& pdfFile) {
  if (!HaveDisplay()) {
    std::fputs("quiro: --print-all needs a display: set DISPLAY (or run it under xvfb-run)\n",
               stderr);
    return 1;
  }
  if (pdfFile.empty()) {
    std::fputs("quiro: --to-pdf needs a file name\n", stderr);
    return 1;
  }
  std::string local = PagePathOfArgument(page);
  if (local.empty()) {
    std::fprintf(stderr, "quiro: not a local page: %s\n", page.c_str());
    return 1;
  }
  if (!platform::CanOpenForReading(local)) {
    std::fprintf(stderr, "quiro: cannot read %s\n", local.c_str());
    return 1;
  }
  const GCharPtr outputFolder(g_path_get_dirname(pdfFile.c_str()));
  const bool writable = ::access(outputFolder.get(), W_OK) == 0;
  if (!writable) {
    std::fprintf(stderr, "quiro: cannot write %s: its folder is missing or read-only\n",
                 pdfFile.c_str());
    return 1;
  }
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fputs("quiro: cannot open the display\n", stderr);
    return 1;
  }

  const GCharPtr folder(g_dir_make_tmp("quiro-print-XXXXXX", nullptr));
  if (folder == nullptr) {
    std::fputs("quiro: cannot create a temporary folder\n", stderr);
    return 1;
  }
  std::string pageFolder = folder.get();

  PdfRun run;
  run.loop = g_main_loop_new(nullptr, FALSE);
  guint sigint = g_unix_signal_add(SIGINT, OnStopSignal, &run);
  guint sigterm = g_unix_signal_add(SIGTERM, OnStopSignal, &run);

  // What this mode owns, as the application owns its own: the site and the
  // runs.
  const SiteHolder site;
  SetUpSharedWebContext(*site.Snapshot());
  PrintAllService printAll;
  PrintAllOptions options;
  options.startPath = FindPrintStartPage(local);
  options.site = *site.Snapshot();
  options.destination.pdfFolder = pageFolder;
  options.pauseMs = 0;  // the files are complete once printed; nothing to wait for
  options.finished = [&run](const PrintAllResult& result) {
    run.result = result;
    run.ended = true;
    g_main_loop_quit(run.loop);
  };
  if (printAll.Start(std::move(options))) {
    g_main_loop_run(run.loop);
  } else {
    run.ended = true;
  }
  printAll.StopAll();
  g_source_remove(sigint);
  g_source_remove(sigterm);
  g_main_loop_unref(run.loop);

  int status = 0;
  if (run.interrupted) {
    std::fputs("quiro: interrupted; nothing written\n", stderr);
    status = 130;
  } else if (run.result.outputFiles.empty()) {
    std::fprintf(stderr, "quiro: nothing could be printed from %s\n", local.c_str());
    status = 1;
  } else {
    std::string error;
    if (!JoinPdfFiles(run.result.outputFiles, pdfFile, error)) {
      std::fprintf(stderr, "quiro: cannot write %s: %s\n", pdfFile.c_str(), error.c_str());
      status = 1;
    } else {
      // Joined, the file carries each page's whole fonts once per page.
      // Without Ghostscript, or when it fails, it stays as it is.
      std::string why;
      CompactPdf(pdfFile, why);
    }
  }
  // A file without some of the pages is written, for what it holds, but the
  // run did not do what was asked.
  const std::string lost = PrintRunProblems(run.result.report);
  if (status == 0 && !lost.empty()) {
    std::fprintf(stderr, "quiro: %s\n", lost.c_str());
    status = 1;
  }
  RemoveFolder(pageFolder);
  return status;
}

}  // namespace quiro
