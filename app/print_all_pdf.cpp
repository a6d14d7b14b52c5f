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
#include "app/web_sandbox.h"
#include "pdfprint/module.h"
#include "platform/dir.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "printall/print_all_run.h"
#include "res/strings.h"

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

namespace {

// "quiro: " and string `id` with `args` on stderr.
void Say(int id, std::initializer_list<std::string_view> args = {}) {
  std::fprintf(stderr, "quiro: %s\n", res::FormatString(id, args).c_str());
}

}  // namespace

int RunPrintAllToPdf(const std::string& page, const std::string& pdfFile) {
  if (!HaveDisplay()) {
    Say(res::IDS_CLI_NEEDS_DISPLAY);
    return 1;
  }
  if (pdfFile.empty()) {
    Say(res::IDS_CLI_TO_PDF_NEEDS_FILE);
    return 1;
  }
  std::string local = PagePathOfArgument(page);
  if (local.empty()) {
    Say(res::IDS_CLI_NOT_A_LOCAL_PAGE, {page});
    return 1;
  }
  if (!platform::CanOpenForReading(local)) {
    Say(res::IDS_CLI_CANNOT_READ, {local});
    return 1;
  }
  const GCharPtr outputFolder(g_path_get_dirname(pdfFile.c_str()));
  const bool writable = ::access(outputFolder.get(), W_OK) == 0;
  if (!writable) {
    Say(res::IDS_CLI_CANNOT_WRITE_FOLDER, {pdfFile});
    return 1;
  }
  StartWebSandboxCheck();
  if (!gtk_init_check(nullptr, nullptr)) {
    Say(res::IDS_CLI_NO_DISPLAY);
    return 1;
  }

  const GCharPtr folder(g_dir_make_tmp("quiro-print-XXXXXX", nullptr));
  if (folder == nullptr) {
    Say(res::IDS_CLI_NO_TEMP_FOLDER);
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
    Say(res::IDS_CLI_INTERRUPTED);
    status = 130;
  } else if (run.result.outputFiles.empty()) {
    Say(res::IDS_CLI_NOTHING_PRINTED, {local});
    status = 1;
  } else {
    std::string error;
    if (!JoinPdfFiles(run.result.outputFiles, pdfFile, error)) {
      Say(res::IDS_CLI_CANNOT_WRITE, {pdfFile, error});
      status = 1;
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
